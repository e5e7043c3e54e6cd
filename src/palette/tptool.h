#pragma once

// A tool of the palette, both its data and its row. The row is a nested list: a 36-point header
// (disclosure triangle, the icon button that chooses the tool, the name) above the tool's
// settings list, indented 18 points and hidden until the triangle opens it. The row is dragged up
// and down its palette list to reorder the tools, renamed by double-clicking its name, and opened
// or closed by double-clicking elsewhere. Subclasses (TPBrush, TPEraser) add their settings and
// draw the icon. Geometry is Qt's, y down.

#include "palette/toolrecord.h"
#include "palette/tplistview.h"

#include <QImage>
#include <QList>
#include <QPointer>
#include <QString>

class QLineEdit;
class QMenu;

namespace pennova {

class TPDisclosureButton;
class TPIconButton;
class TPSetting;
enum class SettingType;

class TPTool : public TPListView
{
    Q_OBJECT
public:
    // Rows are built this wide and then take the palette list's width.
    static constexpr int kBuildWidth = 200;
    static constexpr int kHeaderHeight = 36;
    static constexpr int kSettingsIndent = 18;
    static constexpr int kIconSize = 32;
    // The pressed icon: more vivid, darker and flatter than the icon.
    static constexpr float kPressedSaturation = 1.5f;
    static constexpr float kPressedBrightness = -0.2f;
    static constexpr float kPressedContrast = 0.3f;

    explicit TPTool(QWidget *parent = nullptr);

    int type() const { return m_type; }
    void setType(int type) { m_type = type; }
    QString title() const { return m_title; }
    // Shows the name in the row, its field sized to fit.
    void setTitle(const QString &title);

    // The settings in display order, and the first one with a key (null when none has it).
    QList<TPSetting *> settings() const;
    TPSetting *settingForKey(const QString &key) const;
    QList<TPSetting *> getEnabledSettings() const;
    // Gives every setting of that key the value and enables it; an unknown key changes nothing.
    void setObject(const QVariant &value, const QString &key);
    // Name, type and the values of the enabled settings in display order.
    ToolRecord dictRepresentation() const;

    // A setting tells its tool of a change by the user before the new value is stored; the
    // setting's getValue() then reads the value as the user left it.
    virtual void settingChanged(TPSetting *setting);
    // Draws the tool's icon from its record and hands it to setIcon(). Called when the tool is
    // made and at every change of a setting's value or enabled flag.
    virtual void updateIcon();
    // A setting's value or enabled flag changed: the icon is redrawn and edited() emitted.
    void settingDidChange();
    // The tool's action: emits chosen(). The icon button sends it.
    void clickedSet();

    // Shows the icon on the icon button and makes its pressed image.
    void setIcon(const QImage &icon);
    QImage icon() const { return m_icon; }
    // The context menu of the row, its header and its name (not owned).
    void setMenu(QMenu *menu) { m_menu = menu; }
    QMenu *menu() const { return m_menu; }

    // Opens or closes the settings, as the triangle does.
    void setOpen(bool open);
    bool isOpen() const;

    // Name editing: the field becomes editable and takes the focus; ending (Return, leaving the
    // field) keeps the text as the name unless it is blank, which keeps the previous name.
    void startTitleEdit();
    void endTitleEdit();
    // Escape while editing: the previous name stays.
    void cancelTitleEdit();
    bool isEditingTitle() const { return m_editingTitle; }

    // While the row is dragged it is drawn with a black frame.
    bool darken() const { return m_darken; }

    TPListView *settingsView() const { return m_settingsView; }
    QWidget *toolView() const { return m_toolView; }
    TPDisclosureButton *triangle() const { return m_triangle; }
    TPIconButton *setButton() const { return m_setButton; }
    QLineEdit *titleField() const { return m_titleField; }

signals:
    // The user chose the tool (its icon was clicked).
    void chosen(TPTool *tool);
    // The context menu is about to open over this row.
    void menuRequested(TPTool *tool);
    // The name or a setting (its value or whether it is enabled) changed.
    void edited(TPTool *tool);

protected:
    // Adds a setting at the end of the settings list (before its closing blank row), owned by
    // the list, with this tool as owner.
    TPSetting *addSetting(const QString &key, const QString &title, SettingType type);

    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void triangleClicked();
    void press(QMouseEvent *event);
    void dragTo(const QPointF &rowPoint);
    void setDarken(bool on);
    void sizeTitleField();

    QImage m_icon;
    QString m_title;
    int m_type = 0;
    QMenu *m_menu = nullptr;
    TPIconButton *m_setButton = nullptr;
    QLineEdit *m_titleField = nullptr;
    TPDisclosureButton *m_triangle = nullptr;
    TPListView *m_settingsView = nullptr;
    QWidget *m_settingsEnd = nullptr;
    QWidget *m_toolView = nullptr;
    bool m_darken = false;

    bool m_pressed = false;
    bool m_secondClick = false;
    bool m_editingTitle = false;
    QString m_titleBeforeEdit;
    QRect m_titleFrameBeforeEdit;
};

} // namespace pennova
