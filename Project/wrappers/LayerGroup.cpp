#include "LayerGroup.h"

#include <Rirediro/Layers/LayerGroup.h>

#include <algorithm>

namespace Python {

LayerGroup layerGroupFromBase(const boost::shared_ptr<Rirediro::LayerBase>& base,
                              const boost::weak_ptr<VUVI_ProjectManager>& project)
{
    if (const auto group = boost::dynamic_pointer_cast<Rirediro::LayerGroup>(base))
        return LayerGroup(group, project);
    return LayerGroup();
}

} // namespace Python

LayerGroup::LayerGroup(const boost::shared_ptr<Rirediro::LayerGroup>& group,
                       const boost::weak_ptr<VUVI_ProjectManager>& project)
    : LayerNodeHandle<Rirediro::LayerGroup>(group, project)
{
}

LayerGroup::~LayerGroup() = default;

bool LayerGroup::isNull() const
{
    return PyHandle<Rirediro::LayerGroup>::isNull();
}

void LayerGroup::insert_child(Layer layer, unsigned int index)
{
    handledObject();
    layer.set_parent(this, index);
}

QVector<Layer> LayerGroup::get_layers()
{
    const boost::shared_ptr<Rirediro::LayerGroup> group = handledObject();
    QVector<Layer> layers;
    layers.reserve(group->children().size());
    for (const boost::shared_ptr<Rirediro::LayerBase>& child : group->children())
        layers.append(Python::layerFromBase(child, m_project));
    return layers;
}

QVector<Layer> LayerGroup::find_layers(const QString& name)
{
    const boost::shared_ptr<Rirediro::LayerGroup> group = handledObject();
    QVector<Layer> layers;
    for (const boost::shared_ptr<Rirediro::LayerBase>& found : group->findChildren(name))
        layers.append(Python::layerFromBase(found, m_project));
    layers.erase(std::remove_if(layers.begin(), layers.end(), [](const Layer& layer) { return layer.isNull(); }),
                 layers.end());
    return layers;
}

bool LayerGroup::operator==(const LayerGroup& other) const
{
    return refersToSameNode(other);
}
