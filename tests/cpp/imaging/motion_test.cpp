// The tracker's motion estimation and track steps, on synthetic footage of a
// textured square.
#include "CaseTables.h"
#include "Footage.h"

#include <Imaging/Motion.h>
#include <Imaging/Render.h>
#include <Imaging/Shapes.h>

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>

using Imaging::Transform;

namespace {

const Imaging::Shape squareShape{Footage::square()};

// Largest distance between the square's corners carried by `a` and by `b`.
double cornerError(const Transform& a, const Transform& b)
{
    double worst = 0.0;
    for (const cv::Point2d& corner : Footage::square())
        worst = std::max(worst, cv::norm(Imaging::mapped(a, corner) - Imaging::mapped(b, corner)));
    return worst;
}

struct MotionCase
{
    std::string name;
    Transform motion;
    double tolerance; // pixels, at the square's corners (a tracker must stay within 0.5)

    friend void PrintTo(const MotionCase& c, std::ostream* out) { *out << c.name; }
};

class MotionBetweenFrames : public testing::TestWithParam<MotionCase>
{
};

TEST_P(MotionBetweenFrames, IsRecoveredInsideTheSquare)
{
    const MotionCase& c = GetParam();
    const cv::Mat from = Footage::texturedSquare(Imaging::identityTransform());
    const cv::Mat to = Footage::texturedSquare(c.motion);

    const std::optional<Transform> measured
        = Imaging::estimateMotion(from, to, Imaging::shapeMask(from.size(), squareShape));

    ASSERT_TRUE(measured.has_value());
    EXPECT_LE(cornerError(*measured, c.motion), c.tolerance);
}

const cv::Point2d squareCentre = Footage::squareCorner + cv::Point2d(20.0, 20.0);

INSTANTIATE_TEST_SUITE_P(
    Imaging, MotionBetweenFrames,
    testing::Values(MotionCase{"Still", Imaging::identityTransform(), 0.01},
                    MotionCase{"FourPixelsRight", Imaging::translation(4.0, 0.0), 0.1},
                    MotionCase{"DiagonalIntegerShift", Imaging::translation(-3.0, 5.0), 0.1},
                    MotionCase{"SubPixelShift", Imaging::translation(1.3, -0.6), 0.1},
                    MotionCase{"QuarterPixelShift", Imaging::translation(0.25, 0.25), 0.1},
                    MotionCase{"Rotation", Imaging::rotation(4.0, squareCentre), 0.1},
                    MotionCase{"RotationAndShift",
                               Imaging::translation(2.5, 1.0) * Imaging::rotation(-3.0, squareCentre), 0.1}),
    CaseName());

TEST(MotionBetweenFrames, IsMeasuredInSmoothPicturesWithFewCorners)
{
    for (const double frequency : {0.05, 0.1}) {
        const auto smooth = [frequency](double u, double v) {
            return 128.0 + 60.0 * std::sin(frequency * u + 0.02) * std::cos(0.8 * frequency * v + 0.3);
        };
        for (const cv::Point2d shift : {cv::Point2d(4.0, 1.0), cv::Point2d(2.3, -1.1), cv::Point2d(-0.4, 0.7)}) {
            const Transform motion = Imaging::translation(shift.x, shift.y);
            const cv::Mat from = Footage::frame(Imaging::identityTransform(), smooth);
            const std::optional<Transform> measured = Imaging::estimateMotion(
                from, Footage::frame(motion, smooth), Imaging::shapeMask(from.size(), squareShape));
            ASSERT_TRUE(measured) << "frequency " << frequency << ", shift " << shift;
            EXPECT_LE(cornerError(*measured, motion), 0.5) << "frequency " << frequency << ", shift " << shift;
        }
    }
}

TEST(MotionBetweenFrames, IsNotMeasuredWithoutAnythingToFollow)
{
    const cv::Mat plain = Footage::plainSquare(Imaging::identityTransform());
    const cv::Mat textured = Footage::texturedSquare(Imaging::identityTransform());
    const cv::Mat squareRegion = Imaging::shapeMask(plain.size(), squareShape);
    const cv::Mat backgroundRegion
        = Imaging::shapeMask(plain.size(), {{{100, 10}, {150, 10}, {150, 60}, {100, 60}}});
    const cv::Mat emptyRegion = cv::Mat::zeros(plain.size(), CV_8UC1);

    EXPECT_FALSE(Imaging::estimateMotion(plain, plain, squareRegion)) << "plain square";
    EXPECT_FALSE(Imaging::estimateMotion(plain, Footage::plainSquare(Imaging::translation(2, 0)), squareRegion))
        << "moving plain square";
    EXPECT_FALSE(Imaging::estimateMotion(textured, textured, backgroundRegion)) << "plain background";
    EXPECT_FALSE(Imaging::estimateMotion(textured, textured, emptyRegion)) << "empty region";
}

TEST(MotionBetweenFrames, RefusesFramesItCannotCompare)
{
    const cv::Mat frame = Footage::texturedSquare(Imaging::identityTransform());
    const cv::Mat region = Imaging::shapeMask(frame.size(), squareShape);
    const cv::Mat smaller(60, 80, CV_8UC1, cv::Scalar(0));
    const cv::Mat twoChannels(frame.size(), CV_8UC2, cv::Scalar(0));
    const cv::Mat sixteenBits(frame.size(), CV_16UC1, cv::Scalar(0));
    const cv::Mat colourRegion(frame.size(), CV_8UC3, cv::Scalar(255));

    EXPECT_THROW(Imaging::estimateMotion(frame, smaller, region), std::invalid_argument);
    EXPECT_THROW(Imaging::estimateMotion(frame, frame, region(cv::Rect(0, 0, 80, 60))), std::invalid_argument);
    EXPECT_THROW(Imaging::estimateMotion(frame, frame, colourRegion), std::invalid_argument);
    EXPECT_THROW(Imaging::estimateMotion(twoChannels, twoChannels, region), std::invalid_argument);
    EXPECT_THROW(Imaging::estimateMotion(sixteenBits, sixteenBits, region), std::invalid_argument);
    EXPECT_THROW(Imaging::estimateMotion(cv::Mat(), cv::Mat(), region), std::invalid_argument);
}

TEST(MotionBetweenFrames, IsTheSameForEveryFrameType)
{
    const Transform motion = Imaging::translation(1.5, 2.0);
    const cv::Mat from = Footage::texturedSquare(Imaging::identityTransform());
    const cv::Mat to = Footage::texturedSquare(motion);
    const cv::Mat region = Imaging::shapeMask(from.size(), squareShape);
    const std::optional<Transform> grey = Imaging::estimateMotion(from, to, region);
    ASSERT_TRUE(grey);

    for (const int code : {cv::COLOR_GRAY2RGB, cv::COLOR_GRAY2RGBA}) {
        for (const bool isFloat : {false, true}) {
            cv::Mat a, b;
            cv::cvtColor(from, a, code);
            cv::cvtColor(to, b, code);
            if (isFloat) {
                a.convertTo(a, CV_32F, 1.0 / 255.0);
                b.convertTo(b, CV_32F, 1.0 / 255.0);
            }
            const std::optional<Transform> measured = Imaging::estimateMotion(a, b, region);
            ASSERT_TRUE(measured) << a.channels() << " channels, float " << isFloat;
            EXPECT_LE(cornerError(*measured, *grey), 1e-6) << a.channels() << " channels, float " << isFloat;
        }
    }
}

// A square moving 4 pixels a frame to the right and 1 down, tracked the way
// the core's tracker steps through a clip: from a frame whose track is
// known to the next (or previous) one.
struct TrackCase
{
    std::string name;
    int first;
    int last;

