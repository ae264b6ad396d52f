#include "AbstractCameraSolveExporter.h"

#include "Exporters/Helpers/ExporterFamily.h"
#include "Exporters/Helpers/ExporterRegistry.h"
#include "Exporters/Helpers/PythonCameraSolveExporter.h"
#include "Exporters/wrappers/CameraSolveExporter.h"

#include <QCoreApplication>

#include <boost/make_shared.hpp>

using Rirediro::CameraSolveFormat;

AbstractCameraSolveExporter::AbstractCameraSolveExporter(const QString& name, const QString& extension,
                                                         unsigned int number_of_data_streams,
                                                         bool export_multiple_views)
    : QObject(QCoreApplication::instance()),
      m_pythonExporter(boost::make_shared<PythonCameraSolveExporter>(this)),
      m_format(name, extension, QString(""), number_of_data_streams, false, export_multiple_views)
{
}

AbstractCameraSolveExporter::AbstractCameraSolveExporter(const CameraSolveFormat& format) : m_format(format) {}

AbstractCameraSolveExporter::~AbstractCameraSolveExporter()
{
    Python::unregisterOwnExporter<VUVI_CameraSolveExporterFactory>(m_format, m_pythonExporter);
}

boost::weak_ptr<Rirediro::CameraSolveExporter> AbstractCameraSolveExporter::wrappedExporter()
{
    return m_pythonExporter;
}

void AbstractCameraSolveExporter::registerExporter()
{
    Python::registerExporterOf<VUVI_CameraSolveExporterFactory>(m_format, wrappedExporter());
}

void AbstractCameraSolveExporter::unregisterExporter()
{
    VUVI_CameraSolveExporterFactory::unregisterExporter(m_format);
}

bool AbstractCameraSolveExporter::is_registered() const
{
    return Python::isListed(m_format);
}

QHash<QString, CameraSolveExporter*> AbstractCameraSolveExporter::registered_exporters()
{
    return Python::registeredExporters<CameraSolveFormat, CameraSolveExporter, VUVI_CameraSolveExporterFactory>();
}

QString AbstractCameraSolveExporter::takeExportFailure()
{
    return Python::takeGuarded(m_failureMutex, m_exportFailure);
}

void AbstractCameraSolveExporter::setExportFailure(const QString& failure)
{
    QMutexLocker locker(&m_failureMutex);
    m_exportFailure = failure;
}
