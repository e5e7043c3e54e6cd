#pragma once

// A view that stacks its children top to bottom, each as wide as the list, in a display order of
// its own (independent of the drawing order), and exchanges two neighbours with a short animation.
// The last child is always the spacer: in a top-level list (one whose parent is not a list, such
// as the palette list in its scroll area) it fills what the rows leave of the visible height; in a
// nested list (a tool row, a tool's settings list) it has no height. A hidden child takes no room,
// and a change of height travels up through the enclosing lists. The list owns its children.
//
// Geometry is Qt's: y grows downwards, child 0 is the top row, the spacer the bottom one.
// `children()` and `layout()` hide QObject::children() and QWidget::layout(), which this class
// does not use (no QLayout is set on a list).

#include <QList>
#include <QWidget>

class QVariantAnimation;

namespace pennova {

class TPListView : public QWidget
{
    Q_OBJECT
public:
    // An animated move lasts the travelled distance in points × moveTime / 32, in seconds.
    static constexpr float kInitialMoveTime = 0.1f;

    explicit TPListView(QWidget *parent = nullptr);

    // Adds the view as the last child before the spacer, as wide as the list, its height kept,
    // and shows it unless it was explicitly hidden. The list takes ownership. A view that is
    // already a child, the list itself or null changes nothing.
    void addSubview(QWidget *view);
    // Takes a child out of the list and deletes it (later, so that it may be one whose own menu
    // or button asked for it). The spacer and views that are not children are left alone.
    void removeChild(QWidget *view);

    // The children in display order, the spacer last.
    QList<QWidget *> children() const { return m_children; }
    int childCount() const { return int(m_children.size()); }
    // The child at a position (childCount() − 1 is the spacer), or null.
    QWidget *getChildAtIndex(int index) const;
    // The position of a child, or −1.
    int indexOfChild(const QWidget *view) const;
    QWidget *spacerView() const { return m_spacer; }
    // Whether the list's parent is a list.
    bool isNested() const;

    // Reorderings without animation, each ending with layout(). The spacer never moves: an
    // operation that would move it, or that names a view that is not a child, changes nothing.
    void swapChild(QWidget *a, QWidget *b);
    // Puts `view` directly before `before`.
    void moveSubview(QWidget *view, QWidget *before);
    // Puts `view` directly before the child now at `index`.
    void moveSubview(QWidget *view, int index);

    // Exchanges a row with its lower or upper neighbour, animated linearly for
    // (neighbour's height × moveTime / 32) seconds. Blocking: the call returns when the
    // animation has ended, with events other than user input processed meanwhile. Nothing else
    // in the list moves during it: a move asked for while one runs changes nothing. The first row
    // does not move up, the last row (the one above the spacer) does not move down.
    void moveChildUp(QWidget *child);
    void moveChildDown(QWidget *child);
    bool isMoving() const { return m_moving; }
    float moveTime() const { return m_moveTime; }
    void setMoveTime(float seconds) { m_moveTime = seconds; }
    // The duration of the last animated move, in seconds, before rounding to milliseconds.
    double lastMoveSeconds() const { return m_lastMoveSeconds; }

    // Draws the child above its siblings; the display order stays.
    void popChild(QWidget *child);

    // Stacks the visible children from the top, sizes the spacer (top-level) and the list, and
    // lays out an enclosing list too. During an animated move it waits for the move to end.
    void layout();

signals:
    // The children or their order changed: a view was added or removed, or rows were reordered.
    void childrenChanged();
    // An animated move has started. The animation runs for the move's duration from 0 to 1;
    // setting its current time moves the rows (tests drive it so).
    void moveStarted(QVariantAnimation *animation);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int stackChildren();
    QSize visibleAreaSize() const;
    void watchParent();
    void animateExchange(
        QWidget *moved, const QRect &movedEnd, QWidget *other, const QRect &otherEnd, int distance);

    QList<QWidget *> m_children;
    QWidget *m_spacer = nullptr;
    QWidget *m_watchedParent = nullptr;
    float m_moveTime = kInitialMoveTime;
    double m_lastMoveSeconds = 0.0;
    bool m_moving = false;
    bool m_layoutPending = false;
    int m_layoutDepth = 0;
};

} // namespace pennova
