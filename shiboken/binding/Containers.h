#pragma once

// Conversions of containers and pairs, element by element through the conversions of
// their element types. A module registers each under its native notation
// ("QList<QVariant>", "const QVector<View>&"...) with registerConversion.

#include "Conversions.h"

#include <QMap>
#include <QPair>
#include <QVariant>
#include <QVector>

namespace Binding {

namespace detail {
template <typename T>
bool elementConverts(PyObject* item)
{
    return item && Arg<T>::check(item) != nullptr;
}

template <typename T>
bool convertElement(PyObject* item, T& out)
{
    Arg<T> element;
    PythonToCppFunc toCpp = Arg<T>::check(item);
    if (!toCpp) {
        // It converted when the container was tested: Python code run by an
        // earlier item's conversion has changed the container since.
        if (!PyErr_Occurred())
            PyErr_SetString(PyExc_TypeError, "a container changed while it was being converted");
        return false;
    }
    if (!element.convert(toCpp, item))
        return false;
    out = element.get();
    return !PyErr_Occurred();
}
} // namespace detail

// QList, QVector and the like: a Python list out; any sequence whose items
// all convert in (a string too, as the sequence of its characters).
template <typename Container>
struct SequenceConversion
{
    using Element = typename Container::value_type;

    static PyObject* toPython(const void* in)
    {
        const auto& container = *static_cast<const Container*>(in);
        PyObject* list = PyList_New(Py_ssize_t(container.size()));
        Py_ssize_t index = 0;
        for (auto it = container.cbegin(); list && it != container.cend(); ++it) {
            PyObject* item = Binding::toPython(*it);
            if (!item)
                Py_CLEAR(list);
            else
                PyList_SET_ITEM(list, index++, item);
        }
        return list;
    }

    static void toCpp(PyObject* in, void* out)
    {
        auto& container = *static_cast<Container*>(out);
        container.clear();
        const Py_ssize_t size = PySequence_Size(in);
        for (Py_ssize_t i = 0; i < size; ++i) {
            Shiboken::AutoDecRef item(PySequence_GetItem(in, i));
            Element element{};
            if (item.isNull() || !detail::convertElement(item.object(), element))
                return;
            container.append(element);
        }
    }

    // A sequence longer than the container can hold converts to a MemoryError.
    static void raiseTooLong(PyObject* in, void*)
    {
        PyErr_Format(PyExc_MemoryError, "a sequence of %zd items is too long to convert", PySequence_Size(in));
    }

    static PythonToCppFunc isConvertible(PyObject* in)
    {
        if (!PySequence_Check(in))
            return nullptr;
        const Py_ssize_t size = PySequence_Size(in);
        if (size < 0) {
            PyErr_Clear();
            return nullptr;
        }
        if (size > qtContainerCapacity(sizeof(Element)))
            return &raiseTooLong;
        for (Py_ssize_t i = 0; i < size; ++i) {
            Shiboken::AutoDecRef item(PySequence_GetItem(in, i));
            if (!detail::elementConverts<Element>(item.object())) {
                PyErr_Clear();
                return nullptr;
            }
        }
        return &toCpp;
    }
};

// QMap and QHash: a Python dict out, in the map's key order; only a dict in,
// whose keys and values all convert (a later equal key replaces an earlier one).
template <typename Map>
struct MappingConversion
{
    using Key = typename Map::key_type;
    using Value = typename Map::mapped_type;

    static PyObject* toPython(const void* in)
    {
        const auto& map = *static_cast<const Map*>(in);
        PyObject* dict = PyDict_New();
        for (auto it = map.cbegin(); dict && it != map.cend(); ++it) {
            Shiboken::AutoDecRef key(Binding::toPython(it.key()));
            Shiboken::AutoDecRef value(Binding::toPython(it.value()));
            if (key.isNull() || value.isNull() || PyDict_SetItem(dict, key, value) < 0)
                Py_CLEAR(dict);
        }
        return dict;
    }

    static void toCpp(PyObject* in, void* out)
    {
        auto& map = *static_cast<Map*>(out);
        map.clear();
        PyObject* key = nullptr;
        PyObject* value = nullptr;
        Py_ssize_t position = 0;
        while (PyDict_Next(in, &position, &key, &value)) {
            Key cppKey{};
            Value cppValue{};
            if (!detail::convertElement(key, cppKey) || !detail::convertElement(value, cppValue))
                return;
            map.insert(cppKey, cppValue);
        }
    }

    static PythonToCppFunc isConvertible(PyObject* in)
    {
        if (!PyDict_Check(in))
            return nullptr;
        PyObject* key = nullptr;
        PyObject* value = nullptr;
        Py_ssize_t position = 0;
        while (PyDict_Next(in, &position, &key, &value)) {
            if (!detail::elementConverts<Key>(key) || !detail::elementConverts<Value>(value))
                return nullptr;
        }
        return &toCpp;
    }
};

// QPair: a two-item tuple out; a list or tuple of exactly two items in,
// each converting to its own type.
template <typename Pair>
struct PairConversion
{
    using First = typename Pair::first_type;
    using Second = typename Pair::second_type;

    static PyObject* toPython(const void* in)
    {
        const auto& pair = *static_cast<const Pair*>(in);
        PyObject* first = Binding::toPython(pair.first);
        PyObject* second = first ? Binding::toPython(pair.second) : nullptr;
        PyObject* tuple = second ? PyTuple_Pack(2, first, second) : nullptr;
        Py_XDECREF(first);
        Py_XDECREF(second);
        return tuple;
    }

    static void toCpp(PyObject* in, void* out)
    {
        // Items are fetched anew: converting the first may run Python code.
        Pair pair;
        Shiboken::AutoDecRef first(PySequence_GetItem(in, 0));
        if (first.isNull() || !detail::convertElement(first.object(), pair.first))
            return;
        Shiboken::AutoDecRef second(PySequence_GetItem(in, 1));
        if (second.isNull() || !detail::convertElement(second.object(), pair.second))
            return;
        *static_cast<Pair*>(out) = pair;
    }

    static PythonToCppFunc isConvertible(PyObject* in)
    {
        if (!(PyList_Check(in) || PyTuple_Check(in)) || PySequence_Fast_GET_SIZE(in) != 2)
            return nullptr;
        if (!detail::elementConverts<First>(PySequence_Fast_GET_ITEM(in, 0))
            || !detail::elementConverts<Second>(PySequence_Fast_GET_ITEM(in, 1)))
            return nullptr;
        return &toCpp;
    }
};

} // namespace Binding

namespace Binding {
using VariantMap = QMap<QString, QVariant>;
} // namespace Binding

// Containers that several modules convert, by the names under which each
// module that needs one registers its own copy of the conversion.
BINDING_CONVERTER_NAME(Binding::VariantMap, "QMap<QString,QVariant>");
BINDING_LIST_CONVERTER_NAME(QVector<QString>, "QVector<QString>");
