#pragma once

#include "Project/wrappers/BezierContour.h"
#include "Project/wrappers/LayerNode.h"
#include "Project/wrappers/View.h"
#include "Project/wrappers/XSplineContour.h"

#include <Gandalf/Matrix.h>

#include <QList>

#include <boost/optional.hpp>

#include <vector>

class Clip;
class LayerGroup;
class VUVI_Layer;

// One layer of a project as scripts see it (see LayerNodeHandle). Its link
// to another layer's track is an undoable step too.
class Layer : public LayerNodeHandle<VUVI_Layer>
{
public:
    Layer() = default;
    Layer(const boost::shared_ptr<VUVI_Layer>& layer, const boost::weak_ptr<VUVI_ProjectManager>& project);
    Layer(const Layer&) = default;
    Layer& operator=(const Layer&) = default;

    bool isNull() const override;
    ~Layer() override;

    // Whether the layer is selected in the application; scripts run outside
    // it get VUVI_NotImplemented (after "Invalid object" for a layer gone).
    bool get_selected() const;
    void set_selected(bool selected);

    // Moves the layer into `group`, or to the top level when null. Index 0
    // puts it in front of the group's nodes, 1 behind the frontmost, and so
    // on; an index past the rearmost puts it at the rear. A group of another
    // project is refused (ProjectHandle::handledObjectIn).
    void set_parent(LayerGroup* group, unsigned int index = 0);

    // The layer whose track this one follows, if any (possibly itself).
    boost::optional<Layer> get_link_to_track() const;
    // Follows the track of `layer` (of this layer's project); none follows
    // no other track.
    void set_link_to_track(const boost::optional<Layer>& layer);

    unsigned int in_point(View view = View(0)) const;
    unsigned int out_point(View view = View(0)) const;
    Gan_Matrix33 get_transform_matrix(float time, View view = View()) const;
    // Corner `point_index` (0 to 3, clockwise from the top-left) of the
    // layer's surface: x, then y.
    QList<float> get_surface_position(unsigned int point_index, float time, View view = View(0)) const;
    // The clip tracking reads (with `use_linked_layer`, that of the layer
    // this one follows): a new Clip, a Qt child of the core project; null
    // when the clip is gone.
    Clip* tracking_input_clip(bool use_linked_layer = false);

    // Takes the layer out of the project, as an undoable step.
    void remove();

    // The layer's contours of both kinds, in its order.
    QList<boost::shared_ptr<Rirediro::Contour>> getAllContours() const;
    // A new contour through the points of the records, written at the time
    // and view, as an undoable step; Bezier records carry their handle
    // offsets to the core.
    XSplineContour add_xspline_contour(float time, const QVector<XControlPointData>& points, View view = View());
    BezierContour add_bezier_contour(float time, const QVector<BezierControlPointData>& points, View view = View());

    bool operator==(const Layer& other) const;
    bool operator!=(const Layer& other) const { return !(*this == other); }

private:
    template <typename ContourHandle, typename Record>
    ContourHandle addContour(float time, const QVector<Record>& points, View view, int kind);
    // A layer that has just got its first contour is set up for the tools.
    void initLayerIfNecessary(const Prm::Context& context);
};

uint qHash(const Layer& layer);

namespace Python {

// A Layer over `base` when it is a layer; a null Layer otherwise.
Layer layerFromBase(const boost::shared_ptr<Rirediro::LayerBase>& base,
                    const boost::weak_ptr<VUVI_ProjectManager>& project);

// The core layers of the handles, for a call of `project`, each taken
// through Layer::handledObjectIn: the first that is gone or of another
// project fails the call before it has changed anything.
std::vector<boost::shared_ptr<VUVI_Layer>> layersIn(const QVector<Layer>& layers, const VUVI_ProjectManager& project);

} // namespace Python
