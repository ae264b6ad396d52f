#pragma once

// The module plinx.tools: its types and conversions, one line each. It uses
// the types and conversions of plinx.project and the widgets of PySide2.

#include "shiboken/plinx/project/plinx_project_python.h"

#include "Tools/AbstractTool.h"
#include "Tools/InputEvent.h"

#include <QAction>
#include <QList>
#include <QPointF>

#define PLINX_TOOLS_TYPES(type, namespace_) \
    type(InputEvent)                        \
    type(AbstractTool)

// The module's own conversions, in registration order: slot and name. No
// function of the module uses them; they are there for the QObject class.
#define PLINX_TOOLS_CONVERSIONS(conversion)          \
    conversion(ObjectList, "const QList<QObject*>&") \
    conversion(ByteArrayList, "QList<QByteArray>")   \
    conversion(VariantList, "QList<QVariant>")       \
    conversion(StringList, "QList<QString>")         \
    conversion(VariantMap, "QMap<QString,QVariant>")

BINDING_MODULE(plinx_tools, "plinx.tools", PLINX_TOOLS_TYPES, PLINX_TOOLS_CONVERSIONS)

BINDING_CONVERTER_NAME(QAction, "QAction");
BINDING_CONVERTER_NAME(QPointF, "QPointF");
