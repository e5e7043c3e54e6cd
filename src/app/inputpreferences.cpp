#include "app/inputpreferences.h"

#include "app/pressurecurveeditor.h"
#include "settings/defaults.h"
#include "settings/pressurecurve.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTabletEvent>
#include <QVBoxLayout>

namespace pennova {

namespace {
    // The modifier choices, in the stored form; the letter entry comes after them.
    const char *const kModifierChoices[]
        = { "Ctrl", "Alt", "Meta", "Ctrl+Alt", "Ctrl+Meta", "Alt+Meta", "Ctrl+Alt+Meta" };
    const QString kLetterChoice = QStringLiteral("letter");

    constexpr PenButtonRole kRoles[] = { PenButtonRole::Pan, PenButtonRole::Zoom,
        PenButtonRole::Rotate, PenButtonRole::PickColor, PenButtonRole::None };
} // namespace

QString InputPreferences::letterChoiceText()
{
    return tr("Letter key held:");
}

InputPreferences::InputPreferences(Defaults &defaults, QWidget *parent)
    : QWidget(parent)
    , m_defaults(defaults)
{
    // Keys.
    auto *keys = new QGroupBox(tr("Gesture keys"));
    auto *keyForm = new QFormLayout;
    const QString titles[]
        = { tr("Erase with the pen tip:"), tr("Rotate the view:"), tr("Select:") };
    for (const Gesture g : GestureKeys::kGestures) {
        auto *box = new QComboBox;
        for (const char *choice : kModifierChoices) {
            const QString stored = QLatin1String(choice);
            box->addItem(GestureBinding::fromText(stored)->displayText(), stored);
        }
        box->addItem(letterChoiceText(), kLetterChoice);
        auto *letter = new QLineEdit;
        letter->setMaxLength(1);
        letter->setFixedWidth(letter->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 3);
        letter->setAlignment(Qt::AlignCenter);
        letter->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[A-Za-z]")), letter));
        letter->setToolTip(tr("The letter to hold down, as Space is held to move the canvas"));
        m_keyBoxes[size_t(g)] = box;
        m_letterFields[size_t(g)] = letter;
        auto *row = new QHBoxLayout;
        row->addWidget(box);
        row->addWidget(letter);
        row->addStretch();
        keyForm->addRow(titles[size_t(g)], row);
        connect(box, &QComboBox::activated, this, [this, g, letter] {
            if (gestureBox(g)->currentData().toString() == kLetterChoice) {
                letter->setVisible(true);
                letter->setFocus();
                letter->selectAll();
            }
            chooseKey(g);
        });
        connect(letter, &QLineEdit::textEdited, this, [this, g] { chooseKey(g); });
    }
    auto *hint = new QLabel(tr("Alt + drag moves windows on Openbox, Xfce, Cinnamon and MATE, and "
                               "Super (Meta) + drag on GNOME and KDE Plasma. If your desktop takes "
                               "a key, choose another one here, or hold a letter (R to rotate, "
                               "for example)."));
    hint->setWordWrap(true);
    m_message = new QLabel;
    m_message->setWordWrap(true);
    QPalette warning = m_message->palette();
    warning.setColor(QPalette::WindowText, QColor(180, 30, 30));
    m_message->setPalette(warning);
    auto *factoryKeys = new QPushButton(tr("Factory Keys"));
    factoryKeys->setAutoDefault(false);
    connect(factoryKeys, &QPushButton::clicked, this, [this] {
        m_message->clear();
        GestureKeys().store(m_defaults);
    });
    auto *keyLayout = new QVBoxLayout(keys);
    keyLayout->addLayout(keyForm);
    keyLayout->addWidget(hint);
    keyLayout->addWidget(m_message);
    keyLayout->addWidget(factoryKeys, 0, Qt::AlignLeft);

    // Pen buttons.
    auto *buttons = new QGroupBox(tr("Pen buttons"));
    auto *buttonForm = new QFormLayout(buttons);
    for (const PenButton b : { PenButton::Lower, PenButton::Upper }) {
        auto *box = new QComboBox;
        for (const PenButtonRole role : kRoles)
            box->addItem(penbuttons::roleTitle(role), penbuttons::roleText(role));
        m_buttonBoxes[size_t(b)] = box;
        buttonForm->addRow(b == PenButton::Lower ? tr("Lower button:") : tr("Upper button:"), box);
        connect(box, &QComboBox::activated, this, [this, b, box] {
            penbuttons::setRole(
                m_defaults, b, penbuttons::roleFromText(box->currentData().toString(), b));
        });
    }

    // Pressure.
    auto *pressure = new QGroupBox(tr("Pen pressure"));
    m_curveEditor = new PressureCurveEditor;
    connect(
        m_curveEditor, &PressureCurveEditor::curveEdited, this, [this](const PressureCurve &curve) {
            m_defaults.setString(PressureCurve::settingsKey(), curve.toText());
        });
    auto *side = new QVBoxLayout;
    const std::pair<QString, PressureCurve> presets[] = {
        { tr("Linear"), PressureCurve::linear() },
        { tr("Soft"), PressureCurve::soft() },
        { tr("Firm"), PressureCurve::firm() },
    };
    for (size_t i = 0; i < m_presets.size(); ++i) {
        auto *button = new QPushButton(presets[i].first);
        button->setAutoDefault(false);
        const PressureCurve curve = presets[i].second;
        connect(button, &QPushButton::clicked, this,
            [this, curve] { m_defaults.setString(PressureCurve::settingsKey(), curve.toText()); });
        m_presets[i] = button;
        side->addWidget(button);
    }
    m_penReading = new QLabel(tr("Touch the tablet to see the pen's pressure here."));
    m_penReading->setWordWrap(true);
    m_penReading->setMinimumWidth(150);
    side->addSpacing(8);
    side->addWidget(m_penReading);
    side->addStretch();
    auto *explain = new QLabel(tr("Across: how hard you press. Up: the pressure strokes get. "
                                  "Above the diagonal, light strokes come out wider."));
    explain->setWordWrap(true);
    auto *pressureLayout = new QGridLayout(pressure);
    pressureLayout->addWidget(m_curveEditor, 0, 0);
    pressureLayout->addLayout(side, 0, 1);
    pressureLayout->addWidget(explain, 1, 0, 1, 2);

    // Keys and buttons on the left, the curve on the right.
    auto *left = new QVBoxLayout;
    left->addWidget(keys);
    left->addWidget(buttons);
    left->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(left);
    layout->addWidget(pressure, 0, Qt::AlignTop);

    connect(&m_defaults, &Defaults::changed, this, [this](const QString &key) {
        if (GestureKeys::isSettingsKey(key) || penbuttons::isSettingsKey(key)
            || key == PressureCurve::settingsKey())
            load();
    });
    load();
}

InputPreferences::~InputPreferences()
{
    if (m_filtering)
        qApp->removeEventFilter(this);
}

void InputPreferences::load()
{
    m_loading = true;
    const GestureKeys keys = GestureKeys::fromDefaults(m_defaults);
    for (const Gesture g : GestureKeys::kGestures) {
        const GestureBinding &b = keys.binding(g);
        QComboBox *box = gestureBox(g);
        QLineEdit *letter = letterField(g);
        const QSignalBlocker blockBox(box);
        const QSignalBlocker blockLetter(letter);
        box->setCurrentIndex(box->findData(b.isLetter() ? kLetterChoice : b.toText()));
        letter->setText(b.isLetter() ? b.toText() : QString());
        letter->setVisible(b.isLetter());
    }
    for (const PenButton b : { PenButton::Lower, PenButton::Upper }) {
        QComboBox *box = penButtonBox(b);
        const QSignalBlocker blocker(box);
        box->setCurrentIndex(box->findData(penbuttons::roleText(penbuttons::role(m_defaults, b))));
    }
    m_curveEditor->setCurve(PressureCurve::fromDefaults(m_defaults));
    if (m_curveEditor->penPressure())
        showPenPressure(*m_curveEditor->penPressure());
    m_loading = false;
}

void InputPreferences::chooseKey(Gesture gesture)
{
    if (m_loading)
        return;
    GestureKeys keys = GestureKeys::fromDefaults(m_defaults);
    QComboBox *box = gestureBox(gesture);
    QLineEdit *letter = letterField(gesture);
    GestureBinding chosen;
    if (box->currentData().toString() == kLetterChoice) {
        letter->setVisible(true);
        if (letter->text().isEmpty()) {
            m_message->setText(
                tr("Type the letter to hold for %1.").arg(GestureKeys::gestureName(gesture)));
            return;
        }
        chosen = GestureBinding::letter(letter->text().at(0));
        letter->setText(chosen.toText());
    } else {
        chosen = GestureBinding::fromText(box->currentData().toString()).value_or(GestureBinding());
    }
    const QString problem = keys.problemWith(gesture, chosen);
    if (!problem.isEmpty()) {
        m_message->setText(problem);
        // The box shows the key in force again; a refused letter stays selected to be typed over.
        if (!chosen.isLetter()) {
            load();
        } else {
            letter->selectAll();
        }
        return;
    }
    m_message->clear();
    keys.setBinding(gesture, chosen);
    keys.store(m_defaults);
}

void InputPreferences::showPenPressure(float pressure)
{
    m_curveEditor->setPenPressure(pressure);
    m_penReading->setText(tr("Pen %1 → %2")
                              .arg(QString::number(pressure, 'f', 2),
                                  QString::number(m_curveEditor->curve().map(pressure), 'f', 2)));
}

bool InputPreferences::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease: {
        const auto *tablet = static_cast<const QTabletEvent *>(event);
        // A hovering pen reports no pressure: the trace stays where the last touch left it.
        if (event->type() == QEvent::TabletRelease)
            showPenPressure(0.0f);
        else if (tablet->buttons() & Qt::LeftButton)
            showPenPressure(float(tablet->pressure()));
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void InputPreferences::showEvent(QShowEvent *event)
{
    if (!m_filtering) {
        qApp->installEventFilter(this);
        m_filtering = true;
    }
    QWidget::showEvent(event);
}

void InputPreferences::hideEvent(QHideEvent *event)
{
    if (m_filtering) {
        qApp->removeEventFilter(this);
        m_filtering = false;
    }
    QWidget::hideEvent(event);
}

} // namespace pennova
