#pragma once

#include "Python/InUse.h"

#include <QPointer>

struct _object;
typedef _object PyObject;

namespace PyHelpers {

// What every adaptor holds of the Python extension it calls (an exporter,
// an image IO module, a tool), from the check that the extension lives to
// the end of the call: its Python object with a strong reference, taken and
// given back under the interpreter lock, so that nobody dropping the last
// reference meanwhile (the extension itself, another thread) ends it; and
// the object itself, so that a deletion asked for meanwhile (shiboken2.delete)
// takes effect when the call ends.
class ExtensionHold
{
public:
    explicit ExtensionHold(const QObject* extension) : m_use(extension) {}
    ~ExtensionHold();
    ExtensionHold(const ExtensionHold&) = delete;
    ExtensionHold& operator=(const ExtensionHold&) = delete;

    // False when the extension was gone before the call, or asked to go
    // during it.
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
    explicit ExtensionCall(const QPointer<T>& extension)
        : m_extension(extension), m_object(extension.data()), m_hold(m_object)
    {
        // Alive once held: gone in between, it is not to be called.
        if (m_extension.data() == m_object && m_hold.usable())
            m_hold.holdPythonObject(m_object);
    }

    // The extension, or null once it is gone or asked to go: its answers
    // are then those of an extension without overrides.
    T* get() const { return m_hold.usable() ? alive() : nullptr; }
    explicit operator bool() const { return get() != nullptr; }
    // The extension while it lives, asked to go or not (it then lives
    // until the hold ends).
    T* operator->() const { return m_hold.held() ? alive() : nullptr; }

private:
    // Null once deleted other than through the hold (its Qt parent died).
    T* alive() const { return m_extension.data() == m_object ? m_object : nullptr; }

    QPointer<T> m_extension;
    T* m_object;
    ExtensionHold m_hold;
};

} // namespace PyHelpers
