#include "Prm/Views.h"

#include <algorithm>

namespace Prm {

Views::Views()
{
    m_entries.push_back({View(View::defaultViewId()), {QStringLiteral("Main"), QStringLiteral("M")}});
}

Views::~Views() = default;

std::vector<View> Views::viewList() const
{
    std::vector<View> views;
    views.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        views.push_back(entry.view);
    return views;
}

QStringList Views::viewNames(const View& view) const
{
    const int index = viewIndex(view);
    return index < 0 ? QStringList() : m_entries[std::size_t(index)].names;
}

QString Views::fileTag(const View& view) const
{
    const QString abbreviation = viewNames(view).value(1);
    const bool namesAFile = !abbreviation.isEmpty() && !abbreviation.contains(QLatin1Char('/'))
                            && !abbreviation.contains(QLatin1Char('\\')) && !abbreviation.contains(QLatin1Char('\0'))
                            && !abbreviation.contains(QLatin1String(".."));
    return namesAFile ? abbreviation : QString::number(view.id());
}

int Views::viewIndex(const View& view) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].view == view)
            return int(i);
    }
    return -1;
}

View Views::addView(const QString& name, const QString& abbreviation)
{
    int32_t next = 0;
    for (const Entry& entry : m_entries)
        next = std::max(next, entry.view.id() + 1);
    m_entries.push_back({View(next), {name, abbreviation}});
    return View(next);
}

void Views::renameView(const View& view, const QStringList& names)
{
    const int index = viewIndex(view);
    if (index >= 0)
        m_entries[std::size_t(index)].names = names;
}

bool Views::removeView(const View& view)
{
    const int index = viewIndex(view);
    if (index < 0 || m_entries.size() == 1)
        return false;
    m_entries.erase(m_entries.begin() + index);
    return true;
}

void Views::assign(const std::vector<std::pair<View, QStringList>>& views)
{
    if (views.empty())
        return;
    m_entries.clear();
    for (const auto& view : views)
        m_entries.push_back({view.first, view.second});
}

} // namespace Prm
