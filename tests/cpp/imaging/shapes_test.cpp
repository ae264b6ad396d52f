// Shape masks, painting and mattes.
#include "CaseTables.h"
#include "Pictures.h"

#include <Imaging/Shapes.h>

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

using Imaging::Shape;

namespace {

const cv::Size tiny(8, 6);
const Imaging::Polygon rectangle{{1, 1}, {4, 1}, {4, 3}, {1, 3}};

struct MaskCase
{
    std::string name;
    Shape shape;
    Imaging::Transform transform;
    std::vector<std::string> expected;

    friend void PrintTo(const MaskCase& c, std::ostream* out) { *out << c.name; }
};

class ShapeMask : public testing::TestWithParam<MaskCase>
{
};

TEST_P(ShapeMask, CoversThePixelsWhoseCentresAreInside)
{
    const MaskCase& c = GetParam();
    EXPECT_EQ(Pictures::asText(Imaging::shapeMask(tiny, c.shape, c.transform)), c.expected);
}

const std::vector<std::string> nothing(6, "........");

INSTANTIATE_TEST_SUITE_P(
    Imaging, ShapeMask,
    testing::Values(
        MaskCase{"PixelAlignedRectangle", {rectangle}, Imaging::identityTransform(),
                 {"........", ".###....", ".###....", "........", "........", "........"}},
        MaskCase{"ClockwiseOrCounterClockwise", {{{1, 1}, {1, 3}, {4, 3}, {4, 1}}}, Imaging::identityTransform(),
                 {"........", ".###....", ".###....", "........", "........", "........"}},
        MaskCase{"SubPixelCorners", {{{1.4, 1.6}, {3.5, 1.6}, {3.5, 3.6}, {1.4, 3.6}}},
                 Imaging::identityTransform(),
                 {"........", "........", ".##.....", ".##.....", "........", "........"}},
        MaskCase{"CarriedByTheTransform", {rectangle}, Imaging::translation(3, 2),
                 {"........", "........", "........", "....###.", "....###.", "........"}},
        MaskCase{"Triangle", {{{0, 0}, {6, 0}, {0, 6}}}, Imaging::identityTransform(),
                 {"#####...", "####....", "###.....", "##......", "#.......", "........"}},
        MaskCase{"ContoursUnite", {{{0, 0}, {2, 0}, {2, 2}, {0, 2}}, {{1, 1}, {3, 1}, {3, 3}, {1, 3}}},
                 Imaging::identityTransform(),
                 {"##......", "###.....", ".##.....", "........", "........", "........"}},
        MaskCase{"LoopingTwiceStaysFilled", {{{1, 1}, {4, 1}, {4, 3}, {1, 3}, {1, 1}, {4, 1}, {4, 3}, {1, 3}}},
                 Imaging::identityTransform(),
                 {"........", ".###....", ".###....", "........", "........", "........"}},
        MaskCase{"ClippedAtTheImageEdges", {{{-3, -2}, {3, -2}, {3, 2}, {-3, 2}}, {{6, 4}, {20, 4}, {20, 20}, {6, 20}}},
                 Imaging::identityTransform(),
                 {"###.....", "###.....", "........", "........", "......##", "......##"}},
        MaskCase{"TooFewPoints", {{{1, 1}, {5, 4}}, {}}, Imaging::identityTransform(), nothing},
        MaskCase{"NoContours", {}, Imaging::identityTransform(), nothing}),
    CaseName());

TEST(ShapeMask, ShapesSharingEdgesShareNoPixel)
{
    // Four quarters of a square whose sides fall between pixel centres.
    const double a = 0.7, m = 3.3, b = 6.1;
    const std::vector<Shape> quarters{{{{a, a}, {m, a}, {m, m}, {a, m}}},
                                      {{{m, a}, {b, a}, {b, m}, {m, m}}},
                                      {{{a, m}, {m, m}, {m, b}, {a, b}}},
                                      {{{m, m}, {b, m}, {b, b}, {m, b}}}};
    cv::Mat coverCount = cv::Mat::zeros(tiny, CV_8UC1);
    for (const Shape& quarter : quarters)
        cv::add(coverCount, Imaging::shapeMask(tiny, quarter) / 255, coverCount);

    const cv::Mat whole = Imaging::shapeMask(tiny, {{{a, a}, {b, a}, {b, b}, {a, b}}});
    EXPECT_TRUE(Pictures::identical(coverCount * 255, whole));
}

TEST(ShapeMask, RefusesWhatItCannotDraw)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Imaging::Transform notFinite = Imaging::identityTransform();
    notFinite(0, 2) = std::numeric_limits<double>::infinity();

