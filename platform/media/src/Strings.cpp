#include "TQ/Strings.h"

#include <QCoreApplication>

namespace TQ::Strings {

QString tr(ClipNamePrefix prefix)
{
    const char* text = nullptr;
    switch (prefix) {
    case TrackedClipPrefix:
        text = QT_TRANSLATE_NOOP("TQ::Strings", "Tracked");
        break;
    case InsertClipPrefix:
        text = QT_TRANSLATE_NOOP("TQ::Strings", "Insert");
        break;
    case RemoveClipPrefix:
        text = QT_TRANSLATE_NOOP("TQ::Strings", "Remove");
        break;
    case ReorientClipPrefix:
        text = QT_TRANSLATE_NOOP("TQ::Strings", "Reorient");
        break;
    case StabiliseClipPrefix:
        text = QT_TRANSLATE_NOOP("TQ::Strings", "Stabilise");
        break;
    }
    return text ? QCoreApplication::translate("TQ::Strings", text) : QString();
}

} // namespace TQ::Strings
