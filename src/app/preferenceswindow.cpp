#include "app/preferenceswindow.h"

#include "app/fieldcontroller.h"
#include "app/inputpreferences.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace pennova {

namespace {

    QSpinBox *numberField(const QString &suffix, const QString &toolTip)
    {
        auto *box = new QSpinBox;
        box->setSuffix(suffix);
        box->setToolTip(toolTip);
        box->setAlignment(Qt::AlignRight);
        box->setMinimumWidth(110);
        return box;
    }

} // namespace

PreferencesWindow::PreferencesWindow(Defaults &defaults, QWidget *parent)
    : QDialog(parent)
    , m_defaults(defaults)
    , m_minBrush(numberField(
          tr(" px"), tr("The pen's width at the lightest touch, 0 to the largest size")))
    , m_maxBrush(numberField(tr(" px"), tr("The pen's width at full pressure, up to 48 pixels")))
    , m_eraserSize(numberField(tr(" px"), tr("The eraser's width, 1 to 48 pixels")))
    , m_eraserStrength(numberField(
          tr(" %"), tr("How much of the picture one eraser stroke takes away, 1 to 100 %")))
    , m_undoLevels(new QSpinBox)
{
    setWindowTitle(tr("Preferences"));
    setMinimumWidth(340);

    // One column of fields under three headings, so that every field lines up.
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setHorizontalSpacing(12);
    const auto heading = [form](const QString &text) {
        auto *label = new QLabel(text);
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
        if (form->rowCount() > 0)
            form->addItem(new QSpacerItem(0, 8));
        form->addRow(label);
    };
    heading(tr("Pen"));
    form->addRow(tr("Smallest size:"), m_minBrush);
    form->addRow(tr("Largest size:"), m_maxBrush);
    heading(tr("Eraser"));
    form->addRow(tr("Size:"), m_eraserSize);
    form->addRow(tr("Strength:"), m_eraserStrength);
    heading(tr("Undo"));
    m_undoLevels->setRange(0, 100000);
    m_undoLevels->setSpecialValueText(tr("No limit"));
    m_undoLevels->setAlignment(Qt::AlignRight);
    m_undoLevels->setMinimumWidth(110);
    m_undoLevels->setKeyboardTracking(false);
    m_undoLevels->setToolTip(tr("How many steps each document can undo; 0 keeps them all"));
    m_undoLevels->setValue(std::max(0, m_defaults.integerForKey(keys::UndoLevels)));
    form->addRow(tr("Steps kept:"), m_undoLevels);
    connect(m_undoLevels, &QSpinBox::valueChanged, this,
        [this](int levels) { m_defaults.setInteger(keys::UndoLevels, levels); });
    connect(&m_defaults, &Defaults::changed, this, [this](const QString &key) {
        if (key != keys::UndoLevels)
            return;
        const QSignalBlocker blocker(m_undoLevels);
        m_undoLevels->setValue(std::max(0, m_defaults.integerForKey(keys::UndoLevels)));
    });

    m_fields = new FieldController(
        defaults, m_minBrush, m_maxBrush, m_eraserSize, m_eraserStrength, this);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    // No default button: Return in a field commits its value and leaves the window open.
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);

    // The brush and undo fields on one page, the pen's keys, buttons and pressure on another.
    auto *brushes = new QWidget;
    brushes->setLayout(form);
    m_input = new InputPreferences(defaults);
    auto *pages = new QTabWidget;
    pages->addTab(brushes, tr("Brushes"));
    pages->addTab(m_input, tr("Pen and Keys"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void PreferencesWindow::commitEdits()
{
    for (QSpinBox *box : { m_minBrush, m_maxBrush, m_eraserSize, m_eraserStrength, m_undoLevels })
        box->interpretText();
}

} // namespace pennova
