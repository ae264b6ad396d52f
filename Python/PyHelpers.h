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

} // namespace PyHelpers
