#include "canvas/strokepainter.h"

#include <chrono>
#include <system_error>
#include <utility>

namespace pennova {

StrokePainter::StrokePainter(StrokeEngine &engine, CanvasSurface &surface)
    : m_engine(engine)
    , m_surface(surface)
{ }

StrokePainter::~StrokePainter()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_stopSoon = true;
    m_wake.notify_one();
    m_thread.join();
}

void StrokePainter::paintSegment(const PenSample &sample, const BrushParams &brush,
    const std::optional<Rect> &selectionClip, const EraseImage &eraseImage)
{
    const bool strokeStarts = !m_busy;
    if (strokeStarts) {
        // A first write would copy a picture that someone else still shares, and change the
        // data pointer the caller's repaints read: do that here, before the painting thread
        // owns the canvas.
        m_surface.detachForWriting();
        m_busy = true;
    }
    if (!m_thread.joinable() && !m_withoutThread) {
        try {
            m_thread = std::thread([this] { run(); });
        } catch (const std::system_error &) {
            // The system gives no more threads: every segment is painted here, as below.
            m_withoutThread = true;
        }
    }
    const auto now = std::chrono::steady_clock::now();
    // A stroke's start wakes the painting thread too, so that it is running if the samples
    // come quickly; if they do not, it goes back to sleep soon.
    const bool quick = strokeStarts || now - m_lastQueued < kQuickInput;
    m_lastQueued = now;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_jobs.push_back(Job { sample, brush, selectionClip, &eraseImage });
    m_queued.fetch_add(1, std::memory_order_release);
    if (m_threadAwake) {
        lock.unlock();
        m_wake.notify_one();
        return;
    }
    // The painting thread sleeps, or has been woken but not yet run (which can take
    // milliseconds on a busy or virtual machine): paint here, so that nothing waits. Samples
    // that come quicker than the screen shows them wake it to take over.
    m_callerBatch.swap(m_jobs);
    m_painting = true;
    lock.unlock();
    if (quick)
        m_wake.notify_one();
    QRect reach;
    for (const Job &job : m_callerBatch)
        reach |= paint(job);
    m_callerBatch.clear();
    lock.lock();
    m_painted |= reach;
    m_painting = false;
}

QRect StrokePainter::paint(const Job &job)
{
    m_engine.paintSegment(job.sample, job.brush, job.selectionClip, *job.eraseImage);
    return m_engine.lastReach();
}

void StrokePainter::finish()
{
    if (!m_busy)
        return;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_painting; });
    m_busy = false;
}

QRect StrokePainter::takePainted()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_caughtUpSent = false;
    return std::exchange(m_painted, QRect());
}

void StrokePainter::run()
{
    std::vector<Job> batch; // the jobs taken at once, painted without the lock
    std::unique_lock<std::mutex> lock(m_mutex);
    m_threadAwake = true;
    for (;;) {
        if (m_jobs.empty() && !m_stop) {
            // Stay awake a little for the next segment: a pen sends one every few milliseconds
            // or faster, and a thread woken from sleep may take as long to run again.
            const unsigned seen = m_queued.load(std::memory_order_acquire);
            lock.unlock();
            const auto until = std::chrono::steady_clock::now() + kStayAwake;
            while (m_queued.load(std::memory_order_acquire) == seen && !m_stopSoon.load()
                && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
            lock.lock();
            if (m_jobs.empty() && !m_stop) {
                m_threadAwake = false;
                m_wake.wait(lock);
                m_threadAwake = true;
                continue;
            }
        }
        if (m_jobs.empty()) {
            if (m_stop)
                return;
            continue;
        }
        // The caller paints only while this thread sleeps, and takes every queued job then, so
        // what is queued now is this thread's alone.
        batch.swap(m_jobs);
        m_painting = true;
        lock.unlock();
        // What is painted is handed over for display one short while late: the window then
        // copies pixels that this thread has moved away from, instead of pulling lines from
        // under it that the next segments write again. The rest is handed over at the end.
        QRect reach, lastReach;
        auto handOver = std::chrono::steady_clock::now() + kShowEvery;
        for (const Job &job : batch) {
            reach |= paint(job);
            const auto now = std::chrono::steady_clock::now();
            if (now >= handOver) {
                if (!lastReach.isEmpty()) {
                    const std::lock_guard<std::mutex> publish(m_mutex);
                    m_painted |= lastReach;
                }
                lastReach = std::exchange(reach, QRect());
                handOver = now + kShowEvery;
            }
        }
        batch.clear();
        lock.lock();
        m_painted |= lastReach | reach;
        if (m_jobs.empty() && !m_painted.isEmpty() && !m_caughtUpSent && m_caughtUp) {
            // Told before finish() may return, so that the word never comes after it.
            m_caughtUpSent = true;
            lock.unlock();
            m_caughtUp();
            lock.lock();
        }
        m_painting = false;
        if (m_jobs.empty())
            m_idle.notify_all();
    }
}

} // namespace pennova
