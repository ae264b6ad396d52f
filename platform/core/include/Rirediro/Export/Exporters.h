#pragma once

#include "Rirediro/Export/DataFormats.h"

#include <Prm/Context.h>
#include <Prm/View.h>

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVector>

#include <boost/shared_ptr.hpp>

#include <vector>

class VUVI_Layer;
class VUVI_ProjectManager;

// Which layers a shape export covers. Any int is a mode: a caller may hand
// over one the core does not know.
enum TQ_ShapeExportMode : int {
    TQ_SHAPE_EXPORT_SELECTED_LAYERS = 0,
    TQ_SHAPE_EXPORT_ALL_LAYERS = 1,
    TQ_SHAPE_EXPORT_CURRENT_LAYER = 2,
    TQ_SHAPE_EXPORT_LISTED_LAYERS = 3,
};

namespace Rirediro {

// Output file names to contents; the export driver writes them.
using ExportFiles = QMap<QString, QByteArray>;

// What a tracking or camera-solve export gives back.
struct ExportResult
{
    ExportFiles files;
    int status = 0;
    QString error; // empty after a success
};

// Exports the shapes of layers.
class ShapeExporter
{
public:
    struct Options
    {
        std::vector<Prm::View> views;
        TQ_ShapeExportMode mode = TQ_SHAPE_EXPORT_LISTED_LAYERS;
        QString productName;
        QString productVersion;
        int maximumPoints = 2147483647;
        bool closeSplines = true;
    };

    // The output name under which a shape exporter reports its failure.
    static const QString ERROR_FILENAME;

    virtual ~ShapeExporter();
    // Never null.
    virtual boost::shared_ptr<ExportFiles> exportShape(VUVI_ProjectManager& project, const QString& path,
                                                       const QList<unsigned int>& layerIds,
                                                       const Options& options) const = 0;
};

// Exports the track of one layer.
class TrackingExporter
{
public:
    struct Options
    {
        int invertMode = 0;    // 1: inverted
        int stabilizeMode = 0; // 3: stabilised
        bool removeLensDistortion = false;
        int maximumFrames = 2147483647;
        std::vector<Prm::View> views;
        int streams = 1;
    };

    virtual ~TrackingExporter();
    virtual ExportResult exportTracking(VUVI_ProjectManager& project, const QString& path, unsigned int layerId,
                                        const Prm::Context& context, const Options& options) const = 0;
};

// Exports a camera solved from layers.
class CameraSolveExporter : public QObject
{
    Q_OBJECT
public:
    explicit CameraSolveExporter(QObject* parent = nullptr) : QObject(parent) {}
    ~CameraSolveExporter() override;
    virtual ExportResult exportCameraSolve(VUVI_ProjectManager* project, const QString& path,
                                           const QVector<boost::shared_ptr<const VUVI_Layer>>& layers,
                                           const Prm::Context& context, const std::vector<Prm::View>& views,
                                           int range) const = 0;
};

// The exporters of a family by format: the core's own, and those registered
// for a format until it is unregistered. A registration of a built-in
// format's name stands in for the built-in until it is withdrawn; built-ins
// are never withdrawn. Safe from any thread.
class ShapeExporterFactory
{
public:
    static void registerCustomExporter(const ShapeDataFormat& format, const boost::shared_ptr<ShapeExporter>& exporter);
    static void unregisterExporter(const ShapeDataFormat& format);
    // Null for a format the core does not list.
    static boost::shared_ptr<ShapeExporter> getExporter(const ShapeDataFormat& format);
};

class TrackingExporterFactory
{
public:
    static void registerCustomExporter(const TrackingDataFormat& format,
                                       const boost::shared_ptr<TrackingExporter>& exporter);
    static void unregisterExporter(const TrackingDataFormat& format);
    static boost::shared_ptr<TrackingExporter> getExporter(const TrackingDataFormat& format);
};

} // namespace Rirediro

class VUVI_CameraSolveExporterFactory
{
public:
    static void registerCustomExporter(const Rirediro::CameraSolveFormat& format,
                                       const boost::shared_ptr<Rirediro::CameraSolveExporter>& exporter);
    static void unregisterExporter(const Rirediro::CameraSolveFormat& format);
    static boost::shared_ptr<Rirediro::CameraSolveExporter> getExporter(const Rirediro::CameraSolveFormat& format);
};

// The layers a shape export covers, by mode: the selected layers or all
// layers (front to rear), the tools' current layer, or those of the ids in
// their order (an id without layer is left out). The ids count only for
// the listed mode; any other mode value covers no layer.
class VUVI_ShapeExportHelper
{
public:
    static QVector<boost::shared_ptr<const VUVI_Layer>> getLayersToExport(VUVI_ProjectManager& project,
                                                                          TQ_ShapeExportMode mode,
                                                                          const QList<unsigned int>& layerIds);
};

namespace Rirediro {

// Prepares a camera-solve export: which layers it solves from and on which clip.
class CameraSolveExporterHelper
{
public:
    // The layers are those given; with none, the reference layer alone.
    void initialiseWithPMAndRange(VUVI_ProjectManager* project, unsigned int referenceLayerId, const Prm::View& view,
                                  const QVector<boost::shared_ptr<const VUVI_Layer>>& layers, int range);
    void setClip(unsigned int clipId) { m_clipId = clipId; }

    const QList<unsigned int>& layerIds() const { return m_layerIds; }
    unsigned int clipId() const { return m_clipId; }
    Prm::View view() const { return m_view; }
    int range() const { return m_range; }

private:
    QList<unsigned int> m_layerIds;
    unsigned int m_clipId = 0;
    Prm::View m_view;
    int m_range = 0;
};

} // namespace Rirediro
