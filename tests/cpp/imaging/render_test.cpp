// The per-frame render kernels on tiny frames of every supported type.
#include "CaseTables.h"
#include "Pictures.h"

#include <Imaging/Render.h>
#include <Imaging/Shapes.h>

#include <opencv2/core.hpp>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

using Imaging::Shape;

namespace {

const cv::Size frameSize(8, 6);
// A 4 x 3 rectangle at the reference frame, and a track moving it to
// columns 2-5, rows 1-3.
const Shape box{{{0, 0}, {4, 0}, {4, 3}, {0, 3}}};
const Imaging::Transform track = Imaging::translation(2, 1);

// A frame whose pixels all differ: 8-bit values, or the same over 255.
cv::Mat patternFrame(cv::Size size, int type)
{
    cv::Mat pattern(size, CV_8UC(CV_MAT_CN(type)));
    for (int row = 0; row < size.height; ++row) {
        for (int column = 0; column < size.width; ++column) {
            for (int c = 0; c < pattern.channels(); ++c)
                pattern.ptr<uchar>(row)[column * pattern.channels() + c] = uchar(1 + row * 16 + column + 60 * c);
        }
    }
    cv::Mat frame;
    pattern.convertTo(frame, type, CV_MAT_DEPTH(type) == CV_8U ? 1.0 : 1.0 / 255.0);
    return frame;
}

struct TypeCase
{
    std::string name;
    int type;
    cv::Scalar colour; // Colour (1, 0, 0.6) as a pixel of this type

    friend void PrintTo(const TypeCase& c, std::ostream* out) { *out << c.name; }
};

class RenderKernel : public testing::TestWithParam<TypeCase>
{
protected:
    const cv::Mat frame = patternFrame(frameSize, GetParam().type);
    const cv::Mat inside = Imaging::shapeMask(frameSize, box, track);

    // Checks that `result` is `frame` outside the tracked box and matches
    // `expected` (row, column) inside it.
    void expectInsideBox(const cv::Mat& result, const std::function<cv::Scalar(int, int)>& expected)
    {
        ASSERT_EQ(result.type(), frame.type());
        ASSERT_EQ(result.size(), frame.size());
        for (int row = 0; row < frame.rows; ++row) {
            for (int column = 0; column < frame.cols; ++column) {
                const cv::Scalar want = inside.at<uchar>(row, column) ? expected(row, column)
                                                                      : Pictures::pixel(frame, row, column);
                EXPECT_EQ(Pictures::pixel(result, row, column), want) << "row " << row << ", column " << column;
            }
        }
    }
};

TEST_P(RenderKernel, InsertColourPaintsTheTrackedShape)
{
    const cv::Mat result = Imaging::insertColour(frame, box, track, {1.0, 0.0, 0.6});
    expectInsideBox(result, [&](int, int) { return GetParam().colour; });
}

TEST_P(RenderKernel, InsertPictureCarriesThePictureWithTheTrack)
{
    // Smaller than the box: its last column and row are not reached.
    const cv::Mat picture = patternFrame(cv::Size(3, 2), frame.type()) * 0.5;
    const cv::Mat result = Imaging::insertPicture(frame, box, track, picture);
    expectInsideBox(result, [&](int row, int column) {
        const int pictureRow = row - 1, pictureColumn = column - 2;
        return pictureRow < picture.rows && pictureColumn < picture.cols
                   ? Pictures::pixel(picture, pictureRow, pictureColumn)
                   : cv::Scalar();
    });
}

TEST_P(RenderKernel, StabiliseMovesTheFrameBackAlongTheTrack)
{
    EXPECT_TRUE(Pictures::identical(Imaging::stabilise(frame, Imaging::identityTransform()), frame));

    const cv::Mat result = Imaging::stabilise(frame, track);
    ASSERT_EQ(result.type(), frame.type());
    for (int row = 0; row < frame.rows; ++row) {
        for (int column = 0; column < frame.cols; ++column) {
            const bool covered = row + 1 < frame.rows && column + 2 < frame.cols;
            EXPECT_EQ(Pictures::pixel(result, row, column),
                      covered ? Pictures::pixel(frame, row + 1, column + 2) : cv::Scalar())
                << "row " << row << ", column " << column;
        }
    }
}

TEST_P(RenderKernel, FillReplacesTheTrackedShapeFromItsSurroundings)
{
    // A plain frame with a blot inside the tracked box: filling must bring
    // back the plain value there and touch nothing else.
    const bool eightBit = frame.depth() == CV_8U;
    const cv::Scalar plain = cv::Scalar::all(eightBit ? 90 : 90 / 255.0);
    cv::Mat blotted(frameSize * 3, frame.type(), plain);
    const Imaging::Transform blotTrack = Imaging::translation(9, 7);
    Imaging::paintShape(blotted, box, blotTrack, {1.0, 0.0, 0.6});

    const cv::Mat result = Imaging::fillShape(blotted, box, blotTrack);

    ASSERT_EQ(result.type(), frame.type());
    cv::Mat difference;
    cv::absdiff(result, cv::Mat(blotted.size(), blotted.type(), plain), difference);
    double worst = 0.0;
    cv::minMaxLoc(difference.reshape(1), nullptr, &worst);
    EXPECT_LE(worst, eightBit ? 0.0 : 1e-5);
    EXPECT_TRUE(Pictures::identical(Imaging::fillShape(frame, box, Imaging::translation(20, 0)), frame))
        << "a shape outside the frame fills nothing";
}

TEST_P(RenderKernel, HorizonTurnsAboutTheCentre)
{
    EXPECT_TRUE(Pictures::identical(Imaging::rotateHorizon(frame, 0.0), frame));

    cv::Mat upsideDown;
    cv::flip(frame, upsideDown, -1);
    EXPECT_TRUE(Pictures::identical(Imaging::rotateHorizon(frame, 180.0), upsideDown));

    const cv::Mat square = patternFrame(cv::Size(6, 6), frame.type());
    cv::Mat left, right;
    cv::rotate(square, left, cv::ROTATE_90_COUNTERCLOCKWISE);
    cv::rotate(square, right, cv::ROTATE_90_CLOCKWISE);
    EXPECT_TRUE(Pictures::identical(Imaging::rotateHorizon(square, 90.0), left));
    EXPECT_TRUE(Pictures::identical(Imaging::rotateHorizon(square, -90.0), right));
}

TEST_P(RenderKernel, LeavesItsInputAlone)
{
    const cv::Mat before = frame.clone();
    Imaging::insertColour(frame, box, track, {1, 1, 1});
    Imaging::insertPicture(frame, box, track, frame);
    Imaging::stabilise(frame, track);
    Imaging::fillShape(frame, box, track);
    Imaging::rotateHorizon(frame, 10.0);
    EXPECT_TRUE(Pictures::identical(frame, before));
}

INSTANTIATE_TEST_SUITE_P(Imaging, RenderKernel,
                         testing::Values(TypeCase{"Grey8", CV_8UC1, {255}},
                                         TypeCase{"Rgb8", CV_8UC3, {255, 0, 153}},
                                         TypeCase{"Rgba8", CV_8UC4, {255, 0, 153, 255}},
                                         TypeCase{"GreyFloat", CV_32FC1, {1}},
                                         TypeCase{"RgbFloat", CV_32FC3, {1, 0, 0.6f}},
                                         TypeCase{"RgbaFloat", CV_32FC4, {1, 0, 0.6f, 1}}),
                         CaseName());

// A plain picture of one type inserted into a frame of another.
struct ConversionCase
{
    std::string name;
    int frameType;
    int pictureType;
    cv::Scalar pictureValue;
    cv::Scalar expected;

