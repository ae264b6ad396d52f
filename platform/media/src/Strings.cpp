#include "TQ/Strings.h"

#include <QCoreApplication>

#include <utility>

namespace TQ::Strings {

QString tr(ClipNamePrefix prefix)
{
    static const std::pair<ClipNamePrefix, const char*> prefixes[] = {
        {TrackedClipPrefix, QT_TRANSLATE_NOOP("TQ::Strings", "Tracked")},
        {InsertClipPrefix, QT_TRANSLATE_NOOP("TQ::Strings", "Insert")},
        {RemoveClipPrefix, QT_TRANSLATE_NOOP("TQ::Strings", "Remove")},
        {ReorientClipPrefix, QT_TRANSLATE_NOOP("TQ::Strings", "Reorient")},
        {StabiliseClipPrefix, QT_TRANSLATE_NOOP("TQ::Strings", "Stabilise")},
    };
    for (const auto& [value, text] : prefixes) {
        if (value == prefix)
            return QCoreApplication::translate("TQ::Strings", text);
    }
    return QString();
}

} // namespace TQ::Strings
