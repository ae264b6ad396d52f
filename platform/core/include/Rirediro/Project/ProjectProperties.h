#pragma once

#include <TQ/InterlaceMode.h>

#include <Bsc/Colour3.h>
#include <Prm/View.h>

#include <QCoreApplication>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <boost/shared_ptr.hpp>

namespace Prm {
class Views;
}

// The project-wide settings of a project: what the project file keeps
// besides its clips.
class ProjectProperties
{
    Q_DECLARE_TR_FUNCTIONS(ProjectProperties)
public:
    ProjectProperties();
    ~ProjectProperties();
    ProjectProperties(const ProjectProperties&) = delete;
    ProjectProperties& operator=(const ProjectProperties&) = delete;

    QString getProjectNotes() const { return m_notes; }
    void setProjectNotes(const QString& notes) { m_notes = notes; }

    // The number of frames of the project.
    unsigned int length() const { return m_length; }
    void setLength(unsigned int length) { m_length = length; }
    float frameRate() const { return m_frameRate; }
    void setFrameRate(float rate) { m_frameRate = rate; }
    TQ_INTERLACE_MODE interlaceMode() const { return m_interlaceMode; }
    void setInterlaceMode(TQ_INTERLACE_MODE mode) { m_interlaceMode = mode; }
    // The number the project's first frame is shown with.
    int firstFrameOffset() const { return m_firstFrameOffset; }
    void setFirstFrameOffset(int offset) { m_firstFrameOffset = offset; }

    // Where renders and exports go: the folder as it was set, and resolved
    // (a relative folder against the working directory; empty stays empty).
    QString rawOutputDir() const { return m_outputDir; }
    QString absoluteOutputDir() const;
    void setOutputDir(const QString& folder) { m_outputDir = folder; }

    // The range the player loops over, as set: not bound to the length.
    unsigned int playbackInPoint() const { return m_playbackIn; }
    void setPlaybackInPoint(unsigned int frame) { m_playbackIn = frame; }
    unsigned int playbackOutPoint() const { return m_playbackOut; }
    void setPlaybackOutPoint(unsigned int frame) { m_playbackOut = frame; }

    // Whether tracking and rendering go through every view rather than the
    // default one (off; the application's view menu switches it).
    bool isRenderAllViewsEnabled() const { return m_renderAllViews; }
    void setRenderAllViewsEnabled(bool enabled) { m_renderAllViews = enabled; }

    // ---- views ----
    boost::shared_ptr<Prm::Views> views() const { return m_views; }
    // The view shown when no other is asked for.
    Prm::View heroView() const { return m_heroView; }
    void setHeroView(const Prm::View& view) { m_heroView = view; }
    // Names the views by position: entry i names the i-th view (element 0
    // the name, element 1 the abbreviation), further entries add views with
    // the next free ids, and views beyond the list are dropped from the end
    // with their colours; the first view takes over a dropped hero view.
    // An empty list throws VUVI_BadArgument and changes nothing.
    void setViewNames(const QList<QStringList>& names);
    // The colour a view is drawn in; white until one is set.
    Bsc::Colour3<float> colourForView(const Prm::View& view) const;
    void setColourForView(const Prm::View& view, const Bsc::Colour3<float>& colour);

    // The project file last read or saved; empty for a new project.
    QString projectFilePath() const { return m_projectFilePath; }
    void setProjectFilePath(const QString& path) { m_projectFilePath = path; }

private:
    QString m_notes;
    unsigned int m_length = 1;
    float m_frameRate = 24.0f;
    TQ_INTERLACE_MODE m_interlaceMode = TQ_NOT_INTERLACED;
    int m_firstFrameOffset = 1;
    QString m_outputDir;
    unsigned int m_playbackIn = 0;
    unsigned int m_playbackOut = 0;
    bool m_renderAllViews = false;
    boost::shared_ptr<Prm::Views> m_views;
    Prm::View m_heroView{0};
    QMap<int32_t, Bsc::Colour3<float>> m_colours;
    QString m_projectFilePath;
};
