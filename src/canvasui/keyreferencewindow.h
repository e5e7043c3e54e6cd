#pragma once

// The "Keyboard Shortcuts" window: a read-only table of the canvas's key and pointer commands,
// and below it a footer with the keys the table leaves out, so that together they list every
// key, with the gesture keys and pen buttons in force. One window serves the whole program; it
// is not modal and does not keep the program running.

#include <QList>
#include <QPair>
#include <QWidget>

class QLabel;
class QTableView;

namespace pennova {

class Defaults;
class KeyCommandData;

class KeyReferenceWindow : public QWidget
{
    Q_OBJECT
public:
    // With the keys of the settings store, or the factory keys without one.
    explicit KeyReferenceWindow(QWidget *parent = nullptr, const Defaults *defaults = nullptr);

    // Shows the one window, made on first use and placed over `parent`'s window when given;
    // later calls bring the same window to the front, showing the keys of `defaults` as they are
    // now.
    static KeyReferenceWindow *show(QWidget *parent, const Defaults *defaults = nullptr);
    // Shows the keys of the settings store as they are now, if they changed.
    void updateKeys(const Defaults *defaults);
    using QWidget::show;

    // The open window, or null before the first show().
    static KeyReferenceWindow *instance();

    QTableView *table() const { return m_table; }
    KeyCommandData *model() const { return m_data; }
    QLabel *footer() const { return m_footer; }

    // The footer's rows: a key or gesture and what it does (also the user guide's).
    static QList<QPair<QString, QString>> otherKeys(const Defaults *defaults);

private:
    void fill(const Defaults *defaults);
    // What the window shows now, to tell whether the settings changed it.
    QString m_shown;

    QTableView *m_table = nullptr;
    QLabel *m_footer = nullptr;
    KeyCommandData *m_data = nullptr;
};

} // namespace pennova
