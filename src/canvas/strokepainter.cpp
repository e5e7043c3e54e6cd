#include "canvas/strokepainter.h"

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
    m_wake.notify_one();
    m_thread.join();
}

void StrokePainter::paintSegment(const PenSample &sample, const BrushParams &brush,
    const std::optional<Rect> &selectionClip, const EraseImage &eraseImage)
{
    if (!m_busy) {
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
            m_withoutThread = true; // the system gives no more threads: paint here, as before
        }
    }
    if (m_withoutThread) {
        m_engine.paintSegment(sample, brush, selectionClip, eraseImage);
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_painted |= m_engine.lastReach();
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(Job { sample, brush, selectionClip, &eraseImage });
    }
    m_wake.notify_one();
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
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
        if (m_jobs.empty())
            return; // stopping, with nothing left to paint
        batch.swap(m_jobs);
        m_painting = true;
        lock.unlock();
        for (const Job &job : batch) {
            m_engine.paintSegment(job.sample, job.brush, job.selectionClip, *job.eraseImage);
            const QRect reach = m_engine.lastReach();
            const std::lock_guard<std::mutex> publish(m_mutex);
            m_painted |= reach;
        }
        batch.clear();
        lock.lock();
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
