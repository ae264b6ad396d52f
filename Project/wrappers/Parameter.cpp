#include "Parameter.h"

#include "ParameterPath.h"

#include <Prm/ParameterSet.h>
#include <Prm/ParameterWithoutType.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>

#include <QCoreApplication>

namespace {

const QString s_source = QStringLiteral("../Project/wrappers/Parameter");

} // namespace

Parameter::Parameter(const boost::shared_ptr<Prm::ParameterSet>& root, const QStringList& name_components)
    : PyHandle<Prm::ParameterSet>(root), m_nameComponents(name_components)
{
}

Prm::BasicParameter* Parameter::basicParameter() const
{
    if (m_nameComponents.isEmpty())
        return nullptr;
    // The raw pointers serve the rest of the call, made on the thread that
    // owns the core objects while they live.
    Prm::ParameterSet* root = handledObject().get();
    Prm::ParameterSet* set = ParameterPath::descend(root, m_nameComponents, m_nameComponents.size() - 1);
    return set ? set->parameterWithName(m_nameComponents.last()) : nullptr;
}

Prm::ParameterWithoutType* Parameter::parameter() const
{
    return dynamic_cast<Prm::ParameterWithoutType*>(basicParameter());
}

Prm::ParameterWithoutType* Parameter::requireParameter(int line) const
{
    Prm::ParameterWithoutType* basicParameter = parameter();
    VUVI_ErrorDetector::instance()->check(basicParameter != nullptr, s_source, line, QStringLiteral("basicParameter"),
                                          QCoreApplication::translate("Parameter", "No such parameter: '%1'")
                                              .arg(ParameterPath::text(m_nameComponents)));
    return basicParameter;
}

bool Parameter::isNull() const
{
    return parameter() == nullptr;
}

QVariant Parameter::get(double time, const View& view) const
{
    return requireParameter(39)->variantValue(ParameterPath::context(time, view));
}

void Parameter::set(const QVariant& val, double time, const View& view)
{
    requireParameter(47)->setVariantValue(val, ParameterPath::context(time, view));
}

void Parameter::delete_keyframe(double time, const View& view)
{
    if (auto* parameter = dynamic_cast<Prm::ParameterWithoutType*>(basicParameter()))
        parameter->vReset(ParameterPath::context(time, view));
}

QVector<QPair<View, double>> Parameter::get_keyframes() const
{
    const QVector<Prm::Context> keyframes = requireParameter(79)->allKeyframes();
    QVector<QPair<View, double>> result;
    result.reserve(keyframes.size());
    for (const Prm::Context& keyframe : keyframes)
        result.append(qMakePair(View(keyframe.view), keyframe.time.value()));
    return result;
}

bool Parameter::operator==(const Parameter& other) const
{
    if (this == &other)
        return true;
    Prm::ParameterWithoutType* mine = parameter();
    return mine && mine == other.parameter();
}

uint qHash(const Parameter& parameter)
{
    const Prm::ParameterWithoutType* resolved = parameter.parameter();
    return ParameterPath::hash(resolved, resolved ? nullptr : parameter.handledObject().get(), parameter.get_name_components());
}
