// The core's own exporters, one plain-text format per family, and the
// helpers that prepare an export.

#include "ExporterTables.h"

#include "Rirediro/Export/ShapeExport.h"

#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/ControlPoint.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"
#include "Rirediro/Project/VUVI_SelectionManager.h"
#include "Rirediro/Project/VUVI_ToolManager.h"

#include <Bsc/FileWrite.h>

#include <QCoreApplication>
#include <QTextStream>

#include <stdexcept>

namespace Rirediro {

const QString ShapeExporter::ERROR_FILENAME = QStringLiteral("<error>");

ShapeExporter::~ShapeExporter() = default;
TrackingExporter::~TrackingExporter() = default;
CameraSolveExporter::~CameraSolveExporter() = default;

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("PlainTextExporter", text);
}

// Writes `contents` at exactly `path`; the previous file stays unless the
// new one is complete. Throws std::runtime_error with the reason.
void writeAt(const QString& path, const QByteArray& contents)
{
    QString error;
    if (!Bsc::writeFile(path, contents, &error))
        throw std::runtime_error(error.toStdString());
}

ExportResult failure(const QString& error)
{
    ExportResult result;
    result.status = 1;
    result.error = error;
    return result;
}

// The result of an export of `contents` to `path`: the file, or the reason it failed.
ExportResult writtenAt(const QString& path, const QByteArray& contents)
{
    try {
        writeAt(path, contents);
    } catch (const std::exception& e) {
        return failure(QString::fromUtf8(e.what()));
    }
    ExportResult result;
    result.files.insert(path, contents);
    return result;
}

// A name as a JSON string: between double quotes, with '"', '\\' and
// every character that ends a line for some reader (control characters,
// U+0085, U+2028, U+2029) escaped, so that a name reads back whole and
// never splits a record. Ordinary names are written as they are.
QString quoted(const QString& name)
{
    QString text = QStringLiteral("\"");
    for (const QChar c : name) {
        const ushort u = c.unicode();
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            text += QStringLiteral("\\") + c;
        else if (c == QLatin1Char('\n'))
            text += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            text += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            text += QStringLiteral("\\t");
        else if (u < 0x20 || u == 0x7F || u == 0x85 || u == 0x2028 || u == 0x2029)
            text += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        else
            text += c;
    }
    return text + QLatin1Char('"');
}

QString matrixText(const Gan_Matrix33& m)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
        .arg(m.xx).arg(m.xy).arg(m.xz).arg(m.yx).arg(m.yy).arg(m.yz).arg(m.zx).arg(m.zy).arg(m.zz);
}

QPointF carried(const Gan_Matrix33& m, const QPointF& p)
{
    const double w = m.zx * p.x() + m.zy * p.y() + m.zz;
    const double s = w != 0.0 ? 1.0 / w : 1.0;
    return QPointF((m.xx * p.x() + m.xy * p.y() + m.xz) * s, (m.yx * p.x() + m.yy * p.y() + m.yz) * s);
}

Prm::Context frameContext(unsigned int frame, const Prm::View& view)
{
    return Prm::Context(Prm::Time::fromDouble(double(frame)), view, 3);
}

// Per frame, layer and contour, the points where the track carries them.
class PlainTextShapeExporter : public ShapeExporter
{
public:
    boost::shared_ptr<ExportFiles> exportShape(VUVI_ProjectManager& project, const QString& path,
                                               const QList<unsigned int>& layerIds,
                                               const Options& options) const override
    {
        auto files = boost::make_shared<ExportFiles>();
        const auto layers = VUVI_ShapeExportHelper::getLayersToExport(project, options.mode, layerIds);
        if (layers.isEmpty()) {
            files->insert(ERROR_FILENAME, tr("No layers to export").toUtf8());
            return files;
        }
        std::vector<Prm::View> views = options.views;
        if (views.empty())
            views.push_back(Prm::View());
        QString text;
        QTextStream out(&text);
        out << "# shapes, " << options.productName << ' ' << options.productVersion << '\n';
        for (const auto& layer : layers) {
            for (const Prm::View& view : views) {
                for (unsigned int f = layer->inPoint(view, true); f <= layer->outPoint(view, true); ++f) {
                    const Prm::Context context = frameContext(f, view);
                    const Gan_Matrix33 track = layer->transformationMatrix(context);
                    for (const auto& contour : layer->contours()) {
                        out << "frame " << f << " view " << view.id() << " layer " << quoted(layer->name())
                            << " contour " << quoted(ShapeExport::contourName(*contour)) << " points";
                        for (const auto& point : contour->points()) {
                            const QPointF p = carried(track, point->position(context));
                            out << ' ' << p.x() << ' ' << p.y();
                        }
                        out << '\n';
                    }
                }
            }
        }
        out.flush();
        try {
            writeAt(path, text.toUtf8());
        } catch (const std::exception& e) {
            files->insert(ERROR_FILENAME, QByteArray(e.what()));
            return files;
        }
        files->insert(path, text.toUtf8());
        return files;
    }
};

