// The shapes of layers: the layer's shape edits, the selection manager's
// look-ups and constraints, and the command that breaks constraints.

#include "ContourCommands.h"
#include "TreeCommands.h"

#include "Rirediro/Commands/BreakPointConstraintCommand.h"
#include "Rirediro/Layers/BezierContour.h"
#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/LayerGroup.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"
#include "Rirediro/Project/VUVI_SelectionManager.h"

#include <QCoreApplication>

#include <algorithm>

// ---- VUVI_Layer ------------------------------------------------------------------------

boost::shared_ptr<Rirediro::Contour> VUVI_Layer::contourWithID(unsigned int id) const
{
    for (const boost::shared_ptr<Rirediro::Contour>& contour : m_contours) {
        if (contour->id() == id)
            return contour;
    }
    return nullptr;
}

boost::shared_ptr<Rirediro::Contour>
VUVI_Layer::createContour(const std::vector<boost::shared_ptr<const Rirediro::ControlPointData>>& points,
                          const Prm::Context& context, int kind, Bsc::CompositeCommand* macro)
{
    m_journal.append(QStringLiteral("createContour %1 %2").arg(kind).arg(points.size()));
    // The command lives in the project's history: the project is kept until
    // the new contour is found.
    const boost::shared_ptr<VUVI_ProjectManager> project = projectManager().lock();
    if (!project)
        return nullptr;
    auto command = std::make_unique<Rirediro::InsertContourCommand>(*this, kind, points, context);
    Rirediro::InsertContourCommand& insertion = *command;
    Rirediro::runTreeCommand(project, std::move(command), macro);
    return contourWithID(insertion.contourID());
}

void VUVI_Layer::createControlPoint(const boost::shared_ptr<Rirediro::Contour>& contour,
                                    const boost::shared_ptr<const Rirediro::ControlPointData>& data,
                                    const Prm::Context& context, unsigned int index, Bsc::CompositeCommand* macro)
{
    m_journal.append(QStringLiteral("createControlPoint %1 at %2").arg(contour->id()).arg(index));
    Rirediro::runTreeCommand(projectManager(),
                             std::make_unique<Rirediro::InsertPointCommand>(*contour, data, context, index), macro);
}

void VUVI_Layer::setControlPointData(const boost::shared_ptr<Rirediro::ControlPoint>& point,
                                     const boost::shared_ptr<const Rirediro::ControlPointData>& data,
                                     const Prm::Context& context, bool update, Bsc::CompositeCommand* macro)
{
    m_journal.append(QStringLiteral("setControlPointData %1 update %2").arg(point->id()).arg(update ? 1 : 0));
    const boost::weak_ptr<Rirediro::ControlPoint> target = point;
    auto edit = [target, data, context] {
        if (const boost::shared_ptr<Rirediro::ControlPoint> live = target.lock())
            live->applyData(*data, context);
    };
    Rirediro::runTreeCommand(projectManager(),
                             std::make_unique<Rirediro::PointEditCommand>(
                                 projectManager(), QList<Rirediro::PointDescriptor>{point->descriptor()}, edit,
                                 QCoreApplication::translate("Rirediro::CommandManager", "Edit point")),
                             macro);
}

void VUVI_Layer::removeControlPoint(const boost::shared_ptr<Rirediro::ControlPoint>& point, Bsc::CompositeCommand* macro)
{
    m_journal.append(QStringLiteral("removeControlPoint %1").arg(point->id()));
    Rirediro::runTreeCommand(projectManager(), std::make_unique<Rirediro::RemovePointCommand>(*point), macro);
}

void VUVI_Layer::removeContour(const boost::shared_ptr<Rirediro::Contour>& contour, Bsc::CompositeCommand* macro)
{
    m_journal.append(QStringLiteral("removeContour %1").arg(contour->id()));
    Rirediro::runTreeCommand(projectManager(), std::make_unique<Rirediro::RemoveContourCommand>(*contour), macro);
}

void VUVI_Layer::insertContour(const boost::shared_ptr<Rirediro::Contour>& contour, int index)
{
    m_contours.insert(std::clamp(index, 0, int(m_contours.size())), contour);
}

bool VUVI_Layer::takeContour(const Rirediro::Contour& contour)
{
    for (int i = 0; i < m_contours.size(); ++i) {
        if (m_contours[i].get() == &contour) {
            m_contours.removeAt(i);
            return true;
        }
    }
    return false;
}

