#pragma once

// Prm::Parameter<T>: keyframe search, reading and editing.
// Included by Prm/Parameter.h.

#include <QCoreApplication>

#include <boost/function.hpp>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace Prm {

template <typename T>
const typename Parameter<T>::PVData* Parameter<T>::keyedData(const View& view) const
{
    if (!isKeyframed())
        return nullptr;
    if (splittable() && !hasViewData(view))
        return nullptr;
    return &m_views.viewData(view);
}

template <typename T>
unsigned int Parameter<T>::keyframeIndexForTime(Time time, const LockedKeyframes& keys) const
{
    const int index = detail::exactIndex(keys.keyframes(), time);
    return index < 0 ? NO_KEYFRAME : unsigned(index);
}

template <typename T>
unsigned int Parameter<T>::keyframeIndexForTime(const Context& context) const
{
    const LockedKeyframes keys(&m_views.viewData(context.view));
    return keyframeIndexForTime(context.time, keys);
}

template <typename T>
unsigned int Parameter<T>::insertionIndex(Time time, const LockedKeyframes& keys) const
{
    return unsigned(detail::lowerBound(keys.keyframes(), time));
}

// ---- reading ----

template <typename T>
unsigned int Parameter<T>::keyframeCount(const View& view) const
{
    const LockedKeyframes keys(keyedData(view));
    return unsigned(keys.keyframes().size());
}

template <typename T>
bool Parameter<T>::bKeyframeAt(const Context::Explicit& context) const
{
    const PVData* data = keyedData(context.view);
    if (!data)
        return false;
    const LockedKeyframes keys(data);
    return detail::findKeyframeAtTime(keys.keyframes(), context.time);
}

template <typename T>
Context Parameter<T>::keyframeTime(unsigned int index, const View& view) const
{
    if (isKeyframed()) {
        const LockedKeyframes keys(&m_views.viewData(view));
        if (index < unsigned(keys.keyframes().size()))
            return Context(keys.keyframes().timeAt(int(index)), view, 3);
    }
    return Context(Time::fromDouble(0.0), view, 3);
}

template <typename T>
KeyframeData<T> Parameter<T>::keyframe(unsigned int index, const View& view) const
{
    const PVData& data = m_views.viewData(view);
    if (isKeyframed()) {
        const LockedKeyframes keys(&data);
        const KeyframeVector& keyframes = keys.keyframes();
        if (!keyframes.isEmpty())
            return keyframes[int(std::min(index, unsigned(keyframes.size() - 1)))];
    }
    KeyframeData<T> none;
    none.time = Time::fromDouble(Time::INVALID_TIME_VALUE);
    none.value = data.staticValue;
    none.itype.interpolation = m_defaultInterpolation;
    return none;
}

template <typename T>
T Parameter<T>::keyframeValue(unsigned int index, const View& view) const
{
    return keyframe(index, view).value;
}

template <typename T>
QVector<Context> Parameter<T>::allKeyframes() const
{
    QVector<Context> contexts;
    if (!isKeyframed())
        return contexts;
    const std::vector<View> views = viewList();
    for (const View& view : views) {
        const unsigned int count = keyframeCount(view);
        for (unsigned int i = 0; i < count; ++i)
            contexts.append(keyframeTime(i, view));
    }
    return contexts;
}

template <typename T>
bool Parameter<T>::bNextKeyframe(const Context& context, Context& next) const
{
    const LockedKeyframes keys(keyedData(context.view));
    const KeyframeVector& keyframes = keys.keyframes();
    const int index = detail::upperBound(keyframes, context.time);
    if (index >= keyframes.size())
        return false;
    next = Context(keyframes.timeAt(index), context.view, 3);
    return true;
}

template <typename T>
bool Parameter<T>::bPreviousKeyframe(const Context& context, Context& previous) const
{
    const LockedKeyframes keys(keyedData(context.view));
    const int index = int(insertionIndex(context.time, keys));
    if (index == 0)
        return false;
    previous = Context(keys.keyframes().timeAt(index - 1), context.view, 3);
    return true;
}

template <typename T>
bool Parameter<T>::bNearestKeyframeIndex(const Context& context, unsigned int& index) const
{
    const LockedKeyframes keys(keyedData(context.view));
    const int nearest = detail::nearestIndex(keys.keyframes(), context.time);
    if (nearest < 0)
        return false;
    index = unsigned(nearest);
    return true;
}

