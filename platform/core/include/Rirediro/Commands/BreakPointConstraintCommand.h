#pragma once

#include "Rirediro/Commands/Command.h"

#include <Rirediro/Layers/ControlPoint.h>

#include <QList>

#include <boost/weak_ptr.hpp>

#include <utility>
#include <vector>

class VUVI_ProjectManager;

namespace Rirediro {

// Frees points from the constraints they take part in. It finds the
// points by address each time it runs; undo puts back the constraints it
// broke, as far as both points still exist.
class BreakPointConstraintCommand : public Command
{
public:
    enum Direction {
        ToSlaves = 1,          // the points stop leading the points that follow them
        ToMasterAndSlaves = 2, // both
        ToMaster = 3,          // the points stop following their masters
    };

    BreakPointConstraintCommand(VUVI_ProjectManager* project, const QList<PointDescriptor>& points,
                                Direction direction);
    ~BreakPointConstraintCommand() override;

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override;

private:
    boost::weak_ptr<VUVI_ProjectManager> m_project; // the history may outlive the project
    QList<PointDescriptor> m_points;
    Direction m_direction;
    // The links the last run broke: (master, slave).
    std::vector<std::pair<PointDescriptor, PointDescriptor>> m_broken;
};

} // namespace Rirediro
