#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

template <typename T>
T caught(const std::function<void()>& thrower)
{
    try {
        thrower();
    } catch (const T& e) {
        return e;
    }
    ADD_FAILURE() << "nothing of the expected class was thrown";
    throw std::logic_error("unreachable");
}

struct TextCase
{
    const char* message;
    const char* detail;
    const char* expectedWhat;
};

class ThrowTextTest : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(ThrowTextTest, WhatIsTheDetailElseTheMessage)
{
    const TextCase c = GetParam();
    const auto e = caught<VUVI_BadState>([&] {
        Rirediro::throwException<VUVI_BadState>("Project/wrappers/Clip", 42, QString::fromUtf8(c.message),
                                                QString::fromUtf8(c.detail));
    });
    EXPECT_STREQ(e.what(), c.expectedWhat);
    EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
    EXPECT_EQ(e.file(), "Project/wrappers/Clip");
    EXPECT_EQ(e.line(), 42);
}

INSTANTIATE_TEST_SUITE_P(Texts, ThrowTextTest,
                         ::testing::Values(TextCase{"msg", "", "msg"}, TextCase{"", "", ""},
                                           TextCase{"msg", "detail", "detail"},
                                           TextCase{"Caf\xc3\xa9 \xe2\x82\xac", "", "Caf\xc3\xa9 \xe2\x82\xac"}));

TEST(ErrorTypes, KindsAndClassesOfTheFamily)
{
    struct Row
    {
        std::function<void()> thrower;
        const char* kind;
    };
    const Row rows[] = {
        {[] { Rirediro::throwException<VUVI_BadState>("f", 1, "m", "m"); }, "Bad state"},
        {[] { Rirediro::throwException<VUVI_OutOfRange>("f", 1, "m", "m"); }, "Index out of range"},
        {[] { Rirediro::throwException<VUVI_BadFile>("f", 1, "m", "m"); }, "Bad file provided"},
        {[] { Rirediro::throwException<VUVI_OperationFailed>("f", 1, "m", "m"); }, "Operation failed"},
        {[] { Rirediro::throwException<VUVI_NotImplemented>("f", 1, "m", "m"); }, "Not implemented (sorry)"},
    };
    for (const Row& row : rows) {
        const auto e = caught<VUVI_Exception>(row.thrower);
        EXPECT_EQ(e.kind(), QString::fromLatin1(row.kind));
        // Neither kind, file nor line reaches the user's text.
        EXPECT_STREQ(e.what(), "m");
    }
}

TEST(ErrorTypes, OneArgumentFormPointsAtTheErrorHeader)
{
    const auto e = caught<VUVI_OutOfRange>([] { Rirediro::throwException<VUVI_OutOfRange>("index 7"); });
    EXPECT_STREQ(e.what(), "index 7");
    EXPECT_EQ(e.message(), "index 7");
    EXPECT_EQ(e.file(), "Rirediro/ErrorHandling/VUVI_Error");
    EXPECT_EQ(e.line(), 59);
}

TEST(ErrorDetector, FailedChecksThrowByRoleAndRecordTheFailure)
{
    VUVI_ErrorDetector* detector = VUVI_ErrorDetector::instance();
    detector->check(true, "src", 1, "ok", "never thrown");

    EXPECT_THROW(detector->check(false, "src", 10, "a < b", "first"), VUVI_AssertionFailed);
    EXPECT_THROW(detector->checkNotNull(false, "src", 11, "p != __null", "second"), VUVI_AssertionFailed);
    EXPECT_THROW(detector->checkRange(false, "src", 12, "i < n", "third"), VUVI_OutOfRange);
    try {
        detector->checkOperation(false, "../Project/wrappers/Project", 13, "clip", "fourth");
        FAIL() << "a failed check returned";
    } catch (const VUVI_OperationFailed& e) {
        EXPECT_STREQ(e.what(), "fourth");
    }
    const VUVI_ErrorDetector::Failure failure = detector->lastFailure();
    EXPECT_EQ(failure.checkNumber, 4);
    EXPECT_EQ(failure.sourceFile, "../Project/wrappers/Project");
    EXPECT_EQ(failure.line, 13);
    EXPECT_EQ(failure.conditionText, "clip");
}

} // namespace
