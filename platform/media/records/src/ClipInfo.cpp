#include "TQ/ClipInfo.h"

#include <QDir>

#include <algorithm>

TQ_ClipInfo::TQ_ClipInfo() : m_views{Prm::View(Prm::View::defaultViewId())}
{
    configureParameters();
}

TQ_ClipInfo::TQ_ClipInfo(const TQ_ClipInfo& other)
    : m_streamPath(other.m_streamPath)
    , m_prefix(other.m_prefix)
    , m_suffix(other.m_suffix)
    , m_firstIndex(other.m_firstIndex)
    , m_lastIndex(other.m_lastIndex)
    , m_indexWidth(other.m_indexWidth)
    , m_isSequence(other.m_isSequence)
    , m_length(other.m_length)
    , m_frameRateMode(other.m_frameRateMode)
    , m_filmTypeMode(other.m_filmTypeMode)
    , m_views(other.m_views)
    , m_clipViewForProjectView(other.m_clipViewForProjectView)
    , m_cacheFrames(other.m_cacheFrames)
    , m_proxyLevel(other.m_proxyLevel)
    , m_pulldownRemoval(other.m_pulldownRemoval)
    , m_cleanplate(other.m_cleanplate)
    , m_colorSpace(other.m_colorSpace)
    , m_discreteFrames(other.m_discreteFrames)
{
}

TQ_ClipInfo& TQ_ClipInfo::operator=(const TQ_ClipInfo& other)
{
    if (this == &other)
        return *this;
    m_streamPath.assignFrom(other.m_streamPath);
    m_prefix.assignFrom(other.m_prefix);
    m_suffix.assignFrom(other.m_suffix);
    m_firstIndex.assignFrom(other.m_firstIndex);
    m_lastIndex.assignFrom(other.m_lastIndex);
    m_indexWidth.assignFrom(other.m_indexWidth);
    m_isSequence.assignFrom(other.m_isSequence);
    m_length.assignFrom(other.m_length);
    m_frameRateMode.assignFrom(other.m_frameRateMode);
    m_filmTypeMode.assignFrom(other.m_filmTypeMode);
    m_views = other.m_views;
    m_clipViewForProjectView = other.m_clipViewForProjectView;
    m_cacheFrames = other.m_cacheFrames;
    m_proxyLevel = other.m_proxyLevel;
    m_pulldownRemoval = other.m_pulldownRemoval;
    m_cleanplate = other.m_cleanplate;
    m_colorSpace = other.m_colorSpace;
    m_discreteFrames = other.m_discreteFrames;
    return *this;
}

TQ_ClipInfo::~TQ_ClipInfo() = default;

template <typename F>
void TQ_ClipInfo::forEachStreamParameter(F&& visit)
{
    visit(m_streamPath, "streamPath");
    visit(m_prefix, "prefix");
    visit(m_suffix, "suffix");
    visit(m_firstIndex, "firstIndex");
    visit(m_lastIndex, "lastIndex");
    visit(m_indexWidth, "indexWidth");
    visit(m_isSequence, "isSequence");
    visit(m_length, "length");
}

// Stream settings are plain per-view values: every view may have its own,
// and none changes over time.
void TQ_ClipInfo::configureParameters()
{
    forEachStreamParameter([](auto& parameter, const char* name) {
        parameter.setScriptName(QString::fromLatin1(name));
        parameter.setSplittable(true);
        parameter.setKeyframed(false);
    });
    m_indexWidth.vSetDefault(0);
    m_length.vSetDefault(1);
    m_frameRateMode.setScriptName(QStringLiteral("frameRateMode"));
    m_filmTypeMode.setScriptName(QStringLiteral("filmTypeMode"));
    m_frameRateMode.setKeyframed(false);
    m_filmTypeMode.setKeyframed(false);
}

std::vector<Prm::ParameterWithoutType*> TQ_ClipInfo::parameters()
{
    std::vector<Prm::ParameterWithoutType*> all;
    forEachStreamParameter([&](Prm::ParameterWithoutType& parameter, const char*) { all.push_back(&parameter); });
    all.push_back(&m_frameRateMode);
    all.push_back(&m_filmTypeMode);
    return all;
}

std::vector<const Prm::ParameterWithoutType*> TQ_ClipInfo::parameters() const
{
    const std::vector<Prm::ParameterWithoutType*> all = const_cast<TQ_ClipInfo*>(this)->parameters();
    return std::vector<const Prm::ParameterWithoutType*>(all.begin(), all.end());
}

void TQ_ClipInfo::setViews(const std::vector<Prm::View>& views)
{
    if (!views.empty())
        m_views = views;
}

