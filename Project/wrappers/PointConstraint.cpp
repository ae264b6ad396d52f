#include "PointConstraint.h"

#include <Rirediro/Commands/BreakPointConstraintCommand.h>
#include <Rirediro/Commands/CommandManager.h>
#include <Rirediro/Commands/LayerCommands.h>
#include <Rirediro/Commands/MacroCommand.h>
#include <Rirediro/Commands/VUVI_AddPointConstraintCommand.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>
#include <Rirediro/Layers/BezierContour.h>

#include <Bsc/Command.h>

#include <QCoreApplication>

#include <boost/make_shared.hpp>

namespace Python {

void setPointConstraint(const boost::shared_ptr<Rirediro::ControlPoint>& master,
                        const boost::shared_ptr<Rirediro::ControlPoint>& slave, VUVI_ProjectManager* project,
                        const Prm::Context& context, bool lockTangents)
{
    if (!slave || !project)
        return;
    const auto macro =
        boost::make_shared<Rirediro::MacroCommand>(QCoreApplication::translate("PyHandle", "Constrain point"));
    const unsigned int slaveLayerID = slave->descriptor().layerID;
    boost::shared_ptr<Rirediro::Command> constraint;
    if (!master) {
        constraint = boost::make_shared<Rirediro::BreakPointConstraintCommand>(
            project, QList<Rirediro::PointDescriptor>{slave->descriptor()}, Rirediro::BreakPointConstraintCommand::ToMaster);
    } else {
        const QString source = QStringLiteral("../Project/wrappers/BezierControlPoint");
        VUVI_ErrorDetector::instance()->check(!slave->isConstraintCyclic(*master), source, 167,
                                              QStringLiteral("!slave->isConstraintCyclic( *master.get() )"),
                                              QCoreApplication::translate("PyHandle", "No cyclic constraints are allowed"));
        const unsigned int masterLayerID = master->descriptor().layerID;
        VUVI_ErrorDetector::instance()->check(
            slaveLayerID != masterLayerID, source, 170, QStringLiteral("slaveLayerID != masterLayerID"),
            QCoreApplication::translate("PyHandle", "Master point must be on another layer"));
        constraint =
            boost::make_shared<VUVI_AddPointConstraintCommand>(project, project->currentFrame(), *master, *slave);
    }
    // The neighbours' handles as they are before the constraint changes them.
    const std::vector<boost::shared_ptr<Rirediro::BezierContour::TangentState>> tangents =
        lockTangents ? Rirediro::BezierContour::TangentState::adjacentPointStates(*slave, context, false)
                     : std::vector<boost::shared_ptr<Rirediro::BezierContour::TangentState>>();
    // The constraint runs first and the handles are put back after it, in
    // the one step that undo and redo replay in the same order. A step that
    // fails leaves neither in force.
    macro->append(constraint);
    if (!tangents.empty()) {
        auto edits = std::make_unique<Bsc::CompositeCommand>();
        Rirediro::BezierContour::TangentState::setTangentHandlePositions(tangents, project->animationState(), context,
                                                                        *edits, {});
        macro->append(boost::make_shared<Rirediro::ParameterChangeCommand>(std::move(edits)));
    }
    project->commandManager()->executeAndLog(macro, context, true, true);
}

boost::shared_ptr<Rirediro::ControlPoint> masterPointOf(const Rirediro::ControlPoint& point)
{
    const boost::shared_ptr<Rirediro::ControlPoint> master = point.masterPoint();
    const boost::shared_ptr<Rirediro::Contour> contour = master ? master->contour() : nullptr;
    return contour ? contour->pointByID(master->id()) : nullptr;
}

} // namespace Python
