#pragma once

// What the parameter handles share: the context a script's time and view
// name, walking a path of subset names, and the hash of a handle.

#include "View.h"

#include <Prm/Context.h>

#include <QStringList>

namespace Prm {
class ParameterSet;
}

namespace ParameterPath {

// The context a script's time (in frames) and view name, as every operation
// that takes a time and a view builds it.
inline Prm::Context context(double time, const View& view)
{
    return Prm::Context(Prm::Time::fromDouble(time), view.getView(), 3);
}

// Follows the first `count` names of `names` down the subsets of `set`;
// null as soon as one is missing.
Prm::ParameterSet* descend(Prm::ParameterSet* set, const QStringList& names, int count);

// How messages show a path: its names joined with ".".
inline QString text(const QStringList& names)
{
    return names.join(QLatin1Char('.'));
}

// The hash of a handle: of the object it resolves to, so that handles that
// compare equal hash equal; of its root and path when it resolves to
// nothing (such a handle equals only itself).
uint hash(const void* resolved, const Prm::ParameterSet* root, const QStringList& names);

} // namespace ParameterPath
