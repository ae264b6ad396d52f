#include "Prm/ParameterSet.h"

#include "Prm/ParameterWithoutType.h"

#include <QPointer>

namespace Prm {

ParameterSet::ParameterSet(const QString& scriptName, ParameterSet* parentSet)
    : QObject(parentSet), m_scriptName(scriptName), m_displayName(scriptName)
{
    if (parentSet)
        parentSet->m_subsets.append(this);
}

ParameterSet::~ParameterSet()
{
    // Subsets go first, while this set's lists still exist for them to leave.
    const QVector<ParameterSet*> subsets = m_subsets;
    qDeleteAll(subsets);
    for (ParameterWithoutType* parameter : QVector<ParameterWithoutType*>(m_parameters))
        parameter->setParameterSet(nullptr);
    if (auto* parentSet = qobject_cast<ParameterSet*>(parent()))
        parentSet->m_subsets.removeAll(this);
}

void ParameterSet::addParameter(ParameterWithoutType* parameter)
{
    if (parameter)
        parameter->setParameterSet(this);
}

QVector<ParameterSet*> ParameterSet::subsets() const
{
    const QVector<ParameterSet*> shown = shownSubsets();
    return shown.isEmpty() ? m_subsets : m_subsets + shown;
}

ParameterSet* ParameterSet::subsetWithName(const QString& name) const
{
    for (ParameterSet* subset : subsets()) {
        if (subset->scriptName() == name)
            return subset;
    }
    return nullptr;
}

BasicParameter* ParameterSet::parameterWithName(const QString& name) const
{
    for (ParameterWithoutType* parameter : m_parameters) {
        if (parameter->scriptName() == name)
            return parameter;
    }
    return nullptr;
}

void ParameterSet::forEachParameter(const boost::function<void(ParameterWithoutType*)>& visit, bool recursive) const
{
    if (!recursive)
        return;
    for (ParameterWithoutType* parameter : QVector<ParameterWithoutType*>(m_parameters))
        visit(parameter);
    for (ParameterSet* subset : subsets())
        subset->forEachParameter(visit, true);
}

ParameterSet::Finder ParameterSet::finder() const
{
    if (auto* parentSet = qobject_cast<ParameterSet*>(parent())) {
        const Finder findParent = parentSet->finder();
        const QString name = m_scriptName;
        return [findParent, name]() -> boost::shared_ptr<ParameterSet> {
            const boost::shared_ptr<ParameterSet> found = findParent();
            ParameterSet* subset = found ? found->subsetWithName(name) : nullptr;
            // A subset lives as long as its parent.
            return subset ? boost::shared_ptr<ParameterSet>(found, subset) : nullptr;
        };
    }
    const QPointer<ParameterSet> self(const_cast<ParameterSet*>(this));
    return [self]() -> boost::shared_ptr<ParameterSet> {
        if (!self)
            return nullptr;
        return boost::shared_ptr<ParameterSet>(self.data(), [](ParameterSet*) {});
    };
}

} // namespace Prm
