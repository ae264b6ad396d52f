#include "Lifetimes.h"

#include "QObjects.h"

#include <basewrapper.h>
#include <bindingmanager.h>

#include <QEvent>
#include <QObject>

#include <atomic>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace Binding {

// --- The interpreter lock for the runtime's tables -----------------------------------------

namespace {
std::atomic<bool> s_interpreterGone{false};

void noteInterpreterGone()
{
    s_interpreterGone = true;
}
} // namespace

void watchInterpreterEnd()
{
    static const bool watching = Py_AtExit(&noteInterpreterGone) == 0;
    (void)watching;
}

RuntimeLock::RuntimeLock()
{
    if (s_interpreterGone)
        return;
    // While the interpreter finalizes it is no longer "initialized", and the
    // finalizing thread holds the lock throughout (the runtime gives it away
    // around destructors only while the interpreter is initialized).
    const bool finalizing = _Py_IsFinalizing() != 0;
    if (!Py_IsInitialized() && !finalizing)
        return;
    if (PyGILState_Check()) {
        m_held = true;
        return;
    }
    if (finalizing)
        return;
    m_state = PyGILState_Ensure();
    m_taken = true;
    m_held = true;
}

RuntimeLock::~RuntimeLock()
{
    if (m_taken)
        PyGILState_Release(m_state);
}

SbkObject* wrapperOf(const void* cppObject)
{
    return Shiboken::BindingManager::instance().retrieveWrapper(cppObject);
}

// --- Loans ---------------------------------------------------------------------------------

namespace {

struct Loan
{
    int scoped = 0;
    bool forLife = false;
};

class LoanBook
{
public:
    void lendForLife(const void* identity)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_loans[identity].forLife = true;
    }
    void lend(const void* identity)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        ++m_loans[identity].scoped;
    }
    void giveBack(const void* identity)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        const auto found = m_loans.find(identity);
        if (found == m_loans.end())
            return;
        if (--found->second.scoped <= 0 && !found->second.forLife)
            m_loans.erase(found);
    }
    // The object died: none of its loans outlive it.
    void forget(const void* identity)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        if (!m_loans.empty())
            m_loans.erase(identity);
    }
    bool isLent(const void* identity) const
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_loans.count(identity) != 0;
    }

private:
    mutable std::mutex m_mutex;
    std::unordered_map<const void*, Loan> m_loans;
};

LoanBook& loanBook()
{
    static LoanBook* book = new LoanBook(); // used by destructors until the process ends
    return *book;
}

} // namespace

void lendForLife(const void* identity)
{
    loanBook().lendForLife(identity);
}

Loans::~Loans()
{
    for (const void* identity : m_lent)
        loanBook().giveBack(identity);
}

void Loans::add(const void* identity)
{
    loanBook().lend(identity);
    m_lent.push_back(identity);
}

bool isLent(const void* identity)
{
    return identity && loanBook().isLent(identity);
}

namespace detail {

bool refusesDeletion(const void* identity)
{
    if (!isLent(identity))
        return false;
    // Asked by shiboken2.delete while the Python object is still registered;
    // not by the collection of a Python object, which is past answering.
    RuntimeLock lock;
    if (lock.held() && !PyErr_Occurred()) {
        if (SbkObject* wrapper = wrapperOf(identity))
            PyErr_Format(PyExc_RuntimeError, "The application owns this %s: Python cannot delete it",
                         Py_TYPE(reinterpret_cast<PyObject*>(wrapper))->tp_name);
    }
    return true;
}

} // namespace detail

// --- Types of PySide2 that learn to refuse -------------------------------------------------

namespace {

// The types whose destructor function refuses lent objects: the frame's own,
// and the PySide2 types guarded since. Guarded by the interpreter lock.
std::unordered_set<PyTypeObject*>& guardedTypes()
{
    static std::unordered_set<PyTypeObject*> types;
    return types;
}

bool isGuarded(PyTypeObject* type)
{
    PyObject* mro = type->tp_mro;
    if (!mro || !PyTuple_Check(mro))
        return guardedTypes().count(type) != 0;
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(mro); ++i) {
        if (guardedTypes().count(reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(mro, i))))
            return true;
    }
    return false;
}