unsigned int TQ_ClipInfo::minIndex(const Prm::View& view, ViewMapping mapping) const
{
    return m_firstIndex.value(remapViewIfRequired(view, mapping));
}

unsigned int TQ_ClipInfo::maxIndex(const Prm::View& view, ViewMapping mapping) const
{
    return m_lastIndex.value(remapViewIfRequired(view, mapping));
}

void TQ_ClipInfo::setLength(unsigned int length, const Prm::View& view)
{
    if (view == Prm::View::INVALID) {
        for (const Prm::View& each : m_views)
            m_length.setValue(length, each);
        return;
    }
    m_length.setValue(length, view);
}

void TQ_ClipInfo::setLengthFromFileCount(TQ_INTERLACE_MODE mode)
{
    const unsigned int perFile = TQ::isFieldInterlaced(mode) ? 2u : 1u;
    for (const Prm::View& view : m_views) {
        const unsigned int first = m_firstIndex.value(view);
        const unsigned int last = m_lastIndex.value(view);
        const unsigned int files = last >= first ? last - first + 1 : 1;
        m_length.setValue(files * perFile, view);
    }
}

TQ_ClipInfo TQ_ClipInfo::copyInfoForDerivedClip() const
{
    TQ_ClipInfo derived(*this);
    derived.m_discreteFrames.clear();
    derived.m_cleanplate = false;
    return derived;
}

QString TQ_ClipInfo::fileNameForIndex(const Prm::View& view, unsigned int index) const
{
    const Prm::View clipView = remapViewIfRequired(view, ProjectToClipView);
    const unsigned int width = m_indexWidth.value(clipView);
    QString name = m_prefix.value(clipView).text();
    if (width > 0)
        name += QStringLiteral("%1").arg(index, int(width), 10, QLatin1Char('0'));
    name += m_suffix.value(clipView).text();
    return QDir(m_streamPath.value(clipView)).filePath(name);
}

QString TQ_ClipInfo::firstFileName(const Prm::View& view) const
{
    return fileNameForIndex(view, minIndex(view));
}

bool TQ_ClipInfo::hasView(const Prm::View& view) const
{
    return std::find(m_views.begin(), m_views.end(), view) != m_views.end();
}

Prm::View TQ_ClipInfo::remapViewIfRequired(const Prm::View& view, int mapping) const
{
    return mapping == ProjectToClipView ? clipViewForProjectView(view) : view;
}

Prm::View TQ_ClipInfo::clipViewForProjectView(const Prm::View& projectView) const
{
    const auto assigned = m_clipViewForProjectView.constFind(projectView);
    if (assigned != m_clipViewForProjectView.constEnd())
        return assigned.value();
    if (hasView(projectView))
        return projectView;
    return m_views.front();
}

void TQ_ClipInfo::setClipViewForProjectView(const Prm::View& projectView, const Prm::View& clipView)
{
    m_clipViewForProjectView.insert(projectView, clipView);
}

void TQ_ClipInfo::importStreams(const TQ_ClipInfo& source, const Prm::View& view, unsigned int length)
{
    const Prm::View from = source.remapViewIfRequired(Prm::View(), ProjectToClipView);
    if (!hasView(view))
        m_views.push_back(view);
    m_streamPath.setValue(source.m_streamPath.value(from), view);
    m_prefix.setValue(source.m_prefix.value(from), view);
    m_suffix.setValue(source.m_suffix.value(from), view);
    m_indexWidth.setValue(source.m_indexWidth.value(from), view);
    // The source may have recorded whether it is a sequence at the view it
    // was read for rather than at its default view.
    m_isSequence.setValue(source.m_isSequence.value(view), view);
    const unsigned int first = source.m_firstIndex.value(from);
    unsigned int last = source.m_lastIndex.value(from);
    if (length != AllFrames && length > 0 && last >= first && last - first >= length)
        last = first + length - 1;
    m_firstIndex.setValue(first, view);
    m_lastIndex.setValue(last, view);
    m_length.setValue(last >= first ? last - first + 1 : 1, view);
}

bool TQ_ClipInfo::deleteClipView(const Prm::View& view)
{
    const auto found = std::find(m_views.begin(), m_views.end(), view);
    if (found == m_views.end() || m_views.size() == 1)
        return false;
    m_views.erase(found);
    forEachStreamParameter([&](Prm::ParameterWithoutType& parameter, const char*) { parameter.deleteView(view); });
    for (auto it = m_clipViewForProjectView.begin(); it != m_clipViewForProjectView.end();) {
        if (it.key() == view || it.value() == view)
            it = m_clipViewForProjectView.erase(it);
        else
            ++it;
    }
    return true;
}
