#pragma once

// Bound QObject classes: Python types derived from PySide2.QtCore.QObject,
// passed by pointer, with their Qt signals and QObject's virtual operations
// open to Python overrides.

#include "Types.h"

#include <QChildEvent>
#include <QEvent>
#include <QMetaMethod>
#include <QObject>
#include <QTimerEvent>

BINDING_CONVERTER_NAME(QEvent, "QEvent");
BINDING_CONVERTER_NAME(QChildEvent, "QChildEvent");
BINDING_CONVERTER_NAME(QTimerEvent, "QTimerEvent");
BINDING_CONVERTER_NAME(QMetaMethod, "QMetaMethod");

namespace Binding {

// The wrapper class of a QObject class: QObject's seven virtual operations
// reach Python overrides, and the Python object dies with the native one.
template <typename T>
class QObjectWrapper : public Wrapper<T>
{
public:
    using Wrapper<T>::Wrapper;

    bool event(QEvent* e) override { return this->route("event", false, [&] { return T::event(e); }, e); }
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        return this->route("eventFilter", false, [&] { return T::eventFilter(watched, e); }, watched, e);
    }

protected:
    void childEvent(QChildEvent* e) override { this->routeVoid("childEvent", [&] { T::childEvent(e); }, e); }
    void customEvent(QEvent* e) override { this->routeVoid("customEvent", [&] { T::customEvent(e); }, e); }
    void timerEvent(QTimerEvent* e) override { this->routeVoid("timerEvent", [&] { T::timerEvent(e); }, e); }
    void connectNotify(const QMetaMethod& signal) override
    {
        this->routeVoid("connectNotify", [&] { T::connectNotify(signal); }, signal);
    }
    void disconnectNotify(const QMetaMethod& signal) override
    {
        this->routeVoid("disconnectNotify", [&] { T::disconnectNotify(signal); }, signal);
    }
};

template <typename T>
struct DefaultWrapper<T, std::enable_if_t<std::is_base_of<QObject, T>::value>>
{
    using type = QObjectWrapper<T>;
};

} // namespace Binding
