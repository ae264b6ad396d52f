#pragma once

#include "Prm/Parameter.h"

#include <array>
#include <cstdint>

namespace TQ {

// The id of a clip, per view: which clip a layer reads from or renders to.
// It is not keyframed: a clip reference does not change over time.
class ClipIDParameter : public Prm::Parameter<unsigned int>
{
public:
    ClipIDParameter();
    ClipIDParameter(const ClipIDParameter& other);
    ~ClipIDParameter() override;

    // Registered as "TQ::ClipIDParameter".
    int qMetaType() const override;

    // Three settings the core library keeps with each clip reference
    // (4, 0 and 3 unless it changes them); copied, never read here.
    const std::array<std::int32_t, 3>& coreSettings() const { return m_coreSettings; }
    void setCoreSettings(const std::array<std::int32_t, 3>& settings) { m_coreSettings = settings; }

private:
    std::array<std::int32_t, 3> m_coreSettings{{4, 0, 3}};
};

} // namespace TQ
