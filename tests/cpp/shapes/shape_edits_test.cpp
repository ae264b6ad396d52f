// Contours and points through the API classes: records, reading and
// writing point data, insertion, bounding boxes, and the life cycle of
// shapes through undo and redo.

#include "ShapeTestSupport.h"

#include <Rirediro/Project/VUVI_SelectionManager.h>

#include <QSet>

#include <cmath>
#include <limits>

using namespace shapetest;

namespace {

TEST(ShapeRecords, BezierOffsetsAreEqualWithinATenThousandthAndAbsentNeverEqualsPresent)
{
    struct Case
    {
        boost::optional<QPointF> left;
        boost::optional<QPointF> right;
        bool equal;
    };
    const Case cases[] = {
        {boost::none, boost::none, true},
        {QPointF(1, 2), QPointF(1.00005, 2), true},
        {QPointF(1, 2), QPointF(1.0002, 2), false},
        {QPointF(0, 0), boost::none, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(bezierAt(1, 1, c.left) == bezierAt(1, 1, c.right), c.equal);
        EXPECT_EQ(bezierAt(1, 1, boost::none, c.left) == bezierAt(1, 1, boost::none, c.right), c.equal);
    }
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const XControlPointData withNaN(boost::none, boost::none, nan);
    EXPECT_FALSE(withNaN == XControlPointData(withNaN));
    EXPECT_TRUE(withNaN == withNaN);
    EXPECT_FALSE(XControlPointData(true) == XControlPointData());
}

TEST(ShapeRecords, ReadingClampsTheMaximumFirst)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        double value, minimum, maximum;
        float read;
    } const cases[] = {{5.0, -1.0, 1.0, 1.0f}, {-5.0, -1.0, 1.0, -1.0f}, {0.25, -1.0, 1.0, 0.25f},
                       {nan, 0.0, 1.0, 0.0f},  {0.5, 1.0, 0.0, 1.0f}};
    for (const Case& c : cases)
        EXPECT_EQ(Python::clampedValue(c.value, c.minimum, c.maximum), c.read) << c.value;
}

class ShapeEdits : public ShapeProject
{
};

TEST_F(ShapeEdits, PointDataIsReadAtTheContextWithEveryFieldClamped)
{
    XSplineContour contour = a.add_xspline_contour(0.0f, {xAt(1, 2)});
    XControlPoint point = contour.control_point(0);
    point.set_point_data(4.0f, XControlPointData(boost::none, boost::none, 41.0f, boost::none, 5.0f, 2000.0f, -3.0f));
    const XControlPointData atFour = point.get_point_data(4.0f, View(0));
    EXPECT_EQ(atFour, XControlPointData(true, false, 41.0f, 2.0f, 1.0f, 1000.0f, 0.0f));
    // Written at frame 4, the value is a keyframe there; frame 0 keeps its own.
    EXPECT_EQ(*point.get_point_data(0.0f, View(0)).get_x(), 1.0f);
}

TEST_F(ShapeEdits, SetAndUpdateDifferOnlyInTheFlagHandedToTheCore)
{
    XSplineContour contour = a.add_xspline_contour(0.0f, {xAt(0, 0)});
    XControlPoint point = contour.control_point(0);
    const boost::shared_ptr<VUVI_Layer> layer = a.handledObject();
    layer->clearJournal();
    point.set_point_data(0.0f, xAt(3, 4));
    const XControlPointData afterSet = point.get_point_data(0.0f);
    point.update_point_data(0.0f, xAt(3, 4));
    EXPECT_EQ(point.get_point_data(0.0f), afterSet);
    const QString id = QString::number(point.handledObject()->id());
    EXPECT_EQ(layer->journal(),
              QStringList({"setControlPointData " + id + " update 0", "setControlPointData " + id + " update 1"}));
}

TEST_F(ShapeEdits, InsertionClampsTheIndexAndControlPointPastTheEndIsNull)
{
    XSplineContour xspline = a.add_xspline_contour(0.0f, {xAt(0, 0), xAt(1, 0)});
    XControlPoint appended = xspline.insert_point(0.0f, xAt(9, 9), 100);
    EXPECT_EQ(xspline.get_control_points().size(), 3);
    EXPECT_EQ(xspline.control_point(2), appended);
    EXPECT_TRUE(xspline.control_point(3).isNull());
    EXPECT_EQ(*xspline.insert_point(0.0f, xAt(7, 7), 0).get_point_data(0.0f).get_x(), 7.0f);
    EXPECT_EQ(*xspline.control_point(1).get_point_data(0.0f).get_x(), 0.0f);

    BezierContour bezier = square(a);
    BezierControlPoint last = bezier.insert_point(0.0f, bezierAt(5, 5));
    EXPECT_EQ(bezier.control_point(4), last);
    EXPECT_TRUE(bezier.control_point(5).isNull());
}

