// The viewer canvas draws what its extra overlay renderer paints.
#include <GUI/ViewerCanvas.h>

#include <QApplication>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

TEST(ViewerCanvas, RendererPaintsIntoTheDrawnImageAndIsReplacedByTheNext)
{
    ViewerCanvas canvas;
    EXPECT_EQ(canvas.objectName(), "canvas");
    EXPECT_TRUE(canvas.drawOverlay(1, 2).isNull()); // no renderer yet

    QList<float> numbers;
    bool painterDuringDraw = false;
    const OverlayRenderer red = [&](PyObject*, QOpenGLWidget*, float a, float b) {
        numbers << a << b;
        painterDuringDraw = canvas.currentPainter() != nullptr;
        canvas.currentPainter()->fillRect(0, 0, 4, 4, Qt::red);
    };
    // Installed the way extensions install it: by name, through the meta-object.
    ASSERT_TRUE(QMetaObject::invokeMethod(&canvas, "setExtraOverlayRenderer", Qt::AutoConnection,
                                          QGenericArgument("OverlayRenderer", &red)));
    const QImage image = canvas.drawOverlay(1.5f, -2.0f);
    EXPECT_EQ(numbers, QList<float>({1.5f, -2.0f}));
    EXPECT_TRUE(painterDuringDraw);
    EXPECT_EQ(canvas.currentPainter(), nullptr);
    EXPECT_EQ(image.size(), QSize(ViewerCanvas::Width, ViewerCanvas::Height));
    EXPECT_EQ(image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(10, 10).alpha(), 0);

    canvas.setExtraOverlayRenderer([](PyObject*, QOpenGLWidget*, float, float) {});
    EXPECT_EQ(canvas.drawOverlay(0, 0).pixelColor(1, 1).alpha(), 0);
    EXPECT_EQ(numbers.size(), 2);
}

TEST(ViewerCanvas, IsFoundByNameAmongTheApplicationsWidgets)
{
    ViewerCanvas canvas;
    QWidget* found = nullptr;
    for (QWidget* widget : QApplication::allWidgets())
        if (widget->objectName() == QLatin1String("canvas"))
            found = widget;
    EXPECT_EQ(found, &canvas);
    EXPECT_FALSE(canvas.isVisible());
}

} // namespace
