#include "Lifetimes.h"

#include "QObjects.h"

#include "Python/InterpreterEnd.h"

#include <Bsc/AtFork.h>

#include <basewrapper.h>
#include <bindingmanager.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <list>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <string>
#include <vector>

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
    m_state = PyGILState_STATE(PyHelpers::ensureInterpreterToFinish());
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

void leaveParentIfDeleted(PyObject* object)
{
    if (!Shiboken::Object::checkType(object))
        return;
    auto* wrapper = reinterpret_cast<SbkObject*>(object);
    if (!Shiboken::Object::isValid(wrapper, false) && !Shiboken::Object::hasCppWrapper(wrapper))
        Shiboken::Object::removeParent(wrapper, false);
}

// --- Loans ---------------------------------------------------------------------------------

namespace {

// Loans for life are few and long; loans for a call come and go with every
// call that lends an object, and are kept without allocating: one entry per
// running loan (an object lent twice is there twice), the latest last.
class LoanBook
{
public:
    void lendForLife(const void* identity)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_forLife.insert(identity);
        noteCount();
    }
    void lend(const void* identity)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_scoped.push_back(identity);
        noteCount();
    }
    void giveBack(const void* identity)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        const auto found = std::find(m_scoped.rbegin(), m_scoped.rend(), identity);
        if (found == m_scoped.rend())
            return; // the object died meanwhile
        m_scoped.erase(std::next(found).base());
        noteCount();
    }
    // The object died: none of its loans outlive it.
    void forget(const void* identity)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_forLife.erase(identity);
        m_scoped.erase(std::remove(m_scoped.begin(), m_scoped.end(), identity), m_scoped.end());
        noteCount();
    }
    bool isLent(const void* identity) const
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_forLife.count(identity) != 0
            || std::find(m_scoped.begin(), m_scoped.end(), identity) != m_scoped.end();
    }

    // The child of a fork has only the forking thread.
    void renewLockInChild() { Bsc::renewLock(m_mutex); }

private:
    void noteCount() { detail::loansRunning.store(m_forLife.size() + m_scoped.size(), std::memory_order_release); }

    mutable std::mutex m_mutex;
    std::unordered_set<const void*> m_forLife;
    std::vector<const void*> m_scoped;
};

LoanBook& loanBook()
{
    static LoanBook* book = new LoanBook(); // used by destructors until the process ends
    return *book;
}
const bool s_loansFork = Bsc::onFork(nullptr, nullptr, [] { loanBook().renewLockInChild(); });

} // namespace

void lendForLife(const void* identity)
{
    loanBook().lendForLife(identity);
}

Loans::~Loans()
{
    for (const Lent& lent : m_lent) {
        loanBook().giveBack(lent.identity);
        // A deleteLater that Python posted during the loan would otherwise
        // reach the owner's object once the loan is over.
        if (lent.qobject)
            QCoreApplication::removePostedEvents(lent.qobject, QEvent::DeferredDelete);
    }
}

void Loans::add(const void* identity, QObject* qobject)
{
    loanBook().lend(identity);
    m_lent.push_back(Lent{identity, qobject});
}

namespace {

// Qt asks, on whatever thread an event is delivered, before it delivers it.
bool deferredDeletion(void** delivery)
{
    if (static_cast<QEvent*>(delivery[1])->type() != QEvent::DeferredDelete)
        return false;
    auto* object = static_cast<QObject*>(delivery[0]);
    if (!isLent(identityOf(object)))
        PyHelpers::deleteWhenUnused(object);
    *static_cast<bool*>(delivery[2]) = true; // delivered
    return true;
}

} // namespace

void routeDeferredDeletions()
{
    static const bool routed = QInternal::registerCallback(QInternal::EventNotifyCallback, &deferredDeletion);
    (void)routed;
}

bool isLent(const void* identity)
{
    return identity && detail::anyLoans() && loanBook().isLent(identity);
}

