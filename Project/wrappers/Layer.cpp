#include "Layer.h"

#include "Clip.h"
#include "LayerGroup.h"

#include "Python/Bootstrap.h"

#include <Prm/ParameterEdits.h>
#include <Rirediro/Commands/LayerCommands.h>
#include <Rirediro/Commands/VUVI_SelectSelectionCommand.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>
#include <Rirediro/Layers/Contour.h>
#include <Rirediro/Layers/LayerGroup.h>
#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Project/VUVI_SelectionManager.h>
#include <Rirediro/Project/VUVI_ToolManager.h>

#include <QCoreApplication>

#include <boost/make_shared.hpp>

namespace {

const QString s_source = QStringLiteral("../Project/wrappers/Layer");

using Python::contextOf;

[[noreturn]] void throwNotInApplication()
{
    const QString message =
        QCoreApplication::translate("Layer", "This property is not available outside Plinx application");
    Rirediro::throwException<VUVI_NotImplemented>(Rirediro::ErrorHeaderPath, Rirediro::ErrorHeaderLine, message,
                                                  message);
}

} // namespace

namespace Python {

Layer layerFromBase(const boost::shared_ptr<Rirediro::LayerBase>& base,
                    const boost::weak_ptr<VUVI_ProjectManager>& project)
{
    if (const boost::shared_ptr<VUVI_Layer> layer = boost::dynamic_pointer_cast<VUVI_Layer>(base))
        return Layer(layer, project);
    return Layer();
}

std::vector<boost::shared_ptr<VUVI_Layer>> layersIn(const QVector<Layer>& layers, const VUVI_ProjectManager& project)
{
    std::vector<boost::shared_ptr<VUVI_Layer>> core;
    core.reserve(std::size_t(layers.size()));
    for (const Layer& layer : layers)
        core.push_back(layer.handledObjectIn(project));
    return core;
}

} // namespace Python

// ---- Layer ------------------------------------------------------------------------------

Layer::Layer(const boost::shared_ptr<VUVI_Layer>& layer, const boost::weak_ptr<VUVI_ProjectManager>& project)
    : LayerNodeHandle<VUVI_Layer>(layer, project)
{
}

Layer::~Layer() = default;

bool Layer::isNull() const
{
    return PyHandle<VUVI_Layer>::isNull();
}

bool Layer::get_selected() const
{
    // A layer that is gone says so first, in or outside the application.
    const boost::shared_ptr<VUVI_Layer> layer = handledObject();
    if (!isEmbedded())
        throwNotInApplication();
    return layer->state() == Rirediro::LayerBase::Selected;
}

void Layer::set_selected(bool selected)
{
    if (get_selected() == selected)
        return;
    const boost::shared_ptr<VUVI_Layer> layer = handledObject();
    const boost::shared_ptr<VUVI_ProjectManager> project = lockedProject();
    const QList<boost::shared_ptr<const Rirediro::Contour>> contours = layer->readOnlyContours();
    VUVI_ErrorDetector::instance()->check(!contours.isEmpty(), s_source, 371, QStringLiteral("!contours.isEmpty()"),
                                          QCoreApplication::translate("Layer", "No contours in the layer to select"));
    const Prm::Context frame = project->currentFrame();
    const unsigned int contour = contours.first()->id();
    if (selected) {
        Python::executeLogged(*project,
                  boost::make_shared<VUVI_SelectSelectionCommand>(project.get(), frame, layer->layerID(), contour));
        project->toolManager().vSetSelectionToolState(2);
    } else {
        Python::executeLogged(*project,
                  boost::make_shared<Rirediro::UnselectLayerCommand>(project.get(), frame, layer->layerID(), contour));
        project->toolManager().vSetSelectionToolState(0);
    }
}

void Layer::set_parent(LayerGroup* group, unsigned int index)
{
    const boost::shared_ptr<VUVI_Layer> layer = handledObject();
    boost::shared_ptr<Rirediro::LayerGroup> target;
    unsigned int count = 0;
    if (group) {
        target = group->handledObjectIn(*lockedProject());
        count = unsigned(target->children().size());
    } else {
        count = layer->topLevelCount();
    }
    // An index past the rearmost node puts the layer at the rear.
    const unsigned int position = index > count ? 0u : count - index;
    layer->setParent(target, position);
}

