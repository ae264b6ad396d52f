#include "PythonTrackingExporter.h"

#include "Exporters/Helpers/AbstractTrackingDataExporter.h"
#include "Exporters/Helpers/ExporterAdaptor.h"
#include "Project/wrappers/Project.h"

#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Project/VUVI_SelectionManager.h>

namespace {
const QString s_source = QStringLiteral("Exporters/Helpers/PythonTrackingExporter");
}

PythonTrackingExporter::PythonTrackingExporter(AbstractTrackingDataExporter* exporter)
    : m_abstractExporter(exporter)
{
}

PythonTrackingExporter::~PythonTrackingExporter() = default;

Rirediro::ExportResult PythonTrackingExporter::exportTracking(VUVI_ProjectManager& project, const QString& path,
                                                              unsigned int layerId, const Prm::Context& context,
                                                              const Options& options) const
{
    Rirediro::ExportResult result;
    const PyHelpers::ExtensionCall<AbstractTrackingDataExporter> exporter(m_abstractExporter);
    if (!Python::checkedExporter(exporter, "PythonTrackingExporter", s_source, 40))
        return result;

    Project scriptProject(&project);
    // An id without layer gives a layer over nothing.
    const Layer layer(project.selectionManager()->findLayer(layerId, false), scriptProject.projectManager());
    QMap<QString, bool> flags;
    flags.insert(QStringLiteral("Invert"), options.invertMode == 1);
    flags.insert(QStringLiteral("Stabilize"), options.stabilizeMode == 3);
    flags.insert(QStringLiteral("RemoveLensDistortion"), options.removeLensDistortion);
    result.files = exporter->do_export(&scriptProject, layer, path, context.time.toDouble(), View(context.view), flags);
    result.error = Python::exportError(exporter, "PythonTrackingExporter");
    return result;
}
