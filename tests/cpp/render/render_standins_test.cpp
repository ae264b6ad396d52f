// The core's render stand-ins on real footage: output clips written into the
// project's output folder, what each post-processing render puts into a
// frame, and the mattes the clip-saving helper writes.
#include "mediaio/FakeImageModule.h"
#include "tracking/SquareFootage.h"

#include <Rirediro/Clips/VUVI_BaseClip.h>
#include <Rirediro/Clips/VUVI_Clip.h>
#include <Rirediro/ErrorHandling/VUVI_Error.h>
#include <Rirediro/Export/ClipSaveHelper.h>
#include <Rirediro/Project/ProjectProperties.h>
#include <Rirediro/Project/VUVI_FrameManager.h>
#include <Rirediro/Project/VUVI_PostProcManager.h>
#include <Rirediro/Project/VUVI_PreProcManager.h>
#include <Rirediro/Render/RenderFunctor.h>

#include <Dururev/Dururev.h>
#include <Prm/Views.h>
#include <TQI/ImageIO_Router.h>
#include <TQ/ClipInfo.h>

#include <QFileInfo>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

using namespace squarefootage;
using Pixel = std::array<int, 3>;

constexpr int Step = 4; // the square moves 4 px right per frame

Prm::Context at(int frame, int view = 0)
{
    return Prm::Context(Prm::Time::fromDouble(frame), Prm::View(view), 3);
}

Pixel pixelAt(const Dururev::FrameImage& image, int x, int y)
{
    const unsigned char* p = &image.pixels[(std::size_t(y) * image.width + x) * image.channels];
    return image.channels >= 3 ? Pixel{p[0], p[1], p[2]} : Pixel{p[0], p[0], p[0]};
}

// Mean absolute difference of the first channel of two images over a rectangle.
double meanDifference(const Dururev::FrameImage& a, const Dururev::FrameImage& b, int left, int top, int side)
{
    double sum = 0;
    for (int y = top; y < top + side; ++y)
        for (int x = left; x < left + side; ++x)
            sum += std::abs(pixelAt(a, x, y)[0] - pixelAt(b, x, y)[0]);
    return sum / (side * side);
}

double standardDeviation(const Dururev::FrameImage& image, int left, int top, int side)
{
    double sum = 0;
    double squares = 0;
    for (int y = top; y < top + side; ++y) {
        for (int x = left; x < left + side; ++x) {
            const double v = pixelAt(image, x, y)[0];
            sum += v;
            squares += v * v;
        }
    }
    const double n = side * side;
    return std::sqrt(std::max(0.0, squares / n - (sum / n) * (sum / n)));
}

// A project of the moving square with a layer round it, tracked through all
// frames, rendering into a folder of its own as PNG.
class RenderStandIns : public ::testing::Test
{
protected:
    RenderStandIns()
        : made(writeSquareFootage(footageDir.path(), Step, 0))
        , layer(made.project->add_layer(&made.clip(), QStringLiteral("Square"), 0, 0))
    {
        layer.add_xspline_contour(0.0f, {shapetest::xAt(Left - 4, Top - 4), shapetest::xAt(Left + Side + 4, Top - 4),
                                         shapetest::xAt(Left + Side + 4, Top + Side + 4),
                                         shapetest::xAt(Left - 4, Top + Side + 4)});
        made.core().vSetOutputDirectory(outputDir.path());
        made.core().setDefaultFileExtension(QStringLiteral(".png"));
        for (int frame = 0; frame + 1 < int(FrameCount); ++frame)
            made.core().preProcManager().trackToNextFrame(square(), at(frame), LC::RenderOptions());
    }

    VUVI_Layer& square() { return *layer.handledObject(); }
    VUVI_FrameManager& frames() { return made.core().frameManager(); }
    VUVI_PostProcManager& renderer() { return made.core().postProcManager(); }
    const TQ::IClip& plate() { return *frames().clip(made.clip().get_id()); }

