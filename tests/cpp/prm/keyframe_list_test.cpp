// The key container keeps times and values apart from the segment shapes,
// which keys share by number: whatever edits it goes through, it holds what a
// plain vector of whole keys holds, bit for bit, and copies stay as they were.
#include "Prm/Parameter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

using Prm::IType;
using Prm::Time;
using Key = Prm::KeyframeData<double>;
using Model = std::vector<Key>;

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameKey(const Key& a, const Key& b)
{
    if (!sameBits(a.time.toDouble(), b.time.toDouble()) || !sameBits(a.value, b.value)
        || a.itype.interpolation != b.itype.interpolation)
        return false;
    for (std::size_t i = 0; i < a.itype.data.size(); ++i) {
        if (!sameBits(a.itype.data[i], b.itype.data[i]))
            return false;
    }
    return true;
}

void expectHolds(const Prm::KeyframeList<double>& list, const Model& model, int step)
{
    ASSERT_EQ(list.size(), int(model.size())) << "after step " << step;
    int i = 0;
    for (const Key& key : list) {
        ASSERT_TRUE(sameKey(key, model[std::size_t(i)])) << "key " << i << " after step " << step;
        ASSERT_TRUE(sameBits(list.timeAt(i).toDouble(), key.time.toDouble()));
        ASSERT_TRUE(sameBits(list.valueAt(i), key.value));
        ++i;
    }
}

IType shape(Prm::Interpolation interpolation, std::array<double, 4> data)
{
    IType itype;
    itype.interpolation = interpolation;
    itype.data = data;
    return itype;
}

// Shapes that compare equal as numbers but not as bits, NaN handles, and the
// common shapes keys share.
std::vector<IType> shapePool()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return {shape(Prm::InterpolationConstant, {}),
            shape(Prm::InterpolationLinear, {}),
            shape(Prm::InterpolationBezier, Prm::LINEAR_BEZIER_HANDLES),
            shape(Prm::InterpolationBezier, {0.0, 0.0, 1.0, 1.0}),
            shape(Prm::InterpolationBezier, {-0.0, 0.0, 1.0, -0.0}),
            shape(Prm::InterpolationConstant, {-0.0, 0.0, 0.0, 0.0}),
            shape(Prm::InterpolationSmooth, {nan, 1.0, nan, 2.0})};
}

TEST(KeyframeList, HoldsWhatAVectorOfWholeKeysHoldsThroughAnyEdits)
{
    const std::vector<IType> pool = shapePool();
    std::mt19937 random(11);
    const auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    // A shape of the pool, or one never seen before (the table grows, and is
    // then cleared of shapes no key has any more).
    const auto anyShape = [&] {
        const int pick = below(int(pool.size()) + 2);
        if (pick < int(pool.size()))
            return pool[std::size_t(pick)];
        return shape(Prm::InterpolationBezier, {random() / 1e9, 0.5, 0.5, random() / 1e9});
    };

    Prm::KeyframeList<double> list;
    Model model;
    std::vector<std::pair<Prm::KeyframeList<double>, Model>> copies;
    for (int step = 0; step < 20000; ++step) {
        const int n = int(model.size());
        // Some 40 keys: a table of shapes that fills up and is cleared often.
        const int operation = n >= 40 && below(2) == 0 ? 4 : below(4);
        if (operation == 0 || n == 0) {
            const int at = below(n + 1);
            const Key key{Time::fromDouble(step), double(below(7)), anyShape()};
            list.insert(at, key);
            model.insert(model.begin() + at, key);
        } else if (operation == 1) {
            const int at = below(n);
            const IType itype = anyShape();
            list.setShape(at, itype);
            model[std::size_t(at)].itype = itype;
        } else if (operation == 2) {
            const int at = below(n);
            const double value = below(3) == 0 ? -0.0 : double(step);
            list.setValue(at, value);
            model[std::size_t(at)].value = value;
        } else if (operation == 3) {
            list.append(Key{Time::fromDouble(-step), double(step), model.back().itype});
            model.push_back(list.last());
        } else {
            const int at = below(n);
            list.remove(at);
            model.erase(model.begin() + at);
        }
        expectHolds(list, model, step);
        if (step % 1000 == 0)
            copies.emplace_back(list, model);
    }
    for (const auto& [copy, itsModel] : copies)
        expectHolds(copy, itsModel, -1);
    expectHolds(Prm::KeyframeList<double>(model), model, -1);
}

// The same through a parameter: each key gives back the very shape it was given.
TEST(KeyframeList, ParameterKeysKeepTheirShapesBitForBit)
{
    Prm::Parameter<double> parameter;
    const std::vector<IType> pool = shapePool();
    // Keys first: adding a key reshapes the one before it.
    for (std::size_t i = 0; i < pool.size(); ++i)
        parameter.vSetValue(double(i), Prm::Context(Time::fromDouble(double(i)), Prm::View(0), 3));
    for (std::size_t i = 0; i < pool.size(); ++i)
        parameter.vSetInterpolationData(pool[i], unsigned(i), Prm::View(0));
    for (std::size_t i = 0; i < pool.size(); ++i) {
        const Key key = parameter.keyframe(unsigned(i), Prm::View(0));
        EXPECT_TRUE(sameKey(key, Key{Time::fromDouble(double(i)), double(i), pool[i]})) << "key " << i;
    }
}

} // namespace