namespace detail {

std::atomic<std::size_t> loansRunning{0};

void forgetLoans(const void* identity)
{
    loanBook().forget(identity);
}

bool refusesDeletion(const void* identity)
{
    if (!identity || !loanBook().isLent(identity))
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

void guardQtDeletionMethods(PyTypeObject* type);

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

// The frame's own types, whose destructor functions wait for the calls that
// hold their objects, with the key under which calls hold an object of each.
// Guarded by the interpreter lock.
std::unordered_map<PyTypeObject*, detail::UseKeyOf>& frameTypes()
{
    static std::unordered_map<PyTypeObject*, detail::UseKeyOf> types;
    return types;
}

// The most derived of the frame's types among the object's type and its bases.
detail::UseKeyOf frameUseKeyOf(PyObject* object)
{
    const auto& types = frameTypes();
    PyObject* mro = Py_TYPE(object)->tp_mro;
    if (!mro || !PyTuple_Check(mro)) {
        const auto found = types.find(Py_TYPE(object));
        return found == types.end() ? nullptr : found->second;
    }
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(mro); ++i) {
        const auto found = types.find(reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(mro, i)));
        if (found != types.end())
            return found->second;
    }
    return nullptr;
}

} // namespace

bool detail::isOfFrameType(PyObject* object)
{
    return frameUseKeyOf(object) != nullptr;
}

namespace detail {
void guardType(PyTypeObject* type, UseKeyOf useKeyOf)
{
    guardedTypes().insert(type);
    frameTypes()[type] = useKeyOf;
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
    if (destructor == &deleteForeign<QObject>)
        guardQtDeletionMethods(type);
}

// --- Qt parents and deferred deletion ---------------------------------------------------------

namespace {

// The methods through which Python hands a QObject to something that deletes
// it: each class of PySide2 that defines one gets it guarded, once.
const char* const s_deletingMethods[] = {"setParent", "deleteLater"};

std::map<std::pair<PyTypeObject*, std::string>, PyObject*>& originalMethods()
{
    static std::map<std::pair<PyTypeObject*, std::string>, PyObject*> originals;
    return originals;
}

// The QObject part of a valid Python object of a QObject class, or null.
QObject* qobjectPart(PyObject* object)
{
    if (!Shiboken::Object::checkType(object) || !PyType_IsSubtype(Py_TYPE(object), Conversion<QObject>::pythonType())
        || !Shiboken::Object::isValid(object, false))
        return nullptr;
    return static_cast<QObject*>(
        Shiboken::Object::cppPointer(reinterpret_cast<SbkObject*>(object), Conversion<QObject>::pythonType()));
}

PyObject* alreadyDeleted(PyObject* object)
{
    return PyErr_Format(PyExc_RuntimeError, "Internal C++ object (%s) already deleted.", Py_TYPE(object)->tp_name);
}

PyObject* callUnlessLent(const char* name, PyObject* self, PyTypeObject* definingClass, PyObject* const* args,
                         Py_ssize_t count, PyObject* keywordNames)
{
    const auto found = originalMethods().find({definingClass, name});
    if (found == originalMethods().end())
        return PyErr_Format(PyExc_AttributeError, "%s", name);
    QObject* object = qobjectPart(self);
    if (object && isLent(identityOf(object)))
        return PyErr_Format(PyExc_RuntimeError, "The application owns this %s: Python cannot %s it",
                            Py_TYPE(self)->tp_name,
                            std::strcmp(name, "deleteLater") == 0 ? "delete" : "give a Qt parent to");
    const Py_ssize_t positional = PyVectorcall_NARGS(count);
    const Py_ssize_t keywords = keywordNames ? PyTuple_GET_SIZE(keywordNames) : 0;
    // The runtime lets the interpreter lock go around Qt's call, and records
    // the new Qt parent after it: the object and the parent are held for the
    // call, so that another thread's deletion of either waits for it (a parent
    // would otherwise record a child that died meanwhile).
    std::list<PyHelpers::InUse> holds;
    const auto hold = [&holds](QObject* used) {
        return !used || holds.emplace_back(used).held();
    };
    if (!hold(object))
        return alreadyDeleted(self);
    for (Py_ssize_t i = 0; i < positional + keywords; ++i) {
        if (!hold(qobjectPart(args[i])))
            return alreadyDeleted(args[i]);
    }
    std::vector<PyObject*> all;
    all.reserve(std::size_t(positional + keywords + 1));
    all.push_back(self);
    all.insert(all.end(), args, args + positional + keywords);
    PyObject* result = PyObject_Vectorcall(found->second, all.data(), std::size_t(positional + 1), keywordNames);
    // Deleted meanwhile, it may have been recorded as the parent's child all the same.
    leaveParentIfDeleted(self);
    if (result && std::strcmp(name, "setParent") == 0)
        watchQtParentOf(qobjectPart(self));
    return result;
}

PyObject* setParentUnlessLent(PyObject* self, PyTypeObject* definingClass, PyObject* const* args, Py_ssize_t count,
                              PyObject* keywordNames)
{
    return callUnlessLent("setParent", self, definingClass, args, count, keywordNames);
}

PyObject* deleteLaterUnlessLent(PyObject* self, PyTypeObject* definingClass, PyObject* const* args, Py_ssize_t count,
                                PyObject* keywordNames)
{
    return callUnlessLent("deleteLater", self, definingClass, args, count, keywordNames);
}

PyMethodDef s_guards[] = {
    {"setParent", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&setParentUnlessLent)),
     METH_METHOD | METH_FASTCALL | METH_KEYWORDS, nullptr},
    {"deleteLater", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&deleteLaterUnlessLent)),
     METH_METHOD | METH_FASTCALL | METH_KEYWORDS, nullptr},
};

