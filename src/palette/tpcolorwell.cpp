#include "palette/tpcolorwell.h"

#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionButton>

namespace pennova {

namespace {

    QColor toQColor(const RgbaColor &c)
    {
        return QColor::fromRgbF(c.red, c.green, c.blue, c.alpha);
    }

    RgbaColor fromQColor(const QColor &color)
    {
        const QColor rgb = color.toRgb();
        return RgbaColor { float(rgb.redF()), float(rgb.greenF()), float(rgb.blueF()),
            float(rgb.alphaF()) };
    }

} // namespace

TPColorWell::TPColorWell(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setToolTip(tr("Click to choose a colour"));
    connect(this, &QAbstractButton::clicked, this, &TPColorWell::openColorDialog);
}

void TPColorWell::setColor(const RgbaColor &color)
{
    // Stored as the archive would give it back, so that objectValue() always decodes to it.
    m_color = *ColorArchive::decode(ColorArchive::encode(color));
    update();
}

QByteArray TPColorWell::objectValue() const
{
    return ColorArchive::encode(m_color);
}

bool TPColorWell::setObjectValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QByteArray) {
        const std::optional<RgbaColor> decoded = ColorArchive::decode(value.toByteArray());
        if (!decoded)
            return false;
        setColor(*decoded);
        return true;
    }
    if (value.typeId() == QMetaType::QColor) {
        const QColor color = value.value<QColor>();
        if (!color.isValid())
            return false;
        setColor(fromQColor(color));
        return true;
    }
    return false;
}

void TPColorWell::openColorDialog()
{
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    m_dialog = new QColorDialog(toQColor(m_color), this);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->setOption(QColorDialog::ShowAlphaChannel);
    m_dialog->setWindowTitle(tr("Tool Colour"));
    connect(m_dialog, &QColorDialog::colorSelected, this, [this](const QColor &chosen) {
        if (!isEnabled() || !chosen.isValid())
            return;
        setColor(fromQColor(chosen));
        emit colorPicked();
    });
    m_dialog->show();
}

void TPColorWell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
    QColor shown = toQColor(m_color);
    if (!isEnabled())
        shown.setAlphaF(shown.alphaF() * 0.4f);
    painter.fillRect(rect().adjusted(kColorInset, kColorInset, -kColorInset, -kColorInset), shown);
}

} // namespace pennova
