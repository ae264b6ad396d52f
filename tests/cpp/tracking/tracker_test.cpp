// The tracker follows the pattern inside a layer's shape through real
// footage, forward and backward, and keys the layer's track.
#include "tracking/SquareFootage.h"

#include <Rirediro/ErrorHandling/VUVI_Error.h>

#include <Rirediro/Project/VUVI_FrameManager.h>
#include <Rirediro/Project/VUVI_PreProcManager.h>

#include <cmath>

namespace {

using namespace squarefootage;

struct Motion
{
    const char* name;
    int dx;
    int dy;
};

class Tracker : public ::testing::TestWithParam<Motion>
{
protected:
    Tracker()
        : made(writeSquareFootage(dir.path(), GetParam().dx, GetParam().dy))
        , layer(made.project->add_layer(&made.clip(), QStringLiteral("Square"), 0, 0))
    {
        // The layer's shape: a little round the square at frame 0.
        layer.add_xspline_contour(0.0f, {shapetest::xAt(Left - 4, Top - 4), shapetest::xAt(Left + Side + 4, Top - 4),
                                         shapetest::xAt(Left + Side + 4, Top + Side + 4),
                                         shapetest::xAt(Left - 4, Top + Side + 4)});
    }

    VUVI_Layer& core() { return *layer.handledObject(); }
    VUVI_PreProcManager& tracker() { return made.core().preProcManager(); }
    static Prm::Context at(int frame) { return Prm::Context(Prm::Time::fromDouble(frame), Prm::View(0), 3); }

    // The track's translation at a frame, and that it is a pure translation.
    void expectTranslation(int frame, double x, double y)
    {
        const Gan_Matrix33 m = core().transformationMatrix(at(frame));
        EXPECT_NEAR(m.xz, x, 0.5) << "frame " << frame;
        EXPECT_NEAR(m.yz, y, 0.5) << "frame " << frame;
        EXPECT_NEAR(m.xx, 1.0, 0.01);
        EXPECT_NEAR(m.xy, 0.0, 0.01);
        EXPECT_NEAR(m.yx, 0.0, 0.01);
        EXPECT_NEAR(m.yy, 1.0, 0.01);
    }