void guardMethod(PyTypeObject* type, PyMethodDef& guard)
{
    PyObject* original = PyDict_GetItemString(type->tp_dict, guard.ml_name); // borrowed
    if (!original || originalMethods().count({type, guard.ml_name}))
        return;
    PyObject* guarded = PyDescr_NewMethod(type, &guard);
    if (!guarded) {
        PyErr_Clear();
        return;
    }
    Py_INCREF(original);
    originalMethods()[{type, guard.ml_name}] = original;
    PyDict_SetItemString(type->tp_dict, guard.ml_name, guarded);
    Py_DECREF(guarded);
    PyType_Modified(type);
}

// Guards the methods of the PySide2 classes among the type's bases (the
// frame's own classes define none of them).
void guardQtDeletionMethods(PyTypeObject* type)
{
    PyObject* mro = type->tp_mro;
    if (!mro || !PyTuple_Check(mro))
        return;
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(mro); ++i) {
        auto* base = reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(mro, i));
        if (base == &PyBaseObject_Type || !PyType_IsSubtype(base, Conversion<QObject>::pythonType()))
            continue;
        for (PyMethodDef& guard : s_guards)
            guardMethod(base, guard);
    }
}

} // namespace

namespace {

PyObject* s_runtimeDelete = nullptr;

// The runtime's deletion of a Python object's native one.
PyObject* runtimeDelete(PyObject* const* args, Py_ssize_t count, PyObject* keywordNames)
{
    PyObject* result = PyObject_Vectorcall(s_runtimeDelete, args, std::size_t(count), keywordNames);
    if (PyVectorcall_NARGS(count) == 1)
        leaveParentIfDeleted(args[0]);
    return result;
}

// A deletion put off until no call holds the object: the runtime's, if the
// Python object is still valid then (the runtime frees what it deletes).
void* deleteThroughRuntime(void* pythonObject)
{
    const RuntimeLock lock;
    if (!lock.held())
        return nullptr; // the interpreter is gone, and the object with it
    auto* object = static_cast<PyObject*>(pythonObject);
    if (Shiboken::Object::isValid(object, false)) {
        if (PyObject* done = runtimeDelete(&object, 1, nullptr))
            Py_DECREF(done);
        else
            PyErr_WriteUnraisable(object);
    }
    Py_DECREF(object);
    return nullptr;
}

// A QObject of PySide2's classes that calls may hold.
QObject* foreignQObject(PyObject* object)
{
    return detail::isOfFrameType(object) ? nullptr : qobjectPart(object);
}

// The Python objects that shiboken2.delete deletes right now, on any thread:
// the runtime lets the interpreter lock go while it deletes. Under the
// interpreter lock.
std::unordered_set<PyObject*>& deletedThroughRuntime()
{
    static std::unordered_set<PyObject*> deleting;
    return deleting;
}

PyObject* deleteNotTheApplication(PyObject*, PyObject* const* args, Py_ssize_t count, PyObject* keywordNames)
{
    if (PyVectorcall_NARGS(count) != 1 || keywordNames || !Shiboken::Object::checkType(args[0]))
        return runtimeDelete(args, count, keywordNames);
    PyObject* object = args[0];
    // Deleting what is gone already, or going on another thread, would free it twice.
    if (!Shiboken::Object::isValid(object, false) || isDeletedThroughRuntime(object))
        return alreadyDeleted(object);
    ++detail::runtimeDeletionsBegun;
    deletedThroughRuntime().insert(object);
    struct Deleted
    {
        PyObject* object;
        ~Deleted() { deletedThroughRuntime().erase(object); }
    } const deleted{object};
    const void* application = QCoreApplication::instance();
    if (!application || detail::firstCppPointer(object) != application)
        clearSingletonFlag(object);
    if (const detail::UseKeyOf useKeyOf = frameUseKeyOf(object)) {
        // Once the destructor function returns, the runtime clears the Python
        // object's records of the native one, with the interpreter lock back.
        // Another thread's deletion of the native object (an owner's, or one
        // put off until a call ended) would clear them too, meanwhile: held
        // here, the object is deleted once the runtime is done with it.
        const PyHelpers::InUse hold(useKeyOf(object));
        if (!hold.held())
            return alreadyDeleted(object);
        return runtimeDelete(args, count, keywordNames);
    }
    QObject* qobject = foreignQObject(object);
    if (!qobject)
        return runtimeDelete(args, count, keywordNames);
    const void* key = PyHelpers::detail::useKey(qobject);
    PyObject* result = nullptr;
    switch (PyHelpers::deleteNowUnlessHeld(key, [&] { result = runtimeDelete(args, count, keywordNames); })) {
    case PyHelpers::Deletion::Ran:
        return result;
    case PyHelpers::Deletion::Dying:
        return alreadyDeleted(object);
    case PyHelpers::Deletion::Held:
        break;
    }
    Py_INCREF(object);
    if (!PyHelpers::detail::deleteWhenUnused(key, object, &deleteThroughRuntime, nullptr))
        Py_DECREF(object); // asked for before: that deletion stands
    Py_RETURN_NONE;
}

PyMethodDef s_deleteGuard = {"delete",
                             reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&deleteNotTheApplication)),
                             METH_FASTCALL | METH_KEYWORDS, "Deletes the C++ object of a wrapper."};

} // namespace

