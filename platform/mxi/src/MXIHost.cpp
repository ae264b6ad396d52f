#include "MXI/MXIHost.h"

MXIHost::MXIHost() = default;

MXIHost::~MXIHost() = default;

int MXIHost::callMode() const
{
    ask(QStringLiteral("callMode"));
    return m_callMode;
}

bool MXIHost::hasCapability(int capability) const
{
    ask(QStringLiteral("hasCapability %1").arg(capability));
    return m_capabilities.contains(capability);
}

bool MXIHost::viewsSwapped() const
{
    ask(QStringLiteral("viewsSwapped"));
    return m_viewsSwapped;
}

bool MXIHost::splitsView(int viewIndex) const
{
    ask(QStringLiteral("splitsView %1").arg(viewIndex));
    return m_splitViews.contains(viewIndex);
}

QString MXIHost::projectFile() const
{
    ask(QStringLiteral("projectFile"));
    return m_projectFile;
}

QVector<MXIHost::Source> MXIHost::sources() const
{
    ask(QStringLiteral("sources"));
    return m_sources;
}

bool MXIHost::isSourceTracked(unsigned int identifier) const
{
    ask(QStringLiteral("isSourceTracked %1").arg(identifier));
    for (const Source& source : m_sources)
        if (source.identifier == identifier)
            return source.tracked;
    return false;
}

std::map<unsigned int, unsigned int> MXIHost::pointTrackingLayers(unsigned int sourceIdentifier) const
{
    ask(QStringLiteral("pointTrackingLayers %1").arg(sourceIdentifier));
    const auto found = m_pointTrackingLayers.find(sourceIdentifier);
    return found == m_pointTrackingLayers.end() ? std::map<unsigned int, unsigned int>() : found->second;
}

bool MXIHost::enterModal()
{
    ask(QStringLiteral("enterModal"));
    if (m_refusesModal)
        return false;
    m_modal = true;
    return true;
}

bool MXIHost::exitModal()
{
    ask(QStringLiteral("exitModal"));
    if (m_failsToLeaveModal)
        return false;
    m_modal = false;
    return true;
}

void MXIHost::setCapability(int capability, bool present)
{
    m_capabilities.removeAll(capability);
    if (present)
        m_capabilities.append(capability);
}

void MXIHost::setSplitView(int viewIndex, bool split)
{
    m_splitViews.removeAll(viewIndex);
    if (split)
        m_splitViews.append(viewIndex);
}

void MXIHost::setPointTrackingLayers(unsigned int sourceIdentifier, const std::map<unsigned int, unsigned int>& layers)
{
    m_pointTrackingLayers[sourceIdentifier] = layers;
}