    Dururev::FrameImage read(const QString& file)
    {
        Dururev::FrameImage image;
        EXPECT_TRUE(Dururev::readFrame(file, 0, image, true)) << file.toStdString();
        return image;
    }
    Dururev::FrameImage rendered(TQ::ClipID clip, int frame) { return read(frames().outputFileForFrame(clip, at(frame))); }
    Dururev::FrameImage input(int frame) { return squareFrame(unsigned(frame), Step, 0); }

    QTemporaryDir footageDir;
    QTemporaryDir outputDir;
    cliptest::ProjectOfFootage made;
    Layer layer;
};

TEST_F(RenderStandIns, OutputClipsAreUniquelyNamedSequencesInTheOutputFolder)
{
    TQ::ClipIDParameter first;
    TQ::ClipIDParameter second;
    VUVI_Clip* a = frames().createOutputClip(plate(), first, QStringLiteral("Insert"));
    VUVI_Clip* b = frames().createOutputClip(plate(), second, QStringLiteral("Insert"));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->name(), QStringLiteral("Insert 1"));
    EXPECT_EQ(b->name(), QStringLiteral("Insert 2"));
    EXPECT_EQ(first.value(Prm::View()), a->clipID());
    EXPECT_EQ(second.value(Prm::View()), b->clipID());
    EXPECT_TRUE(frames().clips().contains(a));
    EXPECT_EQ(a->baseClipID(), plate().baseClipID());
    EXPECT_EQ(frames().outputFileForFrame(a->clipID(), at(3)), QDir(outputDir.path()).filePath("Insert_1_0003.png"));

    // Files already in the folder take their name too: a new project's
    // first insert does not overwrite an earlier render.
    ASSERT_TRUE(Dururev::writeImage(QDir(outputDir.path()).filePath("Remove_1_0000.png"), input(0)));
    TQ::ClipIDParameter third;
    EXPECT_EQ(frames().createOutputClip(plate(), third, QStringLiteral("Remove"))->name(), QStringLiteral("Remove 2"));

    EXPECT_EQ(frames().registerDerivedClip(frames().clipMaker(), 99, plate().clipInfo(), "Nothing", false, 0), 0u);
}

TEST_F(RenderStandIns, OutputClipsLiveOnInTheProjectFile)
{
    const TQ::ClipID id = frames().createStabiliseOutputClip(square(), made.core().projectProperties().views())->clipID();
    renderer().stabiliseLayer(square(), at(2));
    const QString file = QDir(footageDir.path()).filePath(QStringLiteral("rendered.plinx"));
    made.project->save_as(file);

    Project reopened(file);
    Clip* clip = reopened.get_clips().value(QStringLiteral("Stabilise 1"));
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->get_id(), id);
    VUVI_FrameManager& reopenedFrames = reopened.projectManager()->frameManager();
    EXPECT_EQ(reopenedFrames.outputFileForFrame(id, at(2)), frames().outputFileForFrame(id, at(2)));
    EXPECT_TRUE(reopenedFrames.spgiGetDerivedImage(id, at(2), false, false).get()); // the frame rendered
    EXPECT_FALSE(reopenedFrames.spgiGetDerivedImage(id, at(3), false, false).get()); // one not rendered
}

TEST_F(RenderStandIns, ClipViewsGetStreamsOfTheirOwn)
{
    made.core().projectProperties().views()->assign(
        {{Prm::View(0), {QStringLiteral("Left"), QStringLiteral("L")}},
         {Prm::View(1), {QStringLiteral("Right"), QStringLiteral("R")}}});
    TQ::ClipIDParameter output;
    const TQ::ClipID id = frames().createOutputClip(plate(), output, QStringLiteral("Insert"))->clipID();
    frames().createClipViews(id, made.core().projectProperties().views());
    EXPECT_EQ(frames().outputFileForFrame(id, at(2, 0)), QDir(outputDir.path()).filePath("Insert_1_0002.png"));
    EXPECT_EQ(frames().outputFileForFrame(id, at(2, 1)), QDir(outputDir.path()).filePath("Insert_1_0002_R.png"));
}