bool isDeletedThroughRuntime(PyObject* object)
{
    return deletedThroughRuntime().count(object) != 0;
}

void guardRuntimeDelete()
{
    if (s_runtimeDelete)
        return;
    PyObject* package = PyImport_ImportModule("shiboken2");
    PyObject* original = package ? PyObject_GetAttrString(package, "delete") : nullptr;
    PyObject* guard = original ? PyCFunction_New(&s_deleteGuard, nullptr) : nullptr;
    if (guard) {
        s_runtimeDelete = original; // kept for the process
        original = nullptr;
        // The package and its extension module both name the function.
        PyObject_SetAttrString(package, "delete", guard);
        if (PyObject* extension = PyObject_GetAttrString(package, "shiboken2")) {
            PyObject_SetAttrString(extension, "delete", guard);
            Py_DECREF(extension);
        }
    }
    PyErr_Clear();
    Py_XDECREF(guard);
    Py_XDECREF(original);
    Py_XDECREF(package);
}

namespace {

bool madeByPython(QObject* object)
{
    SbkObject* wrapper = wrapperOf(object);
    return wrapper && Shiboken::Object::hasCppWrapper(wrapper);
}

// What the core owns for the process outlives the interpreter: the Qt
// children Python gave it would be destroyed after Python is gone, through
// Python objects that no longer exist. They die at Python's end instead.
struct OutlivingPython
{
    std::mutex mutex;
    std::vector<QPointer<QObject>> objects;
};

OutlivingPython& outlivingPython()
{
    static auto* outliving = new OutlivingPython(); // read at Python's end, whatever dies first
    return *outliving;
}
const bool s_outlivingForks = Bsc::onFork(nullptr, nullptr, [] { Bsc::renewLock(outlivingPython().mutex); });

PyObject* releasePythonChildrenOfLentForLife(PyObject*, PyObject*)
{
    std::vector<QPointer<QObject>> owners;
    {
        std::lock_guard<std::mutex> guard(outlivingPython().mutex);
        owners = outlivingPython().objects;
    }
    for (const QPointer<QObject>& owner : owners) {
        if (!owner)
            continue;
        QList<QPointer<QObject>> pythonMade;
        for (QObject* child : owner->findChildren<QObject*>())
            if (madeByPython(child))
                pythonMade.append(child);
        for (const QPointer<QObject>& child : pythonMade)
            delete child.data(); // null once its Qt parent among them went first
    }
    Py_RETURN_NONE;
}

PyMethodDef s_releaseAtExit = {"release_python_children_of_application_objects",
                               &releasePythonChildrenOfLentForLife, METH_NOARGS, nullptr};

} // namespace

