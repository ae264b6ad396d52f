#pragma once

// Native objects that running calls use. A deletion of one that goes
// through deleteWhenUnused (the runtime's: shiboken2.delete, the collection
// of the Python object that owns it; an owner's; or Qt's own: a deferred
// deletion that an event loop runs, a Qt parent that dies) is put off while
// a call holds it, and takes effect when the last such call ends: never
// under a running call. Nor inside the core: a deletion may run Python (a slot of
// the object's destroyed signal) that waits for another thread's API call,
// so one due while the thread is in the core runs once it has left it.

#include <QObject>
#include <QPointer>
#include <QVector>

#include <cstdint>
#include <type_traits>

namespace PyHelpers {

namespace detail {

// One key per object, whichever of its classes a pointer is of: its QObject
// part, else its most derived part. Never reads through a QObject pointer.
template <typename T>
const void* useKey(const T* object)
{
    if constexpr (std::is_base_of<QObject, T>::value)
        return static_cast<const QObject*>(object);
    else if constexpr (std::is_polymorphic<T>::value)
        return object ? dynamic_cast<const void*>(object) : nullptr;
    else
        return object;
}

// The object's own guard when it is a QObject: an object that its Qt parent
// deleted while its deletion was put off is not deleted again.
template <typename T>
QObject* qobjectOf(T* object)
{
    if constexpr (std::is_base_of<QObject, T>::value)
        return object;
    else
        return nullptr;
}

// Destroys an object and gives back the memory to free, or null when it
// freed it itself. The table forgets the object's deletion before that
// memory is freed: a new object at the same address is never seen dying.
using Deleter = void* (*)(void*);
// Runs an object's destructor (the complete object's, through a virtual
// destructor); the memory it was made in, for ::operator delete.
template <typename T>
void* destroyInPlace(T* object)
{
    void* block = object;
    if constexpr (std::is_polymorphic<T>::value)
        block = dynamic_cast<void*>(object);
    object->~T();
    return block;
}
// Frees what a deleter gave back.
void freeDestroyed(void* block) noexcept;
// False when the object's deletion was asked for before, or is underway: that
// one stands, and `deleter` is not called.
bool deleteWhenUnused(const void* key, void* object, Deleter deleter, QObject* guarded);
// The same for a value's copy that only its Python object reaches (and the
// calls that hold it): at once, without the table's lock, while nothing at
// all is held.
void deleteValueWhenUnused(const void* key, void* object, Deleter deleter);

} // namespace detail

// Holds an object for the length of a scope.
class InUse
{
public:
    template <typename T>
    explicit InUse(const T* object) : InUse(detail::useKey(object), nullptr)
    {
    }
    // Runs a deletion requested meanwhile (without the interpreter lock,
    // as the runtime deletes, and out of the core).
    ~InUse();
    InUse(const InUse&) = delete;
    InUse& operator=(const InUse&) = delete;

    // False when the object was null or its deletion already underway: it
    // must not be used then.
    bool held() const { return m_held; }
    // Whether a deletion was requested while held.
    bool deletionRequested() const;

private:
    InUse(const void* key, std::nullptr_t);

    const void* m_key;
    bool m_held = false;
};

// Holds, for a scope, the QObject that a guard still sees: another thread
// may be deleting it at any moment. Held first and looked at after, it is
// either held alive (a deletion asked for meanwhile waits) or seen gone.
// Never read through a cast while it may be dying.
class GuardedUse
{
public:
    explicit GuardedUse(const QPointer<QObject>& guard) : m_use(guard.data())
    {
        if (m_use.held() && !guard.isNull())
            m_object = guard.data();
    }

    // Null when the object is gone or going.
    QObject* get() const { return m_object; }

private:
    InUse m_use;
    QObject* m_object = nullptr;
};

// How many deletions through this table have ended so far: a reader that saw
// the count unchanged around reading a pointer and holding its object knows
// that no deletion freed the object in between.
std::uint64_t deletionsEnded();

// Runs a deletion now, unless a call holds the object (Held: nothing runs) or
// its deletion is underway already (Dying). While it runs, no call can begin
// to hold the object: the object is dying.
enum class Deletion { Ran, Held, Dying };
template <typename F>
Deletion deleteNowUnlessHeld(const void* key, F&& deletion);

// Whether the object's deletion is underway, seen from a thread about to
// delete it too (an owner that goes): on another thread, this waits for it to
// end (Ended), for a destructor that runs cannot be stopped; Running when it
// runs further up this thread (or takes seconds).
enum class DeletionUnderway { None, Running, Ended };
DeletionUnderway awaitDeletionElsewhere(const void* key);

// Deletes the object now, or once no call holds it, with `deleter` (given
// the object's address as T*).
template <typename T>
void deleteWhenUnused(T* object, detail::Deleter deleter)
{
    detail::deleteWhenUnused(detail::useKey(object), object, deleter, detail::qobjectOf(object));
}

template <typename T>
void deleteValueWhenUnused(T* object, detail::Deleter deleter)
{
    detail::deleteValueWhenUnused(detail::useKey(object), object, deleter);
}

template <typename T>
void deleteWhenUnused(T* object)
{
    deleteWhenUnused(object, [](void* doomed) { return detail::destroyInPlace(static_cast<T*>(doomed)); });
}

// An owner that goes lets go of its direct Qt children of class T, each
// deleted once no call holds it: Qt's own deletion of an owner's children
// would not wait for a call that another thread runs on one. Each step may
// run Python (the owner hears of a child leaving, a child's destroyed signal),
// which may delete other children meanwhile.
template <typename T>
void deleteChildrenWhenUnused(QObject& owner)
{
    QVector<QPointer<T>> children;
    for (T* child : owner.findChildren<T*>(QString(), Qt::FindDirectChildrenOnly))
        children.append(child);
    for (const QPointer<T>& child : children) {
        if (!child || child->parent() != &owner)
            continue;
        child->setParent(nullptr);
        if (child)
            deleteWhenUnused(child.data());
    }
}

namespace detail {
// Marks an object that no call holds dying, for the scope of its deletion.
class DyingScope
{
public:
    explicit DyingScope(const void* key);
    ~DyingScope();
    DyingScope(const DyingScope&) = delete;
    DyingScope& operator=(const DyingScope&) = delete;

    Deletion state() const { return m_state; }

private:
    const void* m_key;
    Deletion m_state = Deletion::Ran;
};
} // namespace detail

template <typename F>
Deletion deleteNowUnlessHeld(const void* key, F&& deletion)
{
    const detail::DyingScope dying(key);
    if (dying.state() == Deletion::Ran)
        deletion();
    return dying.state();
}

} // namespace PyHelpers
