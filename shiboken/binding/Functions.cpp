#include "Functions.h"

#include "Types.h"

#include <new>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace Binding {

void passThrough(PyObject*, void*)
{
}

// --- Numbers ---------------------------------------------------------------------

namespace detail {

bool convertsToBool(PyObject* object)
{
    return PyLong_Check(object) || (!PyFloat_Check(object) && PyIndex_Check(object));
}

bool convertsToInteger(PyObject* object)
{
    return PyLong_Check(object) || PyFloat_Check(object) || PyIndex_Check(object);
}

bool convertsToFloat(PyObject* object)
{
    if (PyFloat_Check(object) || PyLong_Check(object) || PyIndex_Check(object))
        return true;
    return !PyComplex_Check(object) && Py_TYPE(object)->tp_as_number && Py_TYPE(object)->tp_as_number->nb_float;
}

void raiseOutOfRange(PyObject* object, const char* typeName)
{
    // The number's own text: a subclass's repr is never called here.
    PyObject* text = PyFloat_Check(object) ? PyFloat_Type.tp_repr(object) : PyLong_Type.tp_repr(object);
    if (!text) {
        PyErr_Clear();
        PyErr_Format(PyExc_OverflowError, "value out of range for %s", typeName);
        return;
    }
    PyErr_Format(PyExc_OverflowError, "value %U is out of range for %s", text, typeName);
    Py_DECREF(text);
}

bool toInteger(PyObject* object, long long least, unsigned long long most, const char* typeName, void* out,
               void (*store)(void*, long long, unsigned long long, bool))
{
    if (PyFloat_Check(object)) {
        const double value = PyFloat_AS_DOUBLE(object);
        if (!(value >= double(least) && value < double(most) + 1.0)) {
            raiseOutOfRange(object, typeName);
            return false;
        }
        if (value < 0)
            store(out, (long long)value, 0, false);
        else
            store(out, 0, (unsigned long long)value, true);
        return true;
    }
    PyObject* number = PyLong_Check(object) ? (Py_INCREF(object), object) : PyNumber_Index(object);
    if (!number)
        return false;
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(number, &overflow);
    bool ok = false;
    if (overflow == 0 && !(value == -1 && PyErr_Occurred())) {
        if (value >= least && (value < 0 || (unsigned long long)value <= most)) {
            store(out, value, (unsigned long long)value, value >= 0);
            ok = true;
        }
    } else if (overflow > 0 && !PyErr_Occurred()) {
        const unsigned long long big = PyLong_AsUnsignedLongLong(number);
        if (!PyErr_Occurred() && big <= most) {
            store(out, 0, big, true);
            ok = true;
        }
        PyErr_Clear();
    }
    if (!ok && !PyErr_Occurred())
        raiseOutOfRange(number, typeName);
    Py_DECREF(number);
    return ok;
}

bool toDouble(PyObject* object, double& out)
{
    const double value = PyFloat_Check(object) ? PyFloat_AS_DOUBLE(object) : PyFloat_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred())
        return false;
    out = value;
    return true;
}

bool toBool(PyObject* object, bool& out)
{
    const int truth = PyObject_IsTrue(object);
    if (truth < 0)
        return false;
    out = truth != 0;
    return true;
}

void textToCpp(PyObject* object, void* out)
{
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(object, &size);
    if (!utf8)
        return;
    if (std::memchr(utf8, 0, std::size_t(size))) {
        PyErr_SetString(PyExc_ValueError, "embedded null character");
        return;
    }
    if (size > std::numeric_limits<int>::max()) {
        PyErr_NoMemory();
        return;
    }
    *static_cast<QString*>(out) = QString::fromUtf8(utf8, int(size));
}

} // namespace detail

// --- Arguments that the runtime iterates --------------------------------------------

bool fitsQtContainer(PyObject* sequence, Py_ssize_t capacity)
{
    const Py_ssize_t length = PyObject_LengthHint(sequence, 0);
    if (length < 0)
        return false;
    if (length > capacity) {
        PyErr_Format(PyExc_MemoryError, "a sequence of %zd items is too long to convert", length);
        return false;
    }
    return true;
}

