#pragma once

#include <Rirediro/Export/Exporters.h>

#include "Python/ExtensionCall.h"

class AbstractTrackingDataExporter;

// The core's tracking exporter of a format that Python registered (see
// PythonShapeExporter).
class PythonTrackingExporter : public Rirediro::TrackingExporter
{
public:
    explicit PythonTrackingExporter(AbstractTrackingDataExporter* exporter);
    ~PythonTrackingExporter() override;

    Rirediro::ExportResult exportTracking(VUVI_ProjectManager& project, const QString& path, unsigned int layerId,
                                          const Prm::Context& context, const Options& options) const override;

private:
    PyHelpers::ExtensionPointer<AbstractTrackingDataExporter> m_abstractExporter;
};
