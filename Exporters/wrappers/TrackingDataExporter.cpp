#include "TrackingDataExporter.h"

#include "Exporters/Helpers/ExporterRegistry.h"
#include "Exporters/wrappers/BuiltInChecks.h"

#include <Rirediro/Layers/VUVI_Layer.h>

namespace {
const QString s_source = QStringLiteral("Exporters/wrappers/TrackingDataExporter");
}

TrackingDataExporter::TrackingDataExporter(const boost::shared_ptr<Rirediro::TrackingExporter>& exporter)
    : AbstractTrackingDataExporter(
        Python::formatByExporterCWPtr<Rirediro::TrackingDataFormat, Rirediro::TrackingExporterFactory>(
            boost::weak_ptr<const Rirediro::TrackingExporter>(exporter))),
      SbkCleaner(this), m_exporter(exporter)
{
}

TrackingDataExporter::~TrackingDataExporter() = default;

QMap<QString, QByteArray> TrackingDataExporter::do_export(Project* project, Layer layer,
                                                          const QString& tracking_file_path, double time, View view,
                                                          QMap<QString, bool> options)
{
    const auto core = Python::checkedProject(project, "AbstractTrackingDataExporter", s_source, 42);

    Rirediro::TrackingExporter::Options coreOptions;
    coreOptions.views = {Prm::View(Prm::View::defaultViewId())};
    if (options.value(QStringLiteral("Invert"), false))
        coreOptions.invertMode = 1;
    if (options.value(QStringLiteral("Stabilize"), false))
        coreOptions.stabilizeMode = 3;
    coreOptions.removeLensDistortion = options.value(QStringLiteral("RemoveLensDistortion"), false);
    const Prm::Context context(Prm::Time::fromDouble(time), view.getView(), 3);
    const unsigned int layerId = layer.handledObjectIn(*core)->id().toUInt();

    const Rirediro::ExportResult result =
        m_exporter->exportTracking(*core, tracking_file_path, layerId, context, coreOptions);
    QMutexLocker locker(&m_errorMutex);
    m_lastError = result.error;
    return result.files;
}

QString TrackingDataExporter::error_string() const
{
    QMutexLocker locker(&m_errorMutex);
    return m_lastError;
}

boost::weak_ptr<Rirediro::TrackingExporter> TrackingDataExporter::wrappedExporter() const
{
    return m_exporter;
}
