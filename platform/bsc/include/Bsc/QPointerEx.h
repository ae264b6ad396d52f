#pragma once

#include <QObject>
#include <QPointer>

namespace Bsc {
namespace detail {

// A guarded pointer to an object known by one of its interfaces rather than
// as a QObject: it reads null once the QObject behind the interface is
// destroyed. An object that is no QObject cannot be guarded and reads null.
template <typename T, template <typename> class Guard = QPointer>
class QPointerEx
{
public:
    QPointerEx() = default;
    QPointerEx(T* object) : m_object(object), m_guard(dynamic_cast<QObject*>(object)) {}

    T* data() const { return m_guard ? m_object : nullptr; }
    T* operator->() const { return data(); }
    T& operator*() const { return *data(); }
    bool isNull() const { return data() == nullptr; }
    explicit operator bool() const { return !isNull(); }

private:
    T* m_object = nullptr;
    Guard<QObject> m_guard;
};

} // namespace detail
} // namespace Bsc
