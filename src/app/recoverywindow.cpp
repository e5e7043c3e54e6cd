#include "app/recoverywindow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace pennova {

namespace {

    constexpr int kThumbnailBox = 96;

} // namespace

RecoveryWindow::RecoveryWindow(const QList<Item> &items, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Recover Unsaved Pictures"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(tr("<b>Pennova stopped unexpectedly.</b><br>These pictures had "
                                "changes that were not saved. Recover them to keep working on "
                                "them, or discard them."));
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto *list = new QWidget;
    m_rows = new QVBoxLayout(list);
    m_rows->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < items.size(); ++i) {
        const Item &item = items[i];
        auto *row = new QFrame;
        row->setFrameShape(QFrame::StyledPanel);
        auto *rowLayout = new QHBoxLayout(row);
        auto *thumb = new QLabel;
        thumb->setFixedSize(kThumbnailBox, kThumbnailBox);
        thumb->setAlignment(Qt::AlignCenter);
        if (!item.thumbnail.isNull()) {
            thumb->setPixmap(QPixmap::fromImage(item.thumbnail.scaled(
                kThumbnailBox, kThumbnailBox, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        } else {
            thumb->setText(tr("No preview"));
        }
        rowLayout->addWidget(thumb);
        auto *text
            = new QLabel(QStringLiteral("<b>%1</b><br>%2")
                             .arg((item.title.isEmpty() ? tr("An unreadable autosave") : item.title)
                                      .toHtmlEscaped(),
                                 item.detail.toHtmlEscaped()));
        text->setTextFormat(Qt::RichText);
        text->setWordWrap(true);
        rowLayout->addWidget(text, 1);
        auto *recover = new QPushButton(tr("Recover"));
        auto *discard = new QPushButton(tr("Discard"));
        recover->setObjectName(QStringLiteral("recover"));
        discard->setObjectName(QStringLiteral("discard"));
        recover->setEnabled(!item.title.isEmpty());
        recover->setAutoDefault(false);
        discard->setAutoDefault(false);
        rowLayout->addWidget(recover);
        rowLayout->addWidget(discard);
        connect(recover, &QPushButton::clicked, this, [this, i] { emit recoverRequested(i); });
        connect(discard, &QPushButton::clicked, this, [this, i] { emit discardRequested(i); });
        m_rows->addWidget(row);
        m_rowWidgets << row;
    }
    m_rows->addStretch(1);

    auto *scroll = new QScrollArea;
    scroll->setWidget(list);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setMinimumSize(480, std::min(3, int(items.size())) * (kThumbnailBox + 24));
    layout->addWidget(scroll, 1);

    auto *buttons = new QDialogButtonBox;
    QPushButton *later = buttons->addButton(tr("Decide Later"), QDialogButtonBox::RejectRole);
    later->setToolTip(tr("The pictures left here are offered again the next time Pennova starts."));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void RecoveryWindow::markDone(int index)
{
    if (index < 0 || index >= m_rowWidgets.size() || !m_rowWidgets[index])
        return;
    m_rowWidgets[index]->hide();
    m_rowWidgets[index]->deleteLater();
    m_rowWidgets[index] = nullptr;
    if (rowsLeft() == 0)
        accept();
}

int RecoveryWindow::rowsLeft() const
{
    return int(std::count_if(
        m_rowWidgets.begin(), m_rowWidgets.end(), [](const QWidget *w) { return w != nullptr; }));
}

} // namespace pennova