    friend void PrintTo(const TrackCase& c, std::ostream* out) { *out << c.name; }
};

class TrackOverFrames : public testing::TestWithParam<TrackCase>
{
protected:
    static Transform truth(int frame) { return Imaging::translation(4.0 * frame, 1.0 * frame); }
};

TEST_P(TrackOverFrames, FollowsTheSquare)
{
    const TrackCase& c = GetParam();
    const int direction = c.last >= c.first ? 1 : -1;
    Transform track = truth(c.first);
    for (int frame = c.first; frame != c.last; frame += direction) {
        const Imaging::TrackStep step = Imaging::trackShape(Footage::texturedSquare(truth(frame)),
                                                            Footage::texturedSquare(truth(frame + direction)),
                                                            squareShape, track);
        ASSERT_TRUE(step.measured) << "from frame " << frame;
        track = step.track;
        EXPECT_LE(cornerError(track, truth(frame + direction)), 0.5) << "frame " << frame + direction;
    }
}

INSTANTIATE_TEST_SUITE_P(Imaging, TrackOverFrames,
                         testing::Values(TrackCase{"Forward", 0, 8}, TrackCase{"Backward", 10, 5}),
                         CaseName());

TEST(TrackOverFrames, KeepsTheTrackWhereNothingIsMeasured)
{
    const Transform trackFrom = Imaging::translation(4.0, 1.0);
    const Imaging::TrackStep step = Imaging::trackShape(Footage::plainSquare(trackFrom),
                                                        Footage::plainSquare(trackFrom), squareShape, trackFrom);
    EXPECT_FALSE(step.measured);
    EXPECT_EQ(step.track, trackFrom);
}

TEST(TrackOverFrames, StabilisedFramesHoldTheSquareStill)
{
    const cv::Mat reference = Footage::texturedSquare(Imaging::identityTransform());
    // The inside of the square, away from the edges that resampling blurs.
    const cv::Rect inside(int(Footage::squareCorner.x) + 2, int(Footage::squareCorner.y) + 2, 36, 36);
    Transform track = Imaging::identityTransform();
    cv::Mat previous = reference;
    for (int frame = 1; frame <= 5; ++frame) {
        const cv::Mat current = Footage::texturedSquare(Imaging::translation(4.0 * frame, -1.0 * frame));
        track = Imaging::trackShape(previous, current, squareShape, track).track;
        previous = current;

        const cv::Mat stable = Imaging::stabilise(current, track);
        cv::Mat difference;
        cv::absdiff(stable(inside), reference(inside), difference);
        EXPECT_LE(cv::mean(difference)[0], 1.0) << "frame " << frame;
    }
}

} // namespace
