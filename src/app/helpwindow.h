#pragma once

// The user guide: a short HTML guide compiled into the program, shown in a window of its own, with
// the keys and gestures in force filled in from the settings. It needs no network: links within
// the guide jump inside it, and any other link goes to the desktop's browser. One window serves
// the whole program; it is not modal and does not keep the program running. Also the About box
// and the program's icon, which share its resources.

#include <QIcon>
#include <QWidget>

class QTextBrowser;

namespace pennova {

class Defaults;

class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(const Defaults &defaults, QWidget *parent = nullptr);

    // Shows the one window, made on first use and placed beside `parent`'s window; later calls
    // bring it to the front with the keys as they are now.
    static HelpWindow *show(QWidget *parent, const Defaults &defaults);
    using QWidget::show;
    static HelpWindow *instance();

    // Fills in the keys of the settings as they are now, keeping the place in the guide.
    void updateKeys(const Defaults &defaults);
    QTextBrowser *browser() const { return m_browser; }

    // The guide's HTML with the keys in force; the table of keys alone.
    static QString guideHtml(const Defaults &defaults);
    static QString keyTableHtml(const Defaults &defaults);

    // "About Pennova": the name, the version and what the program is.
    static void showAbout(QWidget *parent);
    static QString aboutText();
    // The program's icon in the sizes the window system asks for.
    static QIcon programIcon();

private:
    QTextBrowser *m_browser = nullptr;
    QString m_html; // what the browser shows
};

} // namespace pennova
