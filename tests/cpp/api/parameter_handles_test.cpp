// Parameter and ParameterSet handles over a small tree of parameter sets:
// resolution and its failures, values, keyframes, the names of sets, and
// equality and hashing.
#include "../support/ExpectFailure.h"

#include "Project/wrappers/Parameter.h"
#include "Project/wrappers/ParameterSet.h"

#include <Prm/Parameter.h>
#include <Prm/ParameterSet.h>
#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>

#include <QHash>

#include <boost/make_shared.hpp>

#include <functional>
#include <memory>
#include <stdexcept>

namespace {

using testsupport::expectFailure;
using Keyframes = QVector<QPair<View, double>>;

Prm::Context at(double time, int view = 0)
{
    return Prm::Context(Prm::Time::fromDouble(time), Prm::View(view), 3);
}

// A parameter whose keyframes are whatever the test says, repeats and
// evaluation modes included.
class ListedKeyframes : public Prm::Parameter<int>
{
public:
    QVector<Prm::Context> listed;
    QVector<Prm::Context> allKeyframes() const override { return listed; }
};

// A set that offers one parameter beyond its own list, as sets that make
// parameters on the fly do.
class OfferingSet : public Prm::ParameterSet
{
public:
    using Prm::ParameterSet::ParameterSet;
    Prm::ParameterWithoutType* offered = nullptr;
    void forEachParameter(const boost::function<void(Prm::ParameterWithoutType*)>& visit, bool recursive) const override
    {
        Prm::ParameterSet::forEachParameter(visit, recursive);
        if (!recursive && offered)
            visit(offered);
    }
};

// layer: opacity (animated, splittable), mode (static, one view)
//   shape: x (animated)
//     motion: speed (listed keyframes)
class ParameterHandles : public ::testing::Test
{
protected:
    ParameterHandles()
    {
        name(opacity, "opacity", root.get());
        opacity.setSplittable(true);
        opacity.vSetDefault(1.0);
        name(mode, "mode", root.get());
        mode.setKeyframed(false);
        shape = new Prm::ParameterSet("shape", root.get());
        shape->setDisplayName("Shape");
        name(x, "x", shape);
        motion = new Prm::ParameterSet("motion", shape);
        name(speed, "speed", motion);
    }

    template <typename P>
    static void name(P& parameter, const char* scriptName, Prm::ParameterSet* set)
    {
        parameter.setScriptName(scriptName);
        set->addParameter(&parameter);
    }

    Parameter parameter(const QStringList& path) const { return Parameter(root, path); }
    ParameterSet set(const QStringList& path) const { return ParameterSet(root, path); }

    Prm::Parameter<double> opacity;
    Prm::Parameter<int> mode;
    Prm::Parameter<double> x;
    ListedKeyframes speed;
    boost::shared_ptr<OfferingSet> root = boost::make_shared<OfferingSet>("layer");
    Prm::ParameterSet* shape = nullptr;
    Prm::ParameterSet* motion = nullptr;
};

TEST_F(ParameterHandles, PathsResolveThroughSubsetsToTheirLastName)
{
    EXPECT_EQ(parameter({"opacity"}).parameter(), &opacity);
    EXPECT_EQ(parameter({"shape", "motion", "speed"}).parameter(), &speed);
    EXPECT_EQ(set({}).handledParameterSet(true), root.get());
    EXPECT_EQ(set({"shape", "motion"}).handledParameterSet(true), motion);

    struct Case
    {
        const char* what;
        QStringList path;
    };
    for (const Case& c : {Case{"no name", {}}, Case{"unknown name", {"nope"}},
                          Case{"missing middle subset", {"nope", "x"}}, Case{"a set, not a parameter", {"shape"}},
                          Case{"a parameter, not a set, in the middle", {"opacity", "x"}}}) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(parameter(c.path).parameter(), nullptr);
        EXPECT_TRUE(parameter(c.path).isNull());
    }
    EXPECT_TRUE(set({"shape", "x"}).isNull());
    EXPECT_FALSE(set({"shape"}).isNull());
}

