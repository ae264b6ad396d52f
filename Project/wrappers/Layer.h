#pragma once

#include "Project/wrappers/PyHandle.h"
#include "Project/wrappers/View.h"

#include <Bsc/Colour3.h>
#include <Gandalf/Matrix.h>

#include <QColor>
#include <QList>
#include <QString>

#include <boost/optional.hpp>

class Clip;
class LayerGroup;
class Parameter;
class ParameterSet;

namespace Bsc {
class Command;
}
class VUVI_Layer;
class VUVI_ProjectManager;

namespace Rirediro {
class LayerBase;
}

// One layer of a project as scripts see it: a value that refers to the core
// layer and to its project weakly. Once the layer is gone (removed, its
// creation undone, its project closed) every operation but isNull throws
// VUVI_BadState "Invalid object".
//
// Edits of the name, colours, order and link are undoable steps of the
// project's history; visibility and lock are set at once.
class Layer : public PyHandle<VUVI_Layer>
{
public:
    Layer() = default;
    Layer(const boost::shared_ptr<VUVI_Layer>& layer, const boost::weak_ptr<VUVI_ProjectManager>& project);
    Layer(const Layer&) = default;
    Layer& operator=(const Layer&) = default;

    bool isNull() const override;
    ~Layer() override;

    boost::weak_ptr<VUVI_ProjectManager> projectManager() const { return m_project; }

    QString get_name() const;
    void set_name(const QString& name);
    bool get_visibility() const;
    void set_visibility(bool visible);
    bool get_locked() const;
    void set_locked(bool locked);
    Bsc::Colour3<float> get_matte_color() const;
    void set_matte_color(Bsc::Colour3<float> color);
    Bsc::Colour3<float> get_stroke_color() const;
    void set_stroke_color(Bsc::Colour3<float> color);
    // The layer's place among the nodes of its group, rear first.
    int get_z_order() const;
    void set_z_order(int val);

    // Whether the layer is selected in the application; scripts run outside
    // it get VUVI_NotImplemented.
    bool get_selected() const;
    void set_selected(bool selected);

    // Moves the layer into `group`, or to the top level when null. Index 0
    // puts it in front of the group's nodes, 1 behind the frontmost, and so
    // on; an index past the rearmost puts it at the rear.
    void set_parent(LayerGroup* group, unsigned int index = 0);

    // The layer whose track this one follows, if any (possibly itself).
    boost::optional<Layer> get_link_to_track() const;
    // Follows the track of `layer`; none follows no other track.
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

    // Handles on the layer's own parameters and sets ("inPoint",
    // "outPoint", "linkToTrack", "linkedLayerID").
    Parameter parameter(const QStringList& name_components);
    ParameterSet parameter_set(const QStringList& name_components = QStringList());

    // Takes the layer out of the project, as an undoable step.
    void remove();

    bool operator==(const Layer& other) const;
    bool operator!=(const Layer& other) const { return !(*this == other); }

private:
    boost::weak_ptr<VUVI_ProjectManager> m_project;
};

uint qHash(const Layer& layer);

// Shared with LayerGroup and Project.
namespace Python {

// A Layer over `base` when it is a layer; a null Layer otherwise.
Layer layerFromBase(const boost::shared_ptr<Rirediro::LayerBase>& base,
                    const boost::weak_ptr<VUVI_ProjectManager>& project);
// Moves a layer or group to depth position `z` among the nodes of its
// group, as an undoable step.
void setLayerBaseZOrder(const boost::shared_ptr<Rirediro::LayerBase>& base, int z, VUVI_ProjectManager* project);
// Sets one colour of a layer or group, as an undoable step: `setter` is its
// setter of that colour.
void changeLayerBaseColor(Rirediro::LayerBase& base, void (Rirediro::LayerBase::*setter)(const QColor&),
                          const Bsc::Colour3<float>& color, VUVI_ProjectManager* project);

// A colour of the core as scripts see it: channels from 0 to 1.
Bsc::Colour3<float> colourOf(const QColor& colour);
// Runs a command as an undo step of the project's history, at the frame
// shown now.
void executeLogged(VUVI_ProjectManager& project, const boost::shared_ptr<Bsc::Command>& command);

} // namespace Python
