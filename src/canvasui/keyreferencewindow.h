#pragma once

// The "Keyboard Shortcuts" window: a read-only table of the canvas's key and pointer commands,
// and below it a footer with the keys the table leaves out, so that together they list every
// key. One window serves the whole program; it is not modal and does not keep the program
// running.

#include <QList>
#include <QPair>
#include <QWidget>

class QLabel;
class QTableView;

namespace pennova {

class KeyCommandData;

class KeyReferenceWindow : public QWidget
{
    Q_OBJECT
public:
    explicit KeyReferenceWindow(QWidget *parent = nullptr);

    // Shows the one window, made on first use and placed over `parent`'s window when given;
    // later calls bring the same window to the front.
    static KeyReferenceWindow *show(QWidget *parent);
    using QWidget::show;

    // The open window, or null before the first show().
    static KeyReferenceWindow *instance();

    QTableView *table() const { return m_table; }
    KeyCommandData *model() const { return m_data; }
    QLabel *footer() const { return m_footer; }

private:
    // The footer's rows: a key or gesture and what it does.
    static QList<QPair<QString, QString>> otherKeys();

    QTableView *m_table = nullptr;
    QLabel *m_footer = nullptr;
    KeyCommandData *m_data = nullptr;
};

} // namespace pennova