namespace {

// The items of any iterable, as a list of its own; plain lists and tuples
// are kept as they are.
PyObject* plainSequence(PyObject* object, Py_ssize_t capacity)
{
    if (PyList_CheckExact(object) || PyTuple_CheckExact(object)) {
        if (PySequence_Fast_GET_SIZE(object) > capacity)
            return PyErr_Format(PyExc_MemoryError, "a sequence of %zd items is too long to convert",
                                PySequence_Fast_GET_SIZE(object));
        return Py_NewRef(object);
    }
    if (!fitsQtContainer(object, capacity))
        return nullptr;
    PyObject* list = PySequence_List(object);
    if (list && PyList_GET_SIZE(list) > capacity) {
        Py_DECREF(list);
        return PyErr_Format(PyExc_MemoryError, "a sequence is too long to convert");
    }
    return list;
}

PyObject* plainVariantLevel(PyObject* object);

// Lists (their subclasses included, which the runtime iterates as lists)
// and tuples become plain ones whose items are plain in turn.
PyObject* plainVariantSequence(PyObject* object)
{
    const bool isTuple = PyTuple_CheckExact(object);
    Shiboken::AutoDecRef items(plainSequence(object, qtContainerCapacity(sizeof(QVariant))));
    if (items.isNull())
        return nullptr;
    const Py_ssize_t size = PySequence_Fast_GET_SIZE(items.object());
    PyObject* made = isTuple ? PyTuple_New(size) : PyList_New(size);
    if (!made)
        return nullptr;
    for (Py_ssize_t i = 0; i < size; ++i) {
        PyObject* item = plainVariantLevel(PySequence_Fast_GET_ITEM(items.object(), i));
        if (!item) {
            Py_DECREF(made);
            return nullptr;
        }
        if (isTuple)
            PyTuple_SET_ITEM(made, i, item);
        else
            PyList_SET_ITEM(made, i, item);
    }
    return made;
}

PyObject* plainVariantMapping(PyObject* object)
{
    PyObject* made = PyDict_New();
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    Py_ssize_t position = 0;
    while (made && PyDict_Next(object, &position, &key, &value)) {
        Shiboken::AutoDecRef plain(plainVariantLevel(value));
        if (plain.isNull() || PyDict_SetItem(made, key, plain) < 0)
            Py_CLEAR(made);
    }
    return made;
}

// Other objects, subclasses of tuples and dictionaries included, the
// runtime keeps as they are.
PyObject* plainVariantLevel(PyObject* object)
{
    if (!PyList_Check(object) && !PyTuple_CheckExact(object) && !PyDict_CheckExact(object))
        return Py_NewRef(object);
    // A list that holds itself, or nests deeper than the interpreter recurses.
    if (Py_EnterRecursiveCall(" while converting a value"))
        return nullptr;
    PyObject* made = PyDict_CheckExact(object) ? plainVariantMapping(object) : plainVariantSequence(object);
    Py_LeaveRecursiveCall();
    return made;
}

} // namespace

PyObject* plainStringList(PyObject* object)
{
    return plainSequence(object, qtContainerCapacity(sizeof(QString)));
}

PyObject* plainVariant(PyObject* object)
{
    return plainVariantLevel(object);
}

