#pragma once

#include "Rirediro/Layers/ControlPoint.h"

#include <QList>

#include <boost/optional.hpp>
#include <boost/shared_ptr.hpp>

#include <vector>

namespace Bsc {
class MementoBase;
}

class VUVI_ProjectManager;

namespace Rirediro {

// The whole state of some points, as undo puts it back: every parameter's
// (keyframes, interpolations, static values, extrapolations; not only the
// values at one time) and the master point. Points are found by address
// when the states are taken and when they are put back; a point gone by
// then is left out.
class PointStates
{
public:
    PointStates() = default;
    PointStates(const VUVI_ProjectManager& project, const QList<PointDescriptor>& points);

    void restore(VUVI_ProjectManager& project) const;

private:
    struct State
    {
        PointDescriptor point;
        std::vector<boost::shared_ptr<Bsc::MementoBase>> parameters;
        boost::optional<PointDescriptor> master;
    };

    std::vector<State> m_states;
};

} // namespace Rirediro
