#include "LayerGroup.h"

#include "Parameter.h"
#include "ParameterSet.h"

#include <Rirediro/Commands/LayerCommands.h>
#include <Rirediro/Layers/LayerGroup.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>

#include <boost/make_shared.hpp>

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
    : PyHandle<Rirediro::LayerGroup>(group), m_project(project)
{
}

LayerGroup::~LayerGroup() = default;

bool LayerGroup::isNull() const
{
    return PyHandle<Rirediro::LayerGroup>::isNull();
}

QString LayerGroup::get_name() const
{
    return handledObject()->name();
}

void LayerGroup::set_name(const QString& name)
{
    const boost::shared_ptr<Rirediro::LayerGroup> group = handledObject();
    const boost::shared_ptr<VUVI_ProjectManager> project = PyHandle<void>::fromWeakToShared(m_project);
    Python::executeLogged(*project, boost::make_shared<Rirediro::SetLayerNameCommand>(*project, group->id(), name));
}

bool LayerGroup::get_visibility() const
{
    return !handledObject()->isHidden(false);
}

void LayerGroup::set_visibility(bool visible)
{
    handledObject()->setHidden(!visible);
}

bool LayerGroup::get_locked() const
{
    return handledObject()->isLocked(false);
}

void LayerGroup::set_locked(bool locked)
{
    handledObject()->setLocked(locked);
}

Bsc::Colour3<float> LayerGroup::get_matte_color() const
{
    return Python::colourOf(handledObject()->matteColor());
}

void LayerGroup::set_matte_color(Bsc::Colour3<float> color)
{
    const boost::shared_ptr<Rirediro::LayerGroup> group = handledObject();
    Python::changeLayerBaseColor(*group, &Rirediro::LayerBase::setMatteColor, color,
                                 PyHandle<void>::fromWeakToShared(m_project).get());
}

Bsc::Colour3<float> LayerGroup::get_stroke_color() const
{
    return Python::colourOf(handledObject()->strokeColor());
}

void LayerGroup::set_stroke_color(Bsc::Colour3<float> color)
{
    const boost::shared_ptr<Rirediro::LayerGroup> group = handledObject();
    Python::changeLayerBaseColor(*group, &Rirediro::LayerBase::setStrokeColor, color,
                                 PyHandle<void>::fromWeakToShared(m_project).get());
}

int LayerGroup::get_z_order() const
{
    return handledObject()->depthPosition();
}

void LayerGroup::set_z_order(int val)
{
    const boost::shared_ptr<VUVI_ProjectManager> project = PyHandle<void>::fromWeakToShared(m_project);
    Python::setLayerBaseZOrder(handledObject(), val, project.get());
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

Parameter LayerGroup::parameter(const QStringList& name_components)
{
    return Parameter(handledObject(), name_components);
}

ParameterSet LayerGroup::parameter_set(const QStringList& name_components)
{
    return ParameterSet(handledObject(), name_components);
}

bool LayerGroup::operator==(const LayerGroup& other) const
{
    if (this == &other)
        return true;
    const boost::shared_ptr<Rirediro::LayerGroup> theirs = other.handledObject();
    const boost::shared_ptr<Rirediro::LayerGroup> ours = handledObject();
    return ours->id() == theirs->id();
}
