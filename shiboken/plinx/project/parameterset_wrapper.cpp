// plinx.project.ParameterSet: a script's handle on one parameter set, named
// by its path below a root set; set[name] and set[[names...]] reach the
// subsets and parameters below it.

#include "plinx_project_python.h"

#include <algorithm>
#include <optional>

using namespace Binding;

namespace {

class ParameterSetWrapper : public Wrapper<ParameterSet>
{
public:
    using Wrapper::Wrapper;
    bool isNull() const override { return route("isNull", false, [&] { return ParameterSet::isNull(); }); }
};

// The names a key stands for: a text is one name, a list or tuple of texts
// one name per item. Nothing for any other key.
template <typename T>
std::optional<T> converted(PyObject* key)
{
    PythonToCppFunc toCpp = Arg<T>::check(key);
    Arg<T> value;
    if (!toCpp || !value.convert(toCpp, key)) {
        PyErr_Clear();
        return std::nullopt;
    }
    return value.get();
}

std::optional<QStringList> namesOfKey(PyObject* key)
{
    if (PyUnicode_Check(key)) {
        if (const std::optional<QString> name = converted<QString>(key))
            return QStringList(*name);
        return std::nullopt;
    }
    if (!PyList_Check(key) && !PyTuple_Check(key))
        return std::nullopt;
    // Every item a text: the list conversion would make other items empty names.
    for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(key); ++i) {
        if (!PyUnicode_Check(PySequence_Fast_GET_ITEM(key, i)))
            return std::nullopt;
    }
    const std::optional<QStringList> names = converted<QStringList>(key);
    if (!names || names->size() != PySequence_Fast_GET_SIZE(key))
        return std::nullopt;
    return names;
}

PyObject* raiseKeyError(PyObject* key)
{
    // Wrapped in a tuple: a tuple key is the error's one argument, not its arguments.
    PyObject* arguments = PyTuple_Pack(1, key);
    if (arguments) {
        PyErr_SetObject(PyExc_KeyError, arguments);
        Py_DECREF(arguments);
    }
    return nullptr;
}

// What a walk down the names found: a set, a parameter, or nothing.
struct Found
{
    std::optional<ParameterSet> set;
    std::optional<Parameter> parameter;
};

// Descends through the subsets named, first match by script name; a last
// name that is no subset may name a parameter. A subset hides a parameter of
// the same name.
Found walk(const ParameterSet& start, const QStringList& names)
{
    ParameterSet current = start;
    int consumed = 0;
    for (const QString& name : names) {
        const QVector<ParameterSet> subsets = current.get_subsets();
        auto match = std::find_if(subsets.cbegin(), subsets.cend(), [&](const ParameterSet& subset) {
            return subset.get_name_components().last() == name;
        });
        if (match == subsets.cend())
            break;
        current = *match;
        ++consumed;
    }
    Found found;
    if (consumed == names.size()) {
        found.set = current;
    } else if (consumed == names.size() - 1) {
        const QVector<Parameter> parameters = current.get_parameters();
        auto match = std::find_if(parameters.cbegin(), parameters.cend(), [&](const Parameter& parameter) {
            return parameter.get_name_components().last() == names.last();
        });
        if (match != parameters.cend())
            found.parameter = *match;
    }
    return found;
}

// set[key]: the names are read and the result made with the interpreter
// lock held; the walk through the core runs without it.
PyObject* subscript(const ParameterSet& set, PyObject* key)
{
    const std::optional<QStringList> names = namesOfKey(key);
    if (!names)
        return raiseKeyError(key);
    Found found;
    if (!Binding::detail::callWithoutLock(plinx_project::module, [&] { found = walk(set, *names); }))
        return nullptr;
    if (found.set)
        return toPython(*found.set);
    if (found.parameter)
        return toPython(*found.parameter);
    return raiseKeyError(key);
}

} // namespace

void init_ParameterSet(PyObject* module)
{
    ValueClass<ParameterSet, ParameterSetWrapper> type(module);
    type.constructor(init<const ParameterSet&>("ParameterSet", wrongCountIsWrongArguments));
    type.method("isNull", &ParameterSet::isNull);
    type.property("name_components", &ParameterSet::get_name_components);
    type.property("parameters", &ParameterSet::get_parameters);
    type.property("subsets", &ParameterSet::get_subsets);
    type.property("keyframes", &ParameterSet::get_keyframes);
    type.property("display_name", &ParameterSet::get_display_name);
    type.property("script_name", &ParameterSet::get_script_name);
    type.subscript(&subscript);
    type.truth([](const ParameterSet& set) { return !set.isNull(); });
    type.hash();
    type.compare<Equal | NotEqual>();
    type.introduce();
}