    EXPECT_THROW(Imaging::shapeMask(tiny, {rectangle}, notFinite), std::invalid_argument);
    EXPECT_THROW(Imaging::shapeMask(tiny, {{{1, 1}, {nan, 1}, {4, 3}}}), std::invalid_argument);
    EXPECT_THROW(Imaging::shapeMask(cv::Size(0, 4), {rectangle}), std::invalid_argument);
    EXPECT_THROW(Imaging::shapeMask(cv::Size(-1, 4), {rectangle}), std::invalid_argument);
}

// Two overlapping layers: A (1, 0.5, 0) on columns 0-2, then B (0.2, 0, 1)
// on columns 2-4 of a 6 x 2 matte.
struct MatteCase
{
    std::string name;
    int type;
    cv::Scalar onlyA, both, onlyB, outside;

    friend void PrintTo(const MatteCase& c, std::ostream* out) { *out << c.name; }
};

class Matte : public testing::TestWithParam<MatteCase>
{
};

TEST_P(Matte, PaintsLayersInOrderOnBlack)
{
    const MatteCase& c = GetParam();
    const std::vector<Imaging::MatteLayer> layers{
        {{{{0, 0}, {3, 0}, {3, 2}, {0, 2}}}, Imaging::identityTransform(), {1.0, 0.5, 0.0}},
        {{{{0, 0}, {3, 0}, {3, 2}, {0, 2}}}, Imaging::translation(2, 0), {0.2, 0.0, 1.0}}};

    const cv::Mat matte = Imaging::renderMatte(cv::Size(6, 2), c.type, layers);

    ASSERT_EQ(matte.type(), c.type);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(Pictures::pixel(matte, row, 1), c.onlyA);
        EXPECT_EQ(Pictures::pixel(matte, row, 2), c.both);
        EXPECT_EQ(Pictures::pixel(matte, row, 4), c.onlyB);
        EXPECT_EQ(Pictures::pixel(matte, row, 5), c.outside);
    }
}

const float fifth = 0.2f; // 0.2 as a float image holds it

INSTANTIATE_TEST_SUITE_P(
    Imaging, Matte,
    testing::Values(MatteCase{"Grey8", CV_8UC1, {255}, {51}, {51}, {0}},
                    MatteCase{"Rgb8", CV_8UC3, {255, 128, 0}, {51, 0, 255}, {51, 0, 255}, {0, 0, 0}},
                    MatteCase{"Rgba8", CV_8UC4, {255, 128, 0, 255}, {51, 0, 255, 255}, {51, 0, 255, 255}, {0, 0, 0, 0}},
                    MatteCase{"GreyFloat", CV_32FC1, {1}, {fifth}, {fifth}, {0}},
                    MatteCase{"RgbFloat", CV_32FC3, {1, 0.5, 0}, {fifth, 0, 1}, {fifth, 0, 1}, {0, 0, 0}},
                    MatteCase{"RgbaFloat", CV_32FC4, {1, 0.5, 0, 1}, {fifth, 0, 1, 1}, {fifth, 0, 1, 1}, {0, 0, 0, 0}}),
    CaseName());

TEST(Matte, LayersAreWhiteUnlessColoured)
{
    const cv::Mat matte = Imaging::renderMatte(tiny, CV_8UC1, {Imaging::MatteLayer{{rectangle}}});
    EXPECT_TRUE(Pictures::identical(matte, Imaging::shapeMask(tiny, {rectangle})));
}

TEST(Matte, RefusesTypesItCannotWrite)
{
    for (const int type : {CV_16UC1, CV_8UC2, CV_64FC3, CV_8SC1})
        EXPECT_THROW(Imaging::renderMatte(tiny, type, {}), std::invalid_argument) << type;
    EXPECT_THROW(Imaging::renderMatte(cv::Size(0, 0), CV_8UC1, {}), std::invalid_argument);
}

} // namespace