boost::optional<Layer> Layer::get_link_to_track() const
{
    const boost::shared_ptr<VUVI_Layer> layer = handledObject();
    const Prm::View view(Prm::View::defaultViewId());
    if (!layer->linkToTrackParameter().value(view))
        return boost::none;
    const int linked = layer->linkedLayerParameter().value(view);
    if (linked == int(layer->layerID()))
        return *this;
    const boost::shared_ptr<VUVI_ProjectManager> project = lockedProject();
    if (linked <= 0)
        return boost::none;
    if (const boost::shared_ptr<VUVI_Layer> other = project->selectionManager()->findLayer(unsigned(linked), false))
        return Layer(other, m_project);
    return boost::none;
}

void Layer::set_link_to_track(const boost::optional<Layer>& layer)
{
    const boost::shared_ptr<VUVI_Layer> self = handledObject();
    const boost::shared_ptr<VUVI_ProjectManager> project = lockedProject();
    const int linked = int(layer ? layer->handledObjectIn(*project)->layerID() : self->layerID());
    const Prm::View view(Prm::View::defaultViewId());
    auto edits = std::make_unique<Bsc::CompositeCommand>();
    edits->push_back(std::make_unique<Prm::ParameterStaticValueEdit<bool>>(&self->linkToTrackParameter(),
                                                                           bool(layer), view));
    edits->push_back(
        std::make_unique<Prm::ParameterStaticValueEdit<int>>(&self->linkedLayerParameter(), linked, view));
    Python::executeLogged(*project, boost::make_shared<Rirediro::ParameterChangeCommand>(std::move(edits)));
}

unsigned int Layer::in_point(View view) const
{
    return handledObject()->inPoint(view.getView(), false);
}

unsigned int Layer::out_point(View view) const
{
    return handledObject()->outPoint(view.getView(), false);
}

Gan_Matrix33 Layer::get_transform_matrix(float time, View view) const
{
    return handledObject()->transformationMatrix(contextOf(time, view));
}

QList<float> Layer::get_surface_position(unsigned int point_index, float time, View view) const
{
    const boost::shared_ptr<VUVI_Layer> layer = handledObject();
    VUVI_ErrorDetector::instance()->check(
        point_index < 4, s_source, 298, QStringLiteral("point_index < 4"),
        QCoreApplication::translate("Layer", "point_index '%1' out of range [0, 3]").arg(point_index));
    const QPointF corner =
        layer->surface().pointPosition(contextOf(time, view), static_cast<SurfaceTypes::CornerT>(point_index));
    return {float(corner.x()), float(corner.y())};
}

Clip* Layer::tracking_input_clip(bool use_linked_layer)
{
    const boost::shared_ptr<VUVI_Layer> layer = handledObject();
    const boost::shared_ptr<VUVI_ProjectManager> project = lockedProject();
    const Bsc::detail::QPointerEx<TQ::IClip, QPointer> clip = layer->trackingInputClip(use_linked_layer);
    // A Clip needs a live core clip.
    if (clip.isNull())
        return nullptr;
    return new Clip(clip, project, project.get());
}

void Layer::remove()
{
    handledObject()->removeLayer();
}

QList<boost::shared_ptr<Rirediro::Contour>> Layer::getAllContours() const
{
    return handledObject()->contours();
}

template <typename ContourHandle, typename Record>
ContourHandle Layer::addContour(float time, const QVector<Record>& points, View view, int kind)
{
    const boost::shared_ptr<VUVI_Layer> layer = handledObject();
    const Prm::Context context = contextOf(time, view);
    std::vector<boost::shared_ptr<const Rirediro::ControlPointData>> records;
    records.reserve(std::size_t(points.size()));
    for (const Record& point : points)
        records.push_back(point.coreRecord());
    const boost::shared_ptr<Rirediro::Contour> contour = layer->createContour(records, context, kind);
    if (!contour)
        detail::throwInvalidObject();
    contour->vUnSelect();
    ContourHandle handle(contour, m_project);
    initLayerIfNecessary(context);
    return handle;
}

XSplineContour Layer::add_xspline_contour(float time, const QVector<XControlPointData>& points, View view)
{
    return addContour<XSplineContour>(time, points, view, Rirediro::Contour::XSpline);
}

BezierContour Layer::add_bezier_contour(float time, const QVector<BezierControlPointData>& points, View view)
{
    return addContour<BezierContour>(time, points, view, Rirediro::Contour::Bezier);
}

void Layer::initLayerIfNecessary(const Prm::Context& context)
{
    const boost::shared_ptr<VUVI_Layer> layer = handledObject();
    if (layer->contours().size() == 1)
        lockedProject()->selectionManager()->vInitialiseLayer(layer, context);
}

bool Layer::operator==(const Layer& other) const
{
    return refersToSameNode(other);
}

uint qHash(const Layer& layer)
{
    return qHash(layer.handledObject()->id(), 0);
}
