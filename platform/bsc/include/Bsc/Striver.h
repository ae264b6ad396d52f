#pragma once

#include <atomic>

namespace Bsc {

// Carries the wish that a long task stop: whoever waits for the task may ask
// it to stop, and the task looks between its steps. Any thread.
class Striver
{
public:
    void stop() { m_stop = true; }
    bool shouldStop() const { return m_stop; }

private:
    std::atomic<bool> m_stop{false};
};

} // namespace Bsc