namespace detail {

void setParentOf(PyObject* parent, PyObject* child)
{
    // A child deleted during the call stays out of its parent's children.
    if (Shiboken::Object::checkType(child) && Shiboken::Object::isValid(child, false))
        Shiboken::Object::setParent(parent, child);
}

void releaseOwnershipOf(PyObject* object)
{
    if (Shiboken::Object::checkType(object))
        Shiboken::Object::releaseOwnership(object);
}

void raiseCaught(const Module* module) noexcept
{
    try {
        try {
            throw;
        } catch (const std::bad_alloc&) {
            PyErr_NoMemory();
        } catch (const std::exception& error) {
            if (module)
                module->raise(error);
            else
                translateException(error);
        } catch (...) {
            Module::raiseUnknown();
        }
    } catch (...) {
        // Setting the error itself failed (out of memory for its text).
        PyErr_NoMemory();
    }
}

// --- Calls of the class's own implementation -------------------------------------

BaseCall& pendingBaseCall()
{
    thread_local BaseCall call;
    return call;
}

BaseCallScope::BaseCallScope(PyObject* self, const void* object, const char* name)
{
    if (!name || !object || !Shiboken::Object::hasCppWrapper(reinterpret_cast<SbkObject*>(self)))
        return;
    BaseCall& pending = pendingBaseCall();
    m_previous = pending;
    pending = BaseCall{object, name};
    m_active = true;
}

BaseCallScope::~BaseCallScope()
{
    if (m_active)
        pendingBaseCall() = m_previous;
}

} // namespace detail

// --- Texts of defaults -------------------------------------------------------------

std::string defaultText(bool value)
{
    return value ? "true" : "false";
}

std::string defaultText(long long value)
{
    return std::to_string(value);
}

std::string defaultText(unsigned long long value)
{
    return std::to_string(value);
}

std::string defaultText(double value, bool isFloat)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    std::string written(text);
    if (isFloat)
        written += std::strchr(text, '.') || std::strchr(text, 'e') ? "f" : ".f";
    return written;
}

std::string defaultText(const QString& value)
{
    return "\"" + value.toStdString() + "\"";
}

std::string defaultText(const QStringList& value)
{
    return value.isEmpty() ? "QStringList()" : "QStringList(...)";
}

std::string defaultText(std::nullptr_t)
{
    return "NULL";
}

std::string templateName(const char* converterName)
{
    std::string name(converterName ? converterName : "");
    if (name.rfind("const ", 0) == 0)
        name.erase(0, 6);
    const std::size_t bracket = name.find('<');
    if (bracket != std::string::npos)
        name.erase(bracket);
    while (!name.empty() && (name.back() == '&' || name.back() == '*' || name.back() == ' '))
        name.pop_back();
    return name;
}

std::string qtClassText(PyTypeObject* type, const char* fallback)
{
    return type ? std::string(type->tp_name) : std::string(fallback ? fallback : "?");
}

// --- Errors of calls ------------------------------------------------------------------

namespace {

// The runtime's handler of wrong arguments, called so that nothing it does
// with the arguments (their repr, isinstance) can stop the process. Found at
// module start-up: finding it runs Python, which lets the interpreter lock
// go, so a lazy first use could meet another thread's first use halfway.
PyObject* s_wrongArgumentsHandler = nullptr; // kept for the life of the process
// The runtime's update of the modules its handler knows by name: it runs it
// only when a signature is asked for, so without it the first wrong call of
// a process would not find its own module and list no signatures.
PyObject* s_learnModules = nullptr;

void raiseWrongArgumentsByTypes(PyObject* args, const CallSite& site)
{
    std::string given;
    if (args && PyTuple_Check(args)) {
        for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(args); ++i) {
            if (i)
                given += ", ";
            given += Py_TYPE(PyTuple_GET_ITEM(args, i))->tp_name;
        }
    } else if (args) {
        given = Py_TYPE(args)->tp_name;
    }
    PyErr_Format(PyExc_TypeError, "'%s' called with wrong argument types:\n  %s(%s)", site.qualifiedName.c_str(),
                 site.qualifiedName.c_str(), given.c_str());
}

} // namespace

