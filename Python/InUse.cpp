#include "InUse.h"

#include "PyHelpers.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace PyHelpers {

namespace {

// An object that calls hold or that is being deleted; a few at a time.
struct Use
{
    const void* key;
    int holds;
    bool dying;                        // deleted right now: not to be held
    detail::Deleter deleter = nullptr; // a deletion put off until the last hold ends
    void* object = nullptr;
    bool guarded = false;              // a QObject, deleted only while `guard` sees it
    QPointer<QObject> guard;
};

struct Table
{
    std::mutex mutex;
    std::vector<Use> uses;

    std::vector<Use>::iterator find(const void* key)
    {
        return std::find_if(uses.begin(), uses.end(), [key](const Use& use) { return use.key == key; });
    }
};

Table& table()
{
    static Table* const table = new Table; // never destroyed: deletions may run at exit
    return *table;
}

} // namespace

InUse::InUse(const void* key, std::nullptr_t) : m_key(key)
{
    if (!key)
        return;
    Table& uses = table();
    std::lock_guard<std::mutex> lock(uses.mutex);
    const auto use = uses.find(key);
    if (use == uses.uses.end()) {
        uses.uses.push_back(Use{key, 1, false});
        m_held = true;
    } else if (!use->dying) {
        ++use->holds;
        m_held = true;
    }
}

InUse::~InUse()
{
    if (!m_held)
        return;
    detail::Deleter deleter = nullptr;
    void* object = nullptr;
    {
        Table& uses = table();
        std::lock_guard<std::mutex> lock(uses.mutex);
        const auto use = uses.find(m_key);
        if (--use->holds > 0)
            return;
        deleter = use->deleter;
        object = use->object;
        // Its Qt parent may have deleted it meanwhile.
        if (!deleter || (use->guarded && use->guard.isNull())) {
            uses.uses.erase(use);
            return;
        }
        use->dying = true;
    }
    {
        // As the runtime deletes: without the interpreter lock; and with the
        // core lent, since the call that held the object is over and the
        // deletion may run Python (a slot of the object's destroyed signal).
        const CoreUnlocked lent;
        const InterpreterReleased unlocked;
        deleter(object);
    }
    Table& uses = table();
    std::lock_guard<std::mutex> lock(uses.mutex);
    uses.uses.erase(uses.find(m_key));
}

bool InUse::deletionRequested() const
{
    if (!m_held)
        return false;
    Table& uses = table();
    std::lock_guard<std::mutex> lock(uses.mutex);
    return uses.find(m_key)->deleter != nullptr;
}

void detail::deleteWhenUnused(const void* key, void* object, Deleter deleter, QObject* guarded)
{
    if (!object)
        return;
    Table& uses = table();
    {
        std::lock_guard<std::mutex> lock(uses.mutex);
        const auto use = uses.find(key);
        if (use != uses.uses.end()) {
            // Held: deleted by the last hold. Dying: deleted already.
            if (!use->dying && !use->deleter) {
                use->deleter = deleter;
                use->object = object;
                use->guarded = guarded != nullptr;
                use->guard = guarded;
            }
            return;
        }
        uses.uses.push_back(Use{key, 0, true});
    }
    deleter(object);
    std::lock_guard<std::mutex> lock(uses.mutex);
    uses.uses.erase(uses.find(key));
}

} // namespace PyHelpers
