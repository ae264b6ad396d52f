#include "Bsc/AtFork.h"

#include <atomic>
#include <mutex>

#include <pthread.h>

namespace Bsc {

namespace {

struct Handlers
{
    void (*prepare)();
    void (*parent)();
    void (*child)();
};

// Added to, never removed from; read without a lock by the handlers, which
// must not wait for a thread that adds handlers (it may be the one that the
// prepare handlers wait for).
constexpr int s_capacity = 32;
Handlers s_handlers[s_capacity];
std::atomic<int> s_count{0};
// The handlers the prepare step ran, for the steps after it, which run on
// the same thread (threads may fork at once).
thread_local int t_forking = 0;

std::mutex& addingMutex()
{
    static std::mutex mutex;
    return mutex;
}

void prepare()
{
    t_forking = s_count.load(std::memory_order_acquire);
    for (int index = t_forking; index-- > 0;)
        if (s_handlers[index].prepare)
            s_handlers[index].prepare();
}

void parent()
{
    for (int index = 0; index < t_forking; ++index)
        if (s_handlers[index].parent)
            s_handlers[index].parent();
}

void child()
{
    renewLock(addingMutex());
    for (int index = 0; index < t_forking; ++index)
        if (s_handlers[index].child)
            s_handlers[index].child();
}

} // namespace

bool onFork(void (*prepareStep)(), void (*parentStep)(), void (*childStep)())
{
    static const bool installed = pthread_atfork(&prepare, &parent, &child) == 0;
    const std::lock_guard<std::mutex> lock(addingMutex());
    const int index = s_count.load(std::memory_order_relaxed);
    if (!installed || index == s_capacity)
        return false;
    s_handlers[index] = Handlers{prepareStep, parentStep, childStep};
    s_count.store(index + 1, std::memory_order_release);
    return true;
}

} // namespace Bsc
