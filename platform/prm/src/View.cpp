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

uint qHash(const View& view, uint seed)
{
    return ::qHash(view.id(), seed);
}

} // namespace Prm
