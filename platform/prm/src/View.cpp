#include "Prm/View.h"

#include <QHash>
#include <atomic>
#include <limits>

namespace Prm {

namespace {
std::atomic<int32_t> s_defaultViewId{0};
}

const View View::INVALID{std::numeric_limits<int32_t>::min()};

int32_t View::defaultViewId()
{
    return s_defaultViewId.load();
}

void View::setDefaultViewId(int32_t id)
{
    s_defaultViewId.store(id);
}

QString View::toString() const
{
    if (!isValid())
        return QStringLiteral("invalid view");
    return QStringLiteral("view %1").arg(m_id);
}

QString View::toString(const View& view)
{
    return QStringLiteral("view[%1].").arg(view.id());
}

bool View::extractStringPrefix(QString& line, View& view)
{
    static const QString opening = QStringLiteral("view[");
    if (!line.startsWith(opening))
        return false;
    const int closing = line.indexOf(QLatin1String("]."), opening.size());
    if (closing < 0)
        return false;
    const QStringRef digits = line.midRef(opening.size(), closing - opening.size());
    for (const QChar c : digits) {
        if (c.unicode() < '0' || c.unicode() > '9')
            return false;
    }
    bool ok = false;
    const int id = digits.toInt(&ok);
    if (!ok || id > MAX_PREFIX_ID)
        return false;
    view = View(id);
    line.remove(0, closing + 2);
    return true;
}

uint qHash(const View& view, uint seed)
{
    return ::qHash(view.id(), seed);
}

} // namespace Prm
