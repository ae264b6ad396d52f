// The text form of parameters: what is written, and that reading it back
// gives the same parameter.
#include "ParameterTestSupport.h"

#include "Prm/ClipModeParameter.h"

namespace {

using namespace testing_support;
using Prm::ParameterChange;
using Prm::View;
using UIntParameter = Prm::Parameter<unsigned int>;

const Prm::ProjectFileVersion oldVersion{Prm::StreamVersion::anyViewList.number - 1};

// The parameter of the worked example: static value 3, keys at 10 (5) and 20 (7).
class ClipParameter : public ::testing::Test
{
protected:
    ClipParameter()
    {
        parameter.setScriptName("clip");
        parameter.setValue(3, View(0));
        parameter.vSetValue(5, at(10));
        parameter.vSetValue(7, at(20));
    }

    UIntParameter parameter;
};

TEST_F(ClipParameter, WritesTheWorkedExample)
{
    EXPECT_EQ(streamOut(parameter), (QStringList{
                                        "clip.views=[0]",
                                        "clip.keyframes.append( Key( 10, 5, constant ) )",
                                        "clip.keyframes.append( Key( 20, 7, constant ) )",
                                        "clip.view[0].value=3",
                                        "clip.before=constant",
                                        "clip.after=constant",
                                    }));
}

TEST_F(ClipParameter, WritesOneValueLineWhenNotKeyframedOrWithoutKeyframes)
{
    parameter.setKeyframed(false);
    EXPECT_EQ(streamOut(parameter), QStringList{"clip.value=3"});
    EXPECT_EQ(streamOut(parameter, "layer.", false), QStringList{"layer.value=3"});

    UIntParameter plain;
    plain.setValue(4, View(0));
    EXPECT_EQ(streamOut(plain, "p."), (QStringList{"p.value=4", "p.before=constant", "p.after=constant"}));
}

TEST_F(ClipParameter, ReadsTheWorkedExampleBack)
{
    UIntParameter copy;
    copy.setSplittable(true);
    copy.setValue(99, View(4)); // replaced by the views line
    const QStringList lines{"views=[0]",
                            "keyframes.append( Key( 10, 5, constant ) )",
                            "keyframes.append( Key( 20, 7, constant ) )",
                            "view[0].value=3",
                            "before=linear",
                            "after=constant"};
    EXPECT_EQ(streamIn(copy, lines), lines.size());
    copy.setSplittable(false);
    parameter.vSetExtrapolationBefore(Prm::ExtrapolationLinear);
    EXPECT_EQ(describe(copy), describe(parameter));
}

TEST(TextForm, WritesBezierKeyframesWithTheirHandles)
{
    UIntParameter parameter;
    const unsigned int index = parameter.vSetValue(4, at(12.5));
    parameter.vSetInterpolationData({Prm::InterpolationBezier, {0.25, 1, 0.5, 2}}, index, View(0));
    EXPECT_EQ(streamOut(parameter).at(1), "keyframes.append( BezierKey( 12.5, 4, 0.25, 1, 0.5, 2 ) )");
}

TEST(TextForm, WritesViewListsAndViewPrefixes)
{
    Prm::View::setDefaultViewId(0);
    UIntParameter parameter;
    parameter.setSplittable(true);
    parameter.setValue(1, View(0));
    parameter.setValue(2, View(1));
    parameter.vSetValue(6, at(3, 1));
    parameter.hide(true);
    UIntParameter master;
    master.setNamePrefix("layer1");
    master.setScriptName("opacity");
    parameter.setMasterParameter(&master);

    EXPECT_EQ(streamOut(parameter), (QStringList{"views=[0, 1]",
                                                "view[0].value=1",
                                                "view[1].keyframes.append( Key( 3, 6, constant ) )",
                                                "view[1].value=2",
                                                "hidden=1",
                                                "before=constant",
                                                "after=constant",
                                                "MasterParameterId=layer1.opacity"}));
}

// Writes a parameter, reads the lines into a fresh one of the same type and
// compares everything.
template <typename T>
void expectRoundTrip(const Prm::Parameter<T>& parameter)
{
    Prm::Parameter<T> copy;
    copy.setSplittable(parameter.splittable());
    copy.setKeyframed(parameter.isKeyframed());
    const QStringList lines = streamOut(parameter, QString(), false);
    EXPECT_EQ(streamIn(copy, lines), lines.size()) << lines.join('\n').toStdString();
    EXPECT_EQ(describe(copy), describe(parameter)) << lines.join('\n').toStdString();
}

TEST(TextFormRoundTrip, KeepsKeyTimesAndHandlesExactly)
{
    UIntParameter parameter;
    parameter.setValue(3, View(0));
    unsigned int value = 0;
    for (double time : {0.1, 10.0, 12.5, 1234.5678, 2e6, 1.0 / 3.0, -4.25})
        parameter.vSetValue(value++, at(time));
    parameter.vSetInterpolationData({Prm::InterpolationBezier, {1.0 / 3.0, 0.1, 2.0 / 3.0, 1e-9}}, 2, View(0));
    parameter.vSetInterpolationData({Prm::InterpolationBezier, {0, 0, 0, 0}}, 6, View(0));
    expectRoundTrip(parameter);

    const QStringList lines = streamOut(parameter);
    EXPECT_TRUE(lines.contains("keyframes.append( Key( 10, 1, constant ) )"));
    EXPECT_TRUE(lines.contains("keyframes.append( Key( 1234.5678, 3, constant ) )"));
}

TEST(TextFormRoundTrip, KeepsSplitViewsHiddenFlagsAndExtrapolations)
{
    UIntParameter parameter;
    parameter.setSplittable(true);
    parameter.setValue(1, View(0));
    parameter.setValue(2, View(3));
    parameter.vSetValue(7, at(4, 3));
    parameter.vSetValue(8, at(9, 0));
    parameter.hide(true);
    parameter.vSetExtrapolationAfter(Prm::ExtrapolationLinear);
    parameter.vSetInterpolation(Prm::InterpolationSmooth, at(4, 3));
    expectRoundTrip(parameter);
}

TEST(TextFormRoundTrip, KeepsEveryValueType)
{
    Prm::Parameter<double> real;
    real.vSetValue(0.1 + 0.2, at(1));
    real.vSetValue(-1e-300, at(2));
    real.setValue(3.141592653589793, View(0));
    expectRoundTrip(real);

    Prm::Parameter<float> single;
    single.vSetValue(0.1f, at(1));
    expectRoundTrip(single);

    Prm::Parameter<int> integer;
    integer.vSetValue(-42, at(1));
    expectRoundTrip(integer);

    Prm::Parameter<bool> flag;
    flag.vSetValue(true, at(1));
    flag.vSetValue(false, at(2));
    expectRoundTrip(flag);

    Prm::Parameter<QString> text;
    text.vSetValue(QStringLiteral("two words, (and) 100% = [x]"), at(1));
    text.vSetValue(QString(), at(2));
    text.setValue(QStringLiteral("ünïcode\tand tab"), View(0));
    expectRoundTrip(text);

    Prm::Parameter<Bsc::FSPercentEscapedString> path;
    path.setKeyframed(false);
    path.setValue(Bsc::FSPercentEscapedString("/shots/take 1/plate%04d.exr", 0), View(0));
    expectRoundTrip(path);
    EXPECT_EQ(streamOut(path, "p."), QStringList{"p.value=/shots/take%201/plate%2504d.exr"});

    Prm::Parameter<TQ_CLIP_MODE> mode;
    mode.setKeyframed(false);
    mode.setValue(TQ_CLIP_MODE_MANUAL, View(0));
    expectRoundTrip(mode);
}

// A value that names no enumerator is no line of the parameter's: the file
// holding it is refused rather than read as another value.
TEST(TextForm, AnEnumerationValueThatNamesNoEnumeratorIsRefused)
{
    Prm::Parameter<TQ_CLIP_MODE> mode;
    mode.setValue(TQ_CLIP_MODE_MANUAL, View(0));
    for (const char* line : {"view[0].value=2", "view[0].value=-1", "view[0].value=1000000000", "view[0].value=x",
                             "view[0].value=", "keyframes.append( Key( 4, 2, constant ) )"}) {
        EXPECT_FALSE(mode.streamInValue(line, Prm::StreamVersion::current, {})) << line;
        EXPECT_EQ(mode.value(View(0)), TQ_CLIP_MODE_MANUAL) << line;
        EXPECT_EQ(mode.keyframeCount(View(0)), 0u) << line;
    }
    EXPECT_TRUE(mode.streamInValue("view[0].value=0", Prm::StreamVersion::current, {}));
    EXPECT_EQ(mode.value(View(0)), TQ_CLIP_MODE_AUTOMATIC);
    EXPECT_TRUE(mode.streamInValue("keyframes.append( Key( 4, 1, constant ) )", Prm::StreamVersion::current, {}));
    EXPECT_EQ(mode.value(at(4)), TQ_CLIP_MODE_MANUAL);
}

// Every text reads back as it was: spaces of every kind, at either end too,
// line breaks, NUL and characters beyond 16 bits.
TEST(TextForm, TextsAndPathsReadBackExactly)
{
    const QString texts[] = {
        QStringLiteral("  two leading"), QStringLiteral("two trailing  "), QString::fromUtf8("nbsp\xc2\xa0"),
        QString::fromUtf8("\xe3\x80\x80ideographic\xe3\x80\x80"), QString::fromUtf8("line\xe2\x80\xa8separator"),
        QString::fromUtf8("\xc2\x85next line\xe2\x80\xa9"), QStringLiteral("line\nbreak\r\n"),
        QStringLiteral("nul") + QChar(0) + QStringLiteral("inside"), QString::fromUtf8("clap \xf0\x9f\x8e\xac"),
        QStringLiteral("%41 = (a, b) [c]"),
    };
    for (const QString& value : texts) {
        Prm::Parameter<QString> text;
        text.setValue(value, View(0));
        text.vSetValue(value, at(3));
        const QStringList lines = streamOut(text);
        EXPECT_EQ(lines.size(), 5) << lines.join('|').toStdString(); // each value one line
        Prm::Parameter<QString> copy;
        EXPECT_EQ(streamIn(copy, lines), lines.size());
        EXPECT_EQ(copy.value(View(0)), value);
        EXPECT_EQ(copy.value(at(3)), value);

        Prm::Parameter<Bsc::FSPercentEscapedString> path;
        path.setKeyframed(false);
        path.setValue(Bsc::FSPercentEscapedString(value, 0), View(0));
        Prm::Parameter<Bsc::FSPercentEscapedString> pathCopy;
        pathCopy.setKeyframed(false);
        EXPECT_EQ(streamIn(pathCopy, streamOut(path)), 1);
        EXPECT_EQ(pathCopy.value(View(0)).text(), value);
    }
}

// Files written before spaces beyond ASCII were escaped hold them as they
// are: only the ASCII white space around a value is not its own.
TEST(TextForm, OldFilesKeepTheirUnescapedSpaces)
{
    Prm::Parameter<QString> text;
    EXPECT_TRUE(text.streamInValue(QString::fromUtf8("value=folder\xc2\xa0 \r"), Prm::StreamVersion::current, {}));
    EXPECT_EQ(text.value(View(0)), QString::fromUtf8("folder\xc2\xa0"));
    Prm::Parameter<Bsc::FSPercentEscapedString> path;
    path.setKeyframed(false);
    EXPECT_TRUE(path.streamInValue(QString::fromUtf8("value=take\xe3\x80\x80one%20"), Prm::StreamVersion::current, {}));
    EXPECT_EQ(path.value(View(0)).text(), QString::fromUtf8("take\xe3\x80\x80one "));
}

TEST(TextForm, OldFilesKeepReading)
{
    UIntParameter parameter;
    parameter.setSplittable(true);
    parameter.setValue(2, View(1));
    // Before view lists, a views line is accepted and ignored, and a value
    // line without view prefix leaves the other views alone.
    EXPECT_TRUE(parameter.streamInValue("views=[0]", oldVersion, {}));
    EXPECT_TRUE(parameter.streamInValue("value=5", oldVersion, {}));
    EXPECT_EQ(parameter.value(View(0)), 5u);
    EXPECT_EQ(parameter.value(View(1)), 2u);

    // Times written with six digits read as written, in double precision.
    EXPECT_TRUE(parameter.streamInValue("keyframes.append( Key( 1234.57, 1, constant ) )", oldVersion, {}));
    EXPECT_EQ(parameter.keyframeTime(0, View(0)).time.toDouble(), 1234.57);
    EXPECT_TRUE(parameter.streamInValue("keyframes.append( Key( 2e+06, 1, linear ) )", oldVersion, {}));
    EXPECT_EQ(parameter.keyframeTime(1, View(0)).time.toDouble(), 2e6);
}

TEST(TextForm, ANewFileValueLineWithoutViewReplacesAllViews)
{
    UIntParameter parameter;
    parameter.setSplittable(true);
    parameter.setValue(2, View(1));
    EXPECT_TRUE(parameter.streamInValue("value=5", Prm::StreamVersion::current, {}));
    EXPECT_EQ(parameter.viewList(), std::vector<View>{View(0)});
    EXPECT_EQ(parameter.value(View(1)), 5u);
}

class UnreadableLines : public ClipParameter, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(UnreadableLines, AreNotRecognisedAndChangeNothing)
{
    const QString before = describe(parameter);
    EXPECT_FALSE(parameter.streamInValue(GetParam(), Prm::StreamVersion::current, {}));
    EXPECT_EQ(describe(parameter), before);
}

INSTANTIATE_TEST_SUITE_P(Lines, UnreadableLines,
                         ::testing::Values("Views=[0, 1]", "unknown=3", "", "view[1]", "view[99999].value=3",
                                           "keyframes.append( Key( 10, 5 ) )",
                                           "keyframes.append( Key( 10, 5, wobbly ) )",
                                           "keyframes.append( Key( ten, 5, constant ) )",
                                           "keyframes.append( Key( nan, 5, constant ) )",
                                           "keyframes.append( Key( inf, 5, constant ) )",
                                           "keyframes.append( Cube( 10, 5, constant ) )",
                                           "keyframes.append( BezierKey( 10, 5, 1, 2, 3 ) )",
                                           "keyframes.append( BezierKey( 10, 5, 1, 2, 3, nan ) )",
                                           "keyframes.append( Key( 10, 5, constant ) ) trailing",
                                           "keyframes.push( Key( 10, 5, constant ) )",
                                           "keyframes"));

TEST(TextForm, KeywordsOtherThanViewsIgnoreCase)
{
    UIntParameter parameter;
    EXPECT_TRUE(parameter.streamInValue("VALUE=4", Prm::StreamVersion::current, {}));
    EXPECT_TRUE(parameter.streamInValue("KEYFRAMES.Append( key( 3, 6, LINEAR ) )", Prm::StreamVersion::current, {}));
    EXPECT_TRUE(parameter.streamInValue("Hidden=1", Prm::StreamVersion::current, {}));
    EXPECT_TRUE(parameter.streamInValue("isKeyframed=0", Prm::StreamVersion::current, {}));
    EXPECT_TRUE(parameter.streamInValue("masterparameterid=layer1.opacity", Prm::StreamVersion::current, {}));
    EXPECT_EQ(parameter.value(View(0)), 4u);
    EXPECT_EQ(parameter.keyframe(0, View(0)).itype.interpolation, Prm::InterpolationLinear);
    EXPECT_TRUE(parameter.isHidden());
    EXPECT_TRUE(parameter.isKeyframed());
    EXPECT_EQ(parameter.masterParameterId(), "layer1.opacity");
}

TEST(TextForm, ValueFiltersSeeValueTextsBeforeTheyAreParsed)
{
    UIntParameter parameter;
    const auto addTen = [](const QString& text) { return QString::number(text.toInt() + 10); };
    parameter.streamInValue("value=1", Prm::StreamVersion::current, addTen);
    parameter.streamInValue("keyframes.append( Key( 3, 2, constant ) )", Prm::StreamVersion::current, addTen);
    EXPECT_EQ(parameter.value(View(0)), 11u);
    EXPECT_EQ(parameter.keyframeValue(0, View(0)), 12u);
}

TEST(TextForm, LoadingHoldsBackAnnouncementsButRemovedViews)
{
    UIntParameter parameter;
    parameter.setSplittable(true);
    for (int view : {0, 2, 5})
        parameter.setValue(1, View(view));
    Prm::ParameterChangeRecorder log(parameter);

    EXPECT_TRUE(parameter.streamInValue("views=[1]", Prm::StreamVersion::current, {}));
    EXPECT_TRUE(parameter.streamInValue("view[1].keyframes.append( Key( 3, 6, constant ) )", Prm::StreamVersion::current, {}));
    EXPECT_EQ(recorded(log), (std::vector<ParameterChange>{change(ParameterChange::ViewRemoved, parameter, 5),
                                                           change(ParameterChange::ViewRemoved, parameter, 2),
                                                           change(ParameterChange::ViewRemoved, parameter, 0),
                                                           change(ParameterChange::ViewRemoved, parameter, 0)}));
    EXPECT_EQ(parameter.viewList(), std::vector<View>{View(1)});
    EXPECT_EQ(parameter.value(View(0)), 0u);
    EXPECT_FALSE(parameter.signalsBlocked());

    // After loading, announcements flow again and appends reshape segments.
    log.clear();
    parameter.vSetValue(7, at(4, 1));
    EXPECT_EQ(log.changes().size(), 2);
}

TEST(TextForm, LoadingKeepsTheSegmentRecordsOfItsLines)
{
    UIntParameter parameter;
    parameter.streamInValue("keyframes.append( BezierKey( 10, 5, 1, 2, 3, 4 ) )", Prm::StreamVersion::current, {});
    parameter.streamInValue("keyframes.append( Key( 20, 7, linear ) )", Prm::StreamVersion::current, {});
    EXPECT_EQ(parameter.keyframe(0, View(0)).itype, (Prm::IType{Prm::InterpolationBezier, {1, 2, 3, 4}}));

    parameter.blockSignals(true);
    parameter.streamInValue("value=2", Prm::StreamVersion::current, {});
    EXPECT_TRUE(parameter.signalsBlocked());
}

TEST(SerialisedKeyframes, AreHandedOutForExactTimesOnly)
{
    UIntParameter parameter;
    parameter.vSetValue(5, at(10));

    const auto none = parameter.getSerialisedKeyframe(at(11));
    EXPECT_FALSE(none);

    const auto blank = parameter.getSerialisedKeyframe(
        Prm::Context(Prm::Time::fromDouble(Prm::Time::INVALID_TIME_VALUE), View(View::defaultViewId()), 3));
    ASSERT_TRUE(blank);
    EXPECT_EQ(blank->context().time.toDouble(), Prm::Time::INVALID_TIME_VALUE);

    const auto record = parameter.getSerialisedKeyframe(at(10));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->toString(), "keyframes.append( Key( 10, 5, constant ) )");
    record->adjustTime(2.5f);
    EXPECT_EQ(record->context(), at(12.5));

    UIntParameter target;
    target.importKeyframe(*record);
    EXPECT_EQ(target.keyframeTime(0, View(0)), at(12.5));
    EXPECT_EQ(target.keyframeValue(0, View(0)), 5u);

    Prm::Parameter<double> otherType;
    EXPECT_THROW(otherType.importKeyframe(*record), std::bad_cast);
    EXPECT_EQ(otherType.keyframeCount(View(0)), 0u);
}

TEST(SerialisedKeyframes, RefuseTextsThatAreNotKeyframes)
{
    UIntParameter::TypedSerialisedKeyframe record;
    try {
        record.setFromString("view[2].value=4");
        FAIL() << "no refusal";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Cannot parse keyframe string 'value=4'");
    }
    try {
        record.setFromString("keyframes.append( Key( 1 ) )");
        FAIL() << "no refusal";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Failed to parse Key() block: 'keyframes.append( Key( 1 ) )'");
    }
    record.setFromString("view[2].keyframes.append( Key( 1.5, 4, smooth ) )");
    EXPECT_EQ(record.context(), at(1.5, 2));
    EXPECT_EQ(record.toString(), "view[2].keyframes.append( Key( 1.5, 4, smooth ) )");
}

} // namespace
