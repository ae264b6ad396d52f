#pragma once

// The module plinx.project: its types and conversions, one line each.

#include "shiboken/binding/Binding.h"

#include "Project/wrappers/BezierContour.h"
#include "Project/wrappers/Clip.h"
#include "Project/wrappers/ColorParameters.h"
#include "Project/wrappers/Enums.h"
#include "Project/wrappers/ImageData.h"
#include "Project/wrappers/Layer.h"
#include "Project/wrappers/LayerGroup.h"
#include "Project/wrappers/Parameter.h"
#include "Project/wrappers/ParameterSet.h"
#include "Project/wrappers/ProgressWatcher.h"
#include "Project/wrappers/Project.h"
#include "Project/wrappers/RenderOperation.h"
#include "Project/wrappers/StreamInfo.h"
#include "Project/wrappers/UndoGroup.h"
#include "Project/wrappers/View.h"
#include "Project/wrappers/ViewInfo.h"
#include "Project/wrappers/XSplineContour.h"

#include <Bsc/Colour3.h>
#include <Bsc/FSPercentEscapedString.h>

#include <QHash>
#include <QMap>
#include <QPair>
#include <QVector>

#include <boost/optional.hpp>

// The types and enumerations, in the order the module introduces them.
#define PLINX_PROJECT_TYPES(type, namespace_) \
    type(BezierControlPointData)              \
    type(View)                                \
    type(XSplineContour)                      \
    type(Layer)                               \
    type(Parameter)                           \
    type(XControlPoint)                       \
    type(BezierControlPoint)                  \
    type(BezierContour)                       \
    type(ParameterSet)                        \
    type(ImageData)                           \
    type(StreamInfo)                          \
    type(ViewInfo)                            \
    type(XControlPointData)                   \
    type(LayerGroup)                          \
    type(UndoGroup)                           \
    type(RenderOperation)                     \
    type(RenderReorientOperation)             \
    type(RenderStabilizeOperation)            \
    type(RenderInsertOperation)               \
    type(RenderRemoveOperation)               \
    type(Clip)                                \
    type(ColorParameters)                     \
    type(ProgressWatcher)                     \
    type(Project)                             \
    type(Colorspace)                          \
    type(ColorConversion)                     \
    type(PixelFormat)                         \
    type(ChannelType)                         \
    type(InterlaceMode)                       \
    type(ColorizeOutput)

// The module's own conversions, in registration order: slot and name.
#define PLINX_PROJECT_CONVERSIONS(conversion)                                \
    conversion(PercentEscapedString, "Bsc::FSPercentEscapedString")          \
    conversion(OptionalPoint, "OptionalPoint")                               \
    conversion(OptionalBool, "OptionalBool")                                 \
    conversion(OptionalFloat, "OptionalFloat")                               \
    conversion(Context, "Prm::Context")                                      \
    conversion(OptionalLayer, "OptionalLayer")                               \
    conversion(Color, "Color")                                               \
    conversion(OptionalInterlaceMode, "OptionalInterlaceMode")               \
    conversion(Matrix33, "Gan_Matrix33")                                     \
    conversion(LayerList, "QVector<Layer>")                                  \
    conversion(Keyframe, "QPair<View,double>")                               \
    conversion(KeyframeVector, "QVector<QPair<View,double>>")                \
    conversion(ParameterVector, "QVector<Parameter>")                        \
    conversion(ParameterSetVector, "QVector<ParameterSet>")                  \
    conversion(BezierDataList, "const QVector<BezierControlPointData>&")     \
    conversion(XDataList, "const QVector<XControlPointData>&")               \
    conversion(FloatList, "QList<float>")                                    \
    conversion(XPointList, "QVector<XControlPoint>")                         \
    conversion(BezierPointList, "QVector<BezierControlPoint>")               \
    conversion(ObjectList, "const QList<QObject*>&")                         \
    conversion(ByteArrayList, "QList<QByteArray>")                           \
    conversion(ViewVector, "const QVector<View>&")                           \
    conversion(UIntPair, "QPair<uint,uint>")                                 \
    conversion(ViewMap, "QMap<View,View>")                                   \
    conversion(LayerGroupList, "QVector<LayerGroup>")                        \
    conversion(ClipHash, "QHash<QString,Clip*>")                             \
    conversion(ViewInfoVector, "QVector<ViewInfo>")                          \
    conversion(VariantList, "QList<QVariant>")                               \
    conversion(StringList, "QList<QString>")                                 \
    conversion(VariantMap, "QMap<QString,QVariant>")

