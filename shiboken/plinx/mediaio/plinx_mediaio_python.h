#pragma once

// The module plinx.mediaio: its type and conversions, one line each. It uses
// the types and conversions of plinx.project.

#include "shiboken/plinx/project/plinx_project_python.h"

#include "MediaIO/Helpers/AbstractImageIOModule.h"

#include <QList>

#define PLINX_MEDIAIO_TYPES(type, namespace_) \
    type(AbstractImageIOModule)

// The module's own conversions, in registration order: slot and name.
#define PLINX_MEDIAIO_CONVERSIONS(conversion)                    \
    conversion(PixelFormatList, "const QList<PixelFormat>&")      \
    conversion(ChannelTypeList, "const QList<ChannelType>&")      \
    conversion(ObjectList, "const QList<QObject*>&")              \
    conversion(ByteArrayList, "QList<QByteArray>")                \
    conversion(VariantMap, "QMap<QString,QVariant>")              \
    conversion(StringVector, "QVector<QString>")                  \
    conversion(VariantList, "QList<QVariant>")                    \
    conversion(StringList, "QList<QString>")

BINDING_MODULE(plinx_mediaio, "plinx.mediaio", PLINX_MEDIAIO_TYPES, PLINX_MEDIAIO_CONVERSIONS)

BINDING_LIST_CONVERTER_NAME(QList<PixelFormat>, "const QList<PixelFormat>&");
BINDING_LIST_CONVERTER_NAME(QList<ChannelType>, "const QList<ChannelType>&");

// The module's container conversions.
void registerMediaIOConversions();