void keepsQtChildrenPastPython(QObject* object)
{
    std::lock_guard<std::mutex> guard(outlivingPython().mutex);
    auto& objects = outlivingPython().objects;
    objects.erase(std::remove_if(objects.begin(), objects.end(), [](const QPointer<QObject>& kept) { return !kept; }),
                  objects.end());
    if (std::find(objects.begin(), objects.end(), object) == objects.end())
        objects.emplace_back(object);
}

void releaseChildrenAtPythonEnd()
{
    static bool registered = false; // under the interpreter lock
    if (registered)
        return;
    registered = true;
    PyObject* atexit = PyImport_ImportModule("atexit");
    PyObject* release = atexit ? PyCFunction_New(&s_releaseAtExit, nullptr) : nullptr;
    PyObject* done = release ? PyObject_CallMethod(atexit, "register", "O", release) : nullptr;
    if (!done)
        PyErr_Clear();
    Py_XDECREF(done);
    Py_XDECREF(release);
    Py_XDECREF(atexit);
}

// --- Qt parents of held objects ----------------------------------------------------------------

namespace {

struct ParentWatch
{
    std::mutex mutex;
    std::vector<const QMetaObject*> heldClasses;
    // The parents whose death is watched: one connection each, for as long as
    // the parent lives (a pointer that went null means that one died unseen,
    // its connection cut, and the address is free to watch again).
    std::unordered_map<const QObject*, QPointer<QObject>> parents;
};

ParentWatch& parentWatch()
{
    static auto* watch = new ParentWatch(); // parents may die at exit, after static destructors
    return *watch;
}
const bool s_parentWatchForks = Bsc::onFork(nullptr, nullptr, [] { Bsc::renewLock(parentWatch().mutex); });

bool isOfHeldClass(const QObject* object)
{
    ParentWatch& watch = parentWatch();
    std::lock_guard<std::mutex> lock(watch.mutex);
    for (const QMetaObject* meta = object->metaObject(); meta; meta = meta->superClass())
        if (std::find(watch.heldClasses.begin(), watch.heldClasses.end(), meta) != watch.heldClasses.end())
            return true;
    return false;
}

// The parent's destroyed signal comes before Qt deletes its children: those of
// held classes leave it first.
void releaseHeldChildren(QObject* parent)
{
    {
        ParentWatch& watch = parentWatch();
        std::lock_guard<std::mutex> lock(watch.mutex);
        watch.parents.erase(parent);
    }
    const QObjectList children = parent->children();
    for (QObject* child : children) {
        if (!child)
            continue;
        switch (PyHelpers::awaitDeletionElsewhere(PyHelpers::detail::useKey(child))) {
        case PyHelpers::DeletionUnderway::Ended:
            continue; // it left the parent as it died
        case PyHelpers::DeletionUnderway::Running:
            child->setParent(nullptr); // Qt must not delete it a second time
            continue;
        case PyHelpers::DeletionUnderway::None:
            break;
        }
        // A child deleted meanwhile on this thread (Python that an earlier
        // one's deletion ran) has left the parent: read it no further.
        if (!parent->children().contains(child) || !isOfHeldClass(child))
            continue;
        child->setParent(nullptr);
        PyHelpers::deleteWhenUnused(child);
    }
}

} // namespace

void watchQtParentOf(QObject* object)
{
    QObject* parent = object ? object->parent() : nullptr;
    if (!parent || !isOfHeldClass(object))
        return;
    {
        ParentWatch& watch = parentWatch();
        std::lock_guard<std::mutex> lock(watch.mutex);
        QPointer<QObject>& watched = watch.parents[parent];
        if (watched)
            return;
        watched = parent;
    }
    QObject::connect(parent, &QObject::destroyed, &releaseHeldChildren);
}