TEST_F(RenderStandIns, StabilisedFramesHoldTheSquareStill)
{
    VUVI_Clip* output = frames().createStabiliseOutputClip(square(), made.core().projectProperties().views());
    ASSERT_TRUE(output);
    EXPECT_EQ(square().stabiliseClipParameters().outputClipID().value(Prm::View()), output->clipID());
    for (int frame = 0; frame < int(FrameCount); ++frame)
        renderer().stabiliseLayer(square(), at(frame));

    const int last = int(FrameCount) - 1;
    // Unstabilised, the square has moved far from where it was...
    EXPECT_GT(meanDifference(input(last), input(0), Left + 5, Top + 5, Side - 10), 40.0);
    // ...stabilised, every frame shows it where frame 0 does.
    for (int frame = 1; frame <= last; ++frame)
        EXPECT_LT(meanDifference(rendered(output->clipID(), frame), input(0), Left + 5, Top + 5, Side - 10), 8.0)
            << "frame " << frame;
}

TEST_F(RenderStandIns, InsertPaintsTheTrackedShapeOnAFreshSurface)
{
    const TQ::ClipID output =
        frames().createOutputClip(plate(), square().insertParameters().outputClipID(), "Insert")->clipID();
    square().setMatteColor(Qt::red);
    const int frame = 3;
    renderer().vUndoRenderSurface(square(), Prm::Context::Explicit(at(frame)), 1, false, true);
    renderer().renderInsertLayer(square(), Prm::Context::Explicit(at(frame)));

    const Dururev::FrameImage inserted = rendered(output, frame);
    const int moved = frame * Step;
    EXPECT_EQ(pixelAt(inserted, Left + Side / 2 + moved, Top + Side / 2), (Pixel{255, 0, 0})); // inside, tracked
    EXPECT_EQ(pixelAt(inserted, Left + Side + moved + 2, Top + 10), (Pixel{255, 0, 0}));     // the margin too
    EXPECT_EQ(pixelAt(inserted, 3, 3), pixelAt(input(frame), 3, 3));                         // outside kept
    EXPECT_EQ(pixelAt(inserted, Left + Side + moved + 10, Top + 10), pixelAt(input(frame), Left + Side + moved + 10, Top + 10));

    // A second insert adds to the frame; undoing the surface starts it afresh.
    square().setMatteColor(Qt::blue);
    renderer().renderInsertLayer(square(), Prm::Context::Explicit(at(frame)));
    EXPECT_EQ(pixelAt(rendered(output, frame), Left + Side / 2 + moved, Top + Side / 2), (Pixel{0, 0, 255}));
    renderer().vUndoRenderSurface(square(), Prm::Context::Explicit(at(frame)), 1, false, true);
    EXPECT_EQ(rendered(output, frame).pixels, input(frame).pixels);
}

TEST_F(RenderStandIns, LayersWithoutAnOutputClipShareTheOneBeforeThem)
{
    const TQ::ClipID output =
        frames().createOutputClip(plate(), square().insertParameters().outputClipID(), "Insert")->clipID();
    Layer corner = made.project->add_layer(&made.clip(), QStringLiteral("Corner"), 0, 0);
    corner.add_xspline_contour(0.0f, {shapetest::xAt(0, 0), shapetest::xAt(10, 0), shapetest::xAt(10, 10),
                                      shapetest::xAt(0, 10)});
    VUVI_Layer& second = *corner.handledObject();
    square().setMatteColor(Qt::red);
    second.setMatteColor(Qt::green);
    const auto context = Prm::Context::Explicit(at(1));
    for (VUVI_Layer* layer : {&square(), &second})
        renderer().vUndoRenderSurface(*layer, context, 1, false, true);
    for (VUVI_Layer* layer : {&square(), &second})
        renderer().renderInsertLayer(*layer, context);
    const Dururev::FrameImage inserted = rendered(output, 1);
    EXPECT_EQ(pixelAt(inserted, Left + Side / 2 + Step, Top + Side / 2), (Pixel{255, 0, 0}));
    EXPECT_EQ(pixelAt(inserted, 5, 5), (Pixel{0, 255, 0}));
    EXPECT_EQ(frames().clips().size(), 2);
}

