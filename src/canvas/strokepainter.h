#pragma once

// Paints a stroke engine's segments so that the thread that takes the pen's events and repaints
// the window does not wait for the painting when the samples come quickly. Samples that come
// slowly (a pen's few hundred a second) are painted at once, on the caller's thread, as
// before. Quick ones (a backlog of events, a fast mouse) wake a painting thread of its own:
// while it paints one segment, the caller's thread takes the next event and shows what was
// painted before. Until the woken thread runs, the caller goes on painting, so nothing ever
// waits for it. Segments are painted one at a time, in the order they came, by the same engine
// calls on either thread, so the pixels are the same.
//
// While segments are queued (from the first paintSegment() to finish()), the engine and its
// canvas belong to the painting: the caller calls nothing on them and reads only the canvas
// rows, for display, knowing that a row may be half painted (the next repaint shows it whole).
// finish() hands them back.

#include "canvas/eraseimage.h"
#include "canvas/strokeengine.h"

#include <QRect>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace pennova {

class StrokePainter
{
public:
    explicit StrokePainter(StrokeEngine &engine, CanvasSurface &surface);
    // Finishes the queued segments and stops the painting thread.
    ~StrokePainter();
    StrokePainter(const StrokePainter &) = delete;
    StrokePainter &operator=(const StrokePainter &) = delete;

    // Called on the painting thread whenever it has painted every queued segment and some of
    // what it painted has not been taken yet: a caller that is waiting for no event then learns
    // that there is something to show. Set it before the first segment.
    void setCaughtUp(std::function<void()> caughtUp) { m_caughtUp = std::move(caughtUp); }

    // The engine's paintSegment() with these arguments, done now or queued for the painting
    // thread. The erase image may be read on the painting thread: it must stay, unchanged,
    // until finish().
    void paintSegment(const PenSample &sample, const BrushParams &brush,
        const std::optional<Rect> &selectionClip, const EraseImage &eraseImage);
    // Waits until every queued segment is painted; the engine and canvas are the caller's again.
    void finish();
    // Segments were queued since the last finish().
    bool busy() const { return m_busy; }

    // The canvas rectangles that the segments painted since the last call may have changed
    // (their reach, united); empty when none.
    QRect takePainted();

private:
    struct Job
    {
        PenSample sample;
        BrushParams brush;
        std::optional<Rect> selectionClip;
        const EraseImage *eraseImage;
    };

    // Paints one job, on whichever thread holds the painting; returns the part it may change.
    QRect paint(const Job &job);
    void run();

    StrokeEngine &m_engine;
    CanvasSurface &m_surface;
    std::function<void()> m_caughtUp;
    bool m_busy = false; // the caller's thread only
    std::chrono::steady_clock::time_point m_lastQueued; // the caller's thread only
    bool m_withoutThread = false; // no thread could be started: the caller paints every segment

    // How long the painting thread, having caught up, waits for the next segment before it
    // sleeps.
    static constexpr std::chrono::microseconds kStayAwake { 1000 };
    // How often the painting thread hands over what it painted, for display (what it painted
    // in the interval before, so a window shows it at most two intervals late).
    static constexpr std::chrono::microseconds kShowEvery { 100 };
    // Samples closer than this wake the painting thread; slower ones are painted at once on
    // the caller's thread, which keeps up with them easily.
    static constexpr std::chrono::microseconds kQuickInput { 1000 };

    std::mutex m_mutex;
    std::condition_variable m_wake; // a job was queued, or the thread is to stop
    std::condition_variable m_idle; // the queue ran empty with no job being painted
    std::vector<Job> m_jobs;
    bool m_painting = false; // segments are being painted, on either thread
    bool m_threadAwake = false; // the painting thread runs, and takes what is queued
    bool m_stop = false;
    std::atomic<unsigned> m_queued { 0 }; // segments ever queued: the awake thread watches it
    std::atomic<bool> m_stopSoon { false };
    std::vector<Job> m_callerBatch; // what the caller's thread paints while the thread sleeps
    QRect m_painted;
    bool m_caughtUpSent = false; // told since m_painted was last taken
    std::thread m_thread;
};

} // namespace pennova
