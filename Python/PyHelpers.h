#pragma once

struct _ts;

namespace PyHelpers {

// Releases the interpreter lock for the length of a scope, when core work
// runs on a worker thread that holds it; on the application thread, or
// without an application object, it changes nothing.
class ScopedPyThreadState
{
public:
    ScopedPyThreadState();
    ~ScopedPyThreadState();
    ScopedPyThreadState(const ScopedPyThreadState&) = delete;
    ScopedPyThreadState& operator=(const ScopedPyThreadState&) = delete;

    bool releasedLock() const { return m_saved != nullptr; }

private:
    _ts* m_saved = nullptr;
};

// One thread at a time in the core, which is not thread-safe: Python
// threads run API calls in parallel once they have given the interpreter
// lock away. Take it only without the interpreter lock, never the other way
// round: the holder may need the interpreter lock to call Python, and a
// thread waiting here must not hold it. Re-entrant on one thread, since the
// core may call a Python override that calls the API again.
class CoreLock
{
public:
    CoreLock();
    ~CoreLock();
    CoreLock(const CoreLock&) = delete;
    CoreLock& operator=(const CoreLock&) = delete;
};

// Gives the core away for the length of a scope, where this thread waits on
// another thread that may need it (a blocking call to the application
// thread); taken back, as deep as before, at the end.
class CoreUnlocked
{
public:
    CoreUnlocked();
    ~CoreUnlocked();
    CoreUnlocked(const CoreUnlocked&) = delete;
    CoreUnlocked& operator=(const CoreUnlocked&) = delete;

private:
    int m_depth = 0;
};

} // namespace PyHelpers
