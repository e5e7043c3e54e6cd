#pragma once

// While a stroke's segments are painted on their own thread, every event that may run code
// which reads or changes the canvas waits first until the painting thread has caught up. Only
// the events a stroke lives on pass at once: pointer moves, the view's repaints (which read
// nothing but canvas rows) and the painting thread's word that it has caught up. Watching the
// application's events is what makes this hold for every menu, key, timer and window alike.

#include <QEvent>
#include <QObject>

#include <functional>

namespace pennova {

class PaintingGate : public QObject
{
public:
    // `view` is the widget the stroke is drawn in; `finish` waits for its painting thread.
    PaintingGate(QObject *view, QEvent::Type caughtUpEvent, std::function<void()> finish);
    ~PaintingGate() override;

    // Starts or stops watching the application's events.
    void setWatching(bool watching);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QObject *m_view;
    QEvent::Type m_caughtUpEvent;
    std::function<void()> m_finish;
    bool m_watching = false;
};

} // namespace pennova