TEST_F(RenderStandIns, ARenderWritesItsOwnClipsWhateverTheParametersSayMeanwhile)
{
    LC::RenderClipParameters& parameters = square().removeClipParameters();
    Rirediro::RemoveRenderFunctor::setCumulativeRenderingEnabled(false);
    struct Remove : Rirediro::RemoveRenderFunctor
    {
        using RemoveRenderFunctor::RemoveRenderFunctor;
        void renderFrame() override {}
    } functor(made.core(), Rirediro::RenderFunctor::CurrentFrame, false, {}, {});
    const TQ::ClipID own = frames().createOutputClip(plate(), parameters.outputClipID(), "Remove")->clipID();
    {
        VUVI_PostProcManager::RenderOutputs render(renderer());
        EXPECT_EQ(render.add(parameters).value(Prm::View()), own);
        // Another render makes the layer's output clip its own, here nested.
        TQ::ClipID other = 0;
        {
            VUVI_PostProcManager::RenderOutputs nested(renderer());
            other = frames().createOutputClip(plate(), parameters.outputClipID(), "Remove")->clipID();
            nested.add(parameters);
            renderer().fillLayerPixels(square(), at(1));
        }
        ASSERT_NE(other, own);
        EXPECT_EQ(renderer().outputClip(parameters, Prm::View()), own);
        renderer().fillLayerPixels(square(), at(2));
        // A parameter set the render did not note writes into its first clip.
        EXPECT_EQ(renderer().outputClip(square().insertParameters(), Prm::View()), own);
        EXPECT_TRUE(frames().hasOutputFrame(own, at(2)) && frames().hasOutputFrame(other, at(1)));
        EXPECT_FALSE(frames().hasOutputFrame(own, at(1)) || frames().hasOutputFrame(other, at(2)));
        functor.clearOutputImage(square(), at(2), {Prm::View(0)});
        EXPECT_FALSE(frames().hasOutputFrame(own, at(2)));
        EXPECT_TRUE(frames().hasOutputFrame(other, at(1)));
    }
    // Out of the render, the parameters speak again.
    EXPECT_FALSE(renderer().rendering());
    EXPECT_NE(renderer().outputClip(parameters, Prm::View()), own);
}

TEST_F(RenderStandIns, InsertClipIsCarriedByTheTrack)
{
    const TQ::ClipID output =
        frames().createOutputClip(plate(), square().insertParameters().outputClipID(), "Insert")->clipID();
    square().insertParameters().insertClipID().setValue(made.clip().get_id(), Prm::View());
    const int frame = 3;
    const int moved = frame * Step;
    renderer().vUndoRenderSurface(square(), Prm::Context::Explicit(at(frame)), 1, false, true);
    renderer().renderInsertLayer(square(), Prm::Context::Explicit(at(frame)));

    // Inside the tracked shape each pixel shows the insert frame's pixel
    // the track carried there: the picture moved right by the track.
    const Dururev::FrameImage inserted = rendered(output, frame);
    Dururev::FrameImage carried = input(frame);
    for (int y = 0; y < FrameHeight; ++y)
        for (int x = FrameWidth - 1; x >= moved; --x)
            for (int c = 0; c < 3; ++c)
                carried.pixels[(std::size_t(y) * FrameWidth + x) * 3 + c] =
                    carried.pixels[(std::size_t(y) * FrameWidth + x - moved) * 3 + c];
    EXPECT_LT(meanDifference(inserted, carried, Left + moved + 5, Top + 5, Side - 10), 8.0);
    EXPECT_GT(meanDifference(inserted, input(frame), Left + moved + 5, Top + 5, Side - 10), 40.0);
}

