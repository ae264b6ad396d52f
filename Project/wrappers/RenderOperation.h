#pragma once

#include "Project/wrappers/Layer.h"
#include "Project/wrappers/View.h"
#include "Python/SbkCleaner.h"

#include <QPointer>
#include <QVector>

#include <boost/shared_ptr.hpp>

class ProgressWatcher;
class VUVI_ProjectManager;

namespace LC {
class ReorientParameterSet;
}
namespace TQ {
class IClip;
}

// A render of new clips from a project's layers, frame by frame, which a
// script hands to Project::render. Each kind renders its own way (insert,
// stabilise, remove, reorient); all report their progress through the
// operation's one watcher, which the operation owns for its whole life.
// An operation keeps nothing between renders.
class RenderOperation : private SbkCleaner
{
public:
    RenderOperation();
    virtual ~RenderOperation();
    RenderOperation(const RenderOperation&) = delete;
    RenderOperation& operator=(const RenderOperation&) = delete;

    // The operation keeps ownership.
    ProgressWatcher* get_progress_watcher() const;
    // The watcher's guard, null once a script has deleted it.
    const QPointer<QObject>& progressWatcherGuard() const { return m_watcherGuard; }

    // The project must have 1 to Prm::Frame::MAX frames, and both indexes
    // must be frames of it (the start is reported first): VUVI_OutOfRange.
    static void validateIndexes(VUVI_ProjectManager& project, int start, int stop);

    // Refuses layers of another project, makes the project's output
    // folder, checks the indexes and renders
    // from start to stop every step frames (a step of 0 walks towards stop
    // one frame at a time). The output clip, or null; null at once for a
    // null project.
    TQ::IClip* render(VUVI_ProjectManager* project, int start, int stop, QVector<Layer> layers, View view,
                      int step);

protected:
    // Never called with a step of 0.
    virtual TQ::IClip* onRender(VUVI_ProjectManager& project, int start, int stop, QVector<Layer> layers,
                                View view, int step) = 0;

private:
    boost::shared_ptr<ProgressWatcher> m_progressWatcher;
    // Null once a script has deleted the watcher. Its QObject part only: it
    // is read without a cast while another thread may be destroying it.
    QPointer<QObject> m_watcherGuard;
};

// Renders the layers' inserts into a new clip (its id goes to the first
// layer's insert parameters).
class RenderInsertOperation : public RenderOperation
{
public:
    RenderInsertOperation() = default;
    ~RenderInsertOperation() override;

protected:
    TQ::IClip* onRender(VUVI_ProjectManager& project, int start, int stop, QVector<Layer> layers, View view,
                        int step) override;
};

// Renders each layer's stabilised clip: one new clip per layer; the first
// layer's is the result.
class RenderStabilizeOperation : public RenderOperation
{
public:
    RenderStabilizeOperation() = default;
    ~RenderStabilizeOperation() override;

protected:
    TQ::IClip* onRender(VUVI_ProjectManager& project, int start, int stop, QVector<Layer> layers, View view,
                        int step) override;
};

// Renders the footage with the layers' pixels filled in from around them.
class RenderRemoveOperation : public RenderOperation
{
public:
    RenderRemoveOperation() = default;
    ~RenderRemoveOperation() override;

protected:
    TQ::IClip* onRender(VUVI_ProjectManager& project, int start, int stop, QVector<Layer> layers, View view,
                        int step) override;
};

// Renders the project's trackable clip turned to a level horizon; layers
// only name the render in its messages.
class RenderReorientOperation : public RenderOperation
{
public:
    RenderReorientOperation() = default;
    ~RenderReorientOperation() override;

protected:
    TQ::IClip* onRender(VUVI_ProjectManager& project, int start, int stop, QVector<Layer> layers, View view,
                        int step) override;
};

// What onRender hands the per-frame driver.
struct RenderArgs
{
    VUVI_ProjectManager* project;
    int start;
    int stop;
    QVector<Layer> layers;
    View view;
    int step;
};

// The driver every operation runs with its functor (defined with the
// functors): makes the output clip, walks the frames, calls the functor on
// each and reports progress through the operation's watcher.
template <typename Functor>
TQ::IClip* runRenderFunctor(RenderOperation& operation, RenderArgs& args);

// The reorient parameters of the project's default trackable clip. A
// project without that clip has none: "No input clip for the layer".
LC::ReorientParameterSet& trackableClipReorientParameters(VUVI_ProjectManager& project);
