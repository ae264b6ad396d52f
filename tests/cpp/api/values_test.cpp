#include "Project/wrappers/StreamInfo.h"
#include "Project/wrappers/View.h"
#include "Project/wrappers/ViewInfo.h"

#include <gtest/gtest.h>

#include <QHash>
#include <cmath>

namespace {

TEST(View, DefaultIsTheParameterLibrarysDefaultView)
{
    Prm::View::setDefaultViewId(2);
    EXPECT_EQ(View().getView().id(), 2);
    EXPECT_FALSE(View() == View(0));
    Prm::View::setDefaultViewId(0);
    EXPECT_TRUE(View() == View(0));
}

TEST(View, SignedOrderReprAndUnsignedId)
{
    const View minusOne(-1);
    EXPECT_TRUE(minusOne < View(0));
    EXPECT_FALSE(View(0) < minusOne);
    EXPECT_EQ(minusOne.__repr__(), "View(-1)");
    EXPECT_EQ(minusOne.get_id(), 4294967295u);
    EXPECT_EQ(qHash(View(3)), qHash(View(3)));
    EXPECT_EQ(qHash(View(3)), qHash(QStringLiteral("View(3)"), 0));
}

TEST(ViewInfo, EqualityByFieldsAndNaN)
{
    const ViewInfo left("Left", "L", {1.0f, 0.0f, 0.0f});
    EXPECT_TRUE(left == ViewInfo("Left", "L", {1.0f, 0.0f, 0.0f}));
    EXPECT_FALSE(left == ViewInfo("Left", "L", {1.0f, 0.5f, 0.0f}));
    EXPECT_FALSE(left == ViewInfo("Left", "R", {1.0f, 0.0f, 0.0f}));

    const ViewInfo odd("N", "n", {std::nanf(""), 0.0f, 0.0f});
    const ViewInfo copy = odd;
    EXPECT_TRUE(odd == odd);
    EXPECT_FALSE(odd == copy);
}

TEST(ViewInfo, Repr)
{
    EXPECT_EQ(ViewInfo("Left", "L", {1.0f, 0.0f, 0.0f}).__repr__(), "plinx.project.ViewInfo(\"Left\", \"L\", (1, 0, 0))");
    EXPECT_EQ(ViewInfo("Left", "L", {0.5f, 0.5f, 1.0f}).__repr__(),
              "plinx.project.ViewInfo(\"Left\", \"L\", (0.5, 0.5, 1))");
    // A name holding a placeholder is written as it is.
    EXPECT_EQ(ViewInfo("%3%1", "%5", {0.25f, 0.0f, 0.0f}).__repr__(),
              "plinx.project.ViewInfo(\"%3%1\", \"%5\", (0.25, 0, 0))");
}

TEST(StreamInfo, ReprOfDefaultsAndOfPlaceholdersInFields)
{
    EXPECT_EQ(StreamInfo().__repr__(),
              "StreamInfo(path='', prefix='', suffix='', start_frame=4294967295, end_frame=4294967295, index_width=0)");
    EXPECT_EQ(StreamInfo("/shots/%4", "a%1_", ".%6", 1, 20, 4).__repr__(),
              "StreamInfo(path='/shots/%4', prefix='a%1_', suffix='.%6', start_frame=1, end_frame=20, index_width=4)");
    EXPECT_EQ(qHash(StreamInfo("p")), qHash(StreamInfo("p")));
}

} // namespace
