#pragma once

#include <QObject>
#include <QPointer>

namespace Bsc {

// Blocks an object's signals for the lifetime of the blocker, unless they
// were blocked already; a blocker that found them blocked leaves them so.
class ScopedSignalBlocker
{
public:
    explicit ScopedSignalBlocker(QObject* object)
        : m_object(object), m_blocked(object && !object->signalsBlocked())
    {
        if (m_blocked)
            object->blockSignals(true);
    }
    ~ScopedSignalBlocker()
    {
        if (m_blocked && m_object)
            m_object->blockSignals(false);
    }
    ScopedSignalBlocker(const ScopedSignalBlocker&) = delete;
    ScopedSignalBlocker& operator=(const ScopedSignalBlocker&) = delete;

private:
    QPointer<QObject> m_object;
    bool m_blocked;
};

} // namespace Bsc
