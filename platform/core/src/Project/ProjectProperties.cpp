#include "Rirediro/Project/ProjectProperties.h"

#include "Rirediro/ErrorHandling/VUVI_CoreErrors.h"

#include <Prm/Views.h>

#include <QDir>

#include <boost/make_shared.hpp>

#include <algorithm>

ProjectProperties::ProjectProperties() : m_views(boost::make_shared<Prm::Views>())
{
}

ProjectProperties::~ProjectProperties() = default;

QString ProjectProperties::absoluteOutputDir() const
{
    if (m_outputDir.isEmpty())
        return QString();
    return QDir::cleanPath(QDir::current().absoluteFilePath(m_outputDir));
}

void ProjectProperties::setViewNames(const QList<QStringList>& names)
{
    if (names.isEmpty())
        Rirediro::throwException<VUVI_BadArgument>(__FILE__, __LINE__, tr("A project must keep at least one view"),
                                                   QString());
    Prm::Views& views = *m_views;
    const std::vector<Prm::View> ids = views.viewList();
    const std::size_t count = std::size_t(names.size());
    for (std::size_t i = 0; i < std::min(count, ids.size()); ++i)
        views.renameView(ids[i], names[int(i)]);
    for (std::size_t i = ids.size(); i < count; ++i) {
        const Prm::View added = views.addView(QString(), QString());
        views.renameView(added, names[int(i)]);
    }
    for (std::size_t i = ids.size(); i > count; --i) {
        views.removeView(ids[i - 1]);
        m_colours.remove(ids[i - 1].id());
    }
    if (views.viewIndex(m_heroView) < 0)
        m_heroView = views.viewList().front();
}

Bsc::Colour3<float> ProjectProperties::colourForView(const Prm::View& view) const
{
    return m_colours.value(view.id(), Bsc::Colour3<float>(1.0f, 1.0f, 1.0f));
}

void ProjectProperties::setColourForView(const Prm::View& view, const Bsc::Colour3<float>& colour)
{
    m_colours.insert(view.id(), colour);
}