TEST_F(RenderStandIns, FillRemovesTheTrackedSquareAndKeepsTheRest)
{
    const TQ::ClipID output =
        frames().createOutputClip(plate(), square().removeClipParameters().outputClipID(), "Remove")->clipID();
    const int frame = 2;
    const int moved = frame * Step;
    renderer().fillLayerPixels(square(), at(frame));
    const Dururev::FrameImage filled = rendered(output, frame);
    EXPECT_GT(standardDeviation(input(frame), Left + moved + 5, Top + 5, Side - 10), 40.0);
    EXPECT_LT(standardDeviation(filled, Left + moved + 5, Top + 5, Side - 10), 10.0);
    EXPECT_EQ(pixelAt(filled, 2, 2), pixelAt(input(frame), 2, 2));

    // Clearing the output image forgets the frame, so the next fill starts
    // from the input again.
    Rirediro::RemoveRenderFunctor::setCumulativeRenderingEnabled(false);
    struct Remove : Rirediro::RemoveRenderFunctor
    {
        using RemoveRenderFunctor::RemoveRenderFunctor;
        void renderFrame() override {}
    } functor(made.core(), Rirediro::RenderFunctor::CurrentFrame, false, {}, {});
    ASSERT_TRUE(frames().hasOutputFrame(output, at(frame)));
    functor.clearOutputImage(square(), at(frame), {Prm::View(0)});
    EXPECT_FALSE(frames().hasOutputFrame(output, at(frame)));
}

TEST_F(RenderStandIns, HorizonTurnsByTheReorientAngle)
{
    LC::ReorientParameterSet& reorient = made.clip().internalClip()->baseClip().reorientParameters();
    const TQ::ClipID output = frames().createOutputClip(plate(), reorient.outputClipID(), "Reorient")->clipID();
    renderer().stabilizeHorizon(plate(), at(1), 1);
    EXPECT_EQ(rendered(output, 1).pixels, input(1).pixels); // no angle: a copy

    reorient.angle().setValue(180.0, Prm::View());
    renderer().stabilizeHorizon(plate(), at(1), 1);
    const Dururev::FrameImage turned = rendered(output, 1);
    for (const auto& [x, y] : {std::pair{Left + 10, Top + 10}, std::pair{Left + 25, Top + 31}})
        EXPECT_EQ(pixelAt(turned, FrameWidth - 1 - x, FrameHeight - 1 - y), pixelAt(input(1), x, y));
}

TEST_F(RenderStandIns, OutputFramesGoThroughTheImageWriterOfTheirExtension)
{
    static mediaiotest::FakeModule* writer = [] {
        auto* module = new mediaiotest::FakeModule(".fkw", Dururev::ImageIOModule::SequenceReader);
        Dururev::imageSuite(true)->registerModule(module); // the router keeps it for the process
        return module;
    }();
    writer->saved.clear();
    made.core().setDefaultFileExtension(QStringLiteral(".fkw"));
    VUVI_Clip* output = frames().createStabiliseOutputClip(square(), made.core().projectProperties().views());
    renderer().stabiliseLayer(square(), at(2));
    ASSERT_EQ(writer->saved.size(), 1u);
    EXPECT_EQ(writer->saved[0].first, frames().outputFileForFrame(output->clipID(), at(2)));
    EXPECT_TRUE(writer->saved[0].first.endsWith("Stabilise_1_0002.fkw"));
    EXPECT_EQ(writer->saved[0].second.size(), std::size_t(FrameWidth) * FrameHeight * 3);
}

