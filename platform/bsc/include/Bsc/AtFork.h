#pragma once

#include <new>

// What a fork leaves in the child: locks that threads the child does not
// have were holding, pools whose threads it does not have. Each owner of
// such a thing adds its handlers here, in its own file; they are installed
// once for the process (pthread_atfork).
namespace Bsc {

// `prepare` runs in the parent before the fork, the latest added first;
// `parent` and `child` after it, the earliest first. Any may be null.
// Returns true, for a static initialiser (false when they could not be
// kept).
bool onFork(void (*prepare)(), void (*parent)(), void (*child)());

// In the child: a lock that no thread of the child holds, free again. What
// it guards is as the thread that held it left it; only a lock held for a
// few steps at a time is renewed so.
template <typename Lock>
void renewLock(Lock& lock)
{
    new (&lock) Lock();
}

} // namespace Bsc
