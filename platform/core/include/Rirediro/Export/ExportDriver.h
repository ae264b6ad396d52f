#pragma once

#include "Rirediro/Export/Exporters.h"

#include <QStringList>

namespace Rirediro {

// Runs an export as the application does when a user exports in a format:
// finds the format's exporter in the factory, runs it, and writes the files
// it gives back. An output name that is a relative path is written beside
// `path`; each file is replaced only once its new contents are complete.
class ExportDriver
{
public:
    struct Outcome
    {
        QStringList written; // absolute paths, in output-name order
        QString error;       // the exporter's, or a failed write; empty after a success
    };

    // VUVI_OutOfRange for a format the core does not list.
    static Outcome exportShapes(VUVI_ProjectManager& project, const QString& format, const QString& path,
                                const QList<unsigned int>& layerIds, const std::vector<Prm::View>& views);
    static Outcome exportTracking(VUVI_ProjectManager& project, const QString& format, const QString& path,
                                  unsigned int layerId, const Prm::Context& context,
                                  const TrackingExporter::Options& options);
    static Outcome exportCameraSolve(VUVI_ProjectManager& project, const QString& format, const QString& path,
                                     const QVector<boost::shared_ptr<const VUVI_Layer>>& layers,
                                     const Prm::Context& context, const std::vector<Prm::View>& views);

    // Writes the files; the first failure ends the writing, in `error`.
    static Outcome writeFiles(const ExportFiles& files, const QString& path);
};

} // namespace Rirediro
