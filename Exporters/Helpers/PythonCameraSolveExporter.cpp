#include "PythonCameraSolveExporter.h"

#include "Exporters/Helpers/AbstractCameraSolveExporter.h"
#include "Exporters/Helpers/ExporterAdaptor.h"
#include "Project/wrappers/Project.h"

#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Project/VUVI_SelectionManager.h>
#include <Rirediro/Project/VUVI_ToolManager.h>

namespace {
const QString s_source = QStringLiteral("Exporters/Helpers/PythonCameraSolveExporter");
}

PythonCameraSolveExporter::PythonCameraSolveExporter(AbstractCameraSolveExporter* exporter)
    : m_abstractExporter(exporter)
{
}

PythonCameraSolveExporter::~PythonCameraSolveExporter() = default;

Rirediro::ExportResult PythonCameraSolveExporter::exportCameraSolve(
    VUVI_ProjectManager* project, const QString& path, const QVector<boost::shared_ptr<const VUVI_Layer>>& layers,
    const Prm::Context& context, const std::vector<Prm::View>& views, int range) const
{
    Rirediro::ExportResult result;
    const PyHelpers::ExtensionCall<AbstractCameraSolveExporter> exporter(m_abstractExporter);
    if (!Python::checkedExporter(exporter, "PythonCameraSolveExporter", s_source, 40))
        return result;

    Project scriptProject(project);
    QVector<Layer> scriptLayers;
    if (project) {
        // Without layers the solve starts from the application's current layer.
        const unsigned int reference = !layers.isEmpty() && layers.front()
            ? layers.front()->id().toUInt()
            : project->toolManager().uiGetCurrentLayerID();
        Rirediro::CameraSolveExporterHelper helper;
        helper.initialiseWithPMAndRange(project, reference, context.view, layers, range);
        if (const auto referenceLayer = project->selectionManager()->findLayer(reference, false))
            helper.setClip(referenceLayer->clipID());
        for (unsigned int id : helper.layerIds())
            scriptLayers.append(
                Layer(project->selectionManager()->findLayer(id, false), scriptProject.projectManager()));
    }
    QVector<View> scriptViews;
    for (const Prm::View& view : views)
        scriptViews.append(View(view));
    result.files = exporter->do_export(&scriptProject, scriptLayers, path, context.time.toDouble(), scriptViews);
    result.error = Python::exportError(exporter, "PythonCameraSolveExporter");
    return result;
}
