#pragma once

#include "Project/wrappers/PyHandle.h"

#include <Bsc/Colour3.h>

#include <QColor>
#include <QString>
#include <QStringList>

class Parameter;
class ParameterSet;
class VUVI_ProjectManager;

namespace Bsc {
class Command;
}
namespace Rirediro {
class LayerBase;
}

// What scripts do alike to layers and groups (Core is VUVI_Layer or
// Rirediro::LayerGroup): a value that refers to the core node and to its
// project weakly. Once the node is gone (removed, its creation undone, its
// project closed) every operation but isNull throws VUVI_BadState
// "Invalid object".
//
// Edits of the name, colours and order are undoable steps of the project's
// history; visibility and lock are set at once.
template <typename Core>
class LayerNodeHandle : public ProjectHandle<Core>
{
public:
    LayerNodeHandle() = default;
    LayerNodeHandle(const boost::shared_ptr<Core>& node, const boost::weak_ptr<VUVI_ProjectManager>& project)
        : ProjectHandle<Core>(node, project)
    {
    }

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
    // The node's place among the nodes of its group, rear first.
    int get_z_order() const;
    void set_z_order(int val);

    // Handles on parameters and sets rooted at the node.
    Parameter parameter(const QStringList& name_components);
    ParameterSet parameter_set(const QStringList& name_components = QStringList());

protected:
    // The same handle, or one on a node of the same id text: the other
    // handle is locked first. Ids repeat between projects, so handles of
    // twin projects compare equal; calls tell them apart by their project
    // (handledObjectIn).
    bool refersToSameNode(const LayerNodeHandle& other) const;
};

class VUVI_Layer;
namespace Rirediro {
class LayerGroup;
}
extern template class LayerNodeHandle<VUVI_Layer>;
extern template class LayerNodeHandle<Rirediro::LayerGroup>;

namespace Python {

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
