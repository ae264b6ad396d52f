#include "InUse.h"

#include "PyHelpers.h"

#include <Bsc/AtFork.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace PyHelpers {

namespace {

// An object that calls hold or that is being deleted; a few at a time.
struct Use
{
    const void* key;
    int holds;
    bool dying;                        // deleted right now: not to be held
    std::thread::id dyingOn{};         // by this thread
    detail::Deleter deleter = nullptr; // a deletion put off until the last hold ends
    void* object = nullptr;
    bool guarded = false;              // a QObject, deleted only while `guard` sees it
    QPointer<QObject> guard;
};

struct Table
{
    std::mutex mutex;
    std::vector<Use> uses;
    // uses.size(), read without the mutex: mostly nothing is held at all.
    std::atomic<std::size_t> count{0};

    void noteCount() { count.store(uses.size(), std::memory_order_release); }

    std::vector<Use>::iterator find(const void* key)
    {
        return std::find_if(uses.begin(), uses.end(), [key](const Use& use) { return use.key == key; });
    }
};

std::atomic<std::uint64_t> s_deletionsEnded{0};

Table& table()
{
    static Table* const uses = new Table; // never destroyed: deletions may run at exit
    return *uses;
}

// The child of a fork has only the forking thread. (Holds that other threads
// had stay: what they hold is never deleted there.)
void renewTableInChild()
{
    Bsc::renewLock(table().mutex);
}
const bool s_tableForks = Bsc::onFork(nullptr, nullptr, &renewTableInChild);

// Ends a hold; the last runs the deletion requested meanwhile. Inside the
// core the last hold passes to the core's section, which ends it once the
// thread has left the core: a deletion may run Python, which may wait for
// another thread's API call.
void release(const void* key)
{
    detail::Deleter deleter = nullptr;
    void* object = nullptr;
    {
        Table& uses = table();
        std::lock_guard<std::mutex> lock(uses.mutex);
        const auto use = uses.find(key);
        if (use->holds > 1) {
            --use->holds;
            return;
        }
        // Its Qt parent may have deleted it meanwhile.
        if (!use->deleter || (use->guarded && use->guard.isNull())) {
            uses.uses.erase(use);
            uses.noteCount();
            return;
        }
        if (inCore()) {
            afterCore([key] { release(key); });
            return;
        }
        use->holds = 0;
        use->dying = true;
        use->dyingOn = std::this_thread::get_id();
        deleter = use->deleter;
        object = use->object;
    }
    // As the runtime deletes: without the interpreter lock.
    const InterpreterReleased unlocked;
    void* const block = deleter(object);
    {
        Table& uses = table();
        std::lock_guard<std::mutex> lock(uses.mutex);
        uses.uses.erase(uses.find(key));
        uses.noteCount();
    }
    s_deletionsEnded.fetch_add(1, std::memory_order_acq_rel);
    detail::freeDestroyed(block);
}

} // namespace

void detail::freeDestroyed(void* block) noexcept
{
    ::operator delete(block);
}

std::uint64_t deletionsEnded()
{
    return s_deletionsEnded.load(std::memory_order_acquire);
}

InUse::InUse(const void* key, std::nullptr_t) : m_key(key)
{
    if (!key)
        return;
    Table& uses = table();
    std::lock_guard<std::mutex> lock(uses.mutex);
    const auto use = uses.find(key);
    if (use == uses.uses.end()) {
        uses.uses.push_back(Use{key, 1, false});
        uses.noteCount();
        m_held = true;
    } else if (!use->dying) {
        ++use->holds;
        m_held = true;
    }
}

InUse::~InUse()
{
    if (m_held)
        release(m_key);
}

bool InUse::deletionRequested() const
{
    if (!m_held)
        return false;
    Table& uses = table();
    std::lock_guard<std::mutex> lock(uses.mutex);
    return uses.find(m_key)->deleter != nullptr;
}

bool detail::deleteWhenUnused(const void* key, void* object, Deleter deleter, QObject* guarded)
{
    if (!object)
        return false;
    {
        Table& uses = table();
        std::lock_guard<std::mutex> lock(uses.mutex);
        auto use = uses.find(key);
        if (use == uses.uses.end()) {
            uses.uses.push_back(Use{key, 0, false});
            uses.noteCount();
            use = std::prev(uses.uses.end());
        }
        // Dying: deleted already. Asked before: that deletion stands.
        if (use->dying || use->deleter)
            return false;
        use->deleter = deleter;
        use->object = object;
        use->guarded = guarded != nullptr;
        use->guard = guarded;
        // Held: deleted by the last hold. Asked inside the core: held by the
        // core's section until the thread leaves the core.
        ++use->holds;
    }
    release(key);
    return true;
}

detail::DyingScope::DyingScope(const void* key) : m_key(key)
{
    Table& uses = table();
    std::lock_guard<std::mutex> lock(uses.mutex);
    const auto use = uses.find(key);
    if (use != uses.uses.end()) {
        m_state = use->dying ? Deletion::Dying : Deletion::Held;
        return;
    }
    uses.uses.push_back(Use{key, 0, true, std::this_thread::get_id()});
    uses.noteCount();
}

DeletionUnderway awaitDeletionElsewhere(const void* key)
{
    // A destructor runs to its end: a short wait, never an endless one.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool waited = false;
    for (;;) {
        {
            Table& uses = table();
            std::lock_guard<std::mutex> lock(uses.mutex);
            const auto use = uses.find(key);
            if (use == uses.uses.end() || !use->dying)
                return waited ? DeletionUnderway::Ended : DeletionUnderway::None;
            if (use->dyingOn == std::this_thread::get_id() || std::chrono::steady_clock::now() > giveUp)
                return DeletionUnderway::Running;
        }
        waited = true;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

detail::DyingScope::~DyingScope()
{
    if (m_state != Deletion::Ran)
        return;
    s_deletionsEnded.fetch_add(1, std::memory_order_acq_rel);
    Table& uses = table();
    std::lock_guard<std::mutex> lock(uses.mutex);
    uses.uses.erase(uses.find(m_key));
    uses.noteCount();
}

void detail::deleteValueWhenUnused(const void* key, void* object, Deleter deleter)
{
    // Nothing held anywhere: no call uses the copy, and none can start on
    // it, since only its Python object, which is going, reaches it.
    if (table().count.load(std::memory_order_acquire) == 0 && !inCore()) {
        freeDestroyed(deleter(object));
        return;
    }
    detail::deleteWhenUnused(key, object, deleter, nullptr);
}

} // namespace PyHelpers
