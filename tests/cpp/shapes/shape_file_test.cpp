// Contours in project files: what a saved project keeps of its shapes, the
// format before contours, and damaged shape entries.

#include "ShapeTestSupport.h"
#include "../support/Files.h"

#include "Project/wrappers/PointConstraint.h"

#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace shapetest;

namespace {

using testsupport::contentsOf;
using testsupport::writeFile;

// Every point of every layer with its data at frames 0 and 4, its handles
// and its master, layer by layer.
QStringList describeShapes(Project& project)
{
    QStringList lines;
    for (Layer& layer : project.get_layers()) {
        for (const boost::shared_ptr<Rirediro::Contour>& contour : layer.getAllContours()) {
            lines << QStringLiteral("%1 contour %2 kind %3").arg(layer.get_name()).arg(contour->id()).arg(contour->kind());
            for (const boost::shared_ptr<Rirediro::ControlPoint>& point : contour->points()) {
                QString text = QStringLiteral("  point %1").arg(point->id());
                for (float time : {0.0f, 4.0f}) {
                    const Prm::Context context = Python::contextOf(time, View(0));
                    text += QStringLiteral(" @%1 (%2, %3) w %4 e %5 r %6 c %7 a %8")
                                .arg(time)
                                .arg(point->x().value(context))
                                .arg(point->y().value(context))
                                .arg(point->weight().value(context))
                                .arg(point->edgeWidth().value(context))
                                .arg(point->edgeAngleRatio().value(context))
                                .arg(point->corner().value(context))
                                .arg(point->active(context));
                    if (auto* bezier = dynamic_cast<VUVI_BezierContourControlPoint*>(point.get())) {
                        const QPointF back = bezier->backwardHandle(context);
                        const QPointF forward = bezier->forwardHandle(context);
                        text += QStringLiteral(" handles (%1, %2) (%3, %4)")
                                    .arg(back.x()).arg(back.y()).arg(forward.x()).arg(forward.y());
                    }
                }
                if (const auto master = Python::masterPointOf(*point))
                    text += QStringLiteral(" follows %1").arg(master->id());
                lines << text;
            }
        }
    }
    return lines;
}

class ShapeFile : public ShapeProject
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Both kinds, keys at two frames, offsets and a constraint.
    void furnish()
    {
        XSplineContour xspline = a.add_xspline_contour(0.0f, {xAt(1, 2), xAt(3, 4)});
        xspline.control_point(0).set_point_data(
            4.0f, XControlPointData(false, true, 11.0f, 12.0f, -0.5f, 3.0f, 0.25f));
        BezierContour bezier = square(b);
        bezier.control_point(2).set_point_data(4.0f, bezierAt(20, 20, QPointF(-1, 0), QPointF(1, 1)));
        b.add_xspline_contour(0.0f, {xAt(7, 7)});
        Python::setPointConstraint(xspline.control_point(1).handledObject(), bezier.control_point(0).handledObject(),
                                   &core(), Python::contextOf(0.0f, View(0)), false);
    }
};

TEST_F(ShapeFile, SavingAndReopeningKeepsEveryShape)
{
    furnish();
    const QString file = path(QStringLiteral("shapes.plinx"));
    project().save_as(file);
    Project reopened(file);
    const QStringList shapes = describeShapes(project());
    ASSERT_EQ(shapes.size(), 10);
    EXPECT_EQ(describeShapes(reopened), shapes);
    // New shapes of the reopened project take ids of their own.
    const QStringList before = describeShapes(reopened);
    Layer layer = reopened.get_layers().front();
    const unsigned int id = layer.add_xspline_contour(0.0f, {xAt(0, 0)}).handledObject()->id();
    for (const QString& line : before)
        EXPECT_FALSE(line.contains(QStringLiteral("point %1 ").arg(id)) || line.endsWith(QStringLiteral("contour %1 kind 0").arg(id)));
}

TEST_F(ShapeFile, AFileOfTheFormatBeforeContoursOpens)
{
    const QString file = path(QStringLiteral("old.plinx"));
    project().save_as(file);
    QJsonObject document = QJsonDocument::fromJson(contentsOf(file)).object();
    document[QStringLiteral("version")] = 2;
    QJsonArray layers = document[QStringLiteral("layers")].toArray();
    for (int i = 0; i < layers.size(); ++i) {
        QJsonObject entry = layers[i].toObject();
        entry.remove(QStringLiteral("contours"));
        layers[i] = entry;
    }
    document[QStringLiteral("layers")] = layers;
    writeFile(file, QJsonDocument(document).toJson());
    Project reopened(file);
    EXPECT_EQ(reopened.get_layers().size(), 2);
    EXPECT_TRUE(reopened.get_layers().front().getAllContours().isEmpty());
}