TEST_F(ShapeEdits, BezierHandlesGoWhereTheyAreReadAtTheInsertionFrame)
{
    BezierContour contour = square(a);
    // Inserted at frame 2, the point has its keyframes there and none at the
    // default view's static value: the offsets must come back as given.
    BezierControlPoint point = contour.insert_point(2.0f, bezierAt(5, 5, QPointF(1, 0), QPointF(-1, 2)), 1);
    const BezierControlPointData data = point.get_point_data(2.0f, View(0));
    EXPECT_EQ(*data.get_handle_offset_backward(), QPointF(1, 0));
    EXPECT_EQ(*data.get_handle_offset_forward(), QPointF(-1, 2));
    // No offsets: both handles on the point.
    EXPECT_EQ(*contour.control_point(0).get_point_data(0.0f).get_handle_offset_forward(), QPointF(0, 0));
    // A move without offsets keeps them; a move with offsets places them.
    point.set_point_data(2.0f, bezierAt(8, 8));
    EXPECT_EQ(handlesOf(point, 2.0f), QStringLiteral("(9, 8) (7, 10)"));
    point.set_point_data(2.0f, bezierAt(8, 8, QPointF(0, 3)));
    EXPECT_EQ(handlesOf(point, 2.0f), QStringLiteral("(8, 11) (7, 10)"));
}

TEST_F(ShapeEdits, BezierInsertionChangesNothingWhenTheProjectCannotBeReached)
{
    BezierContour contour = square(a);
    BezierContour orphan(contour.handledObject(), boost::weak_ptr<VUVI_ProjectManager>());
    const int steps = history().undoCount();
    expectFailure<VUVI_BadState>([&] { orphan.insert_point(0.0f, bezierAt(1, 1)); }, QStringLiteral("Invalid object"));
    EXPECT_EQ(contour.get_control_points().size(), 4);
    EXPECT_EQ(history().undoCount(), steps);
}

TEST_F(ShapeEdits, BoundingRectIsLeftTopRightBottom)
{
    XSplineContour contour = a.add_xspline_contour(0.0f, {xAt(10, 60), xAt(40, 20), xAt(25, 30)});
    EXPECT_EQ(contour.get_bounding_rect(), QList<float>({10, 20, 40, 60}));
    EXPECT_EQ(Python::contourBoundingRect(contour.handledObject().get(), Python::contextOf(0.0f, View(0)), &core()),
              QList<float>({10, 20, 40, 60}));
    XSplineContour orphan(contour.handledObject(), boost::weak_ptr<VUVI_ProjectManager>());
    expectFailure<VUVI_BadState>([&] { orphan.get_bounding_rect(); }, QStringLiteral("Invalid object"));
}

TEST_F(ShapeEdits, OnlyTheFirstContourInitialisesTheLayer)
{
    VUVI_SelectionManager& selection = *core().selectionManager();
    selection.clearJournal();
    a.add_xspline_contour(3.0f, {});
    a.add_bezier_contour(3.0f, {});
    const QString id = a.handledObject()->id();
    EXPECT_EQ(selection.journal(), QStringList({"vInitialiseLayer " + id + " at 3 in view 0"}));
    const QList<boost::shared_ptr<Rirediro::Contour>> contours = a.getAllContours();
    ASSERT_EQ(contours.size(), 2);
    EXPECT_EQ(contours[0]->kind(), Rirediro::Contour::XSpline);
    EXPECT_EQ(contours[1]->kind(), Rirediro::Contour::Bezier);
    EXPECT_TRUE(contours[0]->points().isEmpty());
}

TEST_F(ShapeEdits, IdsAreUniqueInTheProject)
{
    QSet<unsigned int> ids;
    for (Layer* layer : {&a, &b}) {
        XSplineContour contour = layer->add_xspline_contour(0.0f, {xAt(0, 0), xAt(1, 1)});
        ids.insert(contour.handledObject()->id());
        for (const XControlPoint& point : contour.get_control_points())
            ids.insert(point.handledObject()->id());
    }
    EXPECT_EQ(ids.size(), 6);
}

// Each edit is one undo step; undo and redo bring shapes back under their
// ids, and no step keeps a removed shape alive.
TEST_F(ShapeEdits, ShapesLiveAndDieWithTheirSteps)
{
    BezierContour contour = square(a);
    const unsigned int contourID = contour.handledObject()->id();
    BezierControlPoint point = contour.control_point(1);
    const unsigned int pointID = point.handledObject()->id();
    point.set_point_data(3.0f, bezierAt(10, 5, QPointF(0, -2), QPointF(0, 2)));
    const QString handles = handlesOf(point, 3.0f);

    // Removing the point: the old handle dies, undo puts an equal point back.
    const boost::weak_ptr<Rirediro::ControlPoint> removedPoint = point.handledObject();
    point.remove();
    EXPECT_TRUE(removedPoint.expired());
    EXPECT_TRUE(point.isNull());
    undo();
    BezierControlPoint back = contour.control_point(1);
    EXPECT_EQ(back.handledObject()->id(), pointID);
    EXPECT_EQ(handlesOf(back, 3.0f), handles);
    EXPECT_EQ(positionOf(back, 0.0f), QPointF(10, 0));
    redo();
    EXPECT_EQ(contour.get_control_points().size(), 3);
    undo();

    // Removing the contour, then undoing its making.
    const boost::weak_ptr<Rirediro::Contour> removedContour = contour.handledObject();
    contour.remove();
    EXPECT_TRUE(removedContour.expired());
    undo();
    ASSERT_EQ(a.getAllContours().size(), 1);
    EXPECT_EQ(a.getAllContours().front()->id(), contourID);
    EXPECT_EQ(a.getAllContours().front()->points().size(), 4);
    undo(); // the point data
    undo(); // the contour
    EXPECT_TRUE(a.getAllContours().isEmpty());
    redo();
    ASSERT_EQ(a.getAllContours().size(), 1);
    EXPECT_EQ(a.getAllContours().front()->id(), contourID);
    // Handles hold the object, not its id: the old one stays dead.
    EXPECT_TRUE(contour.isNull());
}

} // namespace
