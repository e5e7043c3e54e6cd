#include "app/newcanvasdialog.h"

#include "canvas/canvassurface.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace pennova {

NewCanvasDialog::NewCanvasDialog(Defaults &defaults, Maker make, QWidget *parent)
    : QDialog(parent)
    , m_make(std::move(make))
    , m_width(new QLineEdit(this))
    , m_height(new QLineEdit(this))
    , m_error(new QLabel(this))
{
    setWindowTitle(tr("New Canvas"));
    setModal(true);
    m_width->setObjectName(QStringLiteral("width"));
    m_height->setObjectName(QStringLiteral("height"));
    // A stored size that can never be a canvas (damaged settings, or one stored by an older
    // version before it was checked) is not proposed again: the factory size is, with a word why.
    const int storedWidth = defaults.integerForKey(keys::ImageWidth);
    const int storedHeight = defaults.integerForKey(keys::ImageHeight);
    const auto possible = [](int side) { return side >= 1 && side <= CanvasSurface::kMaxSide; };
    const bool storedPossible = possible(storedWidth) && possible(storedHeight);
    m_width->setText(QString::number(storedPossible ? storedWidth : kFactorySize.width()));
    m_height->setText(QString::number(storedPossible ? storedHeight : kFactorySize.height()));

    auto *form = new QFormLayout;
    form->addRow(tr("&Width (pixels):"), m_width);
    form->addRow(tr("&Height (pixels):"), m_height);

    m_error->setObjectName(QStringLiteral("error"));
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #c00000;"));
    m_error->hide();
    if (!storedPossible) {
        m_error->setText(tr("The size stored for new canvases, %1 × %2 pixels, cannot be made; "
                            "%3 × %4 is proposed instead.")
                             .arg(storedWidth)
                             .arg(storedHeight)
                             .arg(kFactorySize.width())
                             .arg(kFactorySize.height()));
        m_error->show();
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Create"));
    connect(buttons, &QDialogButtonBox::accepted, this, &NewCanvasDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NewCanvasDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_error);
    layout->addWidget(buttons);
    m_width->selectAll();
    m_width->setFocus();
}

QString NewCanvasDialog::errorText() const
{
    return m_error->isHidden() ? QString() : m_error->text();
}

std::optional<int> NewCanvasDialog::readField(QLineEdit *field, const QString &what)
{
    bool ok = false;
    const int value = field->text().trimmed().toInt(&ok);
    if (ok && value >= 1)
        return value;
    showError(tr("The %1 must be a whole number of pixels, 1 or more (not “%2”).")
                  .arg(what, field->text()),
        field);
    return std::nullopt;
}

void NewCanvasDialog::showError(const QString &text, QLineEdit *field)
{
    m_error->setText(text);
    m_error->show();
    // The window grows to show the whole message.
    layout()->activate();
    resize(width(), std::max(height(), heightForWidth(width())));
    field->setFocus();
    field->selectAll();
}

void NewCanvasDialog::accept()
{
    const std::optional<int> width = readField(m_width, tr("width"));
    if (!width)
        return;
    const std::optional<int> height = readField(m_height, tr("height"));
    if (!height)
        return;
    const QSize size(*width, *height);
    if (m_make) {
        if (const QString refused = m_make(size); !refused.isEmpty()) {
            showError(refused, m_width);
            return;
        }
    }
    m_error->hide();
    m_size = size;
    QDialog::accept();
}

std::optional<QSize> NewCanvasDialog::ask(Defaults &defaults, Maker make, QWidget *parent)
{
    NewCanvasDialog dialog(defaults, std::move(make), parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.canvasSize();
}

} // namespace pennova
