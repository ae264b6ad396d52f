// The value and container conversions that plinx.project registers.

#include "plinx_project_python.h"

#include <QCoreApplication>

using namespace Binding;

namespace {

// --- Color: a three-item list or tuple of components between 0.0 and 1.0 ---

PyObject* colorToPython(const void* in)
{
    const auto& color = *static_cast<const Bsc::Colour3<float>*>(in);
    return Py_BuildValue("(fff)", color.r, color.g, color.b);
}

void colorToCpp(PyObject* in, void* out)
{
    float components[3];
    for (Py_ssize_t i = 0; i < 3; ++i) {
        Shiboken::AutoDecRef item(PySequence_GetItem(in, i));
        const double value = item.isNull() ? -1.0 : PyFloat_AsDouble(item);
        if (PyErr_Occurred())
            return;
        components[i] = float(value);
    }
    static const char* const messages[] = {
        QT_TRANSLATE_NOOP("py_color_conversion_error", "Red value '%1' must be between 0.0 and 1.0 values"),
        QT_TRANSLATE_NOOP("py_color_conversion_error", "Green value '%1' must be between 0.0 and 1.0 values"),
        QT_TRANSLATE_NOOP("py_color_conversion_error", "Blue value '%1' must be between 0.0 and 1.0 values"),
    };
    for (int i = 0; i < 3; ++i) {
        if (!(components[i] >= 0.0f && components[i] <= 1.0f)) { // NaN too
            const QString text = QCoreApplication::translate("py_color_conversion_error", messages[i])
                                     .arg(double(components[i]), 0, 'g');
            PyErr_SetString(PyExc_OverflowError, text.toUtf8().constData());
            return;
        }
    }
    *static_cast<Bsc::Colour3<float>*>(out) = Bsc::Colour3<float>(components[0], components[1], components[2]);
}

PythonToCppFunc isColorConvertible(PyObject* in)
{
    if ((PyList_Check(in) || PyTuple_Check(in)) && PySequence_Size(in) == 3)
        return &colorToCpp;
    return nullptr;
}

// --- Optional values: the value, or None for none ---

template <typename T>
void noneToOptional(PyObject*, void* out)
{
    *static_cast<boost::optional<T>*>(out) = boost::none;
}

template <typename T>
PythonToCppFunc isNoneForOptional(PyObject* in)
{
    return in == Py_None ? &noneToOptional<T> : nullptr;
}

template <typename T>
PyObject* optionalToPython(const void* in)
{
    const auto& value = *static_cast<const boost::optional<T>*>(in);
    if (!value)
        Py_RETURN_NONE;
    return toPython(*value);
}

// OptionalFloat: a float (or a subclass), not an int, narrowed to single precision.
void floatToOptional(PyObject* in, void* out)
{
    *static_cast<boost::optional<float>*>(out) = float(PyFloat_AS_DOUBLE(in));
}

PythonToCppFunc isFloatForOptional(PyObject* in)
{
    return PyFloat_Check(in) ? &floatToOptional : nullptr;
}

// OptionalInterlaceMode: a member of InterlaceMode, not an int.
void interlaceModeToOptional(PyObject* in, void* out)
{
    *static_cast<boost::optional<InterlaceMode>*>(out) = InterlaceMode(Shiboken::Enum::getValue(in));
}

PythonToCppFunc isInterlaceModeForOptional(PyObject* in)
{
    return PyObject_TypeCheck(in, pyType<InterlaceMode>()) ? &interlaceModeToOptional : nullptr;
}

// Registers a container or pair conversion in its slot.
template <typename Container, template <typename> class Kind>
void registerContainer(plinx_project::Converter slot, PyTypeObject* pythonType)
{
    using C = Kind<Container>;
    registerConversion(plinx_project::module, slot, pythonType, &C::toPython, {{&C::toCpp, &C::isConvertible}});
}

} // namespace

void registerProjectConversions()
{
    using plinx_project::Converter;
    registerConversion(plinx_project::module, Converter::OptionalFloat, &PyFloat_Type, &optionalToPython<float>,
                       {{&floatToOptional, &isFloatForOptional},
                        {&noneToOptional<float>, &isNoneForOptional<float>}});
    registerConversion(plinx_project::module, Converter::Color, &PyTuple_Type, &colorToPython,
                       {{&colorToCpp, &isColorConvertible}});
    registerConversion(plinx_project::module, Converter::OptionalInterlaceMode, pyType<InterlaceMode>(),
                       &optionalToPython<InterlaceMode>,
                       {{&interlaceModeToOptional, &isInterlaceModeForOptional},
                        {&noneToOptional<InterlaceMode>, &isNoneForOptional<InterlaceMode>}});
    registerContainer<QVector<View>, SequenceConversion>(Converter::ViewVector, &PyList_Type);
    registerContainer<plinx_project::UIntPair, PairConversion>(Converter::UIntPair, &PyTuple_Type);
    registerContainer<plinx_project::ViewMap, MappingConversion>(Converter::ViewMap, &PyDict_Type);
    registerContainer<plinx_project::ClipHash, MappingConversion>(Converter::ClipHash, &PyDict_Type);
    registerContainer<QVector<ViewInfo>, SequenceConversion>(Converter::ViewInfoVector, &PyList_Type);
}
