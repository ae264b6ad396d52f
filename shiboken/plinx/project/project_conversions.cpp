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
    registerConversion(plinx_project::module, Converter::Color, &PyTuple_Type, &colorToPython,
                       {{&colorToCpp, &isColorConvertible}});
    registerContainer<QVector<View>, SequenceConversion>(Converter::ViewVector, &PyList_Type);
    registerContainer<plinx_project::UIntPair, PairConversion>(Converter::UIntPair, &PyTuple_Type);
    registerContainer<plinx_project::ViewMap, MappingConversion>(Converter::ViewMap, &PyDict_Type);
    registerContainer<plinx_project::ClipHash, MappingConversion>(Converter::ClipHash, &PyDict_Type);
    registerContainer<QVector<ViewInfo>, SequenceConversion>(Converter::ViewInfoVector, &PyList_Type);
}
