#pragma once

// Lifetimes across the boundary, each kept here once:
// - the runtime's tables (wrapper lookup, invalidation, release) are touched
//   only with the interpreter lock held, from whatever thread a C++ object
//   dies on;
// - a C++ object that dies makes its Python object invalid;
// - what the core owns and only lends to Python is not Python's to destroy.

#include "Python/InUse.h"
#include "Python/SbkCleaner.h"

#include <sbkpython.h>

#include <QObject>
#include <QPointer>
#include <QVarLengthArray>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <type_traits>

struct SbkObject;

namespace Binding {

// Holds the interpreter lock for a scope, for the runtime's tables: taken
// unless this thread holds it already. Not taken before the interpreter
// starts, after it is gone, nor while another thread finalizes it (a thread
// that waits for the lock then is stopped inside the wait): held() tells
// whether the tables may be touched. A thread that holds the core may take
// it (see PyHelpers::CoreLock).
class RuntimeLock
{
public:
    RuntimeLock();
    ~RuntimeLock();
    RuntimeLock(const RuntimeLock&) = delete;
    RuntimeLock& operator=(const RuntimeLock&) = delete;

    bool held() const { return m_held; }

private:
    PyGILState_STATE m_state = PyGILState_UNLOCKED;
    bool m_taken = false;
    bool m_held = false;
};

// From the end of the interpreter's finalization on, no lock is taken (set
// once, by the first module's start-up).
void watchInterpreterEnd();

// The Python object of a C++ object, or null: a borrowed reference. The
// caller holds the interpreter lock.
SbkObject* wrapperOf(const void* cppObject);

// The runtime clears the native pointers of a Python object whose native
// object it deletes, yet leaves it among its Python parent's children, where
// the parent's own deletion reads those pointers: a Python object deleted so
// (one that another thread deletes during a call, too) leaves its parent.
// Objects of wrapper classes leave it as their native object dies, and are
// read no further. Under the interpreter lock.
void leaveParentIfDeleted(PyObject* object);

// Makes the Python object of a C++ object that is being destroyed invalid,
// and ends the loans of the object. Safe from any thread, with or without
// the interpreter lock, also while the interpreter finalizes; nothing once
// it is gone, and nothing while the runtime itself deletes the object (it
// then invalidates the Python object on its own).
void destroyBinding(const void* cppObject) noexcept;
// The same for an object that lives on (its owner has let go of it, calls
// still use it): its loans stand until it dies, for it is still not
// Python's to delete.
void invalidateBinding(const void* cppObject) noexcept;

// The address that identifies an object whatever class it is seen as: the
// complete object's.
template <typename T>
const void* identityOf(const T* object)
{
    if constexpr (std::is_polymorphic<T>::value)
        return object ? dynamic_cast<const void*>(object) : nullptr;
    else
        return object;
}

// --- Deletions that Qt runs --------------------------------------------------------------------
// An event loop runs the deferred deletions (deleteLater, asked for from
// Python, through a Qt connection or by the core) on its own thread, without
// the interpreter lock: each goes through the table of held objects, as
// shiboken2.delete does. A lent object's is refused, whoever asked for it;
// any other QObject is deleted once no call holds it, at once when none does.
// Installed once, by the first module.
void routeDeferredDeletions();

// --- Qt parents ------------------------------------------------------------------------------
// Qt deletes an object with its Qt parent, at once: a call that another
// thread runs on the object would go on in freed memory. So a QObject of a
// bound class does not die with its parent while a call holds it: when the
// parent dies, its children of bound classes leave it, each deleted once no
// call holds it (at once when none does).

// Watches the object's Qt parent, if any: the frame asks when Python gives the
// object a parent (its constructor, setParent) and when Python first sees it.
void watchQtParentOf(QObject* object);

namespace detail {
// The QObject classes whose objects calls hold (noted once, by their type).
void noteHeldQObjectClass(const QMetaObject* metaObject);
} // namespace detail

// --- Loans ---------------------------------------------------------------------------------
// What the core owns and lends to Python (registry entries, the project handed
// to an exporter, the canvas handed to an overlay) can be used from Python but
// not destroyed there: the runtime's deletion of it (shiboken2.delete), a Qt
// parent given from Python and deleteLater are refused with a RuntimeError,
// and it stays alive.

// Lends an object for the rest of its life; the loan ends when it dies,
// which its class reports (the clean-up base).
void lendForLife(const void* identity);

// A QObject lent for life outlives the interpreter: the Qt children Python
// gives it are deleted when Python ends (see releaseChildrenAtPythonEnd).
void keepsQtChildrenPastPython(QObject* object);

template <typename T>
QObject* lentQObject(const T* object)
{
    if constexpr (std::is_base_of<QObject, T>::value)
        return const_cast<QObject*>(static_cast<const QObject*>(object));
    else
        return nullptr;
}

template <typename T>
void lendForLife(const T* object)
{
    static_assert(std::is_base_of<SbkCleaner, T>::value,
                  "an object lent for its life must report its death (derive from SbkCleaner)");
    if (!object)
        return;
    lendForLife(identityOf(object));
    if (QObject* qobject = lentQObject(object))
        keepsQtChildrenPastPython(qobject);
}

// Lends each object of a result: a pointer, or a container of them (a QHash
// or QMap lends its values).
template <typename R>
void lendResultForLife(const R& result)
{
    if constexpr (std::is_pointer<R>::value) {
        lendForLife(result);
    } else {
        for (const auto& element : result)
            lendResultForLife(element);
    }
}

// Loans for a scope, such as the arguments of one call into Python.
class Loans
{
public:
    Loans() = default;
    ~Loans();
    Loans(const Loans&) = delete;
    Loans& operator=(const Loans&) = delete;

