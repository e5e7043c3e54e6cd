#pragma once

// The update notice in the launch window: a page from the web server shown as rich text. The
// view fetches nothing by itself: images, style sheets and any other resource a page names stay
// unloaded, and it never follows a link. A clicked link is handed on through linkRequested()
// when it is http or https (relative links resolve against the page's address); anchors within
// the page scroll to their place; every other link does nothing.

#include <QTextBrowser>
#include <QUrl>

namespace pennova {

class UpdateView : public QTextBrowser
{
    Q_OBJECT
public:
    explicit UpdateView(QWidget *parent = nullptr);

    // `text` is HTML unless `plainText`.
    void showPage(const QString &text, const QUrl &pageUrl, bool plainText);
    // The program's own text, shown without a server or until the page arrives.
    void showWelcome();
    bool showsWelcome() const { return m_welcome; }

    QVariant loadResource(int type, const QUrl &name) override;

signals:
    void linkRequested(const QUrl &url);

private:
    void followLink(const QUrl &link);

    QUrl m_pageUrl;
    bool m_welcome = false;
};

} // namespace pennova