    QTemporaryDir dir;
    cliptest::ProjectOfFootage made;
    Layer layer;
};

TEST_P(Tracker, FollowsTheSquareForward)
{
    const Motion motion = GetParam();
    expectTranslation(3, 0, 0); // identity before any key
    for (int frame = 0; frame + 1 < int(FrameCount); ++frame)
        tracker().trackToNextFrame(core(), at(frame), LC::RenderOptions());
    for (int frame = 0; frame < int(FrameCount); ++frame)
        expectTranslation(frame, frame * motion.dx, frame * motion.dy);
    EXPECT_EQ(tracker().journal().size(), int(FrameCount) - 1);
    EXPECT_TRUE(tracker().journal().first().startsWith("track Square 0 -> 1 view 0 measured 1"))
        << tracker().journal().first().toStdString();
}

TEST_P(Tracker, FollowsTheSquareBackwardFromALaterReference)
{
    const Motion motion = GetParam();
    const int reference = int(FrameCount) - 1;
    // The shape was drawn round the square at frame 0: key the reference
    // frame where the square is there, and track back from it alone.
    Gan_Matrix33 atReference = gan_mat33_ident_s();
    atReference.xz = reference * motion.dx;
    atReference.yz = reference * motion.dy;
    core().setTrackKey(at(reference), atReference);
    for (int frame = reference; frame > 1; --frame)
        tracker().trackToPreviousFrame(core(), at(frame), LC::RenderOptions());
    for (int frame = 1; frame <= reference; ++frame)
        expectTranslation(frame, frame * motion.dx, frame * motion.dy);
    EXPECT_TRUE(tracker().journal().last().startsWith(QStringLiteral("track Square 2 -> 1")));
}

INSTANTIATE_TEST_SUITE_P(Footage, Tracker,
                         ::testing::Values(Motion{"Still", 0, 0}, Motion{"Right", 4, 0}, Motion{"Diagonal", 3, -2},
                                           Motion{"LeftDown", -5, 3}),
                         [](const ::testing::TestParamInfo<Motion>& info) { return std::string(info.param.name); });

TEST(TrackerKeys, HoldTheLatestEarlierKeyOfTheView)
{
    QTemporaryDir dir;
    cliptest::ProjectOfFootage made(writeSquareFootage(dir.path(), 4, 0));
    Layer layer = made.project->add_layer(&made.clip(), QStringLiteral("Empty"), 0, 0);
    VUVI_Layer& core = *layer.handledObject();
    Gan_Matrix33 shifted = gan_mat33_ident_s();
    shifted.xz = 7.0;
    core.setTrackKey(Prm::Context(Prm::Time::fromDouble(2), Prm::View(0), 3), shifted);
    EXPECT_EQ(core.transformationMatrix(Prm::Context(Prm::Time::fromDouble(1), Prm::View(0), 3)).xz, 0.0);
    EXPECT_EQ(core.transformationMatrix(Prm::Context(Prm::Time::fromDouble(4), Prm::View(0), 3)).xz, 7.0);
    EXPECT_EQ(core.transformationMatrix(Prm::Context(Prm::Time::fromDouble(4), Prm::View(1), 3)).xz, 0.0);

    // A layer without contours measures nothing: its track is kept.
    made.core().preProcManager().trackToNextFrame(core, Prm::Context(Prm::Time::fromDouble(2), Prm::View(0), 3),
                                                  LC::RenderOptions());
    EXPECT_EQ(core.transformationMatrix(Prm::Context(Prm::Time::fromDouble(3), Prm::View(0), 3)).xz, 7.0);
    EXPECT_TRUE(made.core().preProcManager().journal().last().contains(QStringLiteral("measured 0")));
}

TEST(TrackerKeys, LiveOnInTheProjectFile)
{
    QTemporaryDir dir;
    cliptest::ProjectOfFootage made(writeSquareFootage(dir.path(), 4, 0));
    Layer layer = made.project->add_layer(&made.clip(), QStringLiteral("Keyed"), 0, 0);
    Gan_Matrix33 turned{0.0, -1.0, 12.5, 1.0, 0.0, -3.25, 0.0, 0.001, 1.0};
    layer.handledObject()->setTrackKey(Prm::Context(Prm::Time::fromDouble(3), Prm::View(0), 3), turned);
    const QString file = QDir(dir.path()).filePath(QStringLiteral("tracked.plinx"));
    made.project->save_as(file);

    Project reopened(file);
    const VUVI_Layer& restored = *reopened.get_layers().front().handledObject();
    const auto flat = [](const VUVI_Layer::TrackKeys& keys) {
        std::vector<double> values;
        for (const auto& [at, m] : keys)
            values.insert(values.end(), {double(at.first), double(at.second), m.xx, m.xy, m.xz, m.yx, m.yy, m.yz,
                                         m.zx, m.zy, m.zz});
        return values;
    };
    EXPECT_EQ(flat(restored.trackKeys()), flat(layer.handledObject()->trackKeys()));
    const Gan_Matrix33 read = restored.transformationMatrix(Prm::Context(Prm::Time::fromDouble(4), Prm::View(0), 3));
    EXPECT_EQ(read.xz, 12.5);
    EXPECT_EQ(read.zy, 0.001);
}

TEST(TrackerKeys, ComeBackWithALayerWhoseRemovalIsUndone)
{
    QTemporaryDir dir;
    cliptest::ProjectOfFootage made(writeSquareFootage(dir.path(), 4, 0));
    Layer layer = made.project->add_layer(&made.clip(), QStringLiteral("Keyed"), 0, 0);
    const unsigned int id = layer.handledObject()->layerID();
    Gan_Matrix33 shifted = gan_mat33_ident_s();
    shifted.xz = 9.0;
    layer.handledObject()->setTrackKey(Prm::Context(Prm::Time::fromDouble(2), Prm::View(0), 3), shifted);
    layer.handledObject()->removeLayer();
    bool undone = false;
    made.core().commandManager()->vUnDo(undone);
    ASSERT_TRUE(undone);
    const boost::shared_ptr<VUVI_Layer> back = made.core().selectionManager()->findLayer(id, false);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->transformationMatrix(Prm::Context(Prm::Time::fromDouble(5), Prm::View(0), 3)).xz, 9.0);
}

} // namespace

TEST(TrackerFrames, AFrameThatClaimsMoreThanItsPixelsIsNeverRead)
{
    QTemporaryDir dir;
    cliptest::ProjectOfFootage made(writeSquareFootage(dir.path(), 4, 0));
    Layer layer = made.project->add_layer(&made.clip(), QStringLiteral("Square"), 0, 0);
    layer.add_xspline_contour(0.0f, {shapetest::xAt(Left, Top), shapetest::xAt(Left + Side, Top),
                                     shapetest::xAt(Left + Side, Top + Side)});
    const Prm::Context first(Prm::Time::fromDouble(0), Prm::View(0), 3);
    // The project's own frame, its description changed behind the image's
    // back (as a write racing a read of it would show it).
    const auto frame =
        made.core().frameManager().spgiGetDerivedImage(made.clip().internalClip()->clipID(), first, false, false);
    ASSERT_TRUE(frame.get());
    for (const auto& [field, value] : {std::pair{&Gan_Image::height, 100000ul}, {&Gan_Image::width, 100000ul},
                                       {&Gan_Image::stride, 1ul}}) {
        const unsigned long kept = frame.get()->*field;
        frame.get()->*field = value;
        testsupport::expectFailure<VUVI_OperationFailed>(
            [&] { made.core().preProcManager().trackToNextFrame(*layer.handledObject(), first, LC::RenderOptions()); },
            QStringLiteral("The description of frame 0 of clip 1 claims more pixels than it holds"));
        frame.get()->*field = kept;
    }
    EXPECT_NO_THROW(
        made.core().preProcManager().trackToNextFrame(*layer.handledObject(), first, LC::RenderOptions()));
}
