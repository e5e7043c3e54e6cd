#include "app/updateview.h"

#include "web/webrequest.h"

namespace pennova {

UpdateView::UpdateView(QWidget *parent)
    : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setMinimumSize(360, 240);
    connect(this, &QTextBrowser::anchorClicked, this, &UpdateView::followLink);
    showWelcome();
}

void UpdateView::showPage(const QString &text, const QUrl &pageUrl, bool plainText)
{
    m_pageUrl = pageUrl;
    m_welcome = false;
    // Relative links resolve by hand in followLink(); a base address on the document would let
    // it read local files for relative resource names.
    document()->setBaseUrl(QUrl());
    if (plainText)
        setPlainText(text);
    else
        setHtml(text);
}

void UpdateView::showWelcome()
{
    m_pageUrl = QUrl();
    m_welcome = true;
    setHtml(tr("<h3>Welcome to Pennova</h3>"
               "<p>Make a new canvas or open a picture to start painting.</p>"
               "<ul>"
               "<li>Draw with the pen: its pressure and speed set the width of the line.</li>"
               "<li>Turn the pen over, or hold Alt, to erase.</li>"
               "<li>Space+drag pans, Shift+drag zooms, Meta+drag rotates the view.</li>"
               "</ul>"
               "<p><b>Edit &gt; Preferences</b> sets the pen and eraser sizes and how many steps "
               "Undo keeps; <b>Help &gt; Keyboard Shortcuts</b> lists every key.</p>"));
}

QVariant UpdateView::loadResource(int, const QUrl &)
{
    // Not a null variant, so that the document does not go looking for the resource itself.
    return QVariant(QByteArray());
}

void UpdateView::followLink(const QUrl &link)
{
    if (link.isRelative() && link.path().isEmpty() && link.hasFragment()) {
        scrollToAnchor(link.fragment());
        return;
    }
    const QUrl target = m_pageUrl.isValid() ? m_pageUrl.resolved(link) : link;
    if (isWebUrl(target))
        emit linkRequested(target);
}

} // namespace pennova
