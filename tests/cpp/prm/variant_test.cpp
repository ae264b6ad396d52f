// Variant access, hashing and meta-type registration of parameters, and the
// clip-id parameter of the media library.
#include "ParameterTestSupport.h"

#include "Prm/ClipIDParameter.h"
#include "Prm/ClipModeParameter.h"

#include <Bsc/Hash.h>
#include <Bsc/Logger.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

namespace {

using namespace testing_support;
using Prm::ParameterChange;
using Prm::View;
using UIntParameter = Prm::Parameter<unsigned int>;

std::string refusalOf(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "no refusal";
}

struct RefusalCase
{
    const char* name;
    bool splittable;
    bool keyframed;
    Prm::Context context;
    const char* refusal;
};

class VariantRefusals : public ::testing::TestWithParam<RefusalCase>
{
};

TEST_P(VariantRefusals, RefuseReadsAndWritesAlikeAndChangeNothing)
{
    const RefusalCase& c = GetParam();
    UIntParameter parameter;
    parameter.setSplittable(c.splittable);
    parameter.setKeyframed(c.keyframed);
    parameter.setValue(3, View(0));
    parameter.setValue(4, View(2));
    const QString before = describe(parameter);

    EXPECT_EQ(refusalOf([&] { parameter.variantValue(c.context); }), c.refusal);
    EXPECT_EQ(refusalOf([&] { parameter.setVariantValue(QVariant(9u), c.context); }), c.refusal);
    EXPECT_EQ(describe(parameter), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VariantRefusals,
    ::testing::Values(RefusalCase{"OtherViewNotSplittable", false, true, staticAt(2), "Parameter not splittable"},
                      RefusalCase{"NotSplittableWinsOverNotAnimated", false, false, at(0, 1), "Parameter not splittable"},
                      RefusalCase{"FrameNotAnimated", true, false, at(0), "Parameter not animated"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

TEST(VariantAccess, AContextWithoutAFrameAddressesStaticValues)
{
    UIntParameter parameter;
    parameter.setKeyframed(false);
    parameter.setSplittable(true);
    parameter.setValue(3, View(0));
    parameter.setValue(4, View(2));
    EXPECT_EQ(parameter.variantValue(staticAt(2)), QVariant(4u));
    EXPECT_EQ(parameter.variantValue(staticAt(1)), QVariant(3u));
    EXPECT_EQ(parameter.variantValue(staticAt(2)).userType(), int(QMetaType::UInt));
    for (double time : {-1.0, std::nan(""), 1e300, Prm::Time::INVALID_TIME_VALUE, 2147483648.0})
        EXPECT_EQ(parameter.variantValue(at(time, 2)), QVariant(4u)) << time;

    parameter.setVariantValue(QVariant(5u), staticAt(2));
    EXPECT_EQ(parameter.value(View(2)), 5u);
}

TEST(VariantAccess, WritesAtAFrameOfAKeyframedParameterGoToKeyframes)
{
    UIntParameter parameter;
    parameter.setValue(3, View(0));
    parameter.setVariantValue(QVariant(8u), at(12));
    EXPECT_EQ(parameter.keyframeCount(View(0)), 1u);
    EXPECT_EQ(parameter.value(View(0)), 3u);
    EXPECT_EQ(parameter.variantValue(at(40)), QVariant(8u));
}

struct ConversionCase
{
    const char* name;
    QVariant variant;
    bool converts;
    unsigned int stored;
};

class VariantConversion : public ::testing::TestWithParam<ConversionCase>
{
};

TEST_P(VariantConversion, StoresConvertedValuesAndRefusesTheRestByName)
{
    const ConversionCase& c = GetParam();
    UIntParameter parameter;
    parameter.setValue(77, View(0));
    Prm::ParameterChangeRecorder log(parameter);

    const std::string refusal = refusalOf([&] { parameter.setVariantValue(c.variant, staticAt(0)); });
    if (c.converts) {
        EXPECT_EQ(refusal, "no refusal");
    } else {
        EXPECT_EQ(refusal, QStringLiteral("Cannot convert '%1' to uint").arg(Prm::detail::describeVariant(c.variant)).toStdString());
        Bsc::Logger::clearJournal();
        parameter.setVariantValue(c.variant, staticAt(0), std::nothrow);
        EXPECT_EQ(Bsc::Logger::journal().size(), 1);
    }
    EXPECT_EQ(parameter.value(View(0)), c.stored);
    EXPECT_EQ(log.changes().size(), c.stored != 77 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, VariantConversion,
                         ::testing::Values(ConversionCase{"OwnType", QVariant(12u), true, 12},
                                           ConversionCase{"DecimalText", QVariant(QStringLiteral("12")), true, 12},
                                           ConversionCase{"Real", QVariant(3.0), true, 3},
                                           ConversionCase{"SameValue", QVariant(77), true, 77},
                                           ConversionCase{"Text", QVariant(QStringLiteral("abc")), false, 77},
                                           ConversionCase{"TooLarge", QVariant(QStringLiteral("4294967296")), false, 77},
                                           ConversionCase{"Negative", QVariant(-1), false, 77},
                                           ConversionCase{"HugeReal", QVariant(1e20), false, 77},
                                           ConversionCase{"Empty", QVariant(), false, 77}),
                         [](const ::testing::TestParamInfo<ConversionCase>& info) { return info.param.name; });

TEST(VariantAccess, RefusalNamesTheValue)
{
    UIntParameter parameter;
    EXPECT_EQ(refusalOf([&] { parameter.setVariantValue(QVariant(QStringLiteral("abc")), staticAt(0)); }),
              "Cannot convert 'abc' to uint");
}

TEST(VariantAccess, OtherValueTypesConvertToo)
{
    Prm::Parameter<Bsc::FSPercentEscapedString> path;
    path.setVariantValue(QVariant(QStringLiteral("/shots/a b")), staticAt(0));
    EXPECT_EQ(path.value(View(0)).text(), "/shots/a b");

    Prm::Parameter<TQ_CLIP_MODE> mode;
    mode.setVariantValue(QVariant(1), staticAt(0));
    EXPECT_EQ(mode.value(View(0)), TQ_CLIP_MODE_MANUAL);
    EXPECT_EQ(mode.variantValue(staticAt(0)).value<TQ_CLIP_MODE>(), TQ_CLIP_MODE_MANUAL);
}

// Numbers outside the range of a parameter's value type: refused by name,
// the parameter unchanged; numbers inside it are stored, and read back as
// `stored` (no value: refused).
struct RangeCase
{
    const char* name;
    std::function<std::unique_ptr<Prm::ParameterWithoutType>()> make;
    QVariant variant;
    QVariant stored;
};

const QVariant refused;

template <typename T>
std::function<std::unique_ptr<Prm::ParameterWithoutType>()> holding(T value)
{
    return [value] {
        auto parameter = std::make_unique<Prm::Parameter<T>>();
        parameter->setValue(value, View(0));
        return parameter;
    };
}

class VariantRange : public ::testing::TestWithParam<RangeCase>
{
};

TEST_P(VariantRange, RefusesNumbersOutsideTheValueTypeAndChangesNothing)
{
    const RangeCase& c = GetParam();
    const auto parameter = c.make();
    const QVariant before = parameter->variantValue(staticAt(0));
    const std::string refusal = refusalOf([&] { parameter->setVariantValue(c.variant, staticAt(0)); });
    if (c.stored.isValid()) {
        EXPECT_EQ(refusal, "no refusal");
        const QVariant read = parameter->variantValue(staticAt(0));
        EXPECT_EQ(read.userType(), before.userType());
        // NaN is no value equal to itself.
        if (read.userType() == QMetaType::Float && std::isnan(c.stored.toFloat()))
            EXPECT_TRUE(std::isnan(read.toFloat()));
        else if (read.userType() == QMetaType::Double && std::isnan(c.stored.toDouble()))
            EXPECT_TRUE(std::isnan(read.toDouble()));
        else
            EXPECT_EQ(read, c.stored) << read.toString().toStdString();
        return;
    }
    EXPECT_EQ(refusal.rfind("Cannot convert '", 0), 0u) << refusal;
    EXPECT_EQ(parameter->variantValue(staticAt(0)), before);
    parameter->setVariantValue(c.variant, staticAt(0), std::nothrow);
    EXPECT_EQ(parameter->variantValue(staticAt(0)), before);
}

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Cases, VariantRange,
    ::testing::Values(RangeCase{"BoolTakesOne", holding(false), QVariant(1), QVariant(true)},
                      RangeCase{"BoolTakesZeroReal", holding(true), QVariant(0.0), QVariant(false)},
                      // Any number but 0 is true, as Qt converts it.
                      RangeCase{"BoolTakesTwo", holding(false), QVariant(2), QVariant(true)},
                      RangeCase{"BoolTakesMinusOne", holding(false), QVariant(-1), QVariant(true)},
                      RangeCase{"BoolTakesAHalf", holding(false), QVariant(0.5), QVariant(true)},
                      RangeCase{"BoolTakesNaN", holding(true), QVariant(nan), QVariant(false)}, // as Qt has it
                      RangeCase{"BoolTakesText", holding(true), QVariant(QStringLiteral("false")), QVariant(false)},
                      RangeCase{"BoolRefusesAList", holding(false), QVariant(QVariantList{1}), refused},
                      RangeCase{"IntTakesNegative", holding(3), QVariant(-5), QVariant(-5)},
                      RangeCase{"IntRefusesHuge", holding(3), QVariant(1e10), refused},
                      RangeCase{"IntRefusesInfinity", holding(3), QVariant(-inf), refused},
                      RangeCase{"IntRefusesNaN", holding(3), QVariant(nan), refused},
                      RangeCase{"UIntRefusesNaN", holding(3u), QVariant(nan), refused},
                      RangeCase{"FloatTakesLarge", holding(2.0f), QVariant(1e30), QVariant(1e30f)},
                      RangeCase{"FloatTakesInfinity", holding(2.0f), QVariant(inf), QVariant(float(inf))},
                      RangeCase{"FloatTakesNaN", holding(2.0f), QVariant(nan), QVariant(float(nan))},
                      RangeCase{"FloatRefusesHuge", holding(2.0f), QVariant(1e300), refused},
                      RangeCase{"FloatRefusesHugeNegative", holding(2.0f), QVariant(-1e300), refused},
                      RangeCase{"DoubleTakesHuge", holding(2.0), QVariant(1e300), QVariant(1e300)},
                      RangeCase{"DoubleTakesNaN", holding(2.0), QVariant(nan), QVariant(nan)},
                      RangeCase{"ModeTakesEnumerator", holding(TQ_CLIP_MODE_AUTOMATIC), QVariant(1),
                                QVariant::fromValue(TQ_CLIP_MODE_MANUAL)},
                      RangeCase{"ModeTakesTrue", holding(TQ_CLIP_MODE_AUTOMATIC), QVariant(true),
                                QVariant::fromValue(TQ_CLIP_MODE_MANUAL)},
                      RangeCase{"ModeRefusesBillion", holding(TQ_CLIP_MODE_MANUAL), QVariant(1e9), refused},
                      RangeCase{"ModeRefusesNextNumber", holding(TQ_CLIP_MODE_MANUAL), QVariant(2), refused},
                      RangeCase{"ModeRefusesNegative", holding(TQ_CLIP_MODE_MANUAL), QVariant(-1), refused},
                      RangeCase{"ModeRefusesWrapping", holding(TQ_CLIP_MODE_AUTOMATIC), QVariant(4294967297LL), refused},
                      RangeCase{"ModeRefusesText", holding(TQ_CLIP_MODE_MANUAL), QVariant(QStringLiteral("7")), refused}),
    [](const ::testing::TestParamInfo<RangeCase>& info) { return info.param.name; });

Bsc::Hash hashOf(const Prm::ParameterWithoutType& parameter, const Prm::Context& context)
{
    Bsc::Hash hash;
    parameter.calculateHash(hash, context);
    return hash;
}

template <typename T>
Bsc::Hash hashOfValue(T value)
{
    Bsc::Hash hash;
    hash.addBytes(&value, sizeof value);
    return hash;
}

TEST(ParameterHash, AStaticContextHashesItsOwnViewsValue)
{
    UIntParameter parameter;
    parameter.setSplittable(true);
    parameter.setValue(1, View(0));
    parameter.setValue(2, View(1));
    parameter.vSetValue(9, at(5, 1));

    EXPECT_EQ(hashOf(parameter, staticAt(1)), hashOfValue(2u));
    EXPECT_EQ(hashOf(parameter, staticAt(0)), hashOfValue(1u));
    EXPECT_EQ(hashOf(parameter, at(5, 1)), hashOfValue(9u));

    Prm::Parameter<QString> text;
    text.setValue(QStringLiteral("ab"), View(0));
    const Bsc::Hash ab = hashOf(text, staticAt(0));
    EXPECT_EQ(hashOf(text, staticAt(3)), ab);
    text.setValue(QStringLiteral("ac"), View(0));
    EXPECT_NE(hashOf(text, staticAt(0)), ab);
}

TEST(ParameterMetaType, RegistersEachClassOnceUnderItsName)
{
    UIntParameter parameter;
    const int id = parameter.qMetaType();
    EXPECT_NE(id, 0);
    EXPECT_EQ(UIntParameter().qMetaType(), id);
    EXPECT_EQ(QMetaType::type("Prm::Parameter<uint>"), id);
    EXPECT_EQ(parameter.tRawValueType(), typeid(unsigned int));

    parameter.setScriptName("clip");
    parameter.setValue(6, View(0));
    void* copy = QMetaType::create(id, &parameter);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(static_cast<UIntParameter*>(copy)->value(View(0)), 6u);
    EXPECT_EQ(static_cast<UIntParameter*>(copy)->scriptName(), "clip");
    QMetaType::destroy(id, copy);

    TQ::ClipIDParameter clip;
    EXPECT_NE(clip.qMetaType(), id);
    EXPECT_EQ(QMetaType::type("TQ::ClipIDParameter"), clip.qMetaType());
    EXPECT_EQ(clip.tRawValueType(), typeid(unsigned int));
    const int realId = Prm::Parameter<double>().qMetaType();
    EXPECT_EQ(QMetaType::type("Prm::Parameter<double>"), realId);
}

TEST(ClipIDParameter, IsNotKeyframedAndCopiesWhole)
{
    TQ::ClipIDParameter clip;
    EXPECT_FALSE(clip.isKeyframed());
    EXPECT_EQ(clip.coreSettings(), (std::array<std::int32_t, 3>{4, 0, 3}));
    EXPECT_EQ(clip.displayName(), "Not Set");

    clip.setSplittable(true);
    clip.vSetDefault(99);
    clip.setValue(11, View(0));
    clip.setValue(12, View(2));
    clip.setScriptName("inputClip");
    clip.setCoreSettings({1, 2, 3});
    clip.hide(true);

    const TQ::ClipIDParameter copy(clip);
    EXPECT_EQ(describe(copy), describe(clip));
    EXPECT_EQ(copy.scriptName(), "inputClip");
    EXPECT_EQ(copy.coreSettings(), clip.coreSettings());
    EXPECT_EQ(copy.defaultValue(), 99u);
    // Per view: the view's own id when stored, else the shared value.
    EXPECT_EQ(copy.value(View(2)), 12u);
    EXPECT_EQ(copy.value(View(1)), 11u);
    EXPECT_EQ(copy.value(View(-3)), 11u);
    EXPECT_EQ(copy.value(View(40)), 11u);
    EXPECT_EQ(copy.variantValue(staticAt(2)), QVariant(12u));
}

TEST(ScriptStrings, SetTheDefaultViewsStaticValue)
{
    UIntParameter parameter;
    parameter.setKeyframed(false);
    EXPECT_TRUE(parameter.setFromScriptString("41"));
    EXPECT_EQ(parameter.value(View(0)), 41u);
    EXPECT_FALSE(parameter.setFromScriptString("forty-one"));
    EXPECT_EQ(parameter.value(View(0)), 41u);
}

} // namespace
