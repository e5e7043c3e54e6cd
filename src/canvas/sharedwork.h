#pragma once

// Work shared between the calling thread and one helper thread, for jobs a user waits for (the
// undo of a large step) that split into parts done in any order.

#include <functional>

class QThreadPool;

namespace pennova {

// A new pool of one thread that is kept once started, for work that must run one job at a time
// and never take both cores from painting. Made once and never deleted by its user.
QThreadPool *newSingleThreadPool();

// Calls work(i, thread) for every i in 0 .. count - 1, on the calling thread (thread 0) and the
// helper (thread 1) together; returns once every call has returned. Each i goes to the thread
// that takes it first, so a helper that a busy machine starts late takes only what is left, or
// nothing, and is never waited for. No call is made after shareOut returns, so work may refer to
// the caller's locals.
void shareOut(int count, const std::function<void(int, int)> &work);

} // namespace pennova
