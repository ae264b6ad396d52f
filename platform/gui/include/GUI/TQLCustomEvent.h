#pragma once

#include <QEvent>

// An application event of its own type, posted to the GUI's objects.
class TQLCustomEvent : public QEvent
{
public:
    explicit TQLCustomEvent(int type) : QEvent(static_cast<QEvent::Type>(type)) {}
};