// The layer's track per view of the options (none: the context's view),
// per frame from the layer's in point, at most the options' maximum of
// frames a view; every option in a header.
class PlainTextTrackingExporter : public TrackingExporter
{
public:
    ExportResult exportTracking(VUVI_ProjectManager& project, const QString& path, unsigned int layerId,
                                const Prm::Context& context, const Options& options) const override
    {
        const boost::shared_ptr<VUVI_Layer> layer = project.selectionManager()->findLayer(layerId, false);
        if (!layer)
            return failure(tr("No layer with id %1").arg(layerId));
        QString text;
        QTextStream out(&text);
        out << "# track of layer " << quoted(layer->name()) << " view " << context.view.id() << '\n';
        out << "# invert " << options.invertMode << " stabilize " << options.stabilizeMode
            << " remove-lens-distortion " << int(options.removeLensDistortion) << '\n';
        out << "# views";
        for (const Prm::View& view : options.views)
            out << ' ' << view.id();
        out << " maximum-frames " << options.maximumFrames << " streams " << options.streams << '\n';
        const std::vector<Prm::View> views = options.views.empty() ? std::vector<Prm::View>{context.view}
                                                                   : options.views;
        for (const Prm::View& view : views) {
            out << "# view " << view.id() << '\n';
            const unsigned int last = layer->outPoint(view, true);
            int written = 0;
            for (unsigned int f = layer->inPoint(view, true); f <= last && written < options.maximumFrames;
                 ++f, ++written)
                out << "frame " << f << ' ' << matrixText(layer->transformationMatrix(frameContext(f, view)))
                    << '\n';
        }
        out.flush();
        return writtenAt(path, text.toUtf8());
    }
};

// Per frame each layer's track in the first view given (none: the
// context's view), with the context in the header; the application's
// solver is not part of this library, so nothing is solved.
class PlainTextCameraSolveExporter : public CameraSolveExporter
{
public:
    ExportResult exportCameraSolve(VUVI_ProjectManager*, const QString& path,
                                   const QVector<boost::shared_ptr<const VUVI_Layer>>& layers,
                                   const Prm::Context& context, const std::vector<Prm::View>& views,
                                   int) const override
    {
        if (layers.isEmpty())
            return failure(tr("No layers to solve from"));
        const Prm::View view = views.empty() ? context.view : views.front();
        const auto& first = layers.front();
        QString text;
        QTextStream out(&text);
        out << "# camera from " << layers.size() << " layer(s), view " << view.id() << ", context view "
            << context.view.id() << " at " << context.time.toDouble() << '\n';
        for (unsigned int f = first->inPoint(view, true); f <= first->outPoint(view, true); ++f) {
            for (const auto& layer : layers)
                out << "frame " << f << " layer " << quoted(layer->name()) << ' '
                    << matrixText(layer->transformationMatrix(frameContext(f, view))) << '\n';
        }
        out.flush();
        return writtenAt(path, text.toUtf8());
    }
};

} // namespace

ExporterTable<ShapeDataFormat, ShapeExporter>& shapeExporters()
{
    static ExporterTable<ShapeDataFormat, ShapeExporter> table(
        ShapeDataFormat(QStringLiteral("Plain Text Shapes"), QStringLiteral(".txt"),
                        QStringLiteral("Points of every contour per frame"),
                        ShapeDataFormat::MultipleShapes | ShapeDataFormat::MultipleViews, DataFormatBase::OneStream),
        boost::make_shared<PlainTextShapeExporter>());
    return table;
}

ExporterTable<TrackingDataFormat, TrackingExporter>& trackingExporters()
{
    static ExporterTable<TrackingDataFormat, TrackingExporter> table(
        TrackingDataFormat(QStringLiteral("Plain Text Track"), QStringLiteral(".txt"),
                           QStringLiteral("The layer's track per frame"), 1, TrackingDataFormat::ExportCapabilities(),
                           DataFormatBase::OneStream),
        boost::make_shared<PlainTextTrackingExporter>());
    return table;
}

ExporterTable<CameraSolveFormat, CameraSolveExporter>& cameraSolveExporters()
{
    static ExporterTable<CameraSolveFormat, CameraSolveExporter> table(
        CameraSolveFormat(QStringLiteral("Plain Text Camera"), QStringLiteral(".txt"),
                          QStringLiteral("Each layer's track per frame"), 1, false, false),
        boost::make_shared<PlainTextCameraSolveExporter>());
    return table;
}

void CameraSolveExporterHelper::initialiseWithPMAndRange(VUVI_ProjectManager* project,
                                                         unsigned int referenceLayerId, const Prm::View& view,
                                                         const QVector<boost::shared_ptr<const VUVI_Layer>>& layers,
                                                         int range)
{
    m_layerIds.clear();
    m_view = view;
    m_range = range;
    for (const auto& layer : layers) {
        if (layer)
            m_layerIds.append(layer->id().toUInt());
    }
    if (m_layerIds.isEmpty() && project && project->selectionManager()->findLayer(referenceLayerId, false))
        m_layerIds.append(referenceLayerId);
}

} // namespace Rirediro

QVector<boost::shared_ptr<const VUVI_Layer>>
VUVI_ShapeExportHelper::getLayersToExport(VUVI_ProjectManager& project, TQ_ShapeExportMode mode,
                                          const QList<unsigned int>& layerIds)
{
    const VUVI_SelectionManager& selection = *project.selectionManager();
    QVector<boost::shared_ptr<const VUVI_Layer>> layers;
    switch (mode) {
    case TQ_SHAPE_EXPORT_SELECTED_LAYERS:
    case TQ_SHAPE_EXPORT_ALL_LAYERS:
        for (const boost::shared_ptr<VUVI_Layer>& layer : selection.layersFrontToRear()) {
            if (mode == TQ_SHAPE_EXPORT_ALL_LAYERS || layer->state() == Rirediro::LayerBase::Selected)
                layers.append(layer);
        }
        break;
    case TQ_SHAPE_EXPORT_CURRENT_LAYER:
        if (const boost::shared_ptr<VUVI_Layer> current = project.toolManager().currentLayer())
            layers.append(current);
        break;
    case TQ_SHAPE_EXPORT_LISTED_LAYERS:
        for (unsigned int id : layerIds) {
            if (boost::shared_ptr<VUVI_Layer> layer = selection.findLayer(id, false))
                layers.append(layer);
        }
        break;
    }
    return layers;
}
