// The value and container conversions that plinx.project registers.

#include "plinx_project_python.h"

#include <QCoreApplication>
#include <QMetaType>

#include <boost/optional.hpp>

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

// --- OptionalBool, OptionalFloat, OptionalPoint, OptionalInterlaceMode: a value or None ---

PyObject* valueToPython(bool value)
{
    return PyBool_FromLong(value);
}
PyObject* valueToPython(float value)
{
    return PyFloat_FromDouble(double(value));
}
PyObject* valueToPython(const QPointF& point)
{
    return Py_BuildValue("(dd)", point.x(), point.y());
}

PyObject* valueToPython(InterlaceMode value)
{
    return toPython(value);
}

template <typename T>
PyObject* optionalToPython(const void* in)
{
    const auto& value = *static_cast<const boost::optional<T>*>(in);
    if (!value)
        Py_RETURN_NONE;
    return valueToPython(*value);
}

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

// Exactly a bool: the int 1 is no flag.
void boolToOptional(PyObject* in, void* out)
{
    *static_cast<boost::optional<bool>*>(out) = in == Py_True;
}

PythonToCppFunc isBoolForOptional(PyObject* in)
{
    return PyBool_Check(in) ? &boolToOptional : nullptr;
}

// A float or a float subclass: ints are refused.
void floatToOptional(PyObject* in, void* out)
{
    *static_cast<boost::optional<float>*>(out) = float(PyFloat_AsDouble(in));
}

PythonToCppFunc isFloatForOptional(PyObject* in)
{
    return PyFloat_Check(in) ? &floatToOptional : nullptr;
}

// A tuple of at least two items whose first two are numbers; a shorter
// tuple is no point.
void tupleToOptionalPoint(PyObject* in, void* out)
{
    const double x = PyFloat_AsDouble(PyTuple_GET_ITEM(in, 0));
    if (PyErr_Occurred())
        return;
    const double y = PyFloat_AsDouble(PyTuple_GET_ITEM(in, 1));
    if (PyErr_Occurred())
        return;
    *static_cast<boost::optional<QPointF>*>(out) = QPointF(x, y);
}

