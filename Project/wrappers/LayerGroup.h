#pragma once

#include "Project/wrappers/Layer.h"
#include "Project/wrappers/LayerNode.h"

#include <QVector>

namespace Rirediro {
class LayerGroup;
}

// One layer group of a project as scripts see it (see LayerNodeHandle).
class LayerGroup : public LayerNodeHandle<Rirediro::LayerGroup>
{
public:
    LayerGroup() = default;
    LayerGroup(const boost::shared_ptr<Rirediro::LayerGroup>& group,
               const boost::weak_ptr<VUVI_ProjectManager>& project);
    LayerGroup(const LayerGroup&) = default;
    LayerGroup& operator=(const LayerGroup&) = default;

    bool isNull() const override;
    ~LayerGroup() override;

    // Moves `layer` into the group (Layer::set_parent).
    void insert_child(Layer layer, unsigned int index = 0);
    // The group's direct children as layers, rear first; a nested group
    // gives a null Layer in its place.
    QVector<Layer> get_layers();
    // The layers of the group's subtree named `name`.
    QVector<Layer> find_layers(const QString& name);

    bool operator==(const LayerGroup& other) const;
};

namespace Python {

// A LayerGroup over `base` when it is a group; a null LayerGroup otherwise.
LayerGroup layerGroupFromBase(const boost::shared_ptr<Rirediro::LayerBase>& base,
                              const boost::weak_ptr<VUVI_ProjectManager>& project);

} // namespace Python