// The deletion of an object of a PySide2 class rooted in Root, whose first
// base Root is in every Qt class (so the runtime's pointer is one to Root).
template <typename Root>
void deleteForeign(void* object)
{
    auto* root = static_cast<Root*>(object);
    if (detail::refusesDeletion(identityOf(root)))
        return;
    delete root;
}

} // namespace

namespace detail {
void guardType(PyTypeObject* type)
{
    guardedTypes().insert(type);
}
} // namespace detail

void guardDeletionOf(PyObject* wrapper)
{
    if (!wrapper || !Shiboken::Object::checkType(wrapper))
        return;
    PyTypeObject* type = Py_TYPE(wrapper);
    if (isGuarded(type))
        return;
    ObjectDestructor destructor = nullptr;
    if (PyType_IsSubtype(type, Conversion<QObject>::pythonType()))
        destructor = &deleteForeign<QObject>;
    else if (PyType_IsSubtype(type, Conversion<QEvent>::pythonType()))
        destructor = &deleteForeign<QEvent>;
    if (!destructor)
        return; // another kind of class: its deletion cannot be told apart
    Shiboken::ObjectType::setDestructorFunction(reinterpret_cast<SbkObjectType*>(type), destructor);
    guardedTypes().insert(type);
}

// --- Qt parents ------------------------------------------------------------------------------

namespace {

PyObject* qtSetParent()
{
    static PyObject* const original =
        PyDict_GetItemString(Conversion<QObject>::pythonType()->tp_dict, "setParent");
    return original;
}

PyObject* setParentUnlessLent(PyObject* self, PyObject* parent)
{
    if (!Shiboken::Object::isValid(self))
        return nullptr;
    auto* object = static_cast<QObject*>(
        Shiboken::Object::cppPointer(reinterpret_cast<SbkObject*>(self), Conversion<QObject>::pythonType()));
    if (isLent(identityOf(object))) {
        PyErr_Format(PyExc_RuntimeError, "The application owns this %s: it takes no Qt parent from Python",
                     Py_TYPE(self)->tp_name);
        return nullptr;
    }
    PyObject* original = qtSetParent();
    if (!original) {
        PyErr_SetString(PyExc_AttributeError, "setParent");
        return nullptr;
    }
    return PyObject_CallFunctionObjArgs(original, self, parent, nullptr);
}

PyMethodDef s_setParent = {"setParent", &setParentUnlessLent, METH_O, nullptr};

} // namespace

namespace detail {

void refuseQtParentsOfLent(PyTypeObject* type)
{
    if (!qtSetParent())
        return;
    PyObject* method = PyDescr_NewMethod(type, &s_setParent);
    if (!method)
        return;
    PyDict_SetItemString(type->tp_dict, "setParent", method);
    Py_DECREF(method);
    PyType_Modified(type);
}

// --- Deletion by the runtime -------------------------------------------------------------------

namespace {
thread_local const void* s_deletedByRuntime = nullptr;
} // namespace

RuntimeDeletion::RuntimeDeletion(const void* object) : m_previous(s_deletedByRuntime)
{
    // The runtime calls the destructor with the interpreter lock released.
    RuntimeLock lock;
    SbkObject* wrapper = lock.held() ? wrapperOf(object) : nullptr;
    s_deletedByRuntime = wrapper && !Shiboken::Object::hasCppWrapper(wrapper) ? object : nullptr;
}

RuntimeDeletion::~RuntimeDeletion()
{
    s_deletedByRuntime = m_previous;
}

bool RuntimeDeletion::isUnderway(const void* object)
{
    return object && object == s_deletedByRuntime;
}

} // namespace detail

void destroyBinding(const void* cppObject) noexcept
{
    loanBook().forget(cppObject);
    RuntimeLock lock;
    if (!lock.held())
        return;
    SbkObject* wrapper = wrapperOf(cppObject);
    if (!wrapper)
        return;
    if (detail::RuntimeDeletion::isUnderway(cppObject)) {
        // The runtime invalidates the Python object once the native one is
        // gone; only a Python parent's hold on it would outlive that.
        Shiboken::Object::removeParent(wrapper, false);
        return;
    }
    Shiboken::Object::destroy(wrapper, const_cast<void*>(cppObject));
}

} // namespace Binding