void prepareWrongArguments(const char* anyQualifiedName)
{
    if (s_wrongArgumentsHandler)
        return;
    // The runtime's own entry sets the handler's name space up (with
    // arguments that nothing can go wrong with).
    Shiboken::AutoDecRef none(PyTuple_New(0));
    Shiboken::setErrorAboutWrongArguments(none, anyQualifiedName, nullptr);
    PyErr_Clear();
    Shiboken::AutoDecRef loader(PyImport_ImportModule("shibokensupport.signature.loader"));
    PyObject* found = loader.isNull() ? nullptr : PyObject_GetAttrString(loader, "seterror_argument");
    PyErr_Clear();
    Shiboken::AutoDecRef mapping(PyImport_ImportModule("shibokensupport.signature.mapping"));
    PyObject* learn = mapping.isNull() ? nullptr : PyObject_GetAttrString(mapping, "update_mapping");
    PyErr_Clear();
    // Another module's start-up on another thread may have got there meanwhile.
    if (s_wrongArgumentsHandler || !found) {
        Py_XDECREF(found);
        Py_XDECREF(learn);
    } else {
        s_wrongArgumentsHandler = found;
        s_learnModules = learn;
    }
}

void raiseWrongArguments(PyObject* args, const CallSite& site)
{
    PyObject* handler = s_wrongArgumentsHandler;
    if (s_learnModules) {
        Py_XDECREF(PyObject_CallNoArgs(s_learnModules));
        PyErr_Clear();
    }
    PyObject* given = args ? (Py_INCREF(args), args) : PyTuple_New(0);
    PyObject* outcome =
        handler ? PyObject_CallFunction(handler, "(OsO)", given, site.qualifiedName.c_str(), Py_None) : nullptr;
    Py_DECREF(given);
    PyObject* text = nullptr;
    if (outcome && PyTuple_Check(outcome) && PyTuple_GET_SIZE(outcome) == 2) {
        PyObject* errorClass = PyTuple_GET_ITEM(outcome, 0);
        // The runtime finds its signature texts by evaluating the qualified
        // name, which fails for getters and setters folded into properties.
        if (errorClass == PyExc_TypeError || errorClass == PyExc_ValueError)
            text = PyTuple_GET_ITEM(outcome, 1);
    }
    PyErr_Clear();
    if (text) {
        // Always a TypeError, whatever the runtime guessed about the values.
        PyErr_SetObject(PyExc_TypeError, text);
    } else {
        raiseWrongArgumentsByTypes(args, site);
    }
    Py_XDECREF(outcome);
}

void raiseArgumentCount(const CallSite& site, int least, Py_ssize_t given)
{
    char text[256];
    std::snprintf(text, sizeof text, "%s(): takes at least %d arguments (%d given)", site.qualifiedName.c_str(), least,
                  int(given));
    PyErr_SetString(PyExc_TypeError, text);
}

void raiseRepeatedKeyword(const CallSite& site, const char* name)
{
    PyErr_Format(PyExc_TypeError, "%s(): got multiple values for keyword argument '%s'.", site.qualifiedName.c_str(),
                 name);
}

bool unpackPositional(PyObject* args, const char* name, Py_ssize_t least, Py_ssize_t most, PyObject** out)
{
    // PyArg_UnpackTuple takes its outputs one by one; most bound functions
    // have few parameters, so spell out the counts that occur.
    PyObject** o = out;
    switch (most) {
    case 0: return PyArg_UnpackTuple(args, name, least, most);
    case 1: return PyArg_UnpackTuple(args, name, least, most, &o[0]);
    case 2: return PyArg_UnpackTuple(args, name, least, most, &o[0], &o[1]);
    case 3: return PyArg_UnpackTuple(args, name, least, most, &o[0], &o[1], &o[2]);
    case 4: return PyArg_UnpackTuple(args, name, least, most, &o[0], &o[1], &o[2], &o[3]);
    case 5: return PyArg_UnpackTuple(args, name, least, most, &o[0], &o[1], &o[2], &o[3], &o[4]);
    case 6: return PyArg_UnpackTuple(args, name, least, most, &o[0], &o[1], &o[2], &o[3], &o[4], &o[5]);
    case 7: return PyArg_UnpackTuple(args, name, least, most, &o[0], &o[1], &o[2], &o[3], &o[4], &o[5], &o[6]);
    case 8:
        return PyArg_UnpackTuple(args, name, least, most, &o[0], &o[1], &o[2], &o[3], &o[4], &o[5], &o[6], &o[7]);
    default: break;
    }
    // Beyond eight parameters the same checks, read directly.
    const Py_ssize_t count = PyTuple_GET_SIZE(args);
    if (count < least || count > most) {
        PyErr_Format(PyExc_TypeError, "%s expected %s%zd argument%s, got %zd", name,
                     count < least ? "at least " : "at most ", count < least ? least : most,
                     (count < least ? least : most) == 1 ? "" : "s", count);
        return false;
    }
    for (Py_ssize_t i = 0; i < count; ++i)
        out[i] = PyTuple_GET_ITEM(args, i);
    return true;
}

