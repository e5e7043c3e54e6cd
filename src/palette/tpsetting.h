#pragma once

// One setting of a tool, shown as a row of its settings list: a tick box carrying the title, which
// enables or disables the setting, and a control for the value (a tick box for on/off, a text
// field for an integer, a colour well for a colour). Only enabled settings count in the tool's
// record. Values read from the control are ints (on/off 0 or 1, integers within 32 bits) or the
// ColorArchive bytes of the well's colour. The row is 17 points high; the setting does not own its
// tool.

#include "palette/settingvalue.h"

#include <QVariant>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QSlider;

namespace pennova {

class TPColorWell;
class TPTool;

// The stored codes of the setting kinds.
enum class SettingType
{
    OnOff = 1,
    Integer = 2,
    Color = 3
};

class TPSetting : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kRowWidth = 100;
    static constexpr int kRowHeight = 17;
    // The value control's left edge, and the integer field's initial text.
    static constexpr int kControlX = 80;
    static inline const QString kInitialIntegerText = QStringLiteral("10");

    // A disabled setting without a stored value, its range (0, 0).
    TPSetting(
        const QString &key, const QString &title, SettingType type, QWidget *parent = nullptr);

    void setOwner(TPTool *owner) { m_owner = owner; }
    TPTool *owner() const { return m_owner; }
    QString key() const { return m_key; }
    QString title() const { return m_title; }
    SettingType type() const { return m_type; }
    ValueRange range() const { return m_range; }

    bool enabled() const { return m_enabled; }
    // Enables or disables the value control and ticks the title box to match; the owner's icon
    // is redrawn.
    void enable(bool on);

    // What the control shows now: for an integer the text as typed (read as an integer, not yet
    // clamped), for on/off the box, for a colour the well's colour as archive bytes.
    QVariant getValue() const;
    // The value last given to setValue(), in the same forms (invalid when none).
    QVariant value() const { return m_value; }
    // Shows and stores a value. An integer setting reads any number or text (non-numbers as 0)
    // and clamps it into its range when the range has a length; on/off stores 1 for any non-zero
    // number; a colour setting takes archive bytes or a QColor, and keeps its colour for anything
    // else. The owner's icon is redrawn.
    void setValue(const QVariant &value);
    // The user changed the control (`sender`: the value control or the slider): the owner hears of
    // it first (settingChanged), while getValue() still reads the control as the user left it;
    // then the control's value is stored through setValue().
    void userSetValue(QWidget *sender);
    // Integer settings clamp their stored value into a range of non-zero length, and show the
    // slider only while the length is 0.
    void setAllowedRange(const ValueRange &range);

    QCheckBox *titleField() const { return m_titleField; }
    QWidget *control() const { return m_control; }
    QSlider *slider() const { return m_slider; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void redrawOwnerIcon();

    QCheckBox *m_titleField = nullptr;
    QString m_title;
    SettingType m_type;
    bool m_enabled = false;
    QVariant m_value;
    TPTool *m_owner = nullptr;
    QString m_key;
    QWidget *m_control = nullptr;
    QSlider *m_slider = nullptr;
    ValueRange m_range;
};

} // namespace pennova
