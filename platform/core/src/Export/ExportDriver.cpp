#include "Rirediro/Export/ExportDriver.h"

#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"

#include <Bsc/FileWrite.h>
#include <Product/Product.h>
#include <Rirediro/ErrorHandling/VUVI_Error.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Rirediro {

namespace {

template <typename Format>
Format formatNamed(const QMap<QString, Format>& formats, const QString& name)
{
    auto it = formats.find(name);
    if (it == formats.end())
        throwException<VUVI_OutOfRange>(
            QCoreApplication::translate("ExportDriver", "No export format named '%1'").arg(name));
    return it.value();
}

ExportDriver::Outcome finish(const ExportResult& result, const QString& path)
{
    ExportDriver::Outcome outcome = ExportDriver::writeFiles(result.files, path);
    if (!result.error.isEmpty())
        outcome.error = result.error;
    return outcome;
}

} // namespace

ExportDriver::Outcome ExportDriver::writeFiles(const ExportFiles& files, const QString& path)
{
    Outcome outcome;
    const QDir folder = QFileInfo(path).absoluteDir();
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (it.key() == ShapeExporter::ERROR_FILENAME) {
            outcome.error = QString::fromUtf8(it.value());
            continue;
        }
        const QString target = QFileInfo(it.key()).isAbsolute() ? it.key() : folder.absoluteFilePath(it.key());
        if (!Bsc::writeFile(target, it.value(), &outcome.error))
            return outcome;
        outcome.written.append(target);
    }
    return outcome;
}

ExportDriver::Outcome ExportDriver::exportShapes(VUVI_ProjectManager& project, const QString& format,
                                                 const QString& path, const QList<unsigned int>& layerIds,
                                                 const std::vector<Prm::View>& views)
{
    const auto exporter = ShapeExporterFactory::getExporter(formatNamed(ShapeDataFormat::MAP_ALL(nullptr), format));
    ShapeExporter::Options options;
    options.views = views;
    options.productName = Product::name();
    options.productVersion = Product::longVersion();
    const boost::shared_ptr<ExportFiles> files = exporter->exportShape(project, path, layerIds, options);
    return writeFiles(files ? *files : ExportFiles(), path);
}

ExportDriver::Outcome ExportDriver::exportTracking(VUVI_ProjectManager& project, const QString& format,
                                                   const QString& path, unsigned int layerId,
                                                   const Prm::Context& context,
                                                   const TrackingExporter::Options& options)
{
    const auto exporter =
        TrackingExporterFactory::getExporter(formatNamed(TrackingDataFormat::MAP_ALL(nullptr), format));
    return finish(exporter->exportTracking(project, path, layerId, context, options), path);
}

ExportDriver::Outcome ExportDriver::exportCameraSolve(VUVI_ProjectManager& project, const QString& format,
                                                      const QString& path,
                                                      const QVector<boost::shared_ptr<const VUVI_Layer>>& layers,
                                                      const Prm::Context& context,
                                                      const std::vector<Prm::View>& views)
{
    const auto exporter =
        VUVI_CameraSolveExporterFactory::getExporter(formatNamed(CameraSolveFormat::MAP_ALL(), format));
    return finish(exporter->exportCameraSolve(&project, path, layers, context, views, 2147483647), path);
}

} // namespace Rirediro