// --- FunctionBase ------------------------------------------------------------------

void FunctionBase::setShape(const Shape& shape)
{
    m_most = shape.most;
    m_least = shape.least;
    m_wrongCountIsWrongArguments = shape.wrongCountIsWrongArguments;
    m_ignoresArguments = shape.ignoresArguments;
    if (m_most == 0)
        m_convention = Convention::NoArguments;
    else if (shape.defaults)
        m_convention = Convention::PositionalAndKeywords;
    else if (shape.overloads == 1 && m_most == 1)
        m_convention = Convention::OneArgument;
    else
        m_convention = Convention::Positional;
}

PyObject* FunctionBase::callNoArguments(PyObject* self) const
{
    Arguments a;
    return call(self, a);
}

PyObject* FunctionBase::callOneArgument(PyObject* self, PyObject* argument) const
{
    Arguments a;
    a.args = argument;
    a.count = 1;
    a.given[0] = argument;
    return call(self, a);
}

void FunctionBase::clearMissing(Arguments& a) const
{
    a.size = m_most;
    for (Py_ssize_t i = a.count; i < m_most; ++i)
        a.given[i] = nullptr;
}

PyObject* FunctionBase::callWithArguments(PyObject* self, PyObject* args, PyObject* keywords) const
{
    if (m_withSelf && !Shiboken::Object::isValid(reinterpret_cast<SbkObject*>(self), true))
        return nullptr;
    Arguments a;
    if (!collect(args, keywords, true, a))
        return nullptr;
    return call(self, a);
}

void* FunctionBase::construct(PyObject* args, PyObject* keywords, bool countMost, const AdoptNew& adopt) const
{
    static PyObject* const nothing = PyTuple_New(0);
    if (m_ignoresArguments) {
        args = nothing;
        keywords = nullptr;
    }
    Arguments a;
    if (!collect(args, keywords, countMost, a))
        return nullptr;
    clearMissing(a);
    try {
        return dispatchConstruct(a, adopt);
    } catch (...) {
        detail::raiseCaught(m_site.module);
        return nullptr;
    }
}

bool FunctionBase::collect(PyObject* args, PyObject* keywords, bool countMost, Arguments& a) const
{
    a.args = args;
    a.count = PyTuple_GET_SIZE(args);
    if (m_convention != Convention::PositionalAndKeywords) { // keywords are ignored
        if (m_wrongCountIsWrongArguments && (a.count < m_least || a.count > m_most)) {
            raiseWrongArguments(args, m_site);
            return false;
        }
        return unpackPositional(args, m_site.shortName.c_str(), m_least, m_most, a.given);
    }
    const Py_ssize_t keywordCount = keywords ? PyDict_Size(keywords) : 0;
    // Too many before too few.
    if (countMost && a.count + keywordCount > m_most) {
        raiseArgumentCount(m_site, m_least, a.count + keywordCount);
        return false;
    }
    if (a.count < m_least) {
        raiseArgumentCount(m_site, m_least, a.count);
        return false;
    }
    if (!unpackPositional(args, m_site.shortName.c_str(), 0, m_most, a.given))
        return false;
    a.keywords = keywords;
    return true;
}

