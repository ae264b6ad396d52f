#include "AbstractTrackingDataExporter.h"

#include "Exporters/Helpers/ExporterFamily.h"
#include "Exporters/Helpers/ExporterRegistry.h"
#include "Exporters/Helpers/PythonTrackingExporter.h"
#include "Exporters/wrappers/TrackingDataExporter.h"

#include <QCoreApplication>

#include <boost/make_shared.hpp>

using Rirediro::TrackingDataFormat;

namespace {
TrackingDataFormat::ExportCapabilities capabilities(bool views, bool interlaced, bool lensDistortion)
{
    TrackingDataFormat::ExportCapabilities flags;
    flags.setFlag(TrackingDataFormat::MultipleViews, views);
    flags.setFlag(TrackingDataFormat::Interlaced, interlaced);
    flags.setFlag(TrackingDataFormat::RemoveLensDistortion, lensDistortion);
    return flags;
}
} // namespace

AbstractTrackingDataExporter::AbstractTrackingDataExporter(const QString& name, const QString& extension,
                                                           unsigned int number_of_data_streams,
                                                           bool export_interlaced, bool remove_lens_distortion,
                                                           bool export_multiple_views)
    : QObject(QCoreApplication::instance()), m_pythonExporter(boost::make_shared<PythonTrackingExporter>(this)),
      m_format(name, extension, QString(""), number_of_data_streams,
               capabilities(export_multiple_views, export_interlaced, remove_lens_distortion),
               Python::saveOptionsFor(number_of_data_streams))
{
}

AbstractTrackingDataExporter::AbstractTrackingDataExporter(const TrackingDataFormat& format) : m_format(format) {}

AbstractTrackingDataExporter::~AbstractTrackingDataExporter()
{
    Python::unregisterOwnExporter<Rirediro::TrackingExporterFactory>(m_format, m_pythonExporter);
}

boost::weak_ptr<Rirediro::TrackingExporter> AbstractTrackingDataExporter::wrappedExporter()
{
    return m_pythonExporter;
}

void AbstractTrackingDataExporter::registerExporter()
{
    Python::registerExporterOf<Rirediro::TrackingExporterFactory>(m_format, wrappedExporter());
}

void AbstractTrackingDataExporter::unregisterExporter()
{
    Rirediro::TrackingExporterFactory::unregisterExporter(m_format);
}

bool AbstractTrackingDataExporter::is_registered() const
{
    return Python::isListed(m_format);
}

QHash<QString, TrackingDataExporter*> AbstractTrackingDataExporter::registered_exporters()
{
    return Python::registeredExporters<TrackingDataFormat, TrackingDataExporter, Rirediro::TrackingExporterFactory>();
}

QString AbstractTrackingDataExporter::takeExportFailure()
{
    return Python::takeGuarded(m_failureMutex, m_exportFailure);
}

void AbstractTrackingDataExporter::setExportFailure(const QString& failure)
{
    QMutexLocker locker(&m_failureMutex);
    m_exportFailure = failure;
}
