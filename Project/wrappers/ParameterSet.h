#pragma once

#include "Parameter.h"

// A script's handle on one parameter set of a core object: a weak reference
// to the object's root set and the path of subset names from there (empty:
// the root itself). Resolved anew in every operation, like Parameter.
class ParameterSet : public PyHandle<Prm::ParameterSet>
{
public:
    // A handle without root ("Invalid object"), for containers and
    // conversions to fill.
    ParameterSet() = default;
    ParameterSet(const boost::shared_ptr<Prm::ParameterSet>& root, const QStringList& name_components);

    QStringList get_name_components() const { return m_nameComponents; }

    // The set the path leads to. Where it leads nowhere: null, or with
    // `raiseWhenMissing` the failed check "No such parameter set: '<path>'".
    Prm::ParameterSet* handledParameterSet(bool raiseWhenMissing) const;
    Prm::ParameterSet* handledParameterSet(bool raiseWhenMissing)
    {
        return static_cast<const ParameterSet*>(this)->handledParameterSet(raiseWhenMissing);
    }

    bool isNull() const override;

    QString get_display_name() const;
    QString get_script_name() const;
    // Handles on the subsets, each from the same root with the subset's
    // name added to the path.
    QVector<ParameterSet> get_subsets();
    // Handles on the set's own parameters, then on those the set offers
    // beyond its list (Prm::ParameterSet::forEachParameter, not recursive).
    QVector<Parameter> get_parameters();
    // The keyframes of every parameter in and below the set: each (view,
    // time) once, by view, then by time.
    QVector<QPair<View, double>> get_keyframes() const;

    // The same handle, or both resolve to the same set: a handle that
    // resolves to nothing equals only itself.
    bool operator==(const ParameterSet& other) const;
    bool operator!=(const ParameterSet& other) const { return !(*this == other); }

private:
    QStringList m_nameComponents;
};

// Equal handles hash equal: the hash of the set a handle resolves to, else
// of its root and path. "Invalid object" when the root is gone.
uint qHash(const ParameterSet& parameterSet);