TEST_F(RenderStandIns, RefusedRendersFailAsTheCoreDoesAndWriteNothing)
{
    // No output clip.
    EXPECT_THROW(renderer().stabiliseLayer(square(), at(0)), VUVI_OperationFailed);
    EXPECT_THROW(renderer().renderInsertLayer(square(), Prm::Context::Explicit(at(0))), VUVI_OperationFailed);
    // A horizon angle the kernels refuse.
    LC::ReorientParameterSet& reorient = made.clip().internalClip()->baseClip().reorientParameters();
    const TQ::ClipID output = frames().createOutputClip(plate(), reorient.outputClipID(), "Reorient")->clipID();
    reorient.angle().setValue(std::nan(""), Prm::View());
    EXPECT_THROW(renderer().stabilizeHorizon(plate(), at(1), 1), VUVI_OperationFailed);
    EXPECT_FALSE(frames().hasOutputFrame(output, at(1)));
}

TEST_F(RenderStandIns, ActiveFramesAndModulesOfANewLayer)
{
    EXPECT_TRUE(square().bUsesModule(TQ_MODULE_TRACK, true));
    EXPECT_FALSE(square().bUsesModule(TQ_MODULE_INSERT, true));
    EXPECT_EQ(square().matteClipParameter().value(Prm::View()), made.clip().get_id());
    EXPECT_EQ(square().removeClipParameters().inputClipID().value(Prm::View()), made.clip().get_id());

    square().inPointParameter().setValue(2, Prm::View());
    square().outPointParameter().setValue(4, Prm::View());
    for (const auto& [frame, active] : {std::pair{1, false}, {2, true}, {4, true}, {5, false}})
        EXPECT_EQ(square().isActiveInFrame(at(frame)), active) << "frame " << frame;

    EXPECT_TRUE(frames().bIsFirstFrame(Prm::Frame::fromUInt(0)));
    EXPECT_FALSE(frames().bIsFirstFrame(Prm::Frame::fromUInt(1)));
    EXPECT_TRUE(frames().bIsLastFrame(Prm::Frame::fromUInt(FrameCount - 1)));
    EXPECT_FALSE(frames().bIsLastFrame(Prm::Frame::fromUInt(FrameCount - 2)));
}

// ---- mattes -------------------------------------------------------------------------

struct MatteCase
{
    const char* name;
    bool byLayer;
    bool byMatteColour;
    Pixel first;  // the first layer's colour
    Pixel second; // the second's
};

class Mattes : public RenderStandIns, public ::testing::WithParamInterface<MatteCase>
{
};

