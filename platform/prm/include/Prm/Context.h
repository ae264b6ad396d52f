#pragma once

#include "Prm/Time.h"
#include "Prm/View.h"

namespace Prm {

// Where a parameter is evaluated: a time, a view and the evaluation mode.
struct Context
{
    // A context that addresses one exact keyframe: its time and view select it.
    struct Explicit;

    Context() = default;
    Context(Time t, View v, int m = 0) : time(t), view(v), mode(m) {}

    Time time;
    View view;
    int mode = 0;

    bool operator==(const Context& o) const { return time == o.time && view == o.view && mode == o.mode; }
    bool operator!=(const Context& o) const { return !(*this == o); }
    // By time, then view id, then mode (the integers compared signed).
    bool operator<(const Context& o) const
    {
        if (time != o.time)
            return time < o.time;
        if (view.id() != o.view.id())
            return view.id() < o.view.id();
        return mode < o.mode;
    }
};

struct Context::Explicit : Context
{
    Explicit() = default;
    Explicit(Time t, View v, int m = 0) : Context(t, v, m) {}
    explicit Explicit(const Context& context) : Context(context) {}
};

} // namespace Prm
