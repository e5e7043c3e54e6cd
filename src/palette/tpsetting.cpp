#include "palette/tpsetting.h"

#include "palette/tpcolorwell.h"
#include "palette/tptool.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <limits>

namespace pennova {

namespace {

    // Controls sit at the bottom of the 17-point row.
    constexpr int kControlHeight = 14;
    constexpr int kControlY = TPSetting::kRowHeight - kControlHeight;
    constexpr int kTitlePixelSize = 10;
    constexpr int kFieldPixelSize = 9;
    constexpr int kFieldWidth = 26;
    constexpr int kBoxSize = 14;
    constexpr int kSliderX = 112;
    constexpr int kSliderWidth = 50;

    int sliderBound(qint64 value)
    {
        return int(std::min<qint64>(value, std::numeric_limits<int>::max()));
    }

} // namespace

TPSetting::TPSetting(const QString &key, const QString &title, SettingType type, QWidget *parent)
    : QWidget(parent)
    , m_title(title)
    , m_type(type)
    , m_key(key)
{
    resize(kRowWidth, kRowHeight);

    m_titleField = new QCheckBox(title, this);
    QFont titleFont = m_titleField->font();
    titleFont.setPixelSize(kTitlePixelSize);
    m_titleField->setFont(titleFont);
    m_titleField->setFocusPolicy(Qt::NoFocus);
    m_titleField->setGeometry(0, kControlY, kRowWidth, kControlHeight);
    m_titleField->resize(m_titleField->sizeHint().width(), kControlHeight);
    connect(m_titleField, &QCheckBox::clicked, this, [this](bool checked) { enable(checked); });

    switch (type) {
    case SettingType::OnOff: {
        auto *box = new QCheckBox(this);
        box->setGeometry(kControlX, kControlY, kBoxSize, kBoxSize);
        connect(box, &QCheckBox::clicked, this, [this]() { userSetValue(m_control); });
        m_control = box;
        break;
    }
    case SettingType::Integer: {
        auto *field = new QLineEdit(kInitialIntegerText, this);
        QFont fieldFont = field->font();
        fieldFont.setPixelSize(kFieldPixelSize);
        field->setFont(fieldFont);
        field->setGeometry(kControlX, kControlY, kFieldWidth, kControlHeight);
        field->setTextMargins(0, 0, 0, 0);
        field->installEventFilter(this);
        connect(field, &QLineEdit::returnPressed, this, [this]() { userSetValue(m_control); });
        m_control = field;

        m_slider = new QSlider(Qt::Horizontal, this);
        m_slider->setGeometry(kSliderX, kControlY, kSliderWidth, kControlHeight);
        m_slider->setRange(0, 0);
        m_slider->setEnabled(false);
        m_slider->hide();
        connect(m_slider, &QSlider::valueChanged, this, [this]() { userSetValue(m_slider); });
        break;
    }
    case SettingType::Color: {
        auto *well = new TPColorWell(this);
        well->setGeometry(kControlX, kControlY, kBoxSize, kBoxSize);
        connect(well, &TPColorWell::colorPicked, this, [this]() { userSetValue(m_control); });
        m_control = well;
        break;
    }
    }
    if (m_control)
        m_control->setEnabled(false);
}

void TPSetting::enable(bool on)
{
    m_enabled = on;
    if (m_control)
        m_control->setEnabled(on);
    if (m_slider)
        m_slider->setEnabled(on);
    m_titleField->setChecked(on);
    redrawOwnerIcon();
}

QVariant TPSetting::getValue() const
{
    switch (m_type) {
    case SettingType::OnOff:
        return int(static_cast<QCheckBox *>(m_control)->isChecked() ? 1 : 0);
    case SettingType::Integer:
        return int(settingvalue::integerInRange(
            settingvalue::numberFromText(static_cast<QLineEdit *>(m_control)->text())));
    case SettingType::Color:
        return static_cast<TPColorWell *>(m_control)->objectValue();
    }
    return QVariant();
}

void TPSetting::setValue(const QVariant &value)
{
    switch (m_type) {
    case SettingType::OnOff: {
        const bool on = settingvalue::integerInRange(settingvalue::numberFromValue(value)) != 0;
        static_cast<QCheckBox *>(m_control)->setChecked(on);
        m_value = int(on ? 1 : 0);
        break;
    }
    case SettingType::Integer: {
        const qint32 number
            = settingvalue::integerInRange(settingvalue::numberFromValue(value), m_range);
        {
            const QSignalBlocker blocker(m_slider);
            m_slider->setValue(number);
        }
        static_cast<QLineEdit *>(m_control)->setText(QString::number(number));
        m_value = int(number);
        break;
    }
    case SettingType::Color:
        static_cast<TPColorWell *>(m_control)->setObjectValue(value);
        m_value = value;
        break;
    }
    redrawOwnerIcon();
}

void TPSetting::userSetValue(QWidget *sender)
{
    QVariant newValue;
    if (m_type == SettingType::Integer && sender == m_slider)
        newValue = m_slider->value();
    else if (m_type != SettingType::Color)
        newValue = getValue();
    // A colour is not converted: the well shows what the user chose, and getValue() reads it.
    if (m_owner)
        m_owner->settingChanged(this);
    setValue(newValue);
}

void TPSetting::setAllowedRange(const ValueRange &range)
{
    m_range = range;
    if (m_type != SettingType::Integer)
        return;
    if (range.clamps()) {
        const QSignalBlocker blocker(m_slider);
        m_slider->setRange(sliderBound(range.lowest()), sliderBound(range.highest()));
        setValue(settingvalue::integerInRange(
            settingvalue::numberFromValue(m_value.isValid() ? m_value : QVariant(0)), range));
    }
    m_slider->setVisible(!range.clamps());
}

bool TPSetting::eventFilter(QObject *watched, QEvent *event)
{
    // Leaving the field after typing in it ends the edit, as Return does. Opening the field's own
    // menu is not leaving it.
    if (watched == m_control && event->type() == QEvent::FocusOut) {
        const auto *focus = static_cast<QFocusEvent *>(event);
        auto *field = static_cast<QLineEdit *>(m_control);
        if (focus->reason() != Qt::PopupFocusReason && field->isModified())
            userSetValue(m_control);
    }
    return QWidget::eventFilter(watched, event);
}

void TPSetting::redrawOwnerIcon()
{
    if (m_owner)
        m_owner->settingDidChange();
}

} // namespace pennova