TEST_F(ShapeFile, DamagedShapeEntriesAreRefused)
{
    furnish();
    const QString good = path(QStringLiteral("good.plinx"));
    project().save_as(good);
    const QJsonObject document = QJsonDocument::fromJson(contentsOf(good)).object();
    // Layers are listed rear to front: 0 is A, 1 is B.
    using Edit = std::function<void(QJsonArray& layers)>;
    const auto editPoint = [](int layer, int contour, int point, std::function<void(QJsonObject&)> edit) -> Edit {
        return [=](QJsonArray& layers) {
            QJsonObject l = layers[layer].toObject();
            QJsonArray contours = l[QStringLiteral("contours")].toArray();
            QJsonObject c = contours[contour].toObject();
            QJsonArray points = c[QStringLiteral("points")].toArray();
            QJsonObject p = points[point].toObject();
            edit(p);
            points[point] = p;
            c[QStringLiteral("points")] = points;
            contours[contour] = c;
            l[QStringLiteral("contours")] = contours;
            layers[layer] = l;
        };
    };
    const QJsonArray goodLayers = document[QStringLiteral("layers")].toArray();
    const QJsonValue aPoint = goodLayers[0][QStringLiteral("contours")][0][QStringLiteral("points")][0][QStringLiteral("id")];
    // The first point of B's square.
    const QJsonValue addressOfB0 = QJsonArray{goodLayers[1][QStringLiteral("id")],
                                              goodLayers[1][QStringLiteral("contours")][0][QStringLiteral("id")],
                                              goodLayers[1][QStringLiteral("contours")][0][QStringLiteral("points")][0][QStringLiteral("id")]};
    struct Case
    {
        const char* what;
        Edit edit;
        QString problem;
    };
    const std::vector<Case> cases = {
        {"an id twice", editPoint(1, 0, 1, [&](QJsonObject& p) { p[QStringLiteral("id")] = aPoint; }),
         QStringLiteral("layers[1].contours[0].points[1].id should be an id that no other contour or point has")},
        {"a master on its own layer",
         editPoint(1, 0, 1, [&](QJsonObject& p) { p[QStringLiteral("master")] = addressOfB0; }), QString()},
        {"a master that is not there",
         editPoint(1, 0, 1, [](QJsonObject& p) { p[QStringLiteral("master")] = QJsonArray{1, 999, 999}; }), QString()},
        {"a cycle",
         editPoint(0, 0, 1,
                   [&](QJsonObject& p) { p[QStringLiteral("master")] = addressOfB0; }),
         QString()},
        {"a lost parameter",
         editPoint(0, 0, 0,
                   [](QJsonObject& p) {
                       QJsonObject parameters = p[QStringLiteral("parameters")].toObject();
                       parameters.remove(QStringLiteral("weight"));
                       p[QStringLiteral("parameters")] = parameters;
                   }),
         QStringLiteral("layers[0].contours[0].points[0].parameters lacks 'weight'")},
        {"a handle on an X-spline point",
         editPoint(0, 0, 0,
                   [](QJsonObject& p) {
                       QJsonObject parameters = p[QStringLiteral("parameters")].toObject();
                       parameters[QStringLiteral("forwardX")] = QJsonArray{QStringLiteral("value=1")};
                       p[QStringLiteral("parameters")] = parameters;
                   }),
         QStringLiteral("layers[0].contours[0].points[0].parameters should be the point's parameters")},
    };
    for (const Case& c : cases) {
        QJsonObject damaged = document;
        QJsonArray layers = goodLayers;
        c.edit(layers);
        damaged[QStringLiteral("layers")] = layers;
        const QString file = path(QStringLiteral("damaged.plinx"));
        writeFile(file, QJsonDocument(damaged).toJson());
        try {
            Project opened(file);
            ADD_FAILURE() << c.what << ": opened";
        } catch (const VUVI_BadFile& error) {
            const QString text = QString::fromUtf8(error.what());
            EXPECT_TRUE(text.startsWith(QStringLiteral("Project file '%1' is damaged: ").arg(file))) << c.what;
            if (!c.problem.isEmpty()) {
                EXPECT_TRUE(text.endsWith(c.problem)) << c.what << ": " << text.toStdString();
            }
        }
    }
}

} // namespace