PythonToCppFunc isTupleForOptionalPoint(PyObject* in)
{
    return PyTuple_Check(in) && PyTuple_GET_SIZE(in) >= 2 ? &tupleToOptionalPoint : nullptr;
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

// --- Bsc::FSPercentEscapedString: a path, from str, bytes (UTF-8) or None ---

PyObject* pathToPython(const void* in)
{
    return toPython(static_cast<const Bsc::FSPercentEscapedString*>(in)->text());
}

void pathFromText(PyObject* in, void* out)
{
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(in, &size);
    if (!text)
        return;
    *static_cast<Bsc::FSPercentEscapedString*>(out) =
        Bsc::FSPercentEscapedString(QString::fromUtf8(text, int(size)), 0);
}

void pathFromBytes(PyObject* in, void* out)
{
    *static_cast<Bsc::FSPercentEscapedString*>(out) = Bsc::FSPercentEscapedString(
        QString::fromUtf8(PyBytes_AS_STRING(in), int(PyBytes_GET_SIZE(in))), 0);
}

void pathFromNone(PyObject*, void* out)
{
    *static_cast<Bsc::FSPercentEscapedString*>(out) = Bsc::FSPercentEscapedString();
}

PythonToCppFunc isPathFromText(PyObject* in)
{
    return PyUnicode_Check(in) ? &pathFromText : nullptr;
}

PythonToCppFunc isPathFromBytes(PyObject* in)
{
    return PyBytes_Check(in) ? &pathFromBytes : nullptr;
}

PythonToCppFunc isPathFromNone(PyObject* in)
{
    return in == Py_None ? &pathFromNone : nullptr;
}

// --- Enumerations of the core inside variants: plain ints ---

// The core's enumerations that parameters hold, by the names Qt's meta-type
// system knows them by.
constexpr const char* variantEnumerations[] = {
    "TQ_CONTOUR_TYPE",  "TQ_STEREO_MODE", "TQ_CLIP_MODE",      "TQ_REMOVESOURCE_MODE", "TQ_ILLUMINATION_MODEL",
    "TQ_BlendMode",     "TQ_LUMINANCE_MODEL", "TQ_FILL_ALGORITHM", "TQ_INTERLACE_MODE", "TrackModel",
};

PyObject* enumerationToPython(const void* in)
{
    return PyLong_FromUnsignedLong(*static_cast<const quint32*>(in));
}

void enumerationFromInt(PyObject* in, void* out)
{
    const unsigned long value = PyLong_AsUnsignedLongMask(in); // the low 32 bits
    if (!PyErr_Occurred())
        *static_cast<quint32*>(out) = quint32(value);
}

PythonToCppFunc isEnumerationFromInt(PyObject* in)
{
    return PyLong_Check(in) ? &enumerationFromInt : nullptr;
}

// Declares an enumeration that Qt does not know yet as Qt declares one of 4
// bytes, so that the core's own declaration of it later agrees.
void declareEnumerationMetaType(const char* name)
{
    if (QMetaType::type(name) != QMetaType::UnknownType)
        return;
    using Helper = QtMetaTypePrivate::QMetaTypeFunctionHelper<quint32>;
    QMetaType::registerNormalizedType(QByteArray(name), &Helper::Destruct, &Helper::Construct, int(sizeof(quint32)),
                                      QMetaType::MovableType | QMetaType::IsEnumeration, nullptr);
}

// --- OptionalLayer: a Layer or None ---

PyObject* optionalLayerToPython(const void* in)
{
    const auto& layer = *static_cast<const boost::optional<Layer>*>(in);
    if (!layer)
        Py_RETURN_NONE;
    return Binding::toPython(*layer);
}

void layerToOptional(PyObject* in, void* out)
{
    *static_cast<boost::optional<Layer>*>(out) = *cppPointer<Layer>(in);
}

void noneToOptionalLayer(PyObject*, void* out)
{
    *static_cast<boost::optional<Layer>*>(out) = boost::none;
}

PythonToCppFunc isLayerForOptional(PyObject* in)
{
    return PyObject_TypeCheck(in, pyType<Layer>()) && Shiboken::Object::isValid(in, false) ? &layerToOptional
                                                                                            : nullptr;
}

PythonToCppFunc isNoneForOptionalLayer(PyObject* in)
{
    return in == Py_None ? &noneToOptionalLayer : nullptr;
}

// --- Gan_Matrix33: a tuple of three rows of three numbers ---

PyObject* matrixToPython(const void* in)
{
    const auto& m = *static_cast<const Gan_Matrix33*>(in);
    return Py_BuildValue("((ddd)(ddd)(ddd))", m.xx, m.xy, m.xz, m.yx, m.yy, m.yz, m.zx, m.zy, m.zz);
}

void matrixToCpp(PyObject* in, void* out)
{
    double values[9];
    for (Py_ssize_t row = 0; row < 3; ++row) {
        PyObject* items = PyTuple_GET_ITEM(in, row);
        if (!PyTuple_Check(items) || PyTuple_GET_SIZE(items) != 3) {
            PyErr_SetString(PyExc_TypeError, "a row of a matrix is a tuple of three numbers");
            return;
        }
        for (Py_ssize_t column = 0; column < 3; ++column) {
            values[row * 3 + column] = PyFloat_AsDouble(PyTuple_GET_ITEM(items, column));
            if (PyErr_Occurred())
                return;
        }
    }
    auto& m = *static_cast<Gan_Matrix33*>(out);
    m = Gan_Matrix33{values[0], values[1], values[2], values[3], values[4], values[5], values[6], values[7], values[8]};
}

PythonToCppFunc isMatrixConvertible(PyObject* in)
{
    return PyTuple_Check(in) && PyTuple_GET_SIZE(in) == 3 ? &matrixToCpp : nullptr;
}

// An evaluation context goes to Python only, as (view, time).
PyObject* contextToPython(const void* in)
{
    const auto& context = *static_cast<const Prm::Context*>(in);
    return Py_BuildValue("(ld)", long(context.view.id()), context.time.value());
}

} // namespace

