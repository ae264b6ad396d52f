#include "Rirediro/Export/ExportClipParams.h"

#include <Prm/Frame.h>
#include <Prm/Views.h>

#include <QDir>

namespace Rirediro {

ExportClipParams::ExportClipParams() = default;
ExportClipParams::~ExportClipParams() = default;

QVector<boost::shared_ptr<VUVI_Layer>> ExportClipParams::layersToExport() const
{
    QVector<boost::shared_ptr<VUVI_Layer>> layers;
    for (const boost::weak_ptr<VUVI_Layer>& layer : m_layers) {
        if (boost::shared_ptr<VUVI_Layer> alive = layer.lock())
            layers.append(alive);
    }
    return layers;
}

void ExportClipParams::setClipIndices(unsigned int first, unsigned int last, bool pulldown)
{
    m_firstProjectFrame = first;
    m_lastProjectFrame = last;
    m_pulldown = pulldown;
}

void ExportClipParams::setViewsToExport(const QVector<Prm::View>& views,
                                        const boost::shared_ptr<Prm::Views>& projectViews, bool joint)
{
    m_views = views;
    m_projectViews = projectViews;
    m_joint = joint;
}

QString ExportClipParams::fileNameForFrame(const Prm::Context& context) const
{
    const unsigned int number = Prm::Frame::fromTime(context.time).value();
    QString name = m_prefix.text() + QStringLiteral("%1").arg(number, int(m_indexWidth), 10, QLatin1Char('0'))
                   + m_suffix.text();
    if (m_views.size() > 1 && !m_joint && m_projectViews)
        name += QLatin1Char('_') + m_projectViews->fileTag(context.view);
    return QDir(m_clipPath).filePath(name + m_extension);
}

} // namespace Rirediro
