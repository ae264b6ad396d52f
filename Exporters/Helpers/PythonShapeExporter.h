#pragma once

#include <Rirediro/Export/Exporters.h>

#include "Python/ExtensionCall.h"

class AbstractShapeDataExporter;

// The core's shape exporter of a format that Python registered: each export
// reaches the exporter's do_export, then its error_string. Shared by the
// exporter and the core's factory; it never owns the exporter.
class PythonShapeExporter : public Rirediro::ShapeExporter
{
public:
    explicit PythonShapeExporter(AbstractShapeDataExporter* exporter);
    ~PythonShapeExporter() override;

    // The files do_export gave back; a failure's text under ERROR_FILENAME.
    boost::shared_ptr<QMap<QString, QByteArray>> exportShape(VUVI_ProjectManager& project, const QString& path,
                                                             const QList<unsigned int>& layerIds,
                                                             const Options& options) const override;

private:
    PyHelpers::ExtensionPointer<AbstractShapeDataExporter> m_abstractExporter;
};
