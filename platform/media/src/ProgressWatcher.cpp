#include "TQ/ProgressWatcher.h"

namespace TQ {

ProgressWatcher::ProgressWatcher(QObject* parent) : QObject(parent)
{
}

ProgressWatcher::~ProgressWatcher() = default;

namespace {
// Watchers are handed across the application object's invokable methods by name.
const int registered = qRegisterMetaType<ProgressWatcher::Ptr>("TQ::ProgressWatcher::Ptr");
} // namespace

} // namespace TQ
