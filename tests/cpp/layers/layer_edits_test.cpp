// What scripts do to layers and groups: properties and their undo steps,
// colours, links, corners, clips, removal, and handles of nodes that are gone.

#include "LayerTestSupport.h"

#include "Project/wrappers/Parameter.h"
#include "Project/wrappers/ParameterSet.h"

#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>
#include <Rirediro/Project/VUVI_FrameManager.h>

#include <cmath>
#include <functional>

using namespace layertest;

namespace {

using Colour = Bsc::Colour3<float>;

constexpr float kChannel = 0.003921569f;

class LayerEdits : public LayerProject
{
};

// ---- undo steps ---------------------------------------------------------------------

struct PropertyCase
{
    const char* what;
    int steps; // undo steps the edit makes
    std::function<QString()> read;
    std::function<void()> edit;
};

void checkProperties(Rirediro::CommandManager& history, const std::vector<PropertyCase>& cases)
{
    for (const PropertyCase& c : cases) {
        const QString before = c.read();
        const int undoSteps = history.undoCount();
        c.edit();
        const QString after = c.read();
        EXPECT_NE(after, before) << c.what;
        EXPECT_EQ(history.undoCount(), undoSteps + c.steps) << c.what;
        if (c.steps == 0)
            continue;
        bool ok = false;
        history.vUnDo(ok);
        EXPECT_EQ(c.read(), before) << c.what;
        history.vReDo(ok);
        EXPECT_EQ(c.read(), after) << c.what;
    }
}

QString text(const Colour& colour)
{
    return QStringLiteral("%1 %2 %3").arg(double(colour.r)).arg(double(colour.g)).arg(double(colour.b));
}

TEST_F(LayerEdits, EachUndoablePropertyIsOneStepVisibilityAndLockNone)
{
    Layer layer = addLayer(QStringLiteral("A"));
    Layer other = addLayer(QStringLiteral("B"));
    checkProperties(history(),
                    {
                        {"name", 1, [&] { return layer.get_name(); }, [&] { layer.set_name(QStringLiteral("Renamed")); }},
                        {"matte colour", 1, [&] { return text(layer.get_matte_color()); },
                         [&] { layer.set_matte_color({0.0f, 0.5f, 1.0f}); }},
                        {"stroke colour", 1, [&] { return text(layer.get_stroke_color()); },
                         [&] { layer.set_stroke_color({1.0f, 0.0f, 0.25f}); }},
                        {"z order", 1, [&] { return QString::number(layer.get_z_order()); },
                         [&] { layer.set_z_order(1); }},
                        {"link", 1,
                         [&] {
                             const boost::optional<Layer> link = layer.get_link_to_track();
                             return link ? link->get_name() : QStringLiteral("none");
                         },
                         [&] { layer.set_link_to_track(other); }},
                        {"visibility", 0, [&] { return QString::number(layer.get_visibility()); },
                         [&] { layer.set_visibility(false); }},
                        {"lock", 0, [&] { return QString::number(layer.get_locked()); },
                         [&] { layer.set_locked(true); }},
                    });

    LayerGroup group = addGroup(QStringLiteral("G"));
    checkProperties(history(),
                    {
                        {"group name", 1, [&] { return group.get_name(); },
                         [&] { group.set_name(QStringLiteral("Renamed group")); }},
                        {"group matte colour", 1, [&] { return text(group.get_matte_color()); },
                         [&] { group.set_matte_color({0.0f, 0.0f, 1.0f}); }},
                        {"group stroke colour", 1, [&] { return text(group.get_stroke_color()); },
                         [&] { group.set_stroke_color({0.0f, 1.0f, 0.0f}); }},
                        {"group z order", 1, [&] { return QString::number(group.get_z_order()); },
                         [&] { group.set_z_order(0); }},
                        {"group visibility", 0, [&] { return QString::number(group.get_visibility()); },
                         [&] { group.set_visibility(false); }},
                        {"group lock", 0, [&] { return QString::number(group.get_locked()); },
                         [&] { group.set_locked(true); }},
                    });
}

TEST_F(LayerEdits, ANewLayerIsOneStepWhoseUndoKillsItsHandles)
{
    const int steps = history().undoCount();
    Layer layer = project().add_layer(&clip(), QStringLiteral("New layer"), 3, 0);
    EXPECT_EQ(history().undoCount(), steps + 1);
    const unsigned int id = layer.handledObject()->layerID();
    EXPECT_EQ(layer.in_point(), 3u);
    EXPECT_EQ(layer.out_point(), project().get_length() - 1);

    undo();
    EXPECT_TRUE(layer.isNull());
    expectFailure<VUVI_BadState>([&] { layer.get_name(); }, QStringLiteral("Invalid object"));
    redo();
    EXPECT_TRUE(layer.isNull());
    ASSERT_EQ(project().get_layers().size(), 1);
    const Layer again = project().get_layers().front();
    EXPECT_EQ(again.handledObject()->layerID(), id);
    EXPECT_EQ(again.get_name(), QStringLiteral("New layer"));
    EXPECT_EQ(again.in_point(), 3u);
}

TEST_F(LayerEdits, AddingALayerChecksItsClipAndFallsBackToTheDefaultView)
{
    project().set_views({ViewInfo(QStringLiteral("Left"), QStringLiteral("L"), {1.0f, 1.0f, 1.0f}),
                         ViewInfo(QStringLiteral("Right"), QStringLiteral("R"), {1.0f, 1.0f, 1.0f})});
    Layer layer = project().add_layer(&clip(), QStringLiteral("Both"), 0, 7);
    EXPECT_EQ(layer.handledObject()->views(), std::vector<Prm::View>({Prm::View(0), Prm::View(1)}));
    EXPECT_EQ(history().journal().last(), QStringLiteral("executeAndLog New layer at 0 in view 0"));

    const int steps = history().undoCount();
    Clip detached(m_made.firstFile, QStringLiteral("Elsewhere"), true, 0, 0, 0, nullptr);
    expectFailure<VUVI_BadState>([&] { project().add_layer(&detached, QStringLiteral("X"), 0, 0); },
                                 QStringLiteral("Clip is not attached to this project"));
    expectFailure<VUVI_BadState>([&] { project().add_layer(nullptr, QStringLiteral("X"), 0, 0); },
                                 QStringLiteral("Invalid object"));
    EXPECT_EQ(history().undoCount(), steps);
    EXPECT_EQ(tree(), QStringLiteral("Both"));
}

// ---- colours --------------------------------------------------------------------------

TEST_F(LayerEdits, ColoursAreEightBitChannels)
{
    Layer layer = addLayer(QStringLiteral("A"));
    layer.set_matte_color({1.0f, 0.5f, 0.0f});
    EXPECT_EQ(layer.handledObject()->matteColor(), QColor(255, 127, 0, 255));
    const Colour read = layer.get_matte_color();
    EXPECT_EQ(read.r, 255 * kChannel);
    EXPECT_EQ(read.r, 1.0f);
    EXPECT_EQ(read.g, 127 * kChannel);
    EXPECT_EQ(read.b, 0.0f);

    LayerGroup group = addGroup(QStringLiteral("G"));
    group.handledObject()->setMatteColor(QColor(255, 128, 0));
    EXPECT_NEAR(group.get_matte_color().g, 0.50196f, 1e-5f);
}

// Reading a colour and writing it back keeps every channel.
TEST_F(LayerEdits, EveryChannelSurvivesAReadAndAWrite)
{
    Layer layer = addLayer(QStringLiteral("A"));
    Rirediro::LayerBase& core = *layer.handledObject();
    for (int channel = 0; channel < 256; ++channel) {
        core.setStrokeColor(QColor(channel, 255 - channel, channel / 2));
        layer.set_stroke_color(layer.get_stroke_color());
        EXPECT_EQ(core.strokeColor(), QColor(channel, 255 - channel, channel / 2)) << channel;
    }
}

// A colour change finds its node again by id: it survives an undone
// removal, and does nothing once the node is gone for good.
TEST_F(LayerEdits, AColourChangeFollowsItsLayerThroughRemovalAndBack)
{
    Layer layer = addLayer(QStringLiteral("A"));
    const QColor original = layer.handledObject()->matteColor();
    layer.set_matte_color({0.0f, 0.0f, 1.0f});
    layer.remove();
    undo(); // the removal
    ASSERT_EQ(project().get_layers().size(), 1);
    Layer back = project().get_layers().front();
    EXPECT_EQ(back.handledObject()->matteColor(), QColor(0, 0, 255));
    undo(); // the colour
    EXPECT_EQ(back.handledObject()->matteColor(), original);
    redo();
    EXPECT_EQ(back.handledObject()->matteColor(), QColor(0, 0, 255));
}

// ---- links ------------------------------------------------------------------------------

TEST_F(LayerEdits, ALinkNamesAnotherLayerItselfOrNone)
{
    Layer layer = addLayer(QStringLiteral("A"));
    Layer other = addLayer(QStringLiteral("B"));
    VUVI_Layer& core = *layer.handledObject();
    const Prm::View view(Prm::View::defaultViewId());
    EXPECT_FALSE(layer.get_link_to_track());

    layer.set_link_to_track(other);
    EXPECT_EQ(*layer.get_link_to_track(), other);
    EXPECT_TRUE(core.linkToTrackParameter().value(view));
    EXPECT_EQ(core.linkedLayerParameter().value(view), int(other.handledObject()->layerID()));

    layer.set_link_to_track(boost::none);
    EXPECT_FALSE(layer.get_link_to_track());
    EXPECT_FALSE(core.linkToTrackParameter().value(view));
    EXPECT_EQ(core.linkedLayerParameter().value(view), int(core.layerID()));

    layer.set_link_to_track(layer);
    EXPECT_EQ(*layer.get_link_to_track(), layer);
    // The same parameters through handles rooted at the layer.
    EXPECT_EQ(layer.parameter({QStringLiteral("linkToTrack")}).get(), QVariant(true));
    EXPECT_EQ(layer.parameter({QStringLiteral("linkedLayerID")}).get(), QVariant(int(core.layerID())));
    QStringList parameters;
    for (const Parameter& parameter : layer.parameter_set().get_parameters())
        parameters << parameter.get_name_components().join(QLatin1Char('.'));
    EXPECT_EQ(parameters, QStringList({"inPoint", "outPoint", "linkToTrack", "linkedLayerID"}));

    layer.set_link_to_track(other);
    other.remove();
    EXPECT_FALSE(layer.get_link_to_track());
    expectFailure<VUVI_BadState>([&] { layer.set_link_to_track(other); }, QStringLiteral("Invalid object"));
}

// ---- places, corners and clips -------------------------------------------------------

TEST_F(LayerEdits, CornersFollowTheFrameAndRefuseAFifth)
{
    Layer layer = addLayer(QStringLiteral("A"));
    const Gan_Matrix33 m = layer.get_transform_matrix(2.0f);
    EXPECT_EQ(std::vector<double>({m.xx, m.xy, m.xz, m.yx, m.yy, m.yz, m.zx, m.zy, m.zz}),
              std::vector<double>({1, 0, 0, 0, 1, 0, 0, 0, 1}));
    const QList<QList<float>> corners{{0, 0}, {footage::Width, 0}, {footage::Width, footage::Height},
                                      {0, footage::Height}};
    for (unsigned int corner = 0; corner < 4; ++corner)
        EXPECT_EQ(layer.get_surface_position(corner, 0.0f), corners[int(corner)]) << corner;

    expectFailure<VUVI_AssertionFailed>([&] { layer.get_surface_position(4, 0.0f); },
                                        QStringLiteral("point_index '4' out of range [0, 3]"));
    const VUVI_ErrorDetector::Failure failure = VUVI_ErrorDetector::instance()->lastFailure();
    EXPECT_EQ(failure.sourceFile, QStringLiteral("../Project/wrappers/Layer"));
    EXPECT_EQ(failure.line, 298);
    EXPECT_EQ(failure.conditionText, QStringLiteral("point_index < 4"));
}

TEST_F(LayerEdits, TheTrackingClipIsTheLayersOrItsLinkedLayersOrNone)
{
    const QString other = footage::writeSequence(m_dir.filePath(QStringLiteral("other")), QStringLiteral("o"), 1, 3);
    Clip source(other, QStringLiteral("Source"), true, 0, 0, 0, nullptr);
    Clip* second = project().add_clip(&source, QStringLiteral("Second"));
    Layer onPlate = addLayer(QStringLiteral("A"));
    Layer onSecond = project().add_layer(second, QStringLiteral("B"), 0, 0);

    onPlate.set_link_to_track(onSecond);
    EXPECT_EQ(onPlate.tracking_input_clip(false)->get_id(), clip().get_id());
    EXPECT_EQ(onPlate.tracking_input_clip(true)->get_id(), second->get_id());
    EXPECT_EQ(onSecond.tracking_input_clip(true)->get_id(), second->get_id());
    Clip* made = onPlate.tracking_input_clip(false);
    EXPECT_EQ(made->parent(), project().projectManager().get());

    // Without its clip a layer has none to track.
    ASSERT_TRUE(core().frameManager().deleteClip(second->get_id()));
    EXPECT_EQ(onSecond.tracking_input_clip(false), nullptr);
    EXPECT_EQ(onPlate.tracking_input_clip(true), nullptr);
}

// ---- selection outside the application ---------------------------------------------

TEST_F(LayerEdits, SelectionIsForTheApplicationOnly)
{
    Layer layer = addLayer(QStringLiteral("A"));
    const QString message = QStringLiteral("This property is not available outside Plinx application");
    expectFailure<VUVI_NotImplemented>([&] { layer.get_selected(); }, message);
    expectFailure<VUVI_NotImplemented>([&] { layer.set_selected(true); }, message);
}

// ---- removal and dead handles ---------------------------------------------------------

TEST_F(LayerEdits, ARemovedLayerIsGoneUntilItsRemovalIsUndone)
{
    Layer a = addLayer(QStringLiteral("A"));
    Layer b = addLayer(QStringLiteral("B"));
    LayerGroup group = addGroup(QStringLiteral("G"), {a, b});
    a.set_name(QStringLiteral("Named"));
    a.set_locked(true);
    const unsigned int id = a.handledObject()->layerID();
    const int steps = history().undoCount();
    a.remove();
    EXPECT_EQ(history().undoCount(), steps + 1);
    EXPECT_TRUE(a.isNull());
    EXPECT_EQ(tree(), QStringLiteral("[G: B]"));

    undo();
    EXPECT_TRUE(a.isNull()); // the layer is made anew
    EXPECT_EQ(tree(), QStringLiteral("[G: Named B]"));
    const Layer back = group.get_layers().front();
    EXPECT_EQ(back.handledObject()->layerID(), id);
    EXPECT_TRUE(back.get_locked());
    redo();
    EXPECT_EQ(tree(), QStringLiteral("[G: B]"));
}

TEST_F(LayerEdits, EveryCallOnAGoneLayerOrGroupIsAnInvalidObject)
{
    Layer layer = addLayer(QStringLiteral("A"));
    LayerGroup group = addGroup(QStringLiteral("G"));
    const Layer alive = addLayer(QStringLiteral("B"));
    const LayerGroup aliveGroup = addGroup(QStringLiteral("H"));
    layer.remove();
    group.handledObject()->parentGroup()->removeChild(*group.handledObject());
    ASSERT_TRUE(group.isNull());

    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"name", [&] { layer.get_name(); }},
        {"set_name", [&] { layer.set_name(QStringLiteral("x")); }},
        {"visibility", [&] { layer.set_visibility(true); }},
        {"colour", [&] { layer.set_matte_color({}); }},
        {"z", [&] { layer.set_z_order(0); }},
        {"parent", [&] { layer.set_parent(nullptr, 0); }},
        {"into a gone group", [&] { Layer(alive).set_parent(&group, 0); }},
        {"link", [&] { layer.get_link_to_track(); }},
        {"corner", [&] { layer.get_surface_position(9, 0.0f); }},
        {"clip", [&] { layer.tracking_input_clip(false); }},
        {"remove", [&] { layer.remove(); }},
        {"==", [&] { (void)(layer == alive); }},
        {"== the other way", [&] { (void)(alive == layer); }},
        {"hash", [&] { qHash(layer); }},
        {"parameter", [&] { layer.parameter({QStringLiteral("inPoint")}); }},
        {"group parameters", [&] { group.parameter_set(); }},
        {"group name", [&] { group.get_name(); }},
        {"group layers", [&] { group.get_layers(); }},
        {"group insert", [&] { group.insert_child(alive, 0); }},
        {"group ==", [&] { (void)(group == aliveGroup); }},
        {"null layer", [&] { Layer().get_z_order(); }},
        {"null group", [&] { LayerGroup().get_locked(); }},
    };
    const QString before = tree();
    for (const auto& call : calls) {
        SCOPED_TRACE(call.first);
        expectFailure<VUVI_BadState>(call.second, QStringLiteral("Invalid object"));
    }
    EXPECT_EQ(tree(), before);
    EXPECT_TRUE(layer == layer); // the same handle, never looked at
}

TEST_F(LayerEdits, HandlesOnOneLayerAreEqualAndHashAlike)
{
    Layer layer = addLayer(QStringLiteral("A"));
    const Layer copy(layer);
    const Layer found = project().find_layers(QStringLiteral("A")).front();
    EXPECT_EQ(copy, layer);
    EXPECT_EQ(found, layer);
    EXPECT_EQ(qHash(found), qHash(layer));
    EXPECT_NE(addLayer(QStringLiteral("A")), layer);

    LayerGroup group = addGroup(QStringLiteral("G"));
    EXPECT_EQ(project().get_groups().front(), group);
}

} // namespace
