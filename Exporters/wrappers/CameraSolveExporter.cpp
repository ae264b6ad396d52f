#include "CameraSolveExporter.h"

#include "Exporters/Helpers/ExporterRegistry.h"
#include "Exporters/wrappers/BuiltInChecks.h"

#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Project/VUVI_ToolManager.h>

namespace {
const QString s_source = QStringLiteral("Exporters/wrappers/CameraSolveExporter");
}

CameraSolveExporter::CameraSolveExporter(const boost::shared_ptr<Rirediro::CameraSolveExporter>& exporter)
    : AbstractCameraSolveExporter(
        Python::formatByExporterCWPtr<Rirediro::CameraSolveFormat, VUVI_CameraSolveExporterFactory>(
            boost::weak_ptr<const Rirediro::CameraSolveExporter>(exporter))),
      SbkCleaner(this), m_exporter(exporter)
{
}

CameraSolveExporter::~CameraSolveExporter() = default;

QMap<QString, QByteArray> CameraSolveExporter::do_export(Project* project, const QVector<Layer>& layers,
                                                         const QString& camera_file_path, double time,
                                                         QVector<View> views)
{
    const auto core = Python::checkedProject(project, "AbstractCameraSolveExporter", s_source, 37);
    Python::checkLayers(layers, "AbstractCameraSolveExporter", s_source, 38);

    std::vector<Prm::View> coreViews;
    for (const View& view : views)
        coreViews.push_back(view.getView());
    QVector<boost::shared_ptr<const VUVI_Layer>> coreLayers;
    for (const boost::shared_ptr<VUVI_Layer>& layer : Python::layersIn(layers, *core))
        coreLayers.append(layer);

    const Prm::View defaultView(Prm::View::defaultViewId());
    const Prm::Context noTime(Prm::Time::fromDouble(Prm::Time::INVALID_TIME_VALUE), defaultView, 3);
    core->toolManager().setCurrentLayer(boost::const_pointer_cast<VUVI_Layer>(coreLayers.front()), noTime);
    const Rirediro::ExportResult result =
        m_exporter->exportCameraSolve(core.get(), camera_file_path, coreLayers,
                                      Prm::Context(Prm::Time::fromDouble(time), defaultView, 3), coreViews, 2147483647);
    QMutexLocker locker(&m_errorMutex);
    m_lastError = result.error;
    return result.files;
}

QString CameraSolveExporter::error_string() const
{
    QMutexLocker locker(&m_errorMutex);
    return m_lastError;
}

boost::weak_ptr<Rirediro::CameraSolveExporter> CameraSolveExporter::wrappedExporter() const
{
    return m_exporter;
}
