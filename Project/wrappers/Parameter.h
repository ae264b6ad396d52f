#pragma once

#include "PyHandle.h"
#include "View.h"

#include <QPair>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <climits>

namespace Prm {
class BasicParameter;
class ParameterSet;
class ParameterWithoutType;
} // namespace Prm

// A script's handle on one parameter of a core object: a weak reference to
// the object's root parameter set and the path of script names from there
// (the names of nested subsets, then the parameter's). The path is resolved
// anew in every operation, so a handle keeps nothing alive: it is null once
// the path leads nowhere, and fails with "Invalid object" once the root is
// gone.
//
// Reads and writes go straight to the parameter, which decides how a value
// is stored and refuses what it cannot take ("Parameter not animated",
// "Parameter not splittable"): no command of the core is made.
class Parameter : public PyHandle<Prm::ParameterSet>
{
public:
    // A handle on nothing (null), for containers and conversions to fill.
    Parameter() = default;
    Parameter(const boost::shared_ptr<Prm::ParameterSet>& root, const QStringList& name_components);

    QStringList get_name_components() const { return m_nameComponents; }

    // The parameter the path leads to; null when it leads nowhere. An empty
    // path leads nowhere without the root being asked.
    Prm::ParameterWithoutType* parameter() const;
    Prm::ParameterWithoutType* parameter() { return static_cast<const Parameter*>(this)->parameter(); }

    bool isNull() const override;

    // The value at a time (in frames) and view; the default time names no
    // frame and reads the view's static value.
    QVariant get(double time = double(UINT_MAX), const View& view = View(0)) const;
    // At a time that names a frame, an animated parameter gets a keyframe;
    // otherwise the view's static value is replaced.
    void set(const QVariant& val, double time = double(UINT_MAX), const View& view = View(0));
    // Removes the keyframe at exactly that time and view, or resets the
    // view's static value where the view has no keyframes. A path that
    // leads nowhere changes nothing.
    void delete_keyframe(double time, const View& view);
    // One (view, time) per keyframe, in the parameter's order.
    QVector<QPair<View, double>> get_keyframes() const;

    // The same handle, or both resolve to the same parameter: a handle that
    // resolves to nothing equals only itself.
    bool operator==(const Parameter& other) const;
    bool operator!=(const Parameter& other) const { return !(*this == other); }

private:
    Prm::BasicParameter* basicParameter() const;
    // The parameter, or the failed check "No such parameter: '<path>'" of
    // the call at that source line.
    Prm::ParameterWithoutType* requireParameter(int line) const;

    QStringList m_nameComponents;
};

// Equal handles hash equal: the hash of the parameter a handle resolves to,
// else of its root and path. "Invalid object" when the root is gone.
uint qHash(const Parameter& parameter);
