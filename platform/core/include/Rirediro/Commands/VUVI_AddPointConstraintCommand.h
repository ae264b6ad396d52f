#pragma once

#include "Rirediro/Commands/Command.h"
#include "Rirediro/ErrorHandling/VUVI_ErrorDetector.h"

#include <Rirediro/Layers/BezierContour.h>
#include <Rirediro/Layers/Contour.h>
#include <Rirediro/Layers/ControlPoint.h>
#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Project/VUVI_SelectionManager.h>

#include <boost/optional.hpp>

#include <vector>

// Makes one point follow a master point. It keeps the addresses of both
// points, never the points, and finds them again each time it runs; when
// either is gone by then, it does nothing. Undo gives the point back the
// master it had before (none when it had none) and its neighbours' tangent
// handles as they were. Header code, built by each user of the core.
class VUVI_AddPointConstraintCommand : public Rirediro::Command
{
public:
    VUVI_AddPointConstraintCommand(VUVI_ProjectManager* pm, const Prm::Context& context,
                                   const Rirediro::ControlPoint& master, const Rirediro::ControlPoint& slave)
    {
        VUVI_ErrorDetector::instance()->checkNotNull(
            pm != nullptr, QStringLiteral("Rirediro/CommandManager/VUVI_AddPointConstraintCommand"), 29,
            QStringLiteral("pm != __null"), QStringLiteral("Unexpected NULL Pointer:pm"));
        m_projectManager = pm;
        m_project = pm->weak_from_this();
        m_context = context;
        m_master = master.descriptor();
        m_slave = slave.descriptor();
        if (const boost::shared_ptr<Rirediro::ControlPoint> previous = slave.masterPoint())
            m_previousMaster = previous->descriptor();
    }

    void doIt() override
    {
        const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
        if (!project)
            return;
        const boost::shared_ptr<Rirediro::ControlPoint> master = find(*project, m_master);
        const boost::shared_ptr<Rirediro::ControlPoint> slave = find(*project, m_slave);
        if (!master || !slave)
            return;
        m_neighbours = Rirediro::BezierContour::TangentState::adjacentPointStates(*slave, m_context, false);
        project->selectionManager()->constrain(master, slave);
    }

    void undoIt() override
    {
        const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
        if (!project)
            return;
        const boost::shared_ptr<Rirediro::ControlPoint> slave = find(*project, m_slave);
        if (!slave)
            return;
        const boost::shared_ptr<Rirediro::ControlPoint> previous =
            m_previousMaster ? find(*project, *m_previousMaster) : nullptr;
        if (previous)
            project->selectionManager()->constrain(previous, slave);
        else
            slave->setMasterPoint(nullptr);
        Rirediro::BezierContour::TangentState::putBack(m_neighbours, *project);
    }

    ~VUVI_AddPointConstraintCommand() override = default;
    bool canUndo() const override { return true; }
    QString name() const override { return QStringLiteral("Attach Points"); }

    const Prm::Context& context() const { return m_context; }
    const Rirediro::PointDescriptor& masterAddress() const { return m_master; }
    const Rirediro::PointDescriptor& slaveAddress() const { return m_slave; }

private:
    static boost::shared_ptr<Rirediro::ControlPoint> find(const VUVI_ProjectManager& project,
                                                          const Rirediro::PointDescriptor& address)
    {
        const boost::shared_ptr<Rirediro::Contour> contour =
            project.selectionManager()->pGetContour(address.layerID, address.contourID, false);
        return contour ? contour->pointWithID(address.pointID) : nullptr;
    }

    VUVI_ProjectManager* m_projectManager = nullptr;
    boost::weak_ptr<VUVI_ProjectManager> m_project; // the history may outlive the project
    Prm::Context m_context;
    Rirediro::PointDescriptor m_master;
    Rirediro::PointDescriptor m_slave;
    boost::optional<Rirediro::PointDescriptor> m_previousMaster;
    std::vector<boost::shared_ptr<Rirediro::BezierContour::TangentState>> m_neighbours;
};
