#pragma once

#include <QCoroFuture>
#include <QCoroTask>
#include <QThreadPool>
#include <QtConcurrent>
#include <type_traits>

namespace vantorel {

// The pool for blocking calls (name resolution, reverse lookups). It is separate from Qt's global
// pool, which has one thread per core: a sweep looks up 254 names, each of which may wait seconds
// for a silent DNS server, and those waits must neither queue behind each other nor starve
// computing work.
QThreadPool& blockingPool();

// Runs `work` once on the blocking pool and resumes the awaiting main-thread task with its result.
template <typename Work> QCoro::Task<std::invoke_result_t<Work>> offPool(Work work) {
    co_return co_await QtConcurrent::run(&blockingPool(), std::move(work));
}

} // namespace vantorel
