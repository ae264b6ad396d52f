#include "PythonShapeExporter.h"

#include "Exporters/Helpers/AbstractShapeDataExporter.h"
#include "Exporters/Helpers/ExporterAdaptor.h"
#include "Project/wrappers/Project.h"

#include <Rirediro/Layers/VUVI_Layer.h>

#include <boost/make_shared.hpp>

namespace {
const QString s_source = QStringLiteral("Exporters/Helpers/PythonShapeExporter");
}

PythonShapeExporter::PythonShapeExporter(AbstractShapeDataExporter* exporter) : m_abstractExporter(exporter) {}

PythonShapeExporter::~PythonShapeExporter() = default;

boost::shared_ptr<QMap<QString, QByteArray>> PythonShapeExporter::exportShape(VUVI_ProjectManager& project,
                                                                              const QString& path,
                                                                              const QList<unsigned int>& layerIds,
                                                                              const Options& options) const
{
    const PyHelpers::ExtensionCall<AbstractShapeDataExporter> exporter(m_abstractExporter);
    if (!Python::checkedExporter(exporter, "PythonShapeExporter", s_source, 40))
        return boost::make_shared<QMap<QString, QByteArray>>();

    QMap<QString, QByteArray> files;
    QString error;
    {
        // Lives for this call only: Python keeps nothing of it.
        Project scriptProject(&project);
        QVector<Layer> layers;
        for (const auto& layer : VUVI_ShapeExportHelper::getLayersToExport(project, options.mode, layerIds))
            layers.append(Layer(boost::const_pointer_cast<VUVI_Layer>(layer), scriptProject.projectManager()));
        QVector<View> views;
        for (const Prm::View& view : options.views)
            views.append(View(view));
        files = exporter->do_export(&scriptProject, layers, path, views);
        error = Python::exportError(exporter, "PythonShapeExporter");
    }
    if (!error.isEmpty())
        files.insert(Rirediro::ShapeExporter::ERROR_FILENAME, error.toUtf8());
    return boost::make_shared<QMap<QString, QByteArray>>(files);
}
