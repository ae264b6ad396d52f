#pragma once

// The module plinx.exporters: its types and conversions, one line each. It
// uses the types and conversions of plinx.project.

#include "shiboken/plinx/project/plinx_project_python.h"

#include "Exporters/Helpers/AbstractCameraSolveExporter.h"
#include "Exporters/Helpers/AbstractShapeDataExporter.h"
#include "Exporters/Helpers/AbstractTrackingDataExporter.h"
#include "Exporters/wrappers/CameraSolveExporter.h"
#include "Exporters/wrappers/ShapeDataExporter.h"
#include "Exporters/wrappers/ShapeExportData.h"
#include "Exporters/wrappers/TrackingDataExporter.h"

#include <QHash>
#include <QMap>

// Each abstract type before the built-in type derived from it.
#define PLINX_EXPORTERS_TYPES(type, namespace_) \
    type(ShapeExportData)                        \
    type(AbstractTrackingDataExporter)           \
    type(TrackingDataExporter)                   \
    type(AbstractShapeDataExporter)              \
    type(ShapeDataExporter)                      \
    type(AbstractCameraSolveExporter)            \
    type(CameraSolveExporter)

// The module's own conversions, in registration order: slot and name.
#define PLINX_EXPORTERS_CONVERSIONS(conversion)                                \
    conversion(MatrixMap, "QMap<float,Gan_Matrix33>")                         \
    conversion(ObjectList, "const QList<QObject*>&")                          \
    conversion(FileMap, "QMap<QString,QByteArray>")                           \
    conversion(OptionMap, "QMap<QString,bool>")                               \
    conversion(ByteArrayList, "QList<QByteArray>")                            \
    conversion(TrackingExporterHash, "QHash<QString,TrackingDataExporter*>")  \
    conversion(LayerVector, "const QVector<Layer>&")                          \
    conversion(ViewVector, "QVector<View>")                                   \
    conversion(CameraSolveExporterHash, "QHash<QString,CameraSolveExporter*>") \
    conversion(ShapeExporterHash, "QHash<QString,ShapeDataExporter*>")        \
    conversion(VariantList, "QList<QVariant>")                                \
    conversion(StringList, "QList<QString>")                                  \
    conversion(VariantMap, "QMap<QString,QVariant>")

BINDING_MODULE(plinx_exporters, "plinx.exporters", PLINX_EXPORTERS_TYPES, PLINX_EXPORTERS_CONVERSIONS)

namespace plinx_exporters {
using MatrixMap = QMap<float, Gan_Matrix33>;
using FileMap = QMap<QString, QByteArray>;
using OptionMap = QMap<QString, bool>;
using ShapeExporterHash = QHash<QString, ShapeDataExporter*>;
using TrackingExporterHash = QHash<QString, TrackingDataExporter*>;
using CameraSolveExporterHash = QHash<QString, CameraSolveExporter*>;
} // namespace plinx_exporters

BINDING_CONVERTER_NAME(plinx_exporters::MatrixMap, "QMap<float,Gan_Matrix33>");
BINDING_CONVERTER_NAME(plinx_exporters::FileMap, "QMap<QString,QByteArray>");
BINDING_CONVERTER_NAME(plinx_exporters::OptionMap, "QMap<QString,bool>");
BINDING_CONVERTER_NAME(plinx_exporters::ShapeExporterHash, "QHash<QString,ShapeDataExporter*>");
BINDING_CONVERTER_NAME(plinx_exporters::TrackingExporterHash, "QHash<QString,TrackingDataExporter*>");
BINDING_CONVERTER_NAME(plinx_exporters::CameraSolveExporterHash, "QHash<QString,CameraSolveExporter*>");

// The module's container conversions.
void registerExportersConversions();
