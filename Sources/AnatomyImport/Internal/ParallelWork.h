#pragma once

#include <cstddef>
#include <functional>

namespace morvena {

// Runs independent pieces of an import's work on all cores while the calling
// thread keeps reporting progress: imports promise their reports on the caller's
// thread, so the workers never report themselves.
namespace ParallelWork {

// Calls work(i) once for every i in 0 ..< count, on worker threads, claiming
// items in ascending order. Meanwhile the calling thread calls
// checkpoint(i) for i = 0, stride, 2 × stride ... below count, in that order,
// each once every item before i has finished. The first exception of a work
// item or of a checkpoint stops the claiming of further items and is rethrown
// here once every worker has stopped. With `threads` 0, threadCount() is used.
void forEach(std::size_t count, const std::function<void(std::size_t)>& work, std::size_t stride,
    const std::function<void(std::size_t)>& checkpoint, unsigned threads = 0);

// The number of worker threads: MORVENA_THREADS when it holds a whole number
// from 1 to 1024, else the machine's core count.
unsigned threadCount();

} // namespace ParallelWork

} // namespace morvena