template <typename T>
bool Parameter<T>::bNearestKeyframeTime(const Context& context, Time& time) const
{
    const LockedKeyframes keys(keyedData(context.view));
    const int nearest = detail::nearestIndex(keys.keyframes(), context.time);
    if (nearest < 0)
        return false;
    time = keys.keyframes().timeAt(nearest);
    return true;
}

template <typename T>
Interpolation Parameter<T>::interpolation(const Context& context) const
{
    const Parameter* master = effectiveMaster();
    if (master != this)
        return master->interpolation(context);
    if (!isKeyframed())
        return Interpolation(1);
    const LockedKeyframes keys(&m_views.viewData(context.view));
    const KeyframeVector& keyframes = keys.keyframes();
    if (keyframes.isEmpty())
        return m_defaultInterpolation;
    const int index = detail::lowerBound(keyframes, context.time);
    if (index == keyframes.size())
        return keyframes.shapeAt(index - 1).interpolation;
    if (keyframes.timeAt(index) == context.time || index == 0)
        return keyframes.shapeAt(index).interpolation;
    return keyframes.shapeAt(index - 1).interpolation;
}

template <typename T>
Interpolation Parameter<T>::interpolation(const KeyframeIndex& index) const
{
    if (!isKeyframed())
        return Interpolation(1);
    const LockedKeyframes keys(&m_views.viewData(index.view));
    if (index.index >= unsigned(keys.keyframes().size()))
        return Interpolation(1);
    return keys.keyframes().shapeAt(int(index.index)).interpolation;
}

template <typename T>
IType Parameter<T>::interpolationData(const KeyframeIndex& index) const
{
    const Parameter* master = effectiveMaster();
    if (master != this)
        return master->interpolationData(index);
    IType itype;
    if (!isKeyframed()) {
        itype.interpolation = Interpolation(1);
        return itype;
    }
    const LockedKeyframes keys(&m_views.viewData(index.view));
    if (index.index >= unsigned(keys.keyframes().size())) {
        itype.interpolation = m_defaultInterpolation;
        return itype;
    }
    return keys.keyframes().shapeAt(int(index.index));
}

// ---- editing ----

template <typename T>
unsigned int Parameter<T>::insertKeyframe(KeyframeVector& keys, Time time, const T& value)
{
    const int index = detail::lowerBound(keys, time);
    KeyframeData<T> key;
    key.time = time;
    key.value = value;
    key.itype.interpolation = index > 0 ? keys.shapeAt(index - 1).interpolation : m_defaultInterpolation;
    if (index < keys.size()) {
        key.itype = initialiseInterpolation(key, keys.at(index), key.itype.interpolation);
    } else if (!keys.isEmpty() && !m_streamingIn) {
        const KeyframeData<T> formerLast = keys.last();
        keys.setShape(index - 1, initialiseInterpolation(formerLast, key, formerLast.itype.interpolation));
    }
    keys.insert(index, key);
    return unsigned(index);
}

template <typename T>
unsigned int Parameter<T>::vSetValue(const T& value, const Context& context)
{
    PVData& data = targetData(context.view);
    // A time that is not a number has no place among keyframes.
    if (!isKeyframed() || std::isnan(context.time.toDouble())) {
        if (data.staticValue == value)
            return NO_KEYFRAME;
        data.staticValue = value;
        ParameterChange::keyframeChangedValue(*this, NO_KEYFRAME, context.view);
        return NO_KEYFRAME;
    }

    unsigned int index = NO_KEYFRAME;
    bool added = false;
    bool changed = false;
    {
        QMutexLocker lock(&data.mutex);
        const int existing = detail::exactIndex(data.keyframes, context.time);
        if (existing >= 0) {
            index = unsigned(existing);
            if (!(data.keyframes.valueAt(existing) == value)) {
                data.keyframes.setValue(existing, value);
                changed = true;
            }
        } else {
            index = insertKeyframe(data.keyframes, context.time, value);
            added = true;
        }
    }
    if (added)
        ParameterChange::keyframeAdded(*this, index, context.view);
    if (added || changed)
        ParameterChange::keyframeChangedValue(*this, index, context.view);
    return index;
}

