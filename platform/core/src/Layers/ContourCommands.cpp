#include "ContourCommands.h"

#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"
#include "Rirediro/Project/VUVI_SelectionManager.h"

#include <Bsc/Memento.h>

#include <QCoreApplication>

namespace Rirediro {

namespace {

QString commandName(const char* text)
{
    return QCoreApplication::translate("Rirediro::CommandManager", text);
}

boost::shared_ptr<VUVI_Layer> findLayer(const VUVI_ProjectManager& project, unsigned int id)
{
    return project.selectionManager()->findLayer(id, false);
}

unsigned int layerIDOf(const Contour& contour)
{
    const boost::shared_ptr<VUVI_Layer> layer = contour.layer();
    return layer ? layer->layerID() : 0u;
}

boost::weak_ptr<VUVI_ProjectManager> projectOf(const Contour& contour)
{
    const boost::shared_ptr<VUVI_Layer> layer = contour.layer();
    return layer ? layer->projectManager() : boost::weak_ptr<VUVI_ProjectManager>();
}

// A new point of the contour with a fresh id, the record written at the context.
boost::shared_ptr<ControlPoint> newPoint(VUVI_ProjectManager& project, Contour& contour,
                                         const ControlPointData& data, const Prm::Context& context)
{
    const boost::shared_ptr<ControlPoint> point = contour.makePoint(project.selectionManager()->newShapeID());
    point->applyData(data, context);
    return point;
}

} // namespace

// ---- InsertContourCommand --------------------------------------------------------------

InsertContourCommand::InsertContourCommand(const VUVI_Layer& layer, int kind,
                                           std::vector<boost::shared_ptr<const ControlPointData>> points,
                                           const Prm::Context& context)
    : m_project(layer.projectManager()), m_layerID(layer.layerID()), m_kind(kind), m_points(std::move(points)),
      m_context(context)
{
}

void InsertContourCommand::doIt()
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    const boost::shared_ptr<VUVI_Layer> layer = project ? findLayer(*project, m_layerID) : nullptr;
    if (!layer)
        return;
    if (m_undone) {
        layer->insertContour(makeContour(*m_undone, layer), layer->contours().size());
        restoreMasters(m_undone->points, *m_undone, m_layerID, *project);
        m_undone.reset();
        return;
    }
    if (m_contourID != 0)
        return; // undo found nothing to take out
    const boost::shared_ptr<Contour> contour = Contour::create(
        m_kind == Contour::Bezier ? Contour::Bezier : Contour::XSpline, project->selectionManager()->newShapeID(), layer);
    for (const boost::shared_ptr<const ControlPointData>& data : m_points)
        contour->insertPoint(newPoint(*project, *contour, *data, m_context), contour->points().size());
    layer->insertContour(contour, layer->contours().size());
    m_contourID = contour->id();
    m_points.clear();
}

void InsertContourCommand::undoIt()
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    const boost::shared_ptr<VUVI_Layer> layer = project ? findLayer(*project, m_layerID) : nullptr;
    const boost::shared_ptr<Contour> contour = layer ? layer->contourWithID(m_contourID) : nullptr;
    if (!contour)
        return;
    m_undone = recordOf(*contour);
    layer->takeContour(*contour);
}

QString InsertContourCommand::name() const
{
    return commandName("Add contour");
}

// ---- RemoveContourCommand --------------------------------------------------------------

RemoveContourCommand::RemoveContourCommand(const Contour& contour)
    : m_project(projectOf(contour)), m_layerID(layerIDOf(contour)), m_contourID(contour.id())
{
}

void RemoveContourCommand::doIt()
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    const boost::shared_ptr<VUVI_Layer> layer = project ? findLayer(*project, m_layerID) : nullptr;
    const boost::shared_ptr<Contour> contour = layer ? layer->contourWithID(m_contourID) : nullptr;
    m_removed.reset();
    if (!contour)
        return;
    m_removed = recordOf(*contour);
    m_index = layer->contours().indexOf(contour);
    m_links = linksLedBy(*contour, *project);
    layer->takeContour(*contour);
}

void RemoveContourCommand::undoIt()
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    const boost::shared_ptr<VUVI_Layer> layer = project ? findLayer(*project, m_layerID) : nullptr;
    if (!layer || !m_removed)
        return;
    layer->insertContour(makeContour(*m_removed, layer), m_index);
    restoreMasters(m_removed->points, *m_removed, m_layerID, *project);
    restoreLinks(m_links, *project);
    m_removed.reset();
}

QString RemoveContourCommand::name() const
{
    return commandName("Delete contour");
}

// ---- InsertPointCommand ----------------------------------------------------------------

InsertPointCommand::InsertPointCommand(const Contour& contour, boost::shared_ptr<const ControlPointData> data,
                                       const Prm::Context& context, unsigned int index)
    : m_project(projectOf(contour)), m_layerID(layerIDOf(contour)), m_contourID(contour.id()),
      m_data(std::move(data)), m_context(context), m_index(index)
{
}