TEST_F(ParameterHandles, WhatNeedsAMissingParameterOrSetFailsNamingItsPath)
{
    struct Case
    {
        const char* what;
        std::function<void()> call;
        QString message;
        int line;
    };
    const Parameter missing = parameter({"shape", "nope"});
    const Parameter empty = parameter({});
    const ParameterSet missingSet = set({"shape", "nope"});
    const Case cases[] = {
        {"get", [&] { missing.get(); }, "No such parameter: 'shape.nope'", 39},
        {"set", [&] { Parameter(missing).set(2.0); }, "No such parameter: 'shape.nope'", 47},
        {"keyframes", [&] { missing.get_keyframes(); }, "No such parameter: 'shape.nope'", 79},
        {"get without a name", [&] { empty.get(); }, "No such parameter: ''", 39},
        {"subsets", [&] { ParameterSet(missingSet).get_subsets(); }, "No such parameter set: 'shape.nope'", 123},
        {"parameters", [&] { ParameterSet(missingSet).get_parameters(); }, "No such parameter set: 'shape.nope'", 123},
        {"set keyframes", [&] { missingSet.get_keyframes(); }, "No such parameter set: 'shape.nope'", 123},
        {"display name", [&] { missingSet.get_display_name(); }, "No such parameter set: 'shape.nope'", 123},
        {"script name", [&] { missingSet.get_script_name(); }, "No such parameter set: 'shape.nope'", 123},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VUVI_ErrorDetector::instance()->clearLastFailure();
        expectFailure<VUVI_AssertionFailed>(c.call, c.message);
        const VUVI_ErrorDetector::Failure failure = VUVI_ErrorDetector::instance()->lastFailure();
        EXPECT_EQ(failure.checkNumber, 1);
        EXPECT_EQ(failure.line, c.line);
        EXPECT_EQ(failure.sourceFile, c.line == 123 ? "../Project/wrappers/ParameterSet" : "../Project/wrappers/Parameter");
        EXPECT_EQ(failure.conditionText, c.line == 123 ? "parameterSet" : "basicParameter");
    }
    // Removing a keyframe of nothing is no error.
    Parameter(missing).delete_keyframe(3.0, View(0));
    Parameter(empty).delete_keyframe(3.0, View(0));
}

TEST_F(ParameterHandles, OnceTheRootIsGoneOnlyThePathAndAnEmptyPathsNullnessAnswer)
{
    Parameter opacityHandle = parameter({"opacity"});
    Parameter missing = parameter({"nope"});
    const Parameter empty = parameter({});
    ParameterSet rootHandle = set({});
    ParameterSet shapeHandle = set({"shape"});
    const Parameter otherOpacity = parameter({"opacity"});
    const ParameterSet otherShape = set({"shape"});
    root.reset();

    const std::function<void()> calls[] = {
        [&] { opacityHandle.isNull(); },
        [&] { opacityHandle.get(); },
        [&] { opacityHandle.set(0.5); },
        [&] { opacityHandle.delete_keyframe(1.0, View(0)); },
        [&] { opacityHandle.get_keyframes(); },
        [&] { (void)(opacityHandle == otherOpacity); },
        [&] { qHash(opacityHandle); },
        [&] { missing.isNull(); },
        [&] { qHash(empty); },
        [&] { rootHandle.isNull(); },
        [&] { rootHandle.get_script_name(); },
        [&] { rootHandle.get_display_name(); },
        [&] { shapeHandle.get_subsets(); },
        [&] { shapeHandle.get_parameters(); },
        [&] { shapeHandle.get_keyframes(); },
        [&] { (void)(shapeHandle == otherShape); },
        [&] { qHash(shapeHandle); },
    };
    for (std::size_t i = 0; i < std::size(calls); ++i) {
        SCOPED_TRACE(i);
        expectFailure<VUVI_BadState>(calls[i], "Invalid object");
    }
    EXPECT_EQ(opacityHandle.get_name_components(), QStringList{"opacity"});
    EXPECT_EQ(shapeHandle.get_name_components(), QStringList{"shape"});
    EXPECT_TRUE(empty.isNull());
}