// ---- VUVI_SelectionManager ----------------------------------------------------------------

boost::shared_ptr<Rirediro::Contour> VUVI_SelectionManager::pGetContour(unsigned int layerID, unsigned int contourID,
                                                                     bool selectedOnly) const
{
    const boost::shared_ptr<VUVI_Layer> layer = findLayer(layerID, selectedOnly);
    return layer ? layer->contourWithID(contourID) : nullptr;
}

boost::shared_ptr<Rirediro::ControlPoint> VUVI_SelectionManager::findPoint(unsigned int pointID) const
{
    for (const boost::shared_ptr<VUVI_Layer>& layer : layersFrontToRear()) {
        for (const boost::shared_ptr<Rirediro::Contour>& contour : layer->contours()) {
            if (boost::shared_ptr<Rirediro::ControlPoint> point = contour->pointWithID(pointID))
                return point;
        }
    }
    return nullptr;
}

QVector<boost::shared_ptr<Rirediro::ControlPoint>>
VUVI_SelectionManager::slavesOf(const Rirediro::ControlPoint& master) const
{
    QVector<boost::shared_ptr<Rirediro::ControlPoint>> slaves;
    for (const boost::shared_ptr<VUVI_Layer>& layer : layersFrontToRear()) {
        for (const boost::shared_ptr<Rirediro::Contour>& contour : layer->contours()) {
            for (const boost::shared_ptr<Rirediro::ControlPoint>& point : contour->points()) {
                if (point->masterPoint().get() == &master)
                    slaves.append(point);
            }
        }
    }
    return slaves;
}

void VUVI_SelectionManager::constrain(const boost::shared_ptr<Rirediro::ControlPoint>& master,
                                      const boost::shared_ptr<Rirediro::ControlPoint>& slave)
{
    if (!master || !slave)
        return;
    slave->setMasterPoint(master);
    const auto contour = boost::dynamic_pointer_cast<Rirediro::BezierContour>(slave->contour());
    if (contour)
        contour->smoothAdjacentHandles(contour->iControlPointIndex(*slave), m_project.currentFrame());
}

void VUVI_SelectionManager::vInitialiseLayer(const boost::shared_ptr<VUVI_Layer>& layer, const Prm::Context& context)
{
    m_journal.append(QStringLiteral("vInitialiseLayer %1 at %2 in view %3")
                         .arg(layer ? layer->id() : QStringLiteral("none"))
                         .arg(context.time.toDouble())
                         .arg(context.view.id()));
}

unsigned int VUVI_SelectionManager::newShapeID()
{
    return ++m_lastShapeID;
}

void VUVI_SelectionManager::reserveShapeID(unsigned int id)
{
    m_lastShapeID = std::max(m_lastShapeID, id);
}

// ---- BreakPointConstraintCommand -------------------------------------------------------

namespace Rirediro {

BreakPointConstraintCommand::BreakPointConstraintCommand(VUVI_ProjectManager* project,
                                                         const QList<PointDescriptor>& points, Direction direction)
    : m_points(points), m_direction(direction)
{
    if (project)
        m_project = project->weak_from_this();
}

BreakPointConstraintCommand::~BreakPointConstraintCommand() = default;

void BreakPointConstraintCommand::doIt()
{
    m_broken.clear();
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    if (!project)
        return;
    for (const PointDescriptor& address : m_points) {
        const boost::shared_ptr<ControlPoint> point = findPoint(*project, address);
        if (!point)
            continue;
        if (m_direction != ToSlaves) {
            if (const boost::shared_ptr<ControlPoint> master = point->masterPoint()) {
                m_broken.emplace_back(master->descriptor(), point->descriptor());
                point->setMasterPoint(nullptr);
            }
        }
        if (m_direction != ToMaster) {
            for (const boost::shared_ptr<ControlPoint>& slave : project->selectionManager()->slavesOf(*point)) {
                m_broken.emplace_back(point->descriptor(), slave->descriptor());
                slave->setMasterPoint(nullptr);
            }
        }
    }
}

void BreakPointConstraintCommand::undoIt()
{
    if (const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock())
        restoreLinks(m_broken, *project);
}

QString BreakPointConstraintCommand::name() const
{
    return QCoreApplication::translate("Rirediro::CommandManager", "Break constraint");
}

} // namespace Rirediro
