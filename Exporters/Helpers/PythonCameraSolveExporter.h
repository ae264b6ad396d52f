#pragma once

#include <Rirediro/Export/Exporters.h>

#include "Python/ExtensionCall.h"

class AbstractCameraSolveExporter;

// The core's camera-solve exporter of a format that Python registered (see
// PythonShapeExporter).
class PythonCameraSolveExporter : public Rirediro::CameraSolveExporter
{
    Q_OBJECT
public:
    explicit PythonCameraSolveExporter(AbstractCameraSolveExporter* exporter);
    ~PythonCameraSolveExporter() override;

    Rirediro::ExportResult exportCameraSolve(VUVI_ProjectManager* project, const QString& path,
                                             const QVector<boost::shared_ptr<const VUVI_Layer>>& layers,
                                             const Prm::Context& context, const std::vector<Prm::View>& views,
                                             int range) const override;

private:
    PyHelpers::ExtensionPointer<AbstractCameraSolveExporter> m_abstractExporter;
};
