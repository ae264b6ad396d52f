#pragma once

#include "Prm/Time.h"
#include "Prm/View.h"

namespace Prm {

// Where a parameter is evaluated: a time, a view and the evaluation mode.
struct Context
{
    Context() = default;
    Context(Time t, View v, int m = 0) : time(t), view(v), mode(m) {}

    Time time;
    View view;
    int mode = 0;

    bool operator==(const Context& o) const { return time == o.time && view == o.view && mode == o.mode; }
    bool operator!=(const Context& o) const { return !(*this == o); }
};

} // namespace Prm