PyObject* FunctionBase::call(PyObject* self, Arguments& a) const
{
    // The object a method is called on is always of its bound type.
    if (m_withSelf && !Shiboken::Object::isValid(reinterpret_cast<SbkObject*>(self), true))
        return nullptr;
    if (PyErr_Occurred())
        return nullptr;
    clearMissing(a);
    // Conversions of arguments and results throw too (out of memory).
    try {
        return dispatch(self, a);
    } catch (...) {
        detail::raiseCaught(m_site.module);
        return nullptr;
    }
}

void FunctionBase::appendSignatureLines(std::vector<std::string>& lines) const
{
    auto texts = overloadTexts();
    // Numbered lines count down to 0, in the order the declaration gives.
    std::stable_sort(texts.begin(), texts.end(),
                     [](const OverloadText& a, const OverloadText& b) { return a.line > b.line; });
    int number = int(texts.size()) - 1;
    for (const OverloadText& overloadText : texts) {
        std::string line;
        if (texts.size() > 1) // overloads are numbered, counting down to 0
            line = std::to_string(number--) + ":";
        line += m_site.qualifiedName + "(";
        bool first = true;
        for (const ParameterText& parameter : overloadText.parameters) {
            if (!first)
                line += ",";
            first = false;
            line += parameter.name + ":" + parameter.type;
            if (!parameter.fallback.empty())
                line += "=" + parameter.fallback;
        }
        line += ")";
        if (!overloadText.result.empty())
            line += "->" + overloadText.result;
        lines.push_back(line);
    }
}

// --- Trampolines ----------------------------------------------------------------------
// Python's method tables hold plain C functions, without room for the
// function object they serve. Each convention has a fixed set of entry
// points, each bound at start-up to one function object.

namespace {

constexpr int trampolineCount = 1024;

struct Registry
{
    const FunctionBase* functions[4][trampolineCount] = {};
    int used[4] = {};
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

template <int I>
PyObject* noArgumentsEntry(PyObject* self, PyObject*)
{
    return registry().functions[0][I]->callNoArguments(self);
}
template <int I>
PyObject* oneArgumentEntry(PyObject* self, PyObject* argument)
{
    return registry().functions[1][I]->callOneArgument(self, argument);
}
template <int I>
PyObject* argumentsEntry(PyObject* self, PyObject* args)
{
    return registry().functions[2][I]->callWithArguments(self, args, nullptr);
}
template <int I>
PyObject* keywordsEntry(PyObject* self, PyObject* args, PyObject* keywords)
{
    return registry().functions[3][I]->callWithArguments(self, args, keywords);
}

// Python's method table stores every entry point as PyCFunction; the real
// signature follows from the calling-convention flags.
template <typename Entry>
PyCFunction asMethodEntry(Entry entry)
{
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(entry));
}

template <std::size_t... I>
std::array<std::array<PyCFunction, trampolineCount>, 4> makeEntries(std::index_sequence<I...>)
{
    return {{{asMethodEntry(&noArgumentsEntry<int(I)>)...},
             {asMethodEntry(&oneArgumentEntry<int(I)>)...},
             {asMethodEntry(&argumentsEntry<int(I)>)...},
             {asMethodEntry(&keywordsEntry<int(I)>)...}}};
}

const std::array<std::array<PyCFunction, trampolineCount>, 4>& entries()
{
    static const auto table = makeEntries(std::make_index_sequence<trampolineCount>());
    return table;
}

} // namespace

PyMethodDef FunctionBase::methodDef(int extraFlags) const
{
    static const int flags[] = {METH_NOARGS, METH_O, METH_VARARGS, METH_VARARGS | METH_KEYWORDS};
    const int convention = int(m_convention);
    Registry& r = registry();
    const int index = r.used[convention]++;
    if (index >= trampolineCount)
        Py_FatalError("the binding frame has more functions of one calling convention than entry points");
    r.functions[convention][index] = this;
    return {m_site.shortName.c_str(), entries()[std::size_t(convention)][std::size_t(index)],
            flags[convention] | extraFlags, nullptr};
}

} // namespace Binding