template <typename T>
unsigned int Parameter<T>::iAddKeyframe(const Context& context)
{
    if (!isKeyframed() || std::isnan(context.time.toDouble()))
        return NO_KEYFRAME;
    // The value is taken before the view may get data of its own.
    const T current = value(context, nullptr);
    PVData& data = targetData(context.view);
    unsigned int index = NO_KEYFRAME;
    {
        QMutexLocker lock(&data.mutex);
        if (detail::exactIndex(data.keyframes, context.time) >= 0)
            return NO_KEYFRAME;
        index = insertKeyframe(data.keyframes, context.time, current);
    }
    ParameterChange::keyframeAdded(*this, index, context.view);
    return index;
}

template <typename T>
void Parameter<T>::iAddKeyframe(const Frame& frame, const AnimationState& state)
{
    if (!isKeyframed())
        return;
    for (const View& view : state.viewsToKey())
        iAddKeyframe(Context(frame.time(), view, 3));
}

template <typename T>
void Parameter<T>::vSetInterpolation(Interpolation interpolation, const Context& context)
{
    if (!isKeyframed())
        return;
    PVData& data = targetData(context.view);
    int index = -1;
    {
        QMutexLocker lock(&data.mutex);
        index = detail::exactIndex(data.keyframes, context.time);
        if (index < 0)
            return;
        KeyframeData<T> key = data.keyframes.at(index);
        key.itype.interpolation = interpolation;
        if (index + 1 < data.keyframes.size())
            key.itype = initialiseInterpolation(key, data.keyframes.at(index + 1), interpolation);
        data.keyframes.setShape(index, key.itype);
    }
    ParameterChange::keyframeChangedInterpolation(*this, unsigned(index), context.view);
}

template <typename T>
void Parameter<T>::vSetInterpolationData(IType itype, unsigned int index, const View& view)
{
    if (!isKeyframed())
        return;
    PVData& data = targetData(view);
    {
        QMutexLocker lock(&data.mutex);
        if (index >= unsigned(data.keyframes.size()))
            return;
        data.keyframes.setShape(int(index), itype);
    }
    ParameterChange::keyframeChangedInterpolation(*this, index, view);
}

template <typename T>
void Parameter<T>::vDeleteKeyframe(const Context::Explicit& context)
{
    if (!isKeyframed() || (splittable() && !hasViewData(context.view)))
        return;
    PVData& data = targetData(context.view);
    int index = -1;
    {
        QMutexLocker lock(&data.mutex);
        index = detail::exactIndex(data.keyframes, context.time);
        if (index < 0)
            return;
        // A view keeps the value of its last keyframe.
        if (data.keyframes.size() == 1)
            data.staticValue = data.keyframes.valueAt(0);
        data.keyframes.remove(index);
    }
    ParameterChange::keyframeRemoved(*this, unsigned(index), Context(context.time, context.view, context.mode));
}

template <typename T>
void Parameter<T>::adjustKeyframesTime(const boost::function<Time(Time)>& retime)
{
    if (!isKeyframed())
        return;
    // All new times are computed first, so that a failure moves nothing.
    struct Retimed
    {
        View view;
        KeyframeVector keys;
    };
    std::vector<Retimed> retimed;
    for (const View& view : std::vector<View>(viewList())) {
        std::vector<KeyframeData<T>> keys;
        {
            const LockedKeyframes locked(&m_views.viewData(view));
            keys.assign(locked.keyframes().begin(), locked.keyframes().end());
        }
        if (keys.empty())
            continue;
        for (KeyframeData<T>& key : keys) {
            const Time time = retime(key.time);
            if (std::isnan(time.toDouble())) {
                throw std::runtime_error(
                    QCoreApplication::translate("Parameter", "Re-timing gives the keyframe at %1 no valid time")
                        .arg(detail::formatNumber(key.time.toDouble()))
                        .toStdString());
            }
            key.time = time;
        }
        // Keys stay sorted; of keys that land on one time the earlier one stays.
        std::stable_sort(keys.begin(), keys.end(),
                         [](const KeyframeData<T>& a, const KeyframeData<T>& b) { return a.time < b.time; });
        keys.erase(std::unique(keys.begin(), keys.end(),
                               [](const KeyframeData<T>& a, const KeyframeData<T>& b) { return a.time == b.time; }),
                   keys.end());
        retimed.push_back({view, KeyframeVector(keys)});
    }
    for (const Retimed& entry : retimed) {
        PVData& data = m_views[entry.view];
        QMutexLocker lock(&data.mutex);
        data.keyframes = entry.keys;
    }
}

} // namespace Prm
