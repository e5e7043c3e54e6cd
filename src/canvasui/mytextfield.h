#pragma once

// The status box of a canvas window: white text on a dark rounded box, centred over its parent
// (the canvas view or the window's content). A message either flashes (shown at once, faded out
// over one second, then hidden) or stays. The box never takes pointer or tablet input: a pen
// pressed on it reaches the canvas underneath. One fade animation serves the whole process;
// a new flash anywhere restarts it.

#include <QString>
#include <QWidget>

class QVariantAnimation;

namespace pennova {

class MyTextField : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal opacity READ opacity WRITE setOpacity)
public:
    // Box height, and the width added to the text's.
    static constexpr int kBoxHeight = 66;
    static constexpr int kTextPadding = 16;
    static constexpr int kCornerRadius = 30;
    static constexpr int kFadeMilliseconds = 1000;

    explicit MyTextField(QWidget *parent = nullptr);
    ~MyTextField() override;

    // Shows the text fully visible at once and fades it out over one second without blocking;
    // a flash during a fade replaces the text and starts the fade again from the beginning.
    void flashstatus(const QString &text);
    // Shows the text and leaves it shown; a fade of this box in progress is cancelled.
    void showstatus(const QString &text);

    QString text() const { return m_text; }
    // 1 fully visible, 0 invisible.
    qreal opacity() const { return m_opacity; }
    void setOpacity(qreal opacity);
    // The text is always centred; the argument is ignored.
    void setAlignment(Qt::Alignment alignment);
    Qt::Alignment alignment() const { return Qt::AlignCenter; }
    // The size a text gives the box: (text width + 16, 66).
    QSize boxSizeForText(const QString &text) const;

    // The process-wide fade (1.0 → 0.0, one second, linear), made on first use. Exposed so that
    // tests can drive its time.
    static QVariantAnimation *fadeAnimation();
    // The box the fade currently runs on, or null.
    static MyTextField *fadeTarget();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    // Sets the text, sizes the box to it, centres it in the parent and shows it, fully visible.
    void layoutText(const QString &text);
    void centreInParent();
    void watchParent();

    QString m_text;
    qreal m_opacity = 1.0;
    QWidget *m_watchedParent = nullptr;
};

} // namespace pennova
