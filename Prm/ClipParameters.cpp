#include "Prm/ClipIDParameter.h"
#include "Prm/ClipModeParameter.h"

template class Prm::Parameter<TQ_CLIP_MODE>;

namespace TQ {

ClipIDParameter::ClipIDParameter() : Prm::ParameterWithoutType(false, false, nullptr)
{
    setKeyframed(false);
}

// The virtual base is built here, by the most derived class; without it
// the copy would lose its names.
ClipIDParameter::ClipIDParameter(const ClipIDParameter& other)
    : Prm::ParameterWithoutType(other), Prm::Parameter<unsigned int>(other), m_coreSettings(other.m_coreSettings)
{
}

ClipIDParameter::~ClipIDParameter() = default;

int ClipIDParameter::qMetaType() const
{
    return Prm::detail::registeredMetaType<ClipIDParameter>("TQ::ClipIDParameter");
}

} // namespace TQ
