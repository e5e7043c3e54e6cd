#include "palette/currentsettingsview.h"

#include "palette/settingvalue.h"
#include "palette/tpcolorwell.h"
#include "settings/brushlimits.h"
#include "settings/colorarchive.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace pennova {

namespace {

    constexpr int kTextPixelSize = 10;
    constexpr int kFieldWidth = 30;
    constexpr int kControlHeight = 16;
    constexpr int kWellSize = 14;

    void setSmallFont(QWidget *widget)
    {
        QFont font = widget->font();
        font.setPixelSize(kTextPixelSize);
        widget->setFont(font);
    }

} // namespace

CurrentSettingsView::CurrentSettingsView(Defaults &defaults, QWidget *parent)
    : QWidget(parent)
    , m_defaults(defaults)
{
    setObjectName(QStringLiteral("curView"));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(8, 2, 8, 6);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);

    addField(keys::BrushSizeMin, tr("Size (Min):"), 0, 0);
    addField(keys::BrushSize, tr("Size (Max):"), 0, 2);
    addField(keys::EraserSize, tr("Eraser Size:"), 1, 0);
    addField(keys::EraserStrength, tr("Strength:"), 1, 2);

    auto *colorLabel = new QLabel(tr("Color:"), this);
    setSmallFont(colorLabel);
    grid->addWidget(colorLabel, 2, 0);
    m_colorWell = new TPColorWell(this);
    m_colorWell->setObjectName(keys::Color);
    m_colorWell->setFixedSize(kWellSize, kWellSize);
    grid->addWidget(m_colorWell, 2, 1);
    connect(m_colorWell, &TPColorWell::colorPicked, this,
        [this]() { m_defaults.setData(keys::Color, m_colorWell->objectValue()); });

    auto *inkLabel = new QLabel(tr("Ink Mode:"), this);
    setSmallFont(inkLabel);
    grid->addWidget(inkLabel, 2, 2);
    m_inkCheck = new QCheckBox(this);
    m_inkCheck->setObjectName(keys::Ink);
    m_inkCheck->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(m_inkCheck, 2, 3);
    connect(m_inkCheck, &QCheckBox::clicked, this,
        [this](bool on) { m_defaults.setBool(keys::Ink, on); });
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    for (const QString &key : { keys::BrushSizeMin, keys::BrushSize, keys::EraserSize,
             keys::EraserStrength, keys::Color, keys::Ink })
        refresh(key);
    connect(&m_defaults, &Defaults::changed, this, &CurrentSettingsView::refresh);
    setFixedHeight(sizeHint().height());
}

QLineEdit *CurrentSettingsView::addField(
    const QString &key, const QString &title, int row, int column)
{
    auto *grid = static_cast<QGridLayout *>(layout());
    auto *label = new QLabel(title, this);
    setSmallFont(label);
    grid->addWidget(label, row, column);
    auto *field = new QLineEdit(this);
    field->setObjectName(key);
    setSmallFont(field);
    field->setFixedSize(kFieldWidth, kControlHeight);
    field->setTextMargins(0, 0, 0, 0);
    field->setAlignment(Qt::AlignRight);
    field->installEventFilter(this);
    grid->addWidget(field, row, column + 1, Qt::AlignLeft);
    label->setBuddy(field);
    connect(field, &QLineEdit::returnPressed, this, [this, key]() {
        if (QLineEdit *f = m_fields.value(key))
            f->setModified(true);
        commitField(key);
    });
    m_fields.insert(key, field);
    return field;
}

void CurrentSettingsView::commitField(const QString &key)
{
    QLineEdit *field = m_fields.value(key);
    if (!field || !field->isModified())
        return;
    const qint32 typed = settingvalue::integerInRange(settingvalue::numberFromText(field->text()));
    const int value = brushlimits::clampedForKey(key, typed, m_defaults);
    field->setModified(false);
    m_defaults.setInteger(key, value);
    // The store may already have held the value: the field shows it either way.
    field->setText(QString::number(value));
}

void CurrentSettingsView::refresh(const QString &key)
{
    if (QLineEdit *field = m_fields.value(key)) {
        // What the user is typing stays until it is stored.
        if (!(field->hasFocus() && field->isModified()))
            field->setText(QString::number(m_defaults.integerForKey(key)));
    } else if (key == keys::Color) {
        m_colorWell->setColor(colorFromDefaults(m_defaults).value_or(RgbaColor { 0, 0, 0, 1 }));
    } else if (key == keys::Ink) {
        m_inkCheck->setChecked(m_defaults.boolForKey(keys::Ink));
    }
}

bool CurrentSettingsView::eventFilter(QObject *watched, QEvent *event)
{
    // Leaving a field after typing in it stores the value, as Return does; opening the field's
    // own menu is not leaving it.
    if (event->type() == QEvent::FocusOut
        && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
        for (auto it = m_fields.cbegin(); it != m_fields.cend(); ++it) {
            if (it.value() == watched)
                commitField(it.key());
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pennova