TEST_P(Mattes, AreTheTrackedShapesOnBlackInNumberedFiles)
{
    const MatteCase c = GetParam();
    square().setMatteColor(QColor(0, 0, 255));
    Layer corner = made.project->add_layer(&made.clip(), QStringLiteral("Corner"), 0, 0);
    corner.add_xspline_contour(0.0f, {shapetest::xAt(0, 0), shapetest::xAt(10, 0), shapetest::xAt(10, 10),
                                      shapetest::xAt(0, 10)});
    corner.handledObject()->setMatteColor(QColor(0, 255, 0));

    Rirediro::ExportClipParams params;
    params.eClipID = made.clip().get_id();
    params.addLayerToExport(layer.handledObject());
    params.addLayerToExport(corner.handledObject());
    params.setClipPath(outputDir.path());
    params.setClipPrefix(Bsc::FSPercentEscapedString(QStringLiteral("m_"), 0));
    params.setClipSuffix(Bsc::FSPercentEscapedString(QStringLiteral("_s"), 0));
    params.setClipExtension(QStringLiteral(".png"));
    params.setClipIndexWidth(3);
    params.setFirstFileNumber(7);
    params.setViewsToExport({Prm::View(0)}, made.core().projectProperties().views(), false);
    Rirediro::ClipSaveHelper saver;
    saver.setupChannelsAndFormat(params, plate().clipInfo(), true, false, false, c.byLayer, c.byMatteColour);
    const unsigned int offset = unsigned(made.core().projectProperties().firstFrameOffset());
    saver.populateClipIndices(params, made.core(), offset, offset + 2, false);
    ASSERT_TRUE(saver.prepareToSaveClip(made.core(), params, true, 3));
    saver.doSaveClip(made.core(), params, 3);

    EXPECT_EQ(QDir(outputDir.path()).entryList(QDir::Files).join(' ').toStdString(),
              "m_007_s.png m_008_s.png m_009_s.png");
    const Dururev::FrameImage matte = read(QDir(outputDir.path()).filePath("m_009_s.png"));
    const int moved = 2 * Step;
    EXPECT_EQ(pixelAt(matte, Left + Side / 2 + moved, Top + Side / 2), c.first); // the tracked square
    EXPECT_EQ(pixelAt(matte, Left + 2, Top + Side / 2), (Pixel{0, 0, 0}));     // where it was at frame 0
    EXPECT_EQ(pixelAt(matte, 5, 5), c.second);
    EXPECT_EQ(pixelAt(matte, FrameWidth - 3, 3), (Pixel{0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(Colourings, Mattes,
                         ::testing::Values(MatteCase{"Grayscale", false, false, {255, 255, 255}, {255, 255, 255}},
                                           MatteCase{"ByMatteColor", false, true, {0, 0, 255}, {0, 255, 0}},
                                           MatteCase{"ByLayer", true, false, {255, 0, 0}, {0, 255, 74}}),
                         [](const ::testing::TestParamInfo<MatteCase>& info) { return std::string(info.param.name); });

TEST_F(RenderStandIns, MattesOfLayersThatHaveGoneAreBlack)
{
    Rirediro::ExportClipParams params;
    {
        auto gone = boost::make_shared<VUVI_Layer>(99, QStringLiteral("Gone"), made.clip().get_id(),
                                                   std::vector<Prm::View>{Prm::View(0)}, made.core().weak_from_this());
        params.addLayerToExport(gone);
    }
    params.eClipID = made.clip().get_id();
    params.setClipPath(outputDir.path());
    params.setClipExtension(QStringLiteral(".png"));
    params.setViewsToExport({Prm::View(0)}, made.core().projectProperties().views(), false);
    Rirediro::ClipSaveHelper saver;
    saver.setupChannelsAndFormat(params, plate().clipInfo(), true, false, false, false, false);
    const unsigned int offset = unsigned(made.core().projectProperties().firstFrameOffset());
    saver.populateClipIndices(params, made.core(), offset, offset, false);
    ASSERT_TRUE(saver.prepareToSaveClip(made.core(), params, true, 3));
    saver.doSaveClip(made.core(), params, 3);
    const Dururev::FrameImage matte = read(QDir(outputDir.path()).filePath("0.png"));
    EXPECT_TRUE(std::all_of(matte.pixels.begin(), matte.pixels.end(), [](unsigned char v) { return v == 0; }));
}

TEST_F(RenderStandIns, MatteMovieIsOneFile)
{
    Rirediro::ExportClipParams params;
    params.eClipID = made.clip().get_id();
    params.addLayerToExport(layer.handledObject());
    params.setClipPath(outputDir.path());
    params.setClipPrefix(Bsc::FSPercentEscapedString(QStringLiteral("mattes"), 0));
    params.setClipExtension(QStringLiteral(".MOV"));
    params.setFootageKind(Rirediro::ExportClipParams::Movie);
    params.setViewsToExport({Prm::View(0)}, made.core().projectProperties().views(), false);
    Rirediro::ClipSaveHelper saver;
    saver.setupChannelsAndFormat(params, plate().clipInfo(), true, false, false, false, false);
    const unsigned int offset = unsigned(made.core().projectProperties().firstFrameOffset());
    saver.populateClipIndices(params, made.core(), offset, offset + FrameCount - 1, false);
    ASSERT_TRUE(saver.prepareToSaveClip(made.core(), params, true, 3));
    saver.doSaveClip(made.core(), params, 3);
    const QStringList files = QDir(outputDir.path()).entryList(QDir::Files);
    ASSERT_EQ(files.join(' ').toStdString(), "mattes0.MOV");
    EXPECT_GT(QFileInfo(QDir(outputDir.path()).filePath(files.first())).size(), 0);
}

} // namespace
