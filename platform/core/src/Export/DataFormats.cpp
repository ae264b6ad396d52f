#include "Rirediro/Export/DataFormats.h"
#include "ExporterTables.h"

#include <QHash>
#include <QMutex>
#include <QPair>

namespace Rirediro {

DataFormatBase::DataFormatBase(Family family, const QString& name, const QString& extension,
                               const QString& description)
    : m_name(name), m_extension(extension), m_description(description)
{
    // One identity per family and name, handed out in order of first use.
    static QMutex mutex;
    static QHash<QPair<int, QString>, quint32> identifiers;
    QMutexLocker locker(&mutex);
    const QPair<int, QString> key(int(family), name);
    auto it = identifiers.find(key);
    if (it == identifiers.end())
        it = identifiers.insert(key, quint32(identifiers.size() + 1));
    m_identifier = it.value();
}

ShapeDataFormat::ShapeDataFormat(const QString& name, const QString& extension, const QString& description,
                                 ExportCapabilities capabilities, SaveOptions saveOptions)
    : DataFormatBase(ShapeFamily, name, extension, description), m_capabilities(capabilities),
      m_saveOptions(saveOptions)
{
}

QMap<QString, ShapeDataFormat> ShapeDataFormat::MAP_ALL(const MXIHost*)
{
    return shapeExporters().formats();
}

TrackingDataFormat::TrackingDataFormat(const QString& name, const QString& extension, const QString& description,
                                       unsigned int dataStreams, ExportCapabilities capabilities,
                                       SaveOptions saveOptions)
    : DataFormatBase(TrackingFamily, name, extension, description), m_dataStreams(dataStreams),
      m_capabilities(capabilities), m_saveOptions(saveOptions)
{
}

QMap<QString, TrackingDataFormat> TrackingDataFormat::MAP_ALL(const MXIHost*)
{
    return trackingExporters().formats();
}

CameraSolveFormat::CameraSolveFormat(const QString& name, const QString& extension, const QString& description,
                                     unsigned int dataStreams, bool solvesLens, bool multipleViews)
    : DataFormatBase(CameraSolveFamily, name, extension, description), m_dataStreams(dataStreams),
      m_solvesLens(solvesLens), m_multipleViews(multipleViews)
{
}

QMap<QString, CameraSolveFormat> CameraSolveFormat::MAP_ALL()
{
    return cameraSolveExporters().formats();
}

// ---- factories ----

void ShapeExporterFactory::registerCustomExporter(const ShapeDataFormat& format,
                                                  const boost::shared_ptr<ShapeExporter>& exporter)
{
    shapeExporters().registerCustom(format, exporter);
}
void ShapeExporterFactory::unregisterExporter(const ShapeDataFormat& format)
{
    shapeExporters().unregister(format);
}
boost::shared_ptr<ShapeExporter> ShapeExporterFactory::getExporter(const ShapeDataFormat& format)
{
    return shapeExporters().exporterFor(format);
}

void TrackingExporterFactory::registerCustomExporter(const TrackingDataFormat& format,
                                                     const boost::shared_ptr<TrackingExporter>& exporter)
{
    trackingExporters().registerCustom(format, exporter);
}
void TrackingExporterFactory::unregisterExporter(const TrackingDataFormat& format)
{
    trackingExporters().unregister(format);
}
boost::shared_ptr<TrackingExporter> TrackingExporterFactory::getExporter(const TrackingDataFormat& format)
{
    return trackingExporters().exporterFor(format);
}

} // namespace Rirediro

void VUVI_CameraSolveExporterFactory::registerCustomExporter(
    const Rirediro::CameraSolveFormat& format, const boost::shared_ptr<Rirediro::CameraSolveExporter>& exporter)
{
    Rirediro::cameraSolveExporters().registerCustom(format, exporter);
}
void VUVI_CameraSolveExporterFactory::unregisterExporter(const Rirediro::CameraSolveFormat& format)
{
    Rirediro::cameraSolveExporters().unregister(format);
}
boost::shared_ptr<Rirediro::CameraSolveExporter>
VUVI_CameraSolveExporterFactory::getExporter(const Rirediro::CameraSolveFormat& format)
{
    return Rirediro::cameraSolveExporters().exporterFor(format);
}
