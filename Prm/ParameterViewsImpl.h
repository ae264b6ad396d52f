#pragma once

// Prm::Parameter<T>: construction, the per-view data map, and the
// operations that create, copy, reset and delete the data of views.
// Included by Prm/Parameter.h.

#include <algorithm>

namespace Prm {

// ---- FastViewMap ----

template <typename T>
Parameter<T>::FastViewMap::FastViewMap() = default;

template <typename T>
Parameter<T>::FastViewMap::FastViewMap(const FastViewMap& other) : m_defaults(other.m_defaults)
{
    copyDataFrom(other);
}

template <typename T>
typename Parameter<T>::FastViewMap& Parameter<T>::FastViewMap::operator=(const FastViewMap& other)
{
    if (this != &other) {
        m_defaults.staticValue = other.m_defaults.staticValue;
        m_defaults.keyframes = other.m_defaults.keyframes;
        copyDataFrom(other);
    }
    return *this;
}

template <typename T>
Parameter<T>::FastViewMap::~FastViewMap() = default;

template <typename T>
void Parameter<T>::FastViewMap::copyDataFrom(const FastViewMap& other)
{
    m_ownViews = other.m_ownViews;
    m_ownData.clear();
    m_ownData.reserve(other.m_ownData.size());
    for (const auto& data : other.m_ownData)
        m_ownData.push_back(std::make_unique<PVData>(*data));
    initSourceData(other);
}

template <typename T>
void Parameter<T>::FastViewMap::initSourceData(const FastViewMap& source)
{
    m_lookup.clear();
    if (m_ownData.empty())
        return;
    m_lookup.assign(source.m_lookup.size(), m_ownData.front().get());
    for (std::size_t i = 0; i < m_ownViews.size(); ++i)
        m_lookup.at(std::size_t(m_ownViews[i].id())) = m_ownData[i].get();
}

template <typename T>
typename Parameter<T>::PVData* Parameter<T>::FastViewMap::findRealViewData(const View& view) const
{
    const int32_t id = view.id();
    if (id < 0 || std::size_t(id) >= m_lookup.size())
        return nullptr;
    if (view == m_ownViews.front())
        return m_lookup.front();
    PVData* data = m_lookup[std::size_t(id)];
    return data == m_lookup.front() ? nullptr : data;
}

template <typename T>
typename Parameter<T>::PVData& Parameter<T>::FastViewMap::operator[](const View& view)
{
    if (view.id() < 0)
        return m_ownData.empty() ? (*this)[View(0)] : *m_ownData.front();
    if (PVData* own = findRealViewData(view))
        return *own;
    if (view.id() != 0 && m_lookup.empty())
        (*this)[View(0)];

    const auto place = std::upper_bound(m_ownViews.begin(), m_ownViews.end(), view);
    const auto index = std::size_t(place - m_ownViews.begin());
    m_ownViews.insert(place, view);
    m_ownData.insert(m_ownData.begin() + std::ptrdiff_t(index), std::make_unique<PVData>(m_defaults));
    PVData* data = m_ownData[index].get();

    const auto id = std::size_t(view.id());
    if (id >= m_lookup.size()) {
        m_lookup.resize(id + 1, m_ownData.front().get());
        m_lookup[id] = data;
        return *data;
    }
    m_lookup[id] = data;
    if (index == 0 && m_ownViews.size() >= 2) {
        // The new view is the lowest: its data is now what views without
        // data of their own share.
        std::fill(m_lookup.begin(), m_lookup.end(), data);
        for (std::size_t i = 0; i < m_ownViews.size(); ++i)
            m_lookup[std::size_t(m_ownViews[i].id())] = m_ownData[i].get();
    }
    return *data;
}

template <typename T>
bool Parameter<T>::FastViewMap::removeOwnView(const View& view)
{
    const auto found = std::find(m_ownViews.begin(), m_ownViews.end(), view);
    if (found == m_ownViews.end() || m_ownViews.size() < 2)
        return false;
    const auto index = std::size_t(found - m_ownViews.begin());
    PVData* removed = m_ownData[index].get();
    PVData* firstData = index == 0 ? m_ownData[1].get() : m_ownData.front().get();
    // Every entry that read the removed data (its own, and when it was the
    // first data, every shared one) reads the new first data.
    std::replace(m_lookup.begin(), m_lookup.end(), removed, firstData);
    m_ownViews.erase(found);
    m_ownData.erase(m_ownData.begin() + std::ptrdiff_t(index));
    // Entries above the highest own view only share the first data.
    m_lookup.resize(std::size_t(m_ownViews.back().id()) + 1);
    return true;
}

template <typename T>
std::vector<View> Parameter<T>::FastViewMap::clear()
{
    std::vector<View> removed(m_ownViews.rbegin(), m_ownViews.rend());
    m_lookup.clear();
    m_ownViews.clear();
    m_ownData.clear();
    return removed;
}

// ---- construction ----

template <typename T>
Parameter<T>::Parameter() : ParameterWithoutType(false, false, nullptr)
{
    setDisplayName(QStringLiteral("Not Set"));
}

template <typename T>
Parameter<T>::Parameter(const Parameter& other)
    : ParameterWithoutType(other),
      m_keyframed(other.m_keyframed),
      m_views(other.m_views),
      m_split(other.m_split),
      m_splittable(other.m_splittable),
      m_extrapolationBefore(other.m_extrapolationBefore),
      m_extrapolationAfter(other.m_extrapolationAfter),
      m_defaultInterpolation(other.m_defaultInterpolation)
{
    hide(other.isHidden());
}

template <typename T>
Parameter<T>::~Parameter() = default;

// ---- per-view data ----

template <typename T>
typename Parameter<T>::PVData& Parameter<T>::targetData(const View& view)
{
    const std::size_t viewCountBefore = viewList().size();
    const PVData* ownBefore = m_views.findRealViewData(view);

    PVData& data = m_views[m_splittable ? view : View(0)];
    m_split = m_views.ownViews().size() >= 2;

    if (m_views.findRealViewData(view) != ownBefore) {
        // The very first data of a parameter, view 0's, is no news.
        const bool firstData = viewList().size() == viewCountBefore && view.id() == 0;
        if (!firstData)
            ParameterChange::viewAdded(*this, view);
    }
    return data;
}

template <typename T>
void Parameter<T>::setValue(const T& value, const View& view)
{
    PVData& data = targetData(view);
    if (data.staticValue == value)
        return;
    data.staticValue = value;
    ParameterChange::valueChanged(*this, view);
}

template <typename T>
void Parameter<T>::copyViewData(const View& target, const View& source, const ParameterWithoutType* sourceParameter)
{
    if (!m_splittable)
        return;
    const auto* from = dynamic_cast<const Parameter<T>*>(sourceParameter ? sourceParameter : this);
    if (!from)
        return;
    const PVData& sourceData = from->m_views.viewData(source);
    PVData& targetViewData = targetData(target);
    if (&targetViewData == &sourceData)
        return;
    KeyframeVector keys;
    {
        QMutexLocker lock(&sourceData.mutex);
        keys = sourceData.keyframes;
    }
    targetViewData.staticValue = sourceData.staticValue;
    QMutexLocker lock(&targetViewData.mutex);
    targetViewData.keyframes = keys;
}

template <typename T>
void Parameter<T>::uniquifyView(const View& view)
{
    const T defaultValue = this->defaultValue();
    PVData& data = targetData(view);
    if (data.staticValue == defaultValue)
        return;
    data.staticValue = defaultValue;
    ParameterChange::valueChanged(*this, view);
}

template <typename T>
bool Parameter<T>::initialiseHeroView(const View& view, const View& source)
{
    const auto* splitSwitch = dynamic_cast<const Parameter<bool>*>(viewSplitSwitch());
    if (!m_splittable || !splitSwitch || m_views.ownViews().empty())
        return false;
    if (splitSwitch->value(view) || hasViewData(view))
        return false;
    PVData& data = targetData(view);
    const View from = hasViewData(source) ? source : viewList().front();
    const PVData& sourceData = m_views.viewData(from);
    if (!(data.staticValue == sourceData.staticValue)) {
        data.staticValue = sourceData.staticValue;
        ParameterChange::valueChanged(*this, view);
    }
    return true;
}

template <typename T>
bool Parameter<T>::deleteView(const View& view)
{
    if (!m_split || !m_views.removeOwnView(view))
        return false;
    m_split = m_views.ownViews().size() >= 2;
    ParameterChange::viewRemoved(*this, view);
    return true;
}

template <typename T>
void Parameter<T>::clearViewData()
{
    const std::vector<View> removed = m_views.clear();
    m_split = false;
    for (const View& view : removed)
        ParameterChange::viewRemoved(*this, view);
}

template <typename T>
void Parameter<T>::vReset(const Context& context)
{
    if (isKeyframed() && (!splittable() || hasViewData(context.view)) && keyframeCount(context.view) != 0) {
        const Context::Explicit at(context.time, context.view, context.mode);
        if (bKeyframeAt(at))
            vDeleteKeyframe(at);
        return;
    }
    targetData(context.view).staticValue = defaultValue();
    ParameterChange::viewReset(*this, context.view);
}

// ---- extrapolation ----

template <typename T>
Extrapolation Parameter<T>::extrapolationBefore() const
{
    const Parameter* master = effectiveMaster();
    if (master != this)
        return master->extrapolationBefore();
    return m_keyframed ? m_extrapolationBefore : Extrapolation(1);
}

template <typename T>
Extrapolation Parameter<T>::extrapolationAfter() const
{
    const Parameter* master = effectiveMaster();
    if (master != this)
        return master->extrapolationAfter();
    return m_keyframed ? m_extrapolationAfter : Extrapolation(1);
}

template <typename T>
void Parameter<T>::vSetExtrapolationBefore(Extrapolation extrapolation)
{
    if (!m_keyframed)
        return;
    m_extrapolationBefore = extrapolation;
    ParameterChange::changedExtrapolationBefore(*this);
}

template <typename T>
void Parameter<T>::vSetExtrapolationAfter(Extrapolation extrapolation)
{
    if (!m_keyframed)
        return;
    m_extrapolationAfter = extrapolation;
    ParameterChange::changedExtrapolationAfter(*this);
}

// ---- masters ----

template <typename T>
const Parameter<T>* Parameter<T>::effectiveMaster() const
{
    std::vector<const ParameterWithoutType*> visited{this};
    const Parameter* current = this;
    for (;;) {
        const ParameterWithoutType* master = current->masterParameter();
        const auto* typed = dynamic_cast<const Parameter*>(master);
        if (!typed)
            return current;
        if (std::find(visited.begin(), visited.end(), master) != visited.end())
            return this;
        visited.push_back(master);
        current = typed;
    }
}

} // namespace Prm
