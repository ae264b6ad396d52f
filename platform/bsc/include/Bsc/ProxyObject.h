#pragma once

#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QVariant>

namespace Bsc {

// The dynamic property through which an object names its proxy: another
// object of its kind that stands in for it (a menu action's stand-in).
inline constexpr char ProxyObjectProperty[] = "TQL_ProxyObject";

// QPointer<T> as a meta-type that converts to QObject*; registered once.
template <typename T>
int registerProxyType()
{
    static const int type = [] {
        const int id = qRegisterMetaType<QPointer<T>>();
        if (!QMetaType::hasRegisteredConverterFunction(id, QMetaType::QObjectStar))
            QMetaType::registerConverter<QPointer<T>, QObject*>(
                [](const QPointer<T>& pointer) -> QObject* { return pointer.data(); });
        return id;
    }();
    return type;
}

// The proxy stored on an object: null when the property is unset, holds
// something that does not convert to QPointer<T>, or the proxy has gone.
template <typename T>
QPointer<T> proxyObject(const T* object)
{
    const int type = registerProxyType<T>();
    if (!object)
        return nullptr;
    const QVariant property = object->property(ProxyObjectProperty);
    if (!property.isValid())
        return nullptr;
    if (property.userType() == type)
        return property.value<QPointer<T>>();
    QVariant converted = property;
    return converted.convert(type) ? converted.value<QPointer<T>>() : nullptr;
}

} // namespace Bsc
