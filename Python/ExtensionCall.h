#pragma once

#include "Python/InUse.h"

#include <QObject>
#include <QPointer>

struct _object;
typedef _object PyObject;

namespace PyHelpers {

// An adaptor's pointer to the Python extension it calls (an exporter, an
// image IO module, a tool): null once the extension is gone. Unlike a
// QPointer of the extension's class, it never looks at the type of an
// object that another thread is destroying.
template <typename T>
class ExtensionPointer
{
public:
    ExtensionPointer(T* extension = nullptr) : m_object(extension), m_guard(extension) {}

    T* data() const { return m_guard.isNull() ? nullptr : m_object; }
    operator T*() const { return data(); }
    T* operator->() const { return data(); }
    // Its address as a QObject, alive or not.
    const QObject* address() const { return m_object; }

private:
    T* m_object;
    QPointer<QObject> m_guard;
};

// What every adaptor holds of the extension it calls, from the check that
// the extension lives to the end of the call: its Python object with a
// strong reference, taken and given back under the interpreter lock, so that
// nobody dropping the last reference meanwhile (the extension itself,
// another thread) ends it; and the object itself, so that a deletion asked
// for meanwhile (shiboken2.delete) takes effect when the call ends.
class ExtensionHold
{
public:
    explicit ExtensionHold(const QObject* extension) : m_use(extension) {}
    ~ExtensionHold();
    ExtensionHold(const ExtensionHold&) = delete;
    ExtensionHold& operator=(const ExtensionHold&) = delete;

    bool held() const { return m_use.held(); }
    bool usable() const { return m_use.held() && m_pythonFound && !m_use.deletionRequested(); }
    // Takes the reference to the Python object of the object at `bound`
    // (its address as its bound class), once the object is known to live.
    // An extension without one is being collected: it is not usable.
    void holdPythonObject(const void* bound);

private:
    InUse m_use;
    PyObject* m_python = nullptr;
    bool m_pythonFound = true;
};

template <typename T>
class ExtensionCall
{
public:
    explicit ExtensionCall(const ExtensionPointer<T>& extension) : m_extension(extension), m_hold(extension.address())
    {
        // Held first, then seen alive: only then is it an object to call.
        if (m_hold.held() && m_extension.data())
            m_hold.holdPythonObject(m_extension.data());
    }

    // The extension, or null once it is gone or asked to go: its answers
    // are then those of an extension without overrides.
    T* get() const { return m_hold.usable() ? alive() : nullptr; }
    explicit operator bool() const { return get() != nullptr; }
    // The extension while it lives, asked to go or not (it then lives
    // until the hold ends).
    T* operator->() const { return alive(); }

private:
    // Null once gone, or deleted other than through the hold (its Qt
    // parent died).
    T* alive() const { return m_hold.held() ? m_extension.data() : nullptr; }

    ExtensionPointer<T> m_extension;
    ExtensionHold m_hold;
};

} // namespace PyHelpers
