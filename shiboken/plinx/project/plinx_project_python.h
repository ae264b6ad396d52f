#pragma once

// The module plinx.project: its types and conversions, one line each.

#include "shiboken/binding/Binding.h"

#include "Project/wrappers/Enums.h"
#include "Project/wrappers/ImageData.h"
#include "Project/wrappers/Parameter.h"
#include "Project/wrappers/ParameterSet.h"
#include "Project/wrappers/ProgressWatcher.h"
#include "Project/wrappers/StreamInfo.h"
#include "Project/wrappers/View.h"
#include "Project/wrappers/ViewInfo.h"

#include <Bsc/Colour3.h>
#include <Bsc/FSPercentEscapedString.h>

#include <QPair>
#include <QVector>

// The types and enumerations, in the order the module introduces them.
#define PLINX_PROJECT_TYPES(type, namespace_) \
    type(View)                                \
    type(Parameter)                           \
    type(ParameterSet)                        \
    type(ImageData)                           \
    type(StreamInfo)                          \
    type(ViewInfo)                            \
    type(ProgressWatcher)                     \
    type(Colorspace)                          \
    type(ColorConversion)                     \
    type(PixelFormat)                         \
    type(ChannelType)                         \
    type(InterlaceMode)                       \
    type(ColorizeOutput)

// The module's own conversions, in registration order: slot and name.
#define PLINX_PROJECT_CONVERSIONS(conversion)                            \
    conversion(PercentEscapedString, "Bsc::FSPercentEscapedString")     \
    conversion(Color, "Color")                                         \
    conversion(Keyframe, "QPair<View,double>")                         \
    conversion(KeyframeVector, "QVector<QPair<View,double>>")          \
    conversion(ParameterVector, "QVector<Parameter>")                  \
    conversion(ParameterSetVector, "QVector<ParameterSet>")

BINDING_MODULE(plinx_project, "plinx.project", PLINX_PROJECT_TYPES, PLINX_PROJECT_CONVERSIONS)

namespace plinx_project {
// One keyframe of a parameter: its view and its time in frames.
using Keyframe = QPair<View, double>;
} // namespace plinx_project

BINDING_CONVERTER_NAME(Bsc::FSPercentEscapedString, "Bsc::FSPercentEscapedString");
BINDING_CONVERTER_NAME(Bsc::Colour3<float>, "Color");
BINDING_CONVERTER_NAME(plinx_project::Keyframe, "QPair<View,double>");
BINDING_LIST_CONVERTER_NAME(QVector<plinx_project::Keyframe>, "QVector<QPair<View,double>>");
BINDING_LIST_CONVERTER_NAME(QVector<Parameter>, "QVector<Parameter>");
BINDING_LIST_CONVERTER_NAME(QVector<ParameterSet>, "QVector<ParameterSet>");

// The module's own value and container conversions.
void registerProjectConversions();
// The conversions of the core's enumerations that travel inside QVariant
// values (ints in Python), found by name; after the tables are published.
void registerVariantEnumerations();
