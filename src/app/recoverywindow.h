#pragma once

// The window that offers, at start-up, the pictures a Pennova that stopped unexpectedly had not
// saved: one row each, with its thumbnail, title and the time of its autosave, and Recover and
// Discard. Its buttons only ask; the application delegate acts, and takes a row away once its
// picture is recovered or discarded. The window closes when no row is left; closing it earlier
// keeps the other autosaves for the next start.

#include <QDialog>
#include <QImage>
#include <QList>

class QVBoxLayout;

namespace pennova {

class RecoveryWindow : public QDialog
{
    Q_OBJECT
public:
    struct Item
    {
        QString title; // empty: the autosave cannot be read
        QString detail; // the time, or why it cannot be read
        QImage thumbnail;
    };

    explicit RecoveryWindow(const QList<Item> &items, QWidget *parent = nullptr);

    // Takes the row of item `index` away; closes the window after the last.
    void markDone(int index);
    int rowsLeft() const;

signals:
    void recoverRequested(int index);
    void discardRequested(int index);

private:
    QVBoxLayout *m_rows;
    QList<QWidget *> m_rowWidgets;
};

} // namespace pennova
