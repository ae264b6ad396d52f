// The render driver's calls into the core, in order, as the core's log
// records them: what each functor asks of the post-processing manager per
// frame, and the cache calls around the frames.
#include "shapes/ShapeTestSupport.h"

#include "Project/wrappers/RenderOperation.h"

#include <Bsc/Logger.h>
#include <Rirediro/Render/RenderFunctor.h>

#include <QRegularExpression>

namespace {

class RenderDriver : public ::testing::Test
{
protected:
    RenderDriver()
        : made(footage::writeSequence(dir.path(), QStringLiteral("f"), 1, 4))
        , a(made.project->add_layer(&made.clip(), QStringLiteral("A"), 0, 0))
        , b(made.project->add_layer(&made.clip(), QStringLiteral("B"), 0, 0))
    {
        for (Layer* layer : {&a, &b})
            layer->add_xspline_contour(0.0f, {shapetest::xAt(2, 2), shapetest::xAt(12, 2), shapetest::xAt(12, 12)});
        made.project->set_output_dir(dir.filePath(QStringLiteral("out")));
    }
    ~RenderDriver() override { Rirediro::RemoveRenderFunctor::setCumulativeRenderingEnabled(false); }

    // The log's calls of the core that match, without their level.
    QStringList calls(RenderOperation& operation, int start, int stop, const QString& pattern)
    {
        Bsc::Logger::clearJournal();
        made.project->render(&operation, start, stop, {a, b}, View(Prm::View(0)), 0);
        const QRegularExpression wanted(pattern);
        QStringList found;
        for (const QString& entry : Bsc::Logger::journal()) {
            const int at = entry.indexOf(QStringLiteral("call "));
            if (at >= 0 && wanted.match(entry).hasMatch())
                found << entry.mid(at + 5);
        }
        return found;
    }

    QTemporaryDir dir;
    cliptest::ProjectOfFootage made;
    Layer a;
    Layer b;
};

TEST_F(RenderDriver, InsertResetsEveryLayersSurfaceBeforeTheFirstInsertOfAFrame)
{
    RenderInsertOperation insert;
    EXPECT_EQ(calls(insert, 1, 2, QStringLiteral("VUVI_PostProcManager")),
              QStringList({"VUVI_PostProcManager::vUndoRenderSurface A 1 0",
                           "VUVI_PostProcManager::vUndoRenderSurface B 1 0",
                           "VUVI_PostProcManager::renderInsertLayer A 1 0",
                           "VUVI_PostProcManager::renderInsertLayer B 1 0",
                           "VUVI_PostProcManager::vUndoRenderSurface A 2 0",
                           "VUVI_PostProcManager::vUndoRenderSurface B 2 0",
                           "VUVI_PostProcManager::renderInsertLayer A 2 0",
                           "VUVI_PostProcManager::renderInsertLayer B 2 0"}));
}

TEST_F(RenderDriver, RemoveClearsTheOutputOnlyWithoutCumulativeRendering)
{
    RenderRemoveOperation remove;
    const QString removal = QStringLiteral("fillLayerPixels|clearOutputImage");
    EXPECT_EQ(calls(remove, 3, 3, removal),
              QStringList({"Rirediro::RemoveRenderFunctor::clearOutputImage A 3 0",
                           "Rirediro::RemoveRenderFunctor::clearOutputImage B 3 0",
                           "VUVI_PostProcManager::fillLayerPixels A 3 0",
                           "VUVI_PostProcManager::fillLayerPixels B 3 0"}));
    Rirediro::RemoveRenderFunctor::setCumulativeRenderingEnabled(true);
    EXPECT_EQ(calls(remove, 3, 3, removal),
              QStringList({"VUVI_PostProcManager::fillLayerPixels A 3 0", "VUVI_PostProcManager::fillLayerPixels B 3 0"}));
}

TEST_F(RenderDriver, StabiliseGoesLayerByLayerAndReorientByTheTrackableClip)
{
    RenderStabilizeOperation stabilise;
    EXPECT_EQ(calls(stabilise, 2, 1, QStringLiteral("stabiliseLayer")),
              QStringList({"VUVI_PostProcManager::stabiliseLayer A 2 0", "VUVI_PostProcManager::stabiliseLayer B 2 0",
                           "VUVI_PostProcManager::stabiliseLayer A 1 0", "VUVI_PostProcManager::stabiliseLayer B 1 0"}));
    RenderReorientOperation reorient;
    EXPECT_EQ(calls(reorient, 0, 1, QStringLiteral("stabilizeHorizon")),
              QStringList({"VUVI_PostProcManager::stabilizeHorizon " + made.clip().get_name() + " 0 0",
                           "VUVI_PostProcManager::stabilizeHorizon " + made.clip().get_name() + " 1 0"}));
}

TEST_F(RenderDriver, ClipAndCacheCallsComeBeforeTheFirstFrameAndBuffersAreKeptAfterEach)
{
    RenderInsertOperation insert;
    const QStringList found = calls(insert, 0, 1,
                                    QStringLiteral("createOutputClip|createClipViews|vSetCacheStrategy|vClearOutMemory|"
                                                   "vBackupBuffers|unloadAllUnusedTempBuffers|renderInsertLayer A"));
    QStringList names;
    for (const QString& call : found)
        names << call.section(QLatin1Char(' '), 0, 0).section(QStringLiteral("::"), 1);
    EXPECT_EQ(names, QStringList({"vClearOutMemoryExceptForFrame", "vSetCacheStrategyRecycle", "createOutputClip",
                                  "createClipViews", "vSetCacheStrategy", "vBackupBuffers",
                                  "unloadAllUnusedTempBuffers", "renderInsertLayer", "vBackupBuffers",
                                  "renderInsertLayer", "vBackupBuffers"}));
}

} // namespace
