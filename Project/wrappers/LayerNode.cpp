#include "LayerNode.h"

#include "Parameter.h"
#include "ParameterSet.h"

#include <Rirediro/Commands/ChangeColorCommand.h>
#include <Rirediro/Commands/CommandManager.h>
#include <Rirediro/Commands/LayerCommands.h>
#include <Rirediro/Layers/LayerGroup.h>
#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>

#include <boost/make_shared.hpp>

#include <limits>

namespace {

// The single-precision value nearest to 1/255.
constexpr float kChannelScale = 0.003921569f;

} // namespace

namespace Python {

void executeLogged(VUVI_ProjectManager& project, const boost::shared_ptr<Bsc::Command>& command)
{
    project.commandManager()->executeAndLog(command, project.currentFrame(), true, true);
}

void setLayerBaseZOrder(const boost::shared_ptr<Rirediro::LayerBase>& base, int z, VUVI_ProjectManager* project)
{
    const int current = base->depthPosition();
    // Moving frontwards, the node goes before the one now behind place z,
    // which is at z once the node has left its place. Any place past the
    // front is the front: the step saturates rather than wrap to the rear.
    const int target = z <= current ? z : (z == std::numeric_limits<int>::max() ? z : z + 1);
    executeLogged(*project, boost::make_shared<Rirediro::MoveLayerToDepthPositionCommand>(*project, base->id(), target));
}

void changeLayerBaseColor(Rirediro::LayerBase& base, void (Rirediro::LayerBase::*setter)(const QColor&),
                          const Bsc::Colour3<float>& color, VUVI_ProjectManager* project)
{
    const QColor old = setter == &Rirediro::LayerBase::setMatteColor ? base.matteColor() : base.strokeColor();
    const auto command = boost::make_shared<Rirediro::ChangeColorCommand>(base, old, setter);
    QColor colour;
    colour.setRgb(int(color.r * 255.0f), int(color.g * 255.0f), int(color.b * 255.0f), 255);
    command->setNewColour(colour);
    executeLogged(*project, command);
}

Bsc::Colour3<float> colourOf(const QColor& colour)
{
    return Bsc::Colour3<float>(float(colour.red()) * kChannelScale, float(colour.green()) * kChannelScale,
                               float(colour.blue()) * kChannelScale);
}

} // namespace Python

template <typename Core>
QString LayerNodeHandle<Core>::get_name() const
{
    return this->handledObject()->name();
}

template <typename Core>
void LayerNodeHandle<Core>::set_name(const QString& name)
{
    const boost::shared_ptr<Core> node = this->handledObject();
    const boost::shared_ptr<VUVI_ProjectManager> project = this->lockedProject();
    Python::executeLogged(*project, boost::make_shared<Rirediro::SetLayerNameCommand>(*project, node->id(), name));
}

template <typename Core>
bool LayerNodeHandle<Core>::get_visibility() const
{
    return !this->handledObject()->isHidden(false);
}

template <typename Core>
void LayerNodeHandle<Core>::set_visibility(bool visible)
{
    this->handledObject()->setHidden(!visible);
}

template <typename Core>
bool LayerNodeHandle<Core>::get_locked() const
{
    return this->handledObject()->isLocked(false);
}

template <typename Core>
void LayerNodeHandle<Core>::set_locked(bool locked)
{
    this->handledObject()->setLocked(locked);
}

template <typename Core>
Bsc::Colour3<float> LayerNodeHandle<Core>::get_matte_color() const
{
    return Python::colourOf(this->handledObject()->matteColor());
}

template <typename Core>
void LayerNodeHandle<Core>::set_matte_color(Bsc::Colour3<float> color)
{
    const boost::shared_ptr<Core> node = this->handledObject();
    Python::changeLayerBaseColor(*node, &Rirediro::LayerBase::setMatteColor, color, this->lockedProject().get());
}

template <typename Core>
Bsc::Colour3<float> LayerNodeHandle<Core>::get_stroke_color() const
{
    return Python::colourOf(this->handledObject()->strokeColor());
}

template <typename Core>
void LayerNodeHandle<Core>::set_stroke_color(Bsc::Colour3<float> color)
{
    const boost::shared_ptr<Core> node = this->handledObject();
    Python::changeLayerBaseColor(*node, &Rirediro::LayerBase::setStrokeColor, color, this->lockedProject().get());
}

template <typename Core>
int LayerNodeHandle<Core>::get_z_order() const
{
    return this->handledObject()->depthPosition();
}

template <typename Core>
void LayerNodeHandle<Core>::set_z_order(int val)
{
    const boost::shared_ptr<Core> node = this->handledObject();
    Python::setLayerBaseZOrder(node, val, this->lockedProject().get());
}

template <typename Core>
Parameter LayerNodeHandle<Core>::parameter(const QStringList& name_components)
{
    return Parameter(this->handledObject(), name_components);
}

template <typename Core>
ParameterSet LayerNodeHandle<Core>::parameter_set(const QStringList& name_components)
{
    return ParameterSet(this->handledObject(), name_components);
}

template <typename Core>
bool LayerNodeHandle<Core>::refersToSameNode(const LayerNodeHandle& other) const
{
    if (this == &other)
        return true;
    const boost::shared_ptr<Core> theirs = other.handledObject();
    const boost::shared_ptr<Core> ours = this->handledObject();
    return ours->id() == theirs->id();
}

template class LayerNodeHandle<VUVI_Layer>;
template class LayerNodeHandle<Rirediro::LayerGroup>;
