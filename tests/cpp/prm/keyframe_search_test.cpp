// The keyframe search: whatever the spread of the keys, it finds what a plain
// binary search over the times finds, for every time asked about.
#include "Prm/KeyframeData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Keys = Prm::KeyframeList<double>;
using Prm::Time;

constexpr double infinity = std::numeric_limits<double>::infinity();

Keys keysAt(const std::vector<double>& times)
{
    Keys keys;
    for (double time : times) {
        Prm::KeyframeData<double> key;
        key.time = Time::fromDouble(time);
        key.value = time;
        keys.append(key);
    }
    return keys;
}

int plainLowerBound(const std::vector<double>& times, double time)
{
    return int(std::lower_bound(times.begin(), times.end(), time) - times.begin());
}

// Every key's time, the times just around it and halfway to the next,
// before the first and after the last, the infinities and NaN.
std::vector<double> timesToAsk(const std::vector<double>& times)
{
    std::vector<double> asked{-infinity, infinity, std::nan(""), -1e300, 1e300, 0.0};
    for (std::size_t i = 0; i < times.size(); ++i) {
        const double time = times[i];
        asked.insert(asked.end(), {time, std::nextafter(time, -infinity), std::nextafter(time, infinity),
                                   time - 0.5, time + 0.5});
        if (i + 1 < times.size())
            asked.push_back(time / 2 + times[i + 1] / 2);
    }
    return asked;
}

std::vector<double> range(double first, int count, double step = 1.0)
{
    std::vector<double> times;
    for (int i = 0; i < count; ++i)
        times.push_back(first + i * step);
    return times;
}

std::vector<double> joined(std::initializer_list<std::vector<double>> parts)
{
    std::vector<double> times;
    for (const auto& part : parts)
        times.insert(times.end(), part.begin(), part.end());
    return times;
}

struct Spread
{
    std::string name;
    std::vector<double> times; // sorted
};

void PrintTo(const Spread& spread, std::ostream* out)
{
    *out << spread.name;
}

std::vector<double> eachThrice(const std::vector<double>& times)
{
    std::vector<double> thrice;
    for (double time : times)
        thrice.insert(thrice.end(), {time, time, time});
    return thrice;
}

class KeyframeLowerBound : public ::testing::TestWithParam<Spread>
{
};

TEST_P(KeyframeLowerBound, FindsWhatAPlainBinarySearchFinds)
{
    const std::vector<double>& times = GetParam().times;
    ASSERT_TRUE(std::is_sorted(times.begin(), times.end()));
    const Keys keys = keysAt(times);
    for (double time : timesToAsk(times)) {
        const int expected = plainLowerBound(times, time);
        EXPECT_EQ(Prm::detail::lowerBound(keys, Time::fromDouble(time)), expected) << "at " << time;
        const bool there = expected < int(times.size()) && times[std::size_t(expected)] == time;
        EXPECT_EQ(Prm::detail::exactIndex(keys, Time::fromDouble(time)), there ? expected : -1) << "at " << time;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Spreads, KeyframeLowerBound,
    ::testing::Values(
        Spread{"NoKeys", {}}, Spread{"OneKey", {5}}, Spread{"TwoKeys", {-1, 4}},
        Spread{"ShortWithDuplicates", {1, 1, 1, 2, 2, 3}}, Spread{"ShortAllAtOneTime", std::vector<double>(9, 7.0)},
        Spread{"AKeyAFrame", range(0, 1000)}, Spread{"AKeyAFrameFromAnOddStart", range(-333.25, 700, 0.5)},
        Spread{"LongWithDuplicates", eachThrice(range(0, 200))},
        Spread{"LongAllAtOneTime", std::vector<double>(100, 7.0)},
        // Keys bunched at one end: the search starts far from the answer.
        Spread{"Bunched", joined({range(0, 990, 0.001), range(1000, 10, 100000)})},
        Spread{"BunchedAtTheEnd", joined({range(-1e6, 10, 1000), range(0, 990, 0.001)})},
        Spread{"FarOutliers", joined({{-1e9}, range(0, 500), {1e9}})},
        Spread{"InfiniteEnds", joined({{-infinity}, range(0, 100), {infinity}})},
        Spread{"InfiniteLast", joined({range(0, 100), {infinity, infinity}})},
        Spread{"ExtremeEnds", joined({{-1.7e308}, range(0, 100), {1.7e308}})}),
    [](const ::testing::TestParamInfo<Spread>& info) { return info.param.name; });

// The last answer is kept for the next search of the same time: keys that
// changed in between give the new answer.
TEST(KeyframeLowerBoundAgain, AfterTheKeysChangedFindsTheNewAnswer)
{
    for (int count : {10, 1000}) {
        Keys keys = keysAt(range(0, count));
        const Time time = Time::fromDouble(count / 2 + 0.5);
        EXPECT_EQ(Prm::detail::lowerBound(keys, time), count / 2 + 1);
        keys.remove(0);
        EXPECT_EQ(Prm::detail::lowerBound(keys, time), count / 2) << count << " keys";
        keys.insert(0, Prm::KeyframeData<double>{Time::fromDouble(-1), -1, {}});
        keys.insert(0, Prm::KeyframeData<double>{Time::fromDouble(-2), -2, {}});
        EXPECT_EQ(Prm::detail::lowerBound(keys, time), count / 2 + 2) << count << " keys";
    }
}

} // namespace