    friend void PrintTo(const ConversionCase& c, std::ostream* out) { *out << c.name; }
};

class InsertPictureConversion : public testing::TestWithParam<ConversionCase>
{
};

TEST_P(InsertPictureConversion, TakesTheFramesType)
{
    const ConversionCase& c = GetParam();
    const cv::Mat frame(frameSize, c.frameType, cv::Scalar::all(0));
    const cv::Mat picture(frameSize, c.pictureType, c.pictureValue);

    const cv::Mat result = Imaging::insertPicture(frame, box, track, picture);

    ASSERT_EQ(result.type(), c.frameType);
    const cv::Scalar inserted = Pictures::pixel(result, 2, 3);
    for (int channel = 0; channel < 4; ++channel)
        EXPECT_NEAR(inserted[channel], c.expected[channel], 1e-6) << "channel " << channel;
}

INSTANTIATE_TEST_SUITE_P(
    Imaging, InsertPictureConversion,
    testing::Values(
        ConversionCase{"GreyIntoRgb", CV_8UC3, CV_8UC1, {200}, {200, 200, 200}},
        ConversionCase{"RgbIntoRgbaIsOpaque", CV_8UC4, CV_8UC3, {10, 20, 30}, {10, 20, 30, 255}},
        ConversionCase{"FloatIntoEightBit", CV_8UC3, CV_32FC3, {1.0, 0.5, 0.0}, {255, 128, 0}},
        ConversionCase{"EightBitIntoFloatGreyByLuma", CV_32FC1, CV_8UC3, {255, 0, 0}, {0.299f}},
        ConversionCase{"GreyFloatIntoRgbaFloat", CV_32FC4, CV_32FC1, {0.25}, {0.25, 0.25, 0.25, 1}},
        ConversionCase{"RgbaIntoGreyDropsAlpha", CV_8UC1, CV_8UC4, {0, 255, 0, 0}, {150}}),
    CaseName());

TEST(RenderKernel, RefusesFramesAndArgumentsItCannotUse)
{
    const cv::Mat good(frameSize, CV_8UC3, cv::Scalar::all(0));
    Imaging::Transform singular = Imaging::identityTransform();
    singular(1, 1) = 0.0;
    Imaging::Transform notFinite = Imaging::identityTransform();
    notFinite(1, 2) = std::numeric_limits<double>::quiet_NaN();

    for (const cv::Mat& bad : {cv::Mat(), cv::Mat(frameSize, CV_16UC3), cv::Mat(frameSize, CV_8UC2),
                               cv::Mat(frameSize, CV_64FC1)}) {
        EXPECT_THROW(Imaging::insertColour(bad, box, track, {1, 1, 1}), std::invalid_argument);
        EXPECT_THROW(Imaging::insertPicture(bad, box, track, good), std::invalid_argument);
        EXPECT_THROW(Imaging::insertPicture(good, box, track, bad), std::invalid_argument);
        EXPECT_THROW(Imaging::stabilise(bad, track), std::invalid_argument);
        EXPECT_THROW(Imaging::fillShape(bad, box, track), std::invalid_argument);
        EXPECT_THROW(Imaging::rotateHorizon(bad, 1.0), std::invalid_argument);
    }
    EXPECT_THROW(Imaging::insertPicture(good, box, singular, good), std::invalid_argument);
    EXPECT_THROW(Imaging::insertPicture(good, box, notFinite, good), std::invalid_argument);
    EXPECT_THROW(Imaging::stabilise(good, notFinite), std::invalid_argument);
    EXPECT_THROW(Imaging::fillShape(good, box, notFinite), std::invalid_argument);
    EXPECT_THROW(Imaging::rotateHorizon(good, std::numeric_limits<double>::infinity()), std::invalid_argument);
}

} // namespace