BINDING_MODULE(plinx_project, "plinx.project", PLINX_PROJECT_TYPES, PLINX_PROJECT_CONVERSIONS)

namespace plinx_project {
// One keyframe of a parameter: its view and its time in frames.
using Keyframe = QPair<View, double>;
using UIntPair = QPair<unsigned int, unsigned int>;
using ViewMap = QMap<View, View>;
using ClipHash = QHash<QString, Clip*>;
} // namespace plinx_project

BINDING_CONVERTER_NAME(Bsc::Colour3<float>, "Color");
BINDING_CONVERTER_NAME(boost::optional<Layer>, "OptionalLayer");
BINDING_CONVERTER_NAME(boost::optional<QPointF>, "OptionalPoint");
BINDING_CONVERTER_NAME(boost::optional<bool>, "OptionalBool");
BINDING_CONVERTER_NAME(boost::optional<float>, "OptionalFloat");
BINDING_LIST_CONVERTER_NAME(QVector<BezierControlPointData>, "const QVector<BezierControlPointData>&");
BINDING_LIST_CONVERTER_NAME(QVector<XControlPointData>, "const QVector<XControlPointData>&");
BINDING_LIST_CONVERTER_NAME(QVector<XControlPoint>, "QVector<XControlPoint>");
BINDING_LIST_CONVERTER_NAME(QVector<BezierControlPoint>, "QVector<BezierControlPoint>");
BINDING_CONVERTER_NAME(Gan_Matrix33, "Gan_Matrix33");
BINDING_LIST_CONVERTER_NAME(QVector<Layer>, "QVector<Layer>");
BINDING_LIST_CONVERTER_NAME(QList<float>, "QList<float>");
BINDING_LIST_CONVERTER_NAME(QVector<View>, "const QVector<View>&");
BINDING_CONVERTER_NAME(plinx_project::UIntPair, "QPair<uint,uint>");
BINDING_CONVERTER_NAME(plinx_project::ViewMap, "QMap<View,View>");
BINDING_LIST_CONVERTER_NAME(QVector<LayerGroup>, "QVector<LayerGroup>");
BINDING_CONVERTER_NAME(plinx_project::ClipHash, "QHash<QString,Clip*>");
BINDING_LIST_CONVERTER_NAME(QVector<ViewInfo>, "QVector<ViewInfo>");
BINDING_CONVERTER_NAME(Bsc::FSPercentEscapedString, "Bsc::FSPercentEscapedString");
BINDING_CONVERTER_NAME(plinx_project::Keyframe, "QPair<View,double>");
BINDING_LIST_CONVERTER_NAME(QVector<plinx_project::Keyframe>, "QVector<QPair<View,double>>");
BINDING_LIST_CONVERTER_NAME(QVector<Parameter>, "QVector<Parameter>");
BINDING_LIST_CONVERTER_NAME(QVector<ParameterSet>, "QVector<ParameterSet>");
BINDING_CONVERTER_NAME(boost::optional<InterlaceMode>, "OptionalInterlaceMode");

// The expected type that an override's invalid result is reported with.
template <>
struct Binding::detail::ReturnName<boost::optional<InterlaceMode>>
{
    static std::string value() { return "InterlaceMode or None"; }
};

// The module's own value and container conversions.
void registerProjectConversions();
// The conversions of the core's enumerations that travel inside QVariant
// values (ints in Python), found by name; after the tables are published.
void registerVariantEnumerations();
