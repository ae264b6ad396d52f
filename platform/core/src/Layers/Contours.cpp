#include "Rirediro/Layers/BezierContour.h"
#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/ControlPoint.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "ContourCommands.h"

#include "Rirediro/Commands/MacroCommand.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"
#include "Rirediro/Project/VUVI_RenderingContext.h"
#include "Rirediro/Tracking/VUVI_TrackCache.h"

#include <Bsc/Command.h>

#include <QCoreApplication>
#include <QSet>

#include <boost/make_shared.hpp>

#include <algorithm>

namespace Rirediro {

ControlPointData::~ControlPointData() = default;

// ---- ControlPoint ---------------------------------------------------------------------

ControlPoint::ControlPoint(unsigned int id, const boost::weak_ptr<Contour>& contour)
    : m_id(id), m_contour(contour), m_x(QStringLiteral("x"), 0.0, -1e6, 1e6), m_y(QStringLiteral("y"), 0.0, -1e6, 1e6),
      m_weight(QStringLiteral("weight"), 1.0, -1.0, 1.0), m_edgeWidth(QStringLiteral("edgeWidth"), 0.0f, 0.0f, 1000.0f),
      m_edgeAngleRatio(QStringLiteral("edgeAngleRatio"), 0.5f, 0.0f, 1.0f)
{
    setScriptName(QStringLiteral("point"));
    m_active.setScriptName(QStringLiteral("active"));
    m_active.vSetDefault(true);
    m_active.setKeyframed(false);
    m_corner.setScriptName(QStringLiteral("corner"));
    addParameters({&m_active, &m_corner, &m_x, &m_y, &m_weight, &m_edgeWidth, &m_edgeAngleRatio});
}

ControlPoint::~ControlPoint() = default;

void ControlPoint::addParameters(std::initializer_list<Prm::ParameterWithoutType*> parameters)
{
    for (Prm::ParameterWithoutType* parameter : parameters)
        addParameter(parameter);
}

PointDescriptor ControlPoint::descriptor() const
{
    PointDescriptor address;
    address.pointID = m_id;
    if (const boost::shared_ptr<Contour> owner = contour()) {
        address.contourID = owner->id();
        if (const boost::shared_ptr<VUVI_Layer> layer = owner->layer())
            address.layerID = layer->layerID();
    }
    return address;
}

Prm::ParameterSet::Finder ControlPoint::finder() const
{
    const boost::shared_ptr<Contour> shape = contour();
    const boost::shared_ptr<VUVI_Layer> layer = shape ? shape->layer() : nullptr;
    const boost::shared_ptr<VUVI_ProjectManager> project = layer ? layer->projectManager().lock() : nullptr;
    const PointDescriptor address = descriptor();
    if (!project || findPoint(*project, address).get() != this)
        return ParameterSet::finder();
    const boost::weak_ptr<VUVI_ProjectManager> owner = project;
    return [owner, address]() -> boost::shared_ptr<Prm::ParameterSet> {
        const boost::shared_ptr<VUVI_ProjectManager> found = owner.lock();
        return found ? findPoint(*found, address) : nullptr;
    };
}

QPointF ControlPoint::position(const Prm::Context& context) const
{
    return QPointF(m_x.value(context), m_y.value(context));
}

void ControlPoint::applyData(const ControlPointData& data, const Prm::Context& context)
{
    if (data.active)
        m_active.vSetValue(*data.active != 0, context);
    if (data.corner)
        m_corner.vSetValue(*data.corner != 0, context);
    if (data.x)
        m_x.vSetValue(*data.x, context);
    if (data.y)
        m_y.vSetValue(*data.y, context);
    if (data.edgeWidth)
        m_edgeWidth.vSetValue(*data.edgeWidth, context);
    if (data.edgeAngleRatio)
        m_edgeAngleRatio.vSetValue(*data.edgeAngleRatio, context);
    if (const auto* xspline = dynamic_cast<const XSplineControlPointData*>(&data)) {
        if (xspline->weight)
            m_weight.vSetValue(double(*xspline->weight), context);
    }
}

void ControlPoint::setMasterPoint(const boost::shared_ptr<ControlPoint>& master)
{
    m_master = master;
    m_x.bUnconstrain();
    m_y.bUnconstrain();
    if (master) {
        m_x.setMasterParameter(&master->m_x);
        m_y.setMasterParameter(&master->m_y);
    }
}

bool ControlPoint::isConstraintCyclic(const ControlPoint& master) const
{
    QSet<const ControlPoint*> seen;
    boost::shared_ptr<const ControlPoint> hold;
    for (const ControlPoint* point = &master; point && !seen.contains(point);) {
        if (point == this)
            return true;
        seen.insert(point);
        hold = point->masterPoint();
        point = hold.get();
    }
    return false;
}

// ---- Contour ---------------------------------------------------------------------------

Contour::Contour(Kind kind, unsigned int id, const boost::weak_ptr<VUVI_Layer>& layer)
    : m_kind(kind), m_id(id), m_layer(layer)
{
    setScriptName(QStringLiteral("contour"));
}

Contour::~Contour() = default;

boost::shared_ptr<Contour> Contour::create(Kind kind, unsigned int id, const boost::weak_ptr<VUVI_Layer>& layer)
{
    if (kind == Bezier)
        return boost::make_shared<BezierContour>(id, layer);
    return boost::shared_ptr<Contour>(new Contour(XSpline, id, layer));
}

int Contour::iControlPointIndex(const ControlPoint& point) const
{
    for (int i = 0; i < m_points.size(); ++i) {
        if (m_points[i].get() == &point)
            return i;
    }
    return -1;
}

boost::shared_ptr<ControlPoint> Contour::pointWithID(unsigned int id) const
{
    for (const boost::shared_ptr<ControlPoint>& point : m_points) {
        if (point->id() == id)
            return point;
    }
    return nullptr;
}

QPointF Contour::tracked(const QPointF& position, const Prm::Context& context, VUVI_TrackCache* cache) const
{
    const boost::shared_ptr<VUVI_Layer> owner = layer();
    if (!owner)
        return position;
    Gan_Matrix33 m;
    const VUVI_TrackCache::TrackKey key{owner->layerID(), context.time.toDouble(), context.view.id()};
    const auto found = cache ? cache->tracks().find(key) : std::map<VUVI_TrackCache::TrackKey, Gan_Matrix33>::iterator();
    if (cache && found != cache->tracks().end()) {
        m = found->second;
    } else {
        m = owner->transformationMatrix(context);
        if (cache)
            cache->tracks().emplace(key, m);
    }
    const double x = position.x();
    const double y = position.y();
    const double w = m.zx * x + m.zy * y + m.zz;
    return QPointF((m.xx * x + m.xy * y + m.xz) / w, (m.yx * x + m.yy * y + m.yz) / w);
}

QRectF Contour::boundingBoxForControlPoints(const Prm::Context& context, const ImageViewInfo&, bool trackedPositions,
                                            VUVI_TrackCache& cache, const QVector<unsigned int>* pointIDs) const
{
    bool any = false;
    double left = 0, top = 0, right = 0, bottom = 0;
    for (const boost::shared_ptr<ControlPoint>& point : m_points) {
        if (pointIDs && !pointIDs->contains(point->id()))
            continue;
        QPointF p = point->position(context);
        if (trackedPositions)
            p = tracked(p, context, &cache);
        if (!any) {
            left = right = p.x();
            top = bottom = p.y();
            any = true;
        }
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    return any ? QRectF(left, top, right - left, bottom - top) : QRectF();
}

boost::shared_ptr<ControlPoint> Contour::makePoint(unsigned int id)
{
    return boost::make_shared<ControlPoint>(id, weak_from_this());
}

void Contour::insertPoint(const boost::shared_ptr<ControlPoint>& point, int index)
{
    m_points.insert(std::clamp(index, 0, int(m_points.size())), point);
}

bool Contour::removePoint(const ControlPoint& point)
{
    const int index = iControlPointIndex(point);
    if (index < 0)
        return false;
    m_points.removeAt(index);
    return true;
}

// ---- BezierContour ---------------------------------------------------------------------

namespace {

std::vector<Prm::View> viewsToKey(const Prm::AnimationState& state, const Prm::Context& context)
{
    std::vector<Prm::View> views = state.viewsToKey();
    if (views.empty())
        views.push_back(context.view);
    return views;
}

// The indices of the points next to `index` on a closed contour of `count` points.
QList<int> neighboursOf(int index, int count)
{
    QList<int> neighbours;
    for (int candidate : {index - 1, index + 1}) {
        const int wrapped = (candidate + count) % count;
        if (count > 1 && wrapped != index && !neighbours.contains(wrapped))
            neighbours.append(wrapped);
    }
    return neighbours;
}

} // namespace

BezierContour::BezierContour(unsigned int id, const boost::weak_ptr<VUVI_Layer>& layer) : Contour(Bezier, id, layer)
{
}

BezierContour::~BezierContour() = default;

boost::shared_ptr<ControlPoint> BezierContour::makePoint(unsigned int id)
{
    return boost::make_shared<VUVI_BezierContourControlPoint>(id, weak_from_this());
}

void BezierContour::setTangentHandlePositions(ControlPoint& point, const Prm::Context& context,
                                              const QPointF& backward, const QPointF& forward,
                                              const Prm::AnimationState& state, const boost::function<void()>& done)
{
    if (auto* bezierPoint = dynamic_cast<VUVI_BezierContourControlPoint*>(&point))
        bezierPoint->setHandles(backward, forward, context, viewsToKey(state, context));
    if (done)
        done();
}

void BezierContour::tangentHandlePositionsAtIndex(int index, const Prm::Context& context, bool trackedPositions,
                                                  QPointF& backward, QPointF& forward, VUVI_TrackCache* cache) const
{
    if (index < 0 || index >= points().size())
        return;
    const auto* point = dynamic_cast<const VUVI_BezierContourControlPoint*>(points()[index].get());
    if (!point)
        return;
    backward = point->backwardHandle(context);
    forward = point->forwardHandle(context);
    if (trackedPositions) {
        backward = tracked(backward, context, cache);
        forward = tracked(forward, context, cache);
    }
}

void BezierContour::smoothAdjacentHandles(int index, const Prm::Context& context)
{
    const int count = points().size();
    for (int neighbour : neighboursOf(index, count)) {
        auto* point = dynamic_cast<VUVI_BezierContourControlPoint*>(points()[neighbour].get());
        if (!point)
            continue;
        const QPointF before = points()[(neighbour + count - 1) % count]->position(context);
        const QPointF after = points()[(neighbour + 1) % count]->position(context);
        const QPointF tangent = (after - before) / 6.0;
        const QPointF at = point->position(context);
        point->setHandles(at - tangent, at + tangent, context, {context.view});
    }
}

// ---- BezierContour::TangentState -------------------------------------------------------

BezierContour::TangentState::TangentState(const boost::weak_ptr<VUVI_ProjectManager>& project,
                                          const PointDescriptor& point, const Prm::Context& context,
                                          const QPointF& backward, const QPointF& forward)
    : m_project(project), m_point(point), m_context(context), m_backward(backward), m_forward(forward)
{
}

std::vector<boost::shared_ptr<BezierContour::TangentState>>
BezierContour::TangentState::adjacentPointStates(const ControlPoint& point, const Prm::Context& context, bool tracked)
{
    std::vector<boost::shared_ptr<TangentState>> states;
    const boost::shared_ptr<BezierContour> contour = boost::dynamic_pointer_cast<BezierContour>(point.contour());
    const boost::shared_ptr<VUVI_Layer> layer = contour ? contour->layer() : nullptr;
    const int index = contour ? contour->iControlPointIndex(point) : -1;
    if (!layer || index < 0)
        return states;
    for (int neighbour : neighboursOf(index, contour->points().size())) {
        QPointF backward;
        QPointF forward;
        contour->tangentHandlePositionsAtIndex(neighbour, context, tracked, backward, forward, nullptr);
        states.push_back(boost::make_shared<TangentState>(layer->projectManager(),
                                                          contour->points()[neighbour]->descriptor(), context,
                                                          backward, forward));
    }
    return states;
}

void BezierContour::TangentState::setTangentHandlePositions(const std::vector<boost::shared_ptr<TangentState>>& states,
                                                            const Prm::AnimationState& state,
                                                            const Prm::Context& context, Bsc::CompositeCommand& edits,
                                                            const boost::function<void()>& done)
{
    if (states.empty())
        return;
    const boost::weak_ptr<VUVI_ProjectManager> project = states.front()->m_project;
    QList<PointDescriptor> points;
    for (const boost::shared_ptr<TangentState>& tangents : states)
        points.append(tangents->m_point);
    const std::vector<Prm::View> views = viewsToKey(state, context);
    auto edit = [project, states, views, context, done] {
        if (const boost::shared_ptr<VUVI_ProjectManager> owner = project.lock()) {
            for (const boost::shared_ptr<TangentState>& tangents : states) {
                if (auto point = boost::dynamic_pointer_cast<VUVI_BezierContourControlPoint>(
                        findPoint(*owner, tangents->m_point)))
                    point->setHandles(tangents->m_backward, tangents->m_forward, context, views);
            }
        }
        if (done)
            done();
    };
    edits.push_back(std::make_unique<PointEditCommand>(
        project, points, edit, QCoreApplication::translate("Rirediro::CommandManager", "Tangent handles")));
}

// ---- MacroCommand ----------------------------------------------------------------------

namespace {

// A command of the macro's, run through the composite that owns only this reference.
class CommandReference : public Bsc::Command
{
public:
    explicit CommandReference(boost::shared_ptr<Bsc::Command> command) : m_command(std::move(command)) {}
    void doIt() override { m_command->doIt(); }
    void undoIt() override { m_command->undoIt(); }

private:
    boost::shared_ptr<Bsc::Command> m_command;
};

} // namespace

MacroCommand::MacroCommand(const QString& name) : m_name(name), m_run(name) {}

MacroCommand::~MacroCommand() = default;

void MacroCommand::append(const boost::shared_ptr<Bsc::Command>& command)
{
    if (!command)
        return;
    m_commands.push_back(command);
    m_run.push_back(std::make_unique<CommandReference>(command));
}

void MacroCommand::doIt()
{
    m_run.doIt();
}

void MacroCommand::undoIt()
{
    m_run.undoIt();
}

} // namespace Rirediro

// ---- VUVI_BezierContourControlPoint ----------------------------------------------------

VUVI_BezierContourControlPoint::VUVI_BezierContourControlPoint(unsigned int id,
                                                               const boost::weak_ptr<Rirediro::Contour>& contour)
    : Rirediro::ControlPoint(id, contour)
{
    m_backwardX.setScriptName(QStringLiteral("backwardX"));
    m_backwardY.setScriptName(QStringLiteral("backwardY"));
    m_forwardX.setScriptName(QStringLiteral("forwardX"));
    m_forwardY.setScriptName(QStringLiteral("forwardY"));
    addParameters({&m_backwardX, &m_backwardY, &m_forwardX, &m_forwardY});
}

VUVI_BezierContourControlPoint::~VUVI_BezierContourControlPoint() = default;

QPointF VUVI_BezierContourControlPoint::backwardHandle(const Prm::Context& context) const
{
    return QPointF(m_backwardX.value(context), m_backwardY.value(context));
}

QPointF VUVI_BezierContourControlPoint::forwardHandle(const Prm::Context& context) const
{
    return QPointF(m_forwardX.value(context), m_forwardY.value(context));
}

void VUVI_BezierContourControlPoint::setHandles(const QPointF& backward, const QPointF& forward,
                                                const Prm::Context& context, const std::vector<Prm::View>& views)
{
    for (const Prm::View& view : views) {
        const Prm::Context at(context.time, view, context.mode);
        m_backwardX.vSetValue(backward.x(), at);
        m_backwardY.vSetValue(backward.y(), at);
        m_forwardX.vSetValue(forward.x(), at);
        m_forwardY.vSetValue(forward.y(), at);
    }
}

void VUVI_BezierContourControlPoint::applyData(const Rirediro::ControlPointData& data, const Prm::Context& context)
{
    const QPointF oldPosition = position(context);
    QPointF backward = backwardHandle(context) - oldPosition;
    QPointF forward = forwardHandle(context) - oldPosition;
    Rirediro::ControlPoint::applyData(data, context);
    const auto* bezier = dynamic_cast<const Rirediro::BezierControlPointData*>(&data);
    if (bezier && bezier->backwardHandle)
        backward = *bezier->backwardHandle;
    if (bezier && bezier->forwardHandle)
        forward = *bezier->forwardHandle;
    const bool placesHandles = data.x || data.y || (bezier && (bezier->backwardHandle || bezier->forwardHandle));
    if (placesHandles) {
        const QPointF at = position(context);
        setHandles(at + backward, at + forward, context, {context.view});
    }
}