    template <typename T>
    void lend(const T* object)
    {
        if (object)
            add(identityOf(object), lentQObject(object));
    }

private:
    struct Lent
    {
        const void* identity;
        QPointer<QObject> qobject; // a deletion it posted meanwhile is dropped with the loan
    };
    void add(const void* identity, QObject* qobject);
    QVarLengthArray<Lent, 4> m_lent; // a call lends a few objects: no allocation
};

bool isLent(const void* identity);

namespace detail {
// The loans running, of every kind. Most objects die while nothing at all is
// lent: then neither their deletion nor their death asks the loan book.
extern std::atomic<std::size_t> loansRunning;
inline bool anyLoans()
{
    return loansRunning.load(std::memory_order_acquire) != 0;
}
// The object died: none of its loans outlive it.
void forgetLoans(const void* identity);
} // namespace detail

// The Python object of a lent object: when it is of a class of PySide2 (a
// QObject or QEvent class), its type learns to refuse the deletion of lent
// objects too, as the frame's own types do.
void guardDeletionOf(PyObject* wrapper);

// shiboken2.delete clears the application flag of what it deletes first (see
// clearSingletonFlag): without it, deleting any object, PySide2's own
// included, may destroy the application instead. An object deleted already
// is refused (the runtime would free it twice). A QObject of PySide2's
// classes that a call holds is deleted once the call ends (the frame's own
// classes see to that in their destructor functions). Installed once, by the
// first module.
void guardRuntimeDelete();

// Whether shiboken2.delete is deleting the object right now, on any thread.
// Under the interpreter lock.
bool isDeletedThroughRuntime(PyObject* object);

// The Qt children that Python gives to objects lent for life die when Python
// ends, not after (registered once, by the first module).
void releaseChildrenAtPythonEnd();

namespace detail {

// Whether the objects of a bound class are held for each call that uses
// them: set for the frame's classes, objects and values alike, whose
// deletion by the runtime waits for the calls that hold them
// (deleteObjectForRuntime); not for PySide2's.
template <typename T>
inline bool heldForCalls = false;
// PySide2's QObjects too, given to a call as QObject: shiboken2.delete on one
// waits for the calls that hold it (see guardRuntimeDelete).
template <>
inline bool heldForCalls<QObject> = true;
// Values of a class that runs no Python of its own (no overrides to route):
// only the runtime deletes one that its Python object owns, and it makes the
// Python object invalid, under the interpreter lock, before the value dies
// (the guarded shiboken2.delete; a deallocation leaves nothing to call).
// A call that keeps the lock from its start to its end cannot meet that
// deletion, and needs no hold on such a value.
template <typename T>
inline bool plainValue = false;

// Whether a Python object owns its native object.
bool ownedByPython(PyObject* object);
// Whether a Python object is valid still; the runtime's error if not.
bool isStillValid(PyObject* object);
// How many deletions shiboken2.delete has begun: a value taken without a
// hold is still there while the count has not changed. Under the
// interpreter lock.
extern std::uint64_t runtimeDeletionsBegun;

// Holds, for a call, an object of a bound class that the call uses: the
// object a method runs on, or an argument. A deletion that the runtime is
// asked for meanwhile (shiboken2.delete from a slot, or from another thread)
// takes effect once the call, its result's conversion included, has
// returned. Nothing for objects of other classes, and nothing allocated.
class ObjectHold
{
public:
    // False, with the runtime's error for a deleted object, when the
    // object's deletion is underway: the call must not use it.
    bool take(PyObject* pythonObject, const void* key);
    // The same without the error: safe without the interpreter lock.
    bool takeQuietly(const void* key);
    bool any() const { return m_use.has_value(); }
    void release() { m_use.reset(); }

private:
    std::optional<PyHelpers::InUse> m_use;
};


// The hold of an object of bound class T (void: none), taken only for the
// frame's classes. A call that keeps the interpreter lock from its start to
// its end (`lockKept`) takes none on a plain value its Python object owns:
// it checks, once whatever may have run Python meanwhile (the conversions of
// its arguments) is over, that the value is still there (stillValid()).
template <typename T>
class CallHold
{
public:
    bool take(PyObject* pythonObject, const T* object, bool lockKept = false)
    {
        if constexpr (std::is_void<T>::value) {
            return true;
        } else {
            if (!object || !heldForCalls<T>)
                return true;
            if (lockKept && plainValue<T> && ownedByPython(pythonObject)) {
                m_unheld = pythonObject;
                m_deletionsBegun = runtimeDeletionsBegun;
                return true;
            }
            return m_hold.take(pythonObject, PyHelpers::detail::useKey(object));
        }
    }
    // False, with the runtime's error, when an object taken without a hold
    // has died since. Under the interpreter lock, kept from here to the end
    // of the call.
    bool stillValid() const
    {
        return !m_unheld || runtimeDeletionsBegun == m_deletionsBegun || isStillValid(m_unheld);
    }
    // For a result, as soon as the call returns it (without the interpreter
    // lock): false when its deletion is underway.
    bool takeResult(const T* object)
    {
        if constexpr (std::is_void<T>::value)
            return true;
        else
            return !object || !heldForCalls<T> || m_hold.takeQuietly(PyHelpers::detail::useKey(object));
    }
    bool any() const { return m_hold.any(); }
    void release() { m_hold.release(); }

private:
    ObjectHold m_hold;
    PyObject* m_unheld = nullptr;
    std::uint64_t m_deletionsBegun = 0;
};

// The objects a call returns, held from the moment the core hands them back
// until their Python objects are made: another thread may be deleting one
// meanwhile. A pointer, or a container of pointers (a QHash or QMap holds its
// values); nothing for other results.
template <typename R, typename = void>
struct ResultHolds
{
    bool take(const R&) { return true; }
    bool any() const { return false; }
    void release() {}
};

template <typename U>
struct ResultHolds<U*, std::enable_if_t<std::is_class<U>::value>>
{
    bool take(const U* result) { return m_hold.takeResult(result); }
    bool any() const { return m_hold.any(); }
    void release() { m_hold.release(); }
    CallHold<std::remove_const_t<U>> m_hold;
};

// What a container's iteration gives: a QHash's or QMap's values, a list's
// elements.
template <typename R, typename = void>
struct ValueOf
{
    using type = void;
};
template <typename R>
struct ValueOf<R, std::void_t<typename R::value_type>>
{
    using type = typename R::value_type;
};
template <typename R, typename = void>
struct ElementOf : ValueOf<R>
{
};
template <typename R>
struct ElementOf<R, std::void_t<typename R::mapped_type>>
{
    using type = typename R::mapped_type;
};

template <typename R>
struct ResultHolds<R, std::enable_if_t<std::is_pointer<typename ElementOf<R>::type>::value
                                       && std::is_class<std::remove_pointer_t<typename ElementOf<R>::type>>::value>>
{
    using Element = std::remove_const_t<std::remove_pointer_t<typename ElementOf<R>::type>>;
    bool any() const { return m_holds != nullptr; }
    void release() { m_holds.reset(); }
    bool take(const R& result)
    {
        if (!heldForCalls<Element> || result.isEmpty())
            return true;
        m_holds = std::make_unique<CallHold<Element>[]>(std::size_t(result.size()));
        std::size_t index = 0;
        for (const auto& element : result) {
            if (!m_holds[index++].takeResult(element))
                return false;
        }
        return true;
    }
    std::unique_ptr<CallHold<Element>[]> m_holds;
};

// The key under which calls hold the native object of a valid Python object.
using UseKeyOf = const void* (*)(PyObject* object);
// A type whose destructor function refuses lent objects (the frame's own
// types), and how calls hold its objects.
void guardType(PyTypeObject* type, UseKeyOf useKeyOf);
// Whether a Python object is of one of the frame's own types (or a Python
// subclass of one), rather than of PySide2's.
bool isOfFrameType(PyObject* object);
// The QObject methods through which Python has a QObject deleted (setParent,
// deleteLater) refuse lent objects, for the classes of PySide2 among the
// type's bases.
void refuseQtParentsOfLent(PyTypeObject* type);

// Refuses the runtime's deletion of a lent object: true when the object is
// lent, with a RuntimeError for the Python caller that asked for it.
bool refusesDeletion(const void* identity);
// The same for an object of class T: nothing to ask while nothing is lent.
template <typename T>
bool refusesDeletionOf(const T* object)
{
    return anyLoans() && refusesDeletion(identityOf(object));
}

// The deallocation function of the frame's types. While the runtime
// deallocates a Python object, the C++ object it deletes has already left
// the tables: its destructor needs no lock to learn that.
void deallocate(PyObject* self);
bool isBeingDeallocated(const void* cppObject);

struct RuntimeDeletions;

// Marks, for its scope, the object that the runtime deletes (shiboken2.delete,
// or the collection of an owning Python object), unless the object is of a
// wrapper class, whose destructor does the runtime's part.
class RuntimeDeletion
{
public:
    explicit RuntimeDeletion(const void* object);
    ~RuntimeDeletion();
    RuntimeDeletion(const RuntimeDeletion&) = delete;
    RuntimeDeletion& operator=(const RuntimeDeletion&) = delete;

private:
    RuntimeDeletions* m_deletions = nullptr; // this thread's, when the object is marked
    const void* m_previous = nullptr;
};

// Deletes an object for the runtime, now: destroys it, and gives back the
// memory for the table of held objects to free.
template <typename T>
void* deleteNowForRuntime(void* object)
{
    RuntimeDeletion scope(object);
    return PyHelpers::detail::destroyInPlace(static_cast<T*>(object));
}

// The destructor function of a bound class: an object that a running
// call holds (PyHelpers::InUse) is deleted when that call ends. A lent
// object is refused at once, while the caller that asked is there to hear.
template <typename T>
void deleteObjectForRuntime(void* object)
{
    auto* typed = static_cast<T*>(object);
    if (!refusesDeletionOf(typed))
        PyHelpers::deleteWhenUnused(typed, &deleteNowForRuntime<T>);
}

// The same for a value's copy. Its deallocation (no Python object left to
// start a call on it) skips the table while nothing at all is held;
// shiboken2.delete, which lets the interpreter lock go before it deletes,
// goes through the table, where a call starting meanwhile sees it dying.
template <typename T>
void deleteValueForRuntime(void* object)
{
    auto* typed = static_cast<T*>(object);
    if (refusesDeletionOf(typed))
        return;
    if (isBeingDeallocated(object))
        PyHelpers::deleteValueWhenUnused(typed, &deleteNowForRuntime<T>);
    else
        PyHelpers::deleteWhenUnused(typed, &deleteNowForRuntime<T>);
}

} // namespace detail
} // namespace Binding
