#pragma once

// Bound QObject classes: Python types derived from PySide2.QtCore.QObject,
// passed by pointer, with their Qt signals and QObject's virtual operations
// open to Python overrides.

#include "Overrides.h"
#include "Types.h"

#include <QChildEvent>
#include <QEvent>
#include <QMetaMethod>
#include <QObject>
#include <QTimerEvent>

BINDING_CONVERTER_NAME(QObject, "QObject");
BINDING_CONVERTER_NAME(QEvent, "QEvent");
BINDING_CONVERTER_NAME(QChildEvent, "QChildEvent");
BINDING_CONVERTER_NAME(QTimerEvent, "QTimerEvent");
BINDING_CONVERTER_NAME(QMetaMethod, "QMetaMethod");

namespace Binding {

// The wrapper class of a QObject class: QObject's seven virtual operations
// reach Python overrides, and the Python object dies with the native one.
template <typename T>
class QObjectWrapper : public T
{
public:
    using T::T;
    ~QObjectWrapper() override { destroyBinding(this); }

    bool event(QEvent* e) override
    {
        static PyObject* cache[2] = {};
        return routeToPython<bool>(this, cache, className(), "event", false, [&] { return T::event(e); }, e);
    }
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        static PyObject* cache[2] = {};
        return routeToPython<bool>(this, cache, className(), "eventFilter", false,
                                   [&] { return T::eventFilter(watched, e); }, watched, e);
    }

protected:
    void childEvent(QChildEvent* e) override
    {
        static PyObject* cache[2] = {};
        routeToPython<void>(this, cache, className(), "childEvent", 0, [&] { T::childEvent(e); }, e);
    }
    void customEvent(QEvent* e) override
    {
        static PyObject* cache[2] = {};
        routeToPython<void>(this, cache, className(), "customEvent", 0, [&] { T::customEvent(e); }, e);
    }
    void timerEvent(QTimerEvent* e) override
    {
        static PyObject* cache[2] = {};
        routeToPython<void>(this, cache, className(), "timerEvent", 0, [&] { T::timerEvent(e); }, e);
    }
    void connectNotify(const QMetaMethod& signal) override
    {
        static PyObject* cache[2] = {};
        routeToPython<void>(this, cache, className(), "connectNotify", 0, [&] { T::connectNotify(signal); },
                            signal);
    }
    void disconnectNotify(const QMetaMethod& signal) override
    {
        static PyObject* cache[2] = {};
        routeToPython<void>(this, cache, className(), "disconnectNotify", 0, [&] { T::disconnectNotify(signal); },
                            signal);
    }

private:
    static const char* className() { return T::staticMetaObject.className(); }
};

namespace detail {

// Python knows a QObject class by its QObject base only, which sits at the
// start of the object: there are no other base offsets to record.
int* noOtherBases(const void*);
void* sameAddress(void* object, SbkObjectType*);

template <typename T>
void* discoverFromQObject(void* object, SbkObjectType* seenAs)
{
    if (reinterpret_cast<PyTypeObject*>(seenAs) != Conversion<QObject>::pythonType())
        return nullptr;
    return dynamic_cast<T*>(reinterpret_cast<QObject*>(object));
}

void registerQObjectType(PyTypeObject* type, const QMetaObject* metaObject, std::size_t wrapperSize,
                         TypeDiscoveryFuncV2 discover);

} // namespace detail

// A QObject class: crosses the boundary by pointer, never copied.
template <typename T, typename W = QObjectWrapper<T>>
class ObjectClass : public ClassDeclaration<ObjectClass<T, W>, T, QObjectClass>
{
    using Base = ClassDeclaration<ObjectClass<T, W>, T, QObjectClass>;
    using Base::m_builder;

public:
    ObjectClass(Module& module, int index, const char* className) : Base(module, index, className) {}

    PyTypeObject* introduce(PyObject* module)
    {
        const std::string nativeName = std::string(m_builder.className()) + "*";
        if (!introduceBoundClass<T, W>(m_builder, module, nativeName.c_str(), &Shiboken::callCppDestructor<T>,
                                       Conversion<QObject>::pythonType(), nullptr))
            return nullptr;
        detail::registerQObjectType(Bound<T>::type, &T::staticMetaObject, sizeof(W),
                                    &detail::discoverFromQObject<T>);
        return Bound<T>::type;
    }
};

} // namespace Binding
