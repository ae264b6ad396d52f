#pragma once

#include <Rirediro/ErrorHandling/VUVI_Error.h>

#include <QCoreApplication>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

namespace detail {
[[noreturn]] inline void throwInvalidObject()
{
    Rirediro::throwException<VUVI_BadState>(QCoreApplication::translate("PyHandle", "Invalid object"));
}
} // namespace detail

// Base of every API class that stands for a core object. It keeps only a
// weak reference: the core object may go away at any time, after which every
// access fails with "Invalid object".
template <typename T>
class PyHandle
{
public:
    PyHandle() = default;
    explicit PyHandle(const boost::shared_ptr<T>& object) : m_handledObject(object) {}

    // True when the core object is gone (or there never was one).
    virtual bool isNull() const { return !m_handledObject.lock(); }
    virtual ~PyHandle() = default;

    // The core object, kept alive for as long as the caller holds the result.
    boost::shared_ptr<T> handledObject() const
    {
        boost::shared_ptr<T> object = m_handledObject.lock();
        if (!object)
            detail::throwInvalidObject();
        return object;
    }

protected:
    boost::weak_ptr<T> m_handledObject;
};

template <>
class PyHandle<void>
{
public:
    // Locks a weak reference kept beside a handle, with the same failure.
    template <typename U>
    static boost::shared_ptr<U> fromWeakToShared(const boost::weak_ptr<U>& weak)
    {
        boost::shared_ptr<U> object = weak.lock();
        if (!object)
            detail::throwInvalidObject();
        return object;
    }
};