TEST_F(ParameterHandles, ValuesGoStraightToTheParameterWhichRefusesWhatItCannotTake)
{
    Parameter opacityHandle = parameter({"opacity"});
    Parameter modeHandle = parameter({"mode"});

    // The default time names no frame and the default view is view 0.
    EXPECT_EQ(opacityHandle.get(), QVariant(1.0));
    opacityHandle.set(0.5);
    EXPECT_EQ(opacity.value(Prm::View(0)), 0.5);
    EXPECT_TRUE(opacity.allKeyframes().isEmpty());

    // A time that names a frame keys an animated parameter.
    opacityHandle.set(0.25, 12.0, View(1));
    EXPECT_EQ(opacityHandle.get_keyframes(), (Keyframes{{View(1), 12.0}}));
    EXPECT_EQ(opacityHandle.get(12.0, View(1)), QVariant(0.25));
    EXPECT_EQ(opacityHandle.get(), QVariant(0.5));

    modeHandle.set(4);
    EXPECT_EQ(modeHandle.get(), QVariant(4));
    expectFailure<std::runtime_error>([&] { modeHandle.get(12.0); }, "Parameter not animated");
    expectFailure<std::runtime_error>([&] { modeHandle.set(5, 12.0); }, "Parameter not animated");
    expectFailure<std::runtime_error>([&] { modeHandle.set(5, double(UINT_MAX), View(1)); },
                                      "Parameter not splittable");
    expectFailure<std::runtime_error>([&] { modeHandle.set(QVariant(QStringLiteral("five"))); },
                                      "Cannot convert 'five' to int");
    EXPECT_EQ(mode.value(Prm::View(0)), 4);
}

TEST_F(ParameterHandles, DeletingAKeyframeTakesExactlyThatOneOrResetsAStaticValue)
{
    Parameter xHandle = parameter({"shape", "x"});
    xHandle.set(1.0, 10.0);
    xHandle.set(2.0, 20.0);
    xHandle.delete_keyframe(15.0, View(0));
    EXPECT_EQ(xHandle.get_keyframes(), (Keyframes{{View(0), 10.0}, {View(0), 20.0}}));
    xHandle.delete_keyframe(10.0, View(0));
    EXPECT_EQ(xHandle.get_keyframes(), (Keyframes{{View(0), 20.0}}));

    Parameter modeHandle = parameter({"mode"});
    modeHandle.set(4);
    modeHandle.delete_keyframe(double(UINT_MAX), View(0));
    EXPECT_EQ(modeHandle.get(), QVariant(0));
}

TEST_F(ParameterHandles, AParametersKeyframesKeepItsOrderASetsAreTheirUnionByViewThenTime)
{
    speed.listed = {at(30.0, 1), at(10.0, 0), at(10.0, 0), at(5.0, 1)};
    EXPECT_EQ(parameter({"shape", "motion", "speed"}).get_keyframes(),
              (Keyframes{{View(1), 30.0}, {View(0), 10.0}, {View(0), 10.0}, {View(1), 5.0}}));

    opacity.setValue(1.0, Prm::View(1)); // view 1 gets data of its own
    opacity.vSetValue(0.5, at(10.0, 0));
    opacity.vSetValue(0.5, at(7.0, 1));
    x.vSetValue(2.0, at(10.0, 0));
    x.vSetValue(2.0, at(40.0, 0));
    // Keyframes that differ only in their evaluation mode are one keyframe.
    speed.listed.append(Prm::Context(Prm::Time::fromDouble(5.0), Prm::View(1), 0));

    const Keyframes all{{View(0), 10.0}, {View(0), 40.0}, {View(1), 5.0}, {View(1), 7.0}, {View(1), 30.0}};
    EXPECT_EQ(set({}).get_keyframes(), all);
    EXPECT_EQ(set({"shape"}).get_keyframes(),
              (Keyframes{{View(0), 10.0}, {View(0), 40.0}, {View(1), 5.0}, {View(1), 30.0}}));
}

