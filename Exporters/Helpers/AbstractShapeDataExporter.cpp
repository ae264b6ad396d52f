#include "AbstractShapeDataExporter.h"

#include "Exporters/Helpers/ExporterFamily.h"
#include "Exporters/Helpers/ExporterRegistry.h"
#include "Exporters/Helpers/PythonShapeExporter.h"
#include "Exporters/wrappers/ShapeDataExporter.h"

#include <QCoreApplication>

#include <boost/make_shared.hpp>

using Rirediro::ShapeDataFormat;

namespace {
ShapeDataFormat::ExportCapabilities capabilities(bool shapes, bool views, bool openSplines, bool interlaced)
{
    ShapeDataFormat::ExportCapabilities flags;
    flags.setFlag(ShapeDataFormat::MultipleShapes, shapes);
    flags.setFlag(ShapeDataFormat::MultipleViews, views);
    flags.setFlag(ShapeDataFormat::OpenSplines, openSplines);
    flags.setFlag(ShapeDataFormat::Interlaced, interlaced);
    return flags;
}
} // namespace

AbstractShapeDataExporter::AbstractShapeDataExporter(const QString& name, const QString& extension,
                                                     unsigned int number_of_data_streams,
                                                     bool export_multiple_shapes, bool export_multiple_views,
                                                     bool export_open_splines, bool export_interlaced)
    : QObject(QCoreApplication::instance()), m_pythonExporter(boost::make_shared<PythonShapeExporter>(this)),
      m_format(name, extension, QString(""),
               capabilities(export_multiple_shapes, export_multiple_views, export_open_splines, export_interlaced),
               Python::saveOptionsFor(number_of_data_streams))
{
}

AbstractShapeDataExporter::AbstractShapeDataExporter(const ShapeDataFormat& format) : m_format(format) {}

AbstractShapeDataExporter::~AbstractShapeDataExporter()
{
    Python::unregisterOwnExporter<Rirediro::ShapeExporterFactory>(m_format, m_pythonExporter);
}

boost::weak_ptr<Rirediro::ShapeExporter> AbstractShapeDataExporter::wrappedExporter()
{
    return m_pythonExporter;
}

void AbstractShapeDataExporter::registerExporter()
{
    Python::registerExporterOf<Rirediro::ShapeExporterFactory>(m_format, wrappedExporter());
}

void AbstractShapeDataExporter::unregisterExporter()
{
    Rirediro::ShapeExporterFactory::unregisterExporter(m_format);
}

bool AbstractShapeDataExporter::is_registered() const
{
    return Python::isListed(m_format);
}

QHash<QString, ShapeDataExporter*> AbstractShapeDataExporter::registered_exporters()
{
    return Python::registeredExporters<ShapeDataFormat, ShapeDataExporter, Rirediro::ShapeExporterFactory>();
}

QString AbstractShapeDataExporter::takeExportFailure()
{
    return Python::takeGuarded(m_failureMutex, m_exportFailure);
}

void AbstractShapeDataExporter::setExportFailure(const QString& failure)
{
    QMutexLocker locker(&m_failureMutex);
    m_exportFailure = failure;
}
