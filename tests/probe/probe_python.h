#pragma once

// The test-only module bindingprobe, declared as any module of the package.

#include "shiboken/binding/Binding.h"

#include "Probe.h"

#define PROBE_TYPES(type, namespace_) \
    type(Sample)                      \
    type(Shape)                       \
    type(Square)                      \
    type(Circle)                      \
    type(Labelled)                    \
    type(Tile)                        \
    type(Canvas)                      \
    type(Emitter)                     \
    type(Part)                        \
    namespace_(Probe)

#define PROBE_CONVERSIONS(conversion)              \
    conversion(CountAndText, "QPair<int,QString>")  \
    conversion(StringVector, "QVector<QString>")    \
    conversion(VariantMap, "QMap<QString,QVariant>") \
    conversion(OptionalSize, "OptionalSize")

BINDING_MODULE(bindingprobe, "bindingprobe", PROBE_TYPES, PROBE_CONVERSIONS)

BINDING_CONVERTER_NAME(QPointF, "QPointF");
BINDING_CONVERTER_NAME(boost::optional<QSize>, "OptionalSize");

using ProbeCountAndText = QPair<int, QString>;
BINDING_CONVERTER_NAME(ProbeCountAndText, "QPair<int,QString>");