TEST_F(ParameterHandles, ChildHandlesKeepTheRootAndGrowThePath)
{
    Prm::Parameter<double> offered;
    offered.setScriptName("offered");
    root->offered = &offered;
    // Listed as offered, even when the set lists it itself.
    Prm::Parameter<double> twice;
    name(twice, "twice", root.get());

    ParameterSet layer = set({});
    QStringList paths;
    for (const Parameter& each : layer.get_parameters()) {
        paths << each.get_name_components().join('.');
        EXPECT_EQ(each.handledObject(), root);
    }
    EXPECT_EQ(paths, (QStringList{"opacity", "mode", "twice", "offered"}));
    root->offered = &twice;
    EXPECT_EQ(layer.get_parameters().size(), 4);
    EXPECT_EQ(layer.get_parameters().last(), parameter({"twice"}));

    ParameterSet shapeHandle = set({"shape"});
    QVector<ParameterSet> subsets = shapeHandle.get_subsets();
    ASSERT_EQ(subsets.size(), 1);
    EXPECT_EQ(subsets[0].get_name_components(), (QStringList{"shape", "motion"}));
    EXPECT_EQ(subsets[0].handledObject(), root);
    EXPECT_EQ(subsets[0].get_parameters(), QVector<Parameter>{parameter({"shape", "motion", "speed"})});
}

TEST_F(ParameterHandles, SetsAnswerTheirNames)
{
    EXPECT_EQ(set({}).get_script_name(), "layer");
    EXPECT_EQ(set({}).get_display_name(), "layer");
    EXPECT_EQ(set({"shape"}).get_script_name(), "shape");
    EXPECT_EQ(set({"shape"}).get_display_name(), "Shape");
}

TEST_F(ParameterHandles, HandlesOnOneObjectAreEqualAndHashEqualWhateverTheirRoot)
{
    const boost::shared_ptr<Prm::ParameterSet> shapeRoot(root, shape);
    const Parameter viaLayer = parameter({"shape", "x"});
    const Parameter viaShape(shapeRoot, {"x"});
    EXPECT_TRUE(viaLayer == viaShape);
    EXPECT_FALSE(viaLayer != viaShape);
    EXPECT_EQ(qHash(viaLayer), qHash(viaShape));
    EXPECT_EQ(ParameterSet(shapeRoot, {}), set({"shape"}));
    EXPECT_EQ(qHash(ParameterSet(shapeRoot, {})), qHash(set({"shape"})));
    EXPECT_NE(parameter({"opacity"}), parameter({"mode"}));
    EXPECT_NE(set({}), set({"shape"}));

    // A handle that resolves to nothing equals only itself, and hashes its
    // root and path.
    const Parameter missing = parameter({"nope"});
    EXPECT_TRUE(missing == missing);
    EXPECT_FALSE(missing == parameter({"nope"}));
    EXPECT_EQ(qHash(missing), qHash(static_cast<const void*>(root.get()), 0) ^ qHash(QStringLiteral("nope"), 0));
    const ParameterSet missingSet = set({"shape", "nope"});
    EXPECT_TRUE(missingSet == missingSet);
    EXPECT_FALSE(missingSet == set({"shape", "nope"}));
    EXPECT_EQ(qHash(missingSet),
              qHash(static_cast<const void*>(root.get()), 0) ^ qHash(QStringLiteral("shape.nope"), 0));

    // A renamed parameter leaves its old path behind.
    const Parameter xHandle = parameter({"shape", "x"});
    x.setScriptName("positionX");
    EXPECT_TRUE(xHandle.isNull());
    EXPECT_EQ(parameter({"shape", "positionX"}).parameter(), &x);
}

} // namespace
