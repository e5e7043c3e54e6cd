#pragma once

// The floating "Tool Palette" panel: a tool window holding the palette list (the tool rows) in a
// scroll area that scrolls vertically. One panel serves the whole program; it does not keep the
// program running and is deleted when the application quits.

#include <QWidget>

class QScrollArea;

namespace pennova {

class TPListView;

class ToolPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kInitialWidth = 230;
    static constexpr int kInitialHeight = 420;

    explicit ToolPanel(QWidget *parent = nullptr);

    TPListView *toolView() const { return m_toolView; }
    QScrollArea *scrollArea() const { return m_scrollArea; }

    // The program's panel, made (with its tools) on first use.
    static ToolPanel *shared();
    // Shows the program's panel and brings it to the front.
    static void showShared();

private:
    QScrollArea *m_scrollArea = nullptr;
    TPListView *m_toolView = nullptr;
};

} // namespace pennova
