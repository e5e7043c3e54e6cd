#pragma once

// The palette's current-settings area: the brush settings in force, each in a control that shows
// the settings store's value and follows every change made to it (by a tool, a menu key, the
// canvas, the preferences). Editing a control writes the store: sizes and strength held in the
// ranges of brushlimits, stored when Return is pressed or the field is left after typing.

#include <QHash>
#include <QString>
#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace pennova {

class Defaults;
class TPColorWell;

class CurrentSettingsView : public QWidget
{
    Q_OBJECT
public:
    explicit CurrentSettingsView(Defaults &defaults, QWidget *parent = nullptr);

    // The text field of "bsizemin", "bsize", "esize" or "estren"; null for other keys.
    QLineEdit *field(const QString &key) const { return m_fields.value(key); }
    TPColorWell *colorWell() const { return m_colorWell; }
    QCheckBox *inkCheck() const { return m_inkCheck; }

    // Stores what was typed into a field, as Return does; a field not typed in is left alone.
    void commitField(const QString &key);

private:
    QLineEdit *addField(const QString &key, const QString &title, int row, int column);
    void refresh(const QString &key);
    bool eventFilter(QObject *watched, QEvent *event) override;

    Defaults &m_defaults;
    QHash<QString, QLineEdit *> m_fields;
    TPColorWell *m_colorWell = nullptr;
    QCheckBox *m_inkCheck = nullptr;
};

} // namespace pennova