namespace detail {

void noteHeldQObjectClass(const QMetaObject* metaObject)
{
    ParentWatch& watch = parentWatch();
    std::lock_guard<std::mutex> lock(watch.mutex);
    watch.heldClasses.push_back(metaObject);
}

void refuseQtParentsOfLent(PyTypeObject* type)
{
    guardQtDeletionMethods(type);
}

// --- Objects that calls use ----------------------------------------------------------------------

bool ObjectHold::take(PyObject* pythonObject, const void* key)
{
    if (takeQuietly(key))
        return true;
    alreadyDeleted(pythonObject);
    return false;
}

bool ObjectHold::takeQuietly(const void* key)
{
    m_use.emplace(key);
    if (m_use->held())
        return true;
    m_use.reset();
    return false;
}

std::uint64_t runtimeDeletionsBegun = 0;

bool ownedByPython(PyObject* object)
{
    return Shiboken::Object::hasOwnership(reinterpret_cast<SbkObject*>(object));
}

bool isStillValid(PyObject* object)
{
    return Shiboken::Object::isValid(object, true);
}

// --- Deletion by the runtime -------------------------------------------------------------------

// What the runtime deletes on this thread: one thread-local record, found
// once by each step of a deletion (thread-local storage of a library opened
// at run time costs a call to reach).
struct RuntimeDeletions
{
    const void* deallocated = nullptr; // whose Python object is being deallocated
    const void* deletedByRuntime = nullptr;
};

namespace {
thread_local RuntimeDeletions t_deletions;

bool isDeallocatedOn(const RuntimeDeletions& deletions, const void* cppObject)
{
    return cppObject && cppObject == deletions.deallocated;
}
} // namespace

void deallocate(PyObject* self)
{
    RuntimeDeletions& deletions = t_deletions;
    const void* previous = deletions.deallocated;
    deletions.deallocated = firstCppPointer(self);
    SbkDeallocWrapper(self);
    deletions.deallocated = previous;
}

bool isBeingDeallocated(const void* cppObject)
{
    return isDeallocatedOn(t_deletions, cppObject);
}

RuntimeDeletion::RuntimeDeletion(const void* object)
{
    RuntimeDeletions& deletions = t_deletions;
    // Its Python object is gone already: nothing to mark.
    if (isDeallocatedOn(deletions, object))
        return;
    m_deletions = &deletions;
    m_previous = deletions.deletedByRuntime;
    // shiboken2.delete: the runtime calls the destructor with the lock released.
    RuntimeLock lock;
    SbkObject* wrapper = lock.held() ? wrapperOf(object) : nullptr;
    deletions.deletedByRuntime = wrapper && !Shiboken::Object::hasCppWrapper(wrapper) ? object : nullptr;
    // The runtime marks the Python object invalid only once the lock is
    // back, after the native object is gone: another thread would start a
    // call on freed memory in between.
    if (deletions.deletedByRuntime)
        Shiboken::Object::setValidCpp(wrapper, false);
}

RuntimeDeletion::~RuntimeDeletion()
{
    if (m_deletions)
        m_deletions->deletedByRuntime = m_previous;
}

} // namespace detail

void destroyBinding(const void* cppObject) noexcept
{
    if (detail::anyLoans())
        detail::forgetLoans(cppObject);
    invalidateBinding(cppObject);
}

void invalidateBinding(const void* cppObject) noexcept
{
    const detail::RuntimeDeletions& deletions = detail::t_deletions;
    if (detail::isDeallocatedOn(deletions, cppObject))
        return;
    RuntimeLock lock;
    if (!lock.held())
        return;
    SbkObject* wrapper = wrapperOf(cppObject);
    if (!wrapper)
        return;
    if (cppObject == deletions.deletedByRuntime || isDeletedThroughRuntime(reinterpret_cast<PyObject*>(wrapper))) {
        // The runtime invalidates the Python object once its destructor
        // function returns, reading the native pointers that destroy()
        // clears; only a Python parent's hold on it would outlive that.
        Shiboken::Object::removeParent(wrapper, false);
        return;
    }
    Shiboken::Object::destroy(wrapper, const_cast<void*>(cppObject));
}

} // namespace Binding