void registerProjectConversions()
{
    using plinx_project::Converter;
    const Module& m = plinx_project::module;
    registerConversion(m, Converter::PercentEscapedString, &PyUnicode_Type, &pathToPython,
                       {{&pathFromText, &isPathFromText}, {&pathFromBytes, &isPathFromBytes},
                        {&pathFromNone, &isPathFromNone}});
    registerConversion(m, Converter::OptionalPoint, &PyTuple_Type, &optionalToPython<QPointF>,
                       {{&tupleToOptionalPoint, &isTupleForOptionalPoint},
                        {&noneToOptional<QPointF>, &isNoneForOptional<QPointF>}});
    registerConversion(m, Converter::OptionalBool, &PyBool_Type, &optionalToPython<bool>,
                       {{&boolToOptional, &isBoolForOptional}, {&noneToOptional<bool>, &isNoneForOptional<bool>}});
    registerConversion(m, Converter::OptionalFloat, &PyFloat_Type, &optionalToPython<float>,
                       {{&floatToOptional, &isFloatForOptional}, {&noneToOptional<float>, &isNoneForOptional<float>}});
    registerConversion(m, Converter::Context, &PyTuple_Type, &contextToPython, {});
    registerConversion(m, Converter::OptionalLayer, pyType<Layer>(), &optionalLayerToPython,
                       {{&layerToOptional, &isLayerForOptional}, {&noneToOptionalLayer, &isNoneForOptionalLayer}});
    registerConversion(m, Converter::Color, &PyTuple_Type, &colorToPython,
                       {{&colorToCpp, &isColorConvertible}});
    registerConversion(m, Converter::OptionalInterlaceMode, pyType<InterlaceMode>(),
                       &optionalToPython<InterlaceMode>,
                       {{&interlaceModeToOptional, &isInterlaceModeForOptional},
                        {&noneToOptional<InterlaceMode>, &isNoneForOptional<InterlaceMode>}});
    registerConversion(m, Converter::Matrix33, &PyTuple_Type, &matrixToPython,
                       {{&matrixToCpp, &isMatrixConvertible}});
    registerContainerConversion<QVector<Layer>, SequenceConversion>(m, Converter::LayerList, &PyList_Type);
    registerContainerConversion<plinx_project::Keyframe, PairConversion>(m, Converter::Keyframe, &PyTuple_Type);
    registerContainerConversion<QVector<plinx_project::Keyframe>, SequenceConversion>(m, Converter::KeyframeVector,
                                                                                      &PyList_Type);
    registerContainerConversion<QVector<Parameter>, SequenceConversion>(m, Converter::ParameterVector, &PyList_Type);
    registerContainerConversion<QVector<ParameterSet>, SequenceConversion>(m, Converter::ParameterSetVector,
                                                                           &PyList_Type);
    registerContainerConversion<QVector<BezierControlPointData>, SequenceConversion>(m, Converter::BezierDataList,
                                                                                     &PyList_Type);
    registerContainerConversion<QVector<XControlPointData>, SequenceConversion>(m, Converter::XDataList, &PyList_Type);
    registerContainerConversion<QList<float>, SequenceConversion>(m, Converter::FloatList, &PyList_Type);
    registerContainerConversion<QVector<XControlPoint>, SequenceConversion>(m, Converter::XPointList, &PyList_Type);
    registerContainerConversion<QVector<BezierControlPoint>, SequenceConversion>(m, Converter::BezierPointList,
                                                                                 &PyList_Type);
    registerContainerConversion<QList<QObject*>, SequenceConversion>(m, Converter::ObjectList, &PyList_Type);
    registerContainerConversion<QList<QByteArray>, SequenceConversion>(m, Converter::ByteArrayList, &PyList_Type);
    registerContainerConversion<QVector<View>, SequenceConversion>(m, Converter::ViewVector, &PyList_Type);
    registerContainerConversion<plinx_project::UIntPair, PairConversion>(m, Converter::UIntPair, &PyTuple_Type);
    registerContainerConversion<plinx_project::ViewMap, MappingConversion>(m, Converter::ViewMap, &PyDict_Type);
    registerContainerConversion<QVector<LayerGroup>, SequenceConversion>(m, Converter::LayerGroupList, &PyList_Type);
    registerContainerConversion<plinx_project::ClipHash, MappingConversion>(m, Converter::ClipHash, &PyDict_Type);
    registerContainerConversion<QVector<ViewInfo>, SequenceConversion>(m, Converter::ViewInfoVector, &PyList_Type);
    registerContainerConversion<QList<QVariant>, SequenceConversion>(m, Converter::VariantList, &PyList_Type);
    registerContainerConversion<QList<QString>, SequenceConversion>(m, Converter::StringList, &PyList_Type);
    registerContainerConversion<VariantMap, MappingConversion>(m, Converter::VariantMap, &PyDict_Type);
}

void registerVariantEnumerations()
{
    for (const char* name : variantEnumerations) {
        declareEnumerationMetaType(name);
        SbkConverter* converter = Shiboken::Conversions::createConverter(&PyLong_Type, &enumerationToPython);
        Shiboken::Conversions::addPythonToCppValueConversion(converter, &enumerationFromInt, &isEnumerationFromInt);
        Shiboken::Conversions::registerConverterName(converter, name);
    }
}
