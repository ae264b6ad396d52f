#pragma once

#include "Rirediro/Commands/Command.h"
#include "Rirediro/ErrorHandling/VUVI_ErrorDetector.h"

#include <Rirediro/Layers/Contour.h>
#include <Rirediro/Layers/ControlPoint.h>
#include <Rirediro/Layers/PointStates.h>
#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Project/VUVI_SelectionManager.h>

// Makes one point follow a master point. It keeps the addresses of both
// points, never the points, and finds them again each time it runs; when
// either is gone by then, it does nothing. The constraint also smooths the
// handles of the point's neighbours at the frame current when it runs: undo
// gives every point of the contour its whole state back (keyframes
// included) and the point the master it had before (none when it had none);
// redo gives them the states the first run left. Header code, built by
// each user of the core.
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
    }

    void doIt() override
    {
        const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
        if (!project)
            return;
        if (m_hasRun) {
            m_after.restore(*project);
            return;
        }
        const boost::shared_ptr<Rirediro::ControlPoint> master = find(*project, m_master);
        const boost::shared_ptr<Rirediro::ControlPoint> slave = find(*project, m_slave);
        const boost::shared_ptr<Rirediro::Contour> contour = slave ? slave->contour() : nullptr;
        if (!master || !contour)
            return;
        QList<Rirediro::PointDescriptor> points;
        for (const boost::shared_ptr<Rirediro::ControlPoint>& point : contour->points())
            points.append(point->descriptor());
        m_before = Rirediro::PointStates(*project, points);
        project->selectionManager()->constrain(master, slave);
        m_after = Rirediro::PointStates(*project, points);
        m_hasRun = true;
    }

    void undoIt() override
    {
        const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
        if (project && m_hasRun)
            m_before.restore(*project);
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
    // The slave's contour before and after the first run that found both
    // points; undo and redo put them back.
    bool m_hasRun = false;
    Rirediro::PointStates m_before;
    Rirediro::PointStates m_after;
};
