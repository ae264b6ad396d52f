#include "ParameterSet.h"

#include "ParameterPath.h"

#include <Prm/ParameterSet.h>
#include <Prm/ParameterWithoutType.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>

#include <QCoreApplication>

#include <algorithm>
#include <set>

ParameterSet::ParameterSet(const boost::shared_ptr<Prm::ParameterSet>& root, const QStringList& name_components)
    : PyHandle<Prm::ParameterSet>(root), m_nameComponents(name_components)
{
}

Prm::ParameterSet* ParameterSet::handledParameterSet(bool raiseWhenMissing) const
{
    // The raw pointer serves the rest of the call, made on the thread that
    // owns the core objects while they live.
    Prm::ParameterSet* parameterSet =
        ParameterPath::descend(handledObject().get(), m_nameComponents, m_nameComponents.size());
    if (raiseWhenMissing) {
        VUVI_ErrorDetector::instance()->check(parameterSet != nullptr, QStringLiteral("../Project/wrappers/ParameterSet"),
                                              123, QStringLiteral("parameterSet"),
                                              QCoreApplication::translate("PyHandle", "No such parameter set: '%1'")
                                                  .arg(ParameterPath::text(m_nameComponents)));
    }
    return parameterSet;
}

bool ParameterSet::isNull() const
{
    return handledParameterSet(false) == nullptr;
}

QString ParameterSet::get_display_name() const
{
    return handledParameterSet(true)->displayName();
}

QString ParameterSet::get_script_name() const
{
    return handledParameterSet(true)->scriptName();
}

QVector<ParameterSet> ParameterSet::get_subsets()
{
    const Prm::ParameterSet* parameterSet = handledParameterSet(true);
    QVector<ParameterSet> subsets;
    for (const Prm::ParameterSet* subset : parameterSet->subsets())
        subsets.append(ParameterSet(handledObject(), m_nameComponents + QStringList(subset->scriptName())));
    return subsets;
}

QVector<Parameter> ParameterSet::get_parameters()
{
    const Prm::ParameterSet* parameterSet = handledParameterSet(true);
    QVector<const Prm::ParameterWithoutType*> listed(parameterSet->parameters().begin(),
                                                     parameterSet->parameters().end());
    parameterSet->forEachParameter([&listed](Prm::ParameterWithoutType* parameter) { listed.append(parameter); },
                                   false);
    QVector<Parameter> parameters;
    parameters.reserve(listed.size());
    for (const Prm::ParameterWithoutType* parameter : listed)
        parameters.append(Parameter(handledObject(), m_nameComponents + QStringList(parameter->scriptName())));
    return parameters;
}

QVector<QPair<View, double>> ParameterSet::get_keyframes() const
{
    const Prm::ParameterSet* parameterSet = handledParameterSet(true);
    QVector<Prm::Context> all;
    parameterSet->forEachParameter([&all](Prm::ParameterWithoutType* parameter) { all += parameter->allKeyframes(); },
                                   true);
    const std::set<Prm::Context> unique(all.begin(), all.end());
    QVector<QPair<View, double>> keyframes;
    keyframes.reserve(int(unique.size()));
    for (const Prm::Context& keyframe : unique)
        keyframes.append(qMakePair(View(keyframe.view), keyframe.time.value()));
    // Keyframes that differ only in their evaluation mode show once.
    std::sort(keyframes.begin(), keyframes.end());
    keyframes.erase(std::unique(keyframes.begin(), keyframes.end()), keyframes.end());
    return keyframes;
}

bool ParameterSet::operator==(const ParameterSet& other) const
{
    if (this == &other)
        return true;
    const Prm::ParameterSet* mine = handledParameterSet(false);
    return mine && mine == other.handledParameterSet(false);
}

uint qHash(const ParameterSet& parameterSet)
{
    const Prm::ParameterSet* resolved = parameterSet.handledParameterSet(false);
    return ParameterPath::hash(resolved, resolved ? nullptr : parameterSet.handledObject().get(),
                               parameterSet.get_name_components());
}
