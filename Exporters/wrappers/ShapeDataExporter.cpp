#include "ShapeDataExporter.h"

#include "Exporters/Helpers/ExporterRegistry.h"
#include "Exporters/wrappers/BuiltInChecks.h"

#include <Product/Product.h>
#include <Rirediro/Layers/VUVI_Layer.h>

namespace {
const QString s_source = QStringLiteral("Exporters/wrappers/ShapeDataExporter");
}

ShapeDataExporter::ShapeDataExporter(const boost::shared_ptr<Rirediro::ShapeExporter>& exporter)
    : AbstractShapeDataExporter(
        Python::formatByExporterCWPtr<Rirediro::ShapeDataFormat, Rirediro::ShapeExporterFactory>(
            boost::weak_ptr<const Rirediro::ShapeExporter>(exporter))),
      SbkCleaner(this), m_exporter(exporter)
{
}

ShapeDataExporter::~ShapeDataExporter() = default;

QMap<QString, QByteArray> ShapeDataExporter::do_export(Project* project, const QVector<Layer>& layers,
                                                       const QString& shape_file_path, const QVector<View>& views)
{
    const auto core = Python::checkedProject(project, "AbstractShapeDataExporter", s_source, 37);
    Python::checkLayers(layers, "AbstractShapeDataExporter", s_source, 38);

    Rirediro::ShapeExporter::Options options;
    for (const View& view : views)
        options.views.push_back(view.getView());
    options.mode = TQ_SHAPE_EXPORT_LISTED_LAYERS;
    options.productName = Product::name();
    options.productVersion = Product::longVersion();
    QList<unsigned int> ids;
    for (const boost::shared_ptr<VUVI_Layer>& layer : Python::layersIn(layers, *core))
        ids.append(layer->id().toUInt());

    const boost::shared_ptr<QMap<QString, QByteArray>> files =
        m_exporter->exportShape(*core, shape_file_path, ids, options);
    return files ? *files : QMap<QString, QByteArray>();
}

QString ShapeDataExporter::error_string() const
{
    return QString();
}

boost::weak_ptr<Rirediro::ShapeExporter> ShapeDataExporter::wrappedExporter() const
{
    return m_exporter;
}
