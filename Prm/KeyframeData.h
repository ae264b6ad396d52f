#pragma once

#include "Prm/KeyframeList.h"

#include <Prm/Context.h>
#include <Prm/Interpolation.h>
#include <Prm/KeyframeIndex.h>
#include <Prm/Time.h>
#include <Prm/View.h>

#include <QVector>

#include <algorithm>
#include <array>
#include <cstdint>

namespace Prm {

class ParameterWithoutType;

namespace detail {

// Index of the first of the keys [from, to) whose time is not less than
// `time` (`to` when every one is earlier), halving without branches and
// fetching both possible next probes ahead: long key lists do not fit the
// cache.
template <typename T>
int bisectKeys(const TimedValue<T>* keys, int from, int to, Time time)
{
    if (from >= to)
        return from;
    const TimedValue<T>* base = keys + from;
    int length = to - from;
    while (length > 1) {
        const int half = length / 2;
        __builtin_prefetch(base + half / 2);
        __builtin_prefetch(base + half + half / 2);
        base = base[half].time < time ? base + half : base;
        length -= half;
    }
    return int(base - keys) + (base->time < time ? 1 : 0);
}

// The same over all `n` keys of a long list, where keys[0] < time <=
// keys[n - 1]. Keys are most often spread about evenly (a key a frame): the
// place of the time between the first and the last key's tells where the
// answer is, and the search starts there with the keys that a value read
// needs anyway. It widens from there by doubling steps, up to `reach` keys,
// and halves whatever remains.
template <typename T>
int searchKeysFromTheirSpread(const KeyframeList<T>& list, Time time)
{
    const TimedValue<T>* keys = list.timedValues();
    const int n = list.size();
    constexpr int reach = 64;
    const double first = keys[0].time.toDouble();
    const double fraction = (time.toDouble() - first) / (keys[n - 1].time.toDouble() - first);
    if (!(fraction >= 0.0 && fraction <= 1.0)) // infinite times
        return bisectKeys(keys, 1, n - 1, time);
    const int guess = std::min(int(fraction * double(n - 1)), n - 1);
    list.prefetchAround(guess);
    // The answer lies after `below` and not after `above`.
    int below = 0;
    int above = n - 1;
    if (keys[guess].time < time) {
        below = guess;
        for (int step = 1; step <= reach && below + step < above; step *= 2) {
            if (!(keys[below + step].time < time)) {
                above = below + step;
                break;
            }
            below += step;
        }
    } else {
        above = guess;
        for (int step = 1; step <= reach && above - step > below; step *= 2) {
            if (keys[above - step].time < time) {
                below = above - step;
                break;
            }
            above -= step;
        }
    }
    return bisectKeys(keys, below + 1, above, time);
}

// Index of the first keyframe whose time is not less than `time`
// (the count when every keyframe is earlier). Keyframes are sorted by time
// (never NaN).
template <typename T>
int lowerBound(const KeyframeList<T>& keys, Time time)
{
    // Reading a value searches the same keys for the same time twice (the
    // exact key, then the bounds): the second search checks the first one's
    // answer, next to keys the first has just read, instead of searching.
    struct LastSearch
    {
        const void* keys = nullptr;
        Time time;
        int index = -1;
    };
    thread_local LastSearch last;
    const int n = keys.size();
    if (last.keys == keys.timedValues() && last.time == time && last.index >= 0 && last.index <= n
        && (last.index == n || !(keys.timeAt(last.index) < time))
        && (last.index == 0 || keys.timeAt(last.index - 1) < time))
        return last.index;
    if (n == 0)
        return 0;
    constexpr int longFrom = 64; // shorter lists lie in a few cache lines: halving them is cheapest
    const TimedValue<T>* first = keys.timedValues();
    int found = 0;
    if (n < longFrom)
        found = bisectKeys(first, 0, n, time);
    else if (!(first[0].time < time))
        found = 0;
    else if (first[n - 1].time < time)
        found = n;
    else
        found = searchKeysFromTheirSpread(keys, time);
    last = LastSearch{first, time, found};
    return found;
}

// Index of the first keyframe strictly later than `time`.
template <typename T>
int upperBound(const KeyframeList<T>& keys, Time time)
{
    int lo = 0;
    int hi = keys.size();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (time < keys.timeAt(mid))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

// Index of the keyframe exactly at `time`, or -1. Times compare exactly.
template <typename T>
int exactIndex(const KeyframeList<T>& keys, Time time)
{
    const int i = lowerBound(keys, time);
    return i < keys.size() && keys.timeAt(i) == time ? i : -1;
}

// True when a keyframe lies exactly at `time`; copies it to `found` when given.
template <typename T>
bool findKeyframeAtTime(const KeyframeList<T>& keys, Time time, KeyframeData<T>* found = nullptr)
{
    const int i = exactIndex(keys, time);
    if (i < 0)
        return false;
    if (found)
        *found = keys.at(i);
    return true;
}

// Index of the keyframe nearest to `time`, -1 when there are none. Of two
// keyframes equally near, the later one.
template <typename T>
int nearestIndex(const KeyframeList<T>& keys, Time time)
{
    if (keys.isEmpty())
        return -1;
    const int later = upperBound(keys, time);
    if (later == 0)
        return 0;
    if (later == keys.size())
        return later - 1;
    const double toLater = keys.timeAt(later).toDouble() - time.toDouble();
    const double toEarlier = time.toDouble() - keys.timeAt(later - 1).toDouble();
    return toLater <= toEarlier ? later : later - 1;
}

// The keyframes of one view (of `parameter`) around `time`; never called
// with an empty list.
template <typename T>
BoundingKeyframes findClosestKeyframes(const KeyframeList<T>& keys, Time time, View view,
                                       ParameterWithoutType* parameter)
{
    const auto at = [&](int i) { return KeyframeIndex(parameter, view, uint32_t(i)); };
    const int n = keys.size();
    BoundingKeyframes bounds;
    if (time < keys.timeAt(0)) {
        bounds.after = at(0);
    } else if (keys.timeAt(n - 1) < time) {
        bounds.before = at(n - 1);
    } else if (time == keys.timeAt(0)) {
        bounds.before = bounds.after = at(0);
    } else if (n > 1 && time == keys.timeAt(n - 1)) {
        bounds.before = bounds.after = at(n - 1);
    } else if (n <= 2) {
        bounds.before = at(0);
        bounds.after = at(n - 1);
    } else {
        // First < time < last: a key at the time, or the two around it.
        const int i = lowerBound(keys, time);
        if (keys.timeAt(i) == time) {
            bounds.before = bounds.after = at(i);
        } else {
            bounds.before = at(i - 1);
            bounds.after = at(i);
        }
    }
    return bounds;
}

// Folds the bounds found in several views into one pair, left to right,
// with intersectBounds. One pair is returned unchanged; none gives the empty pair.
template <typename Container>
BoundingKeyframes squashBoundsOf(const Container& bounds, const Context& context)
{
    if (bounds.size() == 0)
        return BoundingKeyframes();
    BoundingKeyframes result = bounds[0];
    for (int i = 1; i < int(bounds.size()); ++i)
        result = intersectBounds(result, bounds[i], context);
    return result;
}

inline BoundingKeyframes squashBounds(const std::array<BoundingKeyframes, 2>& bounds, const Context& context)
{
    return squashBoundsOf(bounds, context);
}

inline BoundingKeyframes squashBounds(const std::array<BoundingKeyframes, 3>& bounds, const Context& context)
{
    return squashBoundsOf(bounds, context);
}

inline BoundingKeyframes squashBounds(const QVector<BoundingKeyframes>& bounds, const Context& context)
{
    return squashBoundsOf(bounds, context);
}

} // namespace detail
} // namespace Prm
