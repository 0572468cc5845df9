#pragma once
#include <functional>

namespace kavo::detect {

// Runs work(i) for i = 0 … count - 1 on up to `threads` threads (0: one per core), each thread taking
// the next index when it is free. stop() is asked before every index; once it answers true no further
// index is started and the call returns after the running ones. Returns the number of indexes run.
// stop is called from every thread and must be safe to call so; work must not throw.
int forEachInParallel(int count, int threads, const std::function<void(int)>& work,
                      const std::function<bool()>& stop);

} // namespace kavo::detect