void InsertPointCommand::doIt()
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    const boost::shared_ptr<Contour> contour =
        project ? project->selectionManager()->pGetContour(m_layerID, m_contourID, false) : nullptr;
    if (!contour)
        return;
    if (m_undone) {
        contour->insertPoint(makePoint(*m_undone, *contour), m_undoneIndex);
        restoreMasters({*m_undone}, ContourRecord{m_contourID, contour->kind(), {}}, m_layerID, *project);
        m_undone.reset();
        return;
    }
    if (m_pointID != 0 || !m_data)
        return;
    const boost::shared_ptr<ControlPoint> point = newPoint(*project, *contour, *m_data, m_context);
    const int index = m_index > unsigned(contour->points().size()) ? contour->points().size() : int(m_index);
    contour->insertPoint(point, index);
    m_pointID = point->id();
    m_data.reset();
}

void InsertPointCommand::undoIt()
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    const boost::shared_ptr<Contour> contour =
        project ? project->selectionManager()->pGetContour(m_layerID, m_contourID, false) : nullptr;
    const boost::shared_ptr<ControlPoint> point = contour ? contour->pointWithID(m_pointID) : nullptr;
    if (!point)
        return;
    m_undone = recordOf(*point);
    m_undoneIndex = contour->iControlPointIndex(*point);
    contour->removePoint(*point);
}

QString InsertPointCommand::name() const
{
    return commandName("Add point");
}

// ---- RemovePointCommand ----------------------------------------------------------------

RemovePointCommand::RemovePointCommand(const ControlPoint& point)
    : m_project(point.contour() ? projectOf(*point.contour()) : boost::weak_ptr<VUVI_ProjectManager>()),
      m_point(point.descriptor())
{
}

void RemovePointCommand::doIt()
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    const boost::shared_ptr<ControlPoint> point = project ? findPoint(*project, m_point) : nullptr;
    const boost::shared_ptr<Contour> contour = point ? point->contour() : nullptr;
    m_removed.reset();
    if (!contour)
        return;
    m_removed = recordOf(*point);
    m_index = contour->iControlPointIndex(*point);
    m_links = linksLedBy(*point, *project);
    contour->removePoint(*point);
}

void RemovePointCommand::undoIt()
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    const boost::shared_ptr<Contour> contour =
        project ? project->selectionManager()->pGetContour(m_point.layerID, m_point.contourID, false) : nullptr;
    if (!contour || !m_removed)
        return;
    contour->insertPoint(makePoint(*m_removed, *contour), m_index);
    restoreMasters({*m_removed}, ContourRecord{m_point.contourID, contour->kind(), {}}, m_point.layerID, *project);
    restoreLinks(m_links, *project);
    m_removed.reset();
}

QString RemovePointCommand::name() const
{
    return commandName("Delete point");
}

// ---- PointStates -----------------------------------------------------------------------

PointStates::PointStates(const VUVI_ProjectManager& project, const QList<PointDescriptor>& points)
{
    for (const PointDescriptor& address : points) {
        const boost::shared_ptr<ControlPoint> point = findPoint(project, address);
        if (!point)
            continue;
        State state{address, {}, boost::none};
        for (const Prm::ParameterWithoutType* parameter : point->parameters())
            state.parameters.push_back(parameter->exportState());
        if (const boost::shared_ptr<ControlPoint> master = point->masterPoint())
            state.master = master->descriptor();
        m_states.push_back(std::move(state));
    }
}

void PointStates::restore(VUVI_ProjectManager& project) const
{
    for (const State& state : m_states) {
        const boost::shared_ptr<ControlPoint> point = findPoint(project, state.point);
        if (!point)
            continue;
        const QVector<Prm::ParameterWithoutType*>& parameters = point->parameters();
        for (int i = 0; i < parameters.size() && std::size_t(i) < state.parameters.size(); ++i)
            parameters[i]->importState(state.parameters[std::size_t(i)]);
        const boost::shared_ptr<ControlPoint> master = state.master ? findPoint(project, *state.master) : nullptr;
        if (master != point->masterPoint())
            point->setMasterPoint(master);
    }
}

// ---- PointEditCommand ------------------------------------------------------------------

PointEditCommand::PointEditCommand(const boost::weak_ptr<VUVI_ProjectManager>& project, QList<PointDescriptor> points,
                                   boost::function<void()> edit, QString name)
    : m_project(project), m_points(std::move(points)), m_edit(std::move(edit)), m_name(std::move(name))
{
}

PointEditCommand::~PointEditCommand() = default;

void PointEditCommand::doIt()
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    if (!project)
        return;
    if (m_hasRun) {
        m_after.restore(*project);
        return;
    }
    m_before = PointStates(*project, m_points);
    try {
        if (m_edit)
            m_edit();
    } catch (...) {
        m_before.restore(*project);
        throw;
    }
    // The edit may hold the points: it must not keep them alive in the history.
    m_edit = {};
    m_after = PointStates(*project, m_points);
    m_hasRun = true;
}

void PointEditCommand::undoIt()
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    if (project && m_hasRun)
        m_before.restore(*project);
}

} // namespace Rirediro
