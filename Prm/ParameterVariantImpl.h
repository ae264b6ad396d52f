#pragma once

// Prm::Parameter<T>: access through QVariant, hashing and meta-type
// registration. Included by Prm/Parameter.h.

#include <Bsc/Hash.h>
#include <Bsc/Logger.h>

#include <QCoreApplication>

#include <stdexcept>

namespace Prm {

namespace detail {

// A context names a frame when its time does (see Frame::fromTime); a
// context that names none addresses static values.
inline bool hasValidFrame(const Context& context)
{
    return !Frame::fromTime(context.time).isNegative();
}

[[noreturn]] inline void refuse(const QString& message)
{
    throw std::runtime_error(message.toUtf8().toStdString());
}

// The two refusals shared by variant reads and writes.
inline void checkVariantAccess(const ParameterWithoutType& parameter, const Context& context)
{
    if (!parameter.splittable() && context.view.id() != View::defaultViewId())
        refuse(QCoreApplication::translate("Parameter", "Parameter not splittable"));
    if (!parameter.isKeyframed() && hasValidFrame(context))
        refuse(QCoreApplication::translate("Parameter", "Parameter not animated"));
}

template <typename T>
QString conversionRefusal(const QVariant& variant)
{
    return QCoreApplication::translate("Parameter", "Cannot convert '%1' to %2")
        .arg(describeVariant(variant), QString::fromLatin1(QMetaType::typeName(qMetaTypeId<T>())));
}

// Writes a variant at a context: a keyframe when the context names a frame
// and the parameter is keyframed, else the view's static value. False, with
// nothing changed, when the variant does not convert to T.
template <typename T>
bool writeVariant(Parameter<T>& parameter, const QVariant& variant, const Context& context)
{
    T value{};
    if (!fromVariant(variant, value))
        return false;
    if (hasValidFrame(context) && parameter.isKeyframed())
        parameter.vSetValue(value, context);
    else
        parameter.setValue(value, context.view);
    return true;
}

// The write that the refusing setter ends in; refuses a variant that does
// not convert, naming it.
template <typename T>
void default_Parameter_setVariantValue_impl(Parameter<T>& parameter, const QVariant& variant, const Context& context)
{
    if (!writeVariant(parameter, variant, context))
        refuse(conversionRefusal<T>(variant));
}

} // namespace detail

template <typename T>
QVariant Parameter<T>::variantValue(const Context& context) const
{
    detail::checkVariantAccess(*this, context);
    return variantValue(context, std::nothrow);
}

template <typename T>
QVariant Parameter<T>::variantValue(const Context& context, const std::nothrow_t&) const
{
    if (!detail::hasValidFrame(context))
        return QVariant::fromValue(m_views.viewData(context.view).staticValue);
    return QVariant::fromValue(value(context, nullptr));
}

template <typename T>
void Parameter<T>::setVariantValue(const QVariant& value, const Context& context)
{
    detail::checkVariantAccess(*this, context);
    detail::default_Parameter_setVariantValue_impl(*this, value, context);
}

template <typename T>
void Parameter<T>::setVariantValue(const QVariant& value, const Context& context, const std::nothrow_t&)
{
    if (!detail::writeVariant(*this, value, context))
        Bsc::Logger::writeToLog(detail::conversionRefusal<T>(value), Bsc::Logger::Warning);
}

template <typename T>
void Parameter<T>::calculateHash(Bsc::Hash& hash, const Context& context) const
{
    // A context without a frame hashes the static value of its own view.
    const T hashed = detail::hasValidFrame(context) ? value(context, nullptr) : m_views.viewData(context.view).staticValue;
    detail::hashValue(hash, hashed);
}

template <typename T>
int Parameter<T>::qMetaType() const
{
    static const QByteArray name =
        QByteArray("Prm::Parameter<") + QMetaType::typeName(qMetaTypeId<T>()) + QByteArray(">");
    return detail::registeredMetaType<Parameter<T>>(name.constData());
}

} // namespace Prm
