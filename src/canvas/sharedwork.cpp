#include "canvas/sharedwork.h"

#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace pennova {

namespace {

    // The helper thread, kept for the next job.
    QThreadPool &helperPool()
    {
        static QThreadPool *pool = newSingleThreadPool();
        return *pool;
    }

    struct SharedWork
    {
        std::function<void(int, int)> work;
        int count = 0;
        std::atomic<int> next { 0 };
        std::mutex mutex;
        std::condition_variable finished;
        int done = 0; // under mutex

        void take(int thread)
        {
            for (int i; (i = next.fetch_add(1)) < count;) {
                work(i, thread);
                const std::lock_guard<std::mutex> lock(mutex);
                if (++done == count)
                    finished.notify_all();
            }
        }
    };

} // namespace

QThreadPool *newSingleThreadPool()
{
    auto *pool = new QThreadPool;
    pool->setMaxThreadCount(1);
    pool->setExpiryTimeout(-1);
    return pool;
}

void shareOut(int count, const std::function<void(int, int)> &work)
{
    if (count <= 1) {
        for (int i = 0; i < count; ++i)
            work(i, 0);
        return;
    }
    auto shared = std::make_shared<SharedWork>();
    shared->work = work;
    shared->count = count;
    helperPool().start([shared] { shared->take(1); });
    shared->take(0);
    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->finished.wait(lock, [&] { return shared->done == shared->count; });
}

} // namespace pennova
