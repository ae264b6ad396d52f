// The host's project: opening it, conforming it, selecting its tracking
// layer and resetting it when the host leaves modal mode.
#include "host/HostTestSupport.h"

#include "Project/wrappers/XSplineContour.h"

#include <Rirediro/Layers/Contour.h>
#include <Rirediro/Project/ProjectProperties.h>

namespace {

using GUI::QuarnDialogHost;
using GUI::QuarnGuiHost;
using hosttest::HostFixture;
using hosttest::hostCalls;
using hosttest::lines;

// ---- opening ---------------------------------------------------------------------------

using HostProject = HostFixture;

TEST_F(HostProject, TheDialogHostOpensTheHostsFileOnItsOwn)
{
    const boost::shared_ptr<QuarnDialogHost> host = makeHost<QuarnDialogHost>();
    Bsc::Logger::clearJournal();
    host->loadHostProject();

    const boost::shared_ptr<VUVI_ProjectManager>& project = host->projectManager();
    ASSERT_TRUE(project);
    EXPECT_EQ(project.use_count(), 1) << "what openProject returned was let go";
    const QStringList expected{QStringLiteral("Rirediro::QuarnHost::openProject '%1'").arg(m_file),
                               QStringLiteral("Rirediro::QuarnHost::conformClipInfo"),
                               QStringLiteral("VUVI_ProjectManager::createFromHandle '%1' false").arg(m_file)};
    EXPECT_EQ(lines(hostCalls()), lines(expected));
    EXPECT_EQ(project->frameManager().clips().size(), 1);
    EXPECT_EQ(project->frameManager().clips().front()->clipInfo().length().value(Prm::View(0)), 5u);
    EXPECT_EQ(project->selectionManager()->layersFrontToRear().size(), 2);
    EXPECT_EQ(project->projectProperties().projectFilePath(), m_file);
    EXPECT_FALSE(project->projectHasChanged());
    EXPECT_EQ(GUI::Project::get().manager(), nullptr) << "the GUI is left alone";
    EXPECT_FALSE(m_application.mainWindow()->project());
}

TEST_F(HostProject, TheGuiHostOpensTheHostsFileInTheMainWindow)
{
    const boost::shared_ptr<QuarnGuiHost> host = makeHost<QuarnGuiHost>();
    Bsc::Logger::clearJournal();
    host->loadHostProject();

    const boost::shared_ptr<VUVI_ProjectManager>& project = host->projectManager();
    ASSERT_TRUE(project);
    EXPECT_EQ(project.get(), GUI::Project::get().manager());
    EXPECT_EQ(project, m_application.mainWindow()->project()) << "shared with the window that owns it";
    EXPECT_EQ(project.use_count(), 2);
    const QStringList expected{QStringLiteral("Rirediro::QuarnHost::openProject '%1'").arg(m_file),
                               QStringLiteral("frmMain::openProjectHandle '%1'").arg(m_file),
                               QStringLiteral("VUVI_ProjectManager::createFromHandle '%1' true").arg(m_file)};
    EXPECT_EQ(lines(hostCalls()), lines(expected));
    EXPECT_EQ(project->selectionManager()->layersFrontToRear().size(), 2);
}

TEST_F(HostProject, AFileThatCannotBeOpenedLeavesTheHostWithoutProject)
{
    for (const QString& file : {m_dir.filePath(QStringLiteral("missing.plinx")), QString(), m_dir.path()}) {
        SCOPED_TRACE(file.toStdString());
        m_mxi.setProjectFile(file);
        const boost::shared_ptr<QuarnDialogHost> dialog = makeHost<QuarnDialogHost>();
        EXPECT_THROW(dialog->loadHostProject(), VUVI_BadFile);
        EXPECT_FALSE(dialog->projectManager());
        const boost::shared_ptr<QuarnGuiHost> gui = makeHost<QuarnGuiHost>();
        EXPECT_THROW(gui->loadHostProject(), VUVI_BadFile);
        EXPECT_FALSE(gui->projectManager());
    }
}

// ---- leaving modal mode ----------------------------------------------------------------

struct ExitCase
{
    const char* name;
    bool withProject;
    bool projectsCache;
    QStringList calls; // %1: the host's project file
};

TEST_F(HostProject, TheGuiHostResetsItsProjectBeforeLeavingModalMode)
{
    const QString handBack = QStringLiteral("Rirediro::QuarnHost::makeProjectHandBack");
    const QString commit = QStringLiteral("Rirediro::ProjectHandBack::commit '%1'");
    const QString save = QStringLiteral("VUVI_ProjectManager::saveProjectToFile '%1' false false false");
    const QString reset[] = {QStringLiteral("VUVI_SelectionManager::vUnSelectAllLayers"),
                             QStringLiteral("VUVI_ToolManager::setCurrentLayer none at invalid in view 0 mode 3"),
                             QStringLiteral("VUVI_SelectionManager::flushImageCaches 1"),
                             QStringLiteral("Rirediro::CommandManager::clear")};
    const QString leave = QStringLiteral("Rirediro::QuarnHost::exitModal");
    const ExitCase cases[] = {
        {"project, cache", true, true, {reset[0], reset[1], reset[2], reset[3], leave}},
        {"project, no cache", true, false, {handBack, commit, save, reset[0], reset[1], reset[2], reset[3], leave}},
        {"no project, cache", false, true, {leave}},
        {"no project, no cache", false, false, {handBack, commit, leave}},
    };
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(c.name);
        Product::Settings::setValue(QStringLiteral("UseProjectsCache"), c.projectsCache, true);
        const boost::shared_ptr<QuarnGuiHost> host = c.withProject ? guiHostWithProject() : makeHost<QuarnGuiHost>();
        if (c.withProject) {
            VUVI_ProjectManager& project = *host->projectManager();
            select(project, layerNamed(project, QStringLiteral("B")));
            project.selectionManager()->cacheLayerImage(layerNamed(project, QStringLiteral("B"))->layerID(),
                                                        project.currentFrame(),
                                                        Bsc::detail::GanImage_Ptr<Gan_Image>());
            ASSERT_EQ(selectionOf(project), QStringLiteral("selected [B], current B"));
        }
        Bsc::Logger::clearJournal();

        host->exitModal();

        QStringList expected;
        for (const QString& call : c.calls)
            expected << (call.contains(QLatin1String("%1")) ? call.arg(m_file) : call);
        EXPECT_EQ(lines(hostCalls()), lines(expected));
        EXPECT_FALSE(host->isModal());
        if (c.withProject) {
            const VUVI_ProjectManager& project = *host->projectManager();
            EXPECT_EQ(selectionOf(project), QStringLiteral("selected [], current none"));
            EXPECT_EQ(project.selectionManager()->cachedImageCount(), 0);
            EXPECT_EQ(project.commandManager()->undoCount(), 0);
        }
        Bsc::Logger::clearJournal();
    }
}

TEST_F(HostProject, DestroyingTheGuiHostRunsItsOwnExitModal)
{
    boost::shared_ptr<QuarnGuiHost> host = guiHostWithProject();
    const boost::shared_ptr<VUVI_ProjectManager> project = host->projectManager();
    select(*project, layerNamed(*project, QStringLiteral("B")));
    host.reset();
    EXPECT_EQ(selectionOf(*project), QStringLiteral("selected [], current none"));
    EXPECT_EQ(project->commandManager()->undoCount(), 0);
    EXPECT_EQ(hostCalls().mid(hostCalls().size() - 3),
              QStringList({QStringLiteral("Rirediro::CommandManager::clear"),
                           QStringLiteral("Rirediro::QuarnHost::exitModal"),
                           QStringLiteral("Rirediro::QuarnHost::~QuarnHost")}));
}

TEST_F(HostProject, WithoutTheCacheTheHostGetsItsProjectBackInItsFile)
{
    Product::Settings::setValue(QStringLiteral("UseProjectsCache"), false, true);
    {
        const boost::shared_ptr<QuarnGuiHost> host = guiHostWithProject();
        host->projectManager()->projectProperties().setProjectNotes(QStringLiteral("made for the host"));
    }
    EXPECT_EQ(hosttest::openStored(m_file)->projectProperties().getProjectNotes(), QStringLiteral("made for the host"));
}

TEST_F(HostProject, TheDialogHostLeavesItsProjectAsItIs)
{
    const boost::shared_ptr<QuarnDialogHost> host = makeHost<QuarnDialogHost>();
    host->loadHostProject();
    VUVI_ProjectManager& project = *host->projectManager();
    select(project, layerNamed(project, QStringLiteral("A")));
    Bsc::Logger::clearJournal();
    host->exitModal();
    EXPECT_EQ(lines(hostCalls()), "Rirediro::QuarnHost::exitModal");
    EXPECT_EQ(selectionOf(project), QStringLiteral("selected [A], current A"));
    EXPECT_EQ(project.commandManager()->undoCount(), 1);
}

// ---- the host's tracking layer ---------------------------------------------------------

struct TrackingCase
{
    const char* name;
    QVector<MXIHost::Source> sources;
    // Per source identifier, the host's layers by identifier ("A" or "B";
    // anything else names no layer of the project).
    std::map<unsigned int, std::map<unsigned int, QString>> layers;
    QString selection;
    QStringList questions;
};

TEST_F(HostProject, TheFirstTrackedSourceWithLayersSelectsItsOwnLayer)
{
    const QString untouched = QStringLiteral("selected [A], current A");
    const TrackingCase cases[] = {
        {"the first tracked source with layers",
         {{1, false}, {2, true}, {3, true}, {4, true}},
         {{1, {{1, "A"}}}, {3, {{3, "B"}, {4, "A"}}}, {4, {{4, "A"}}}},
         QStringLiteral("selected [B], current B"),
         {"isSourceTracked 1", "isSourceTracked 2", "pointTrackingLayers 2", "isSourceTracked 3",
          "pointTrackingLayers 3"}},
        {"no tracked source", {{1, false}, {2, false}}, {{1, {{1, "B"}}}}, untouched,
         {"isSourceTracked 1", "isSourceTracked 2"}},
        {"tracked sources without layers", {{1, true}}, {}, untouched, {"isSourceTracked 1", "pointTrackingLayers 1"}},
        {"no sources", {}, {}, untouched, {}},
    };
    for (const TrackingCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_mxi.setSources(c.sources);
        const boost::shared_ptr<QuarnGuiHost> host = guiHostWithProject();
        VUVI_ProjectManager& project = *host->projectManager();
        for (const auto& [source, layers] : c.layers) {
            std::map<unsigned int, unsigned int> ids;
            for (const auto& [identifier, name] : layers)
                ids[identifier] = layerNamed(project, name)->layerID();
            m_mxi.setPointTrackingLayers(source, ids);
        }
        select(project, layerNamed(project, QStringLiteral("A")));
        project.frameManager().setCurrentFrame(Prm::Context(Prm::Time::fromDouble(3.0), Prm::View(0), 3));
        project.commandManager()->clearJournal();
        project.toolManager().clearJournal();
        m_mxi.clearQuestions();

        host->onGuiProjectLoaded();

        EXPECT_EQ(selectionOf(project), c.selection);
        EXPECT_EQ(lines(m_mxi.questions()), lines(c.questions));
        EXPECT_EQ(project.commandManager()->undoCount(), 1) << "the selection is no undo step";
        EXPECT_TRUE(project.commandManager()->journal().isEmpty());
        if (c.selection != untouched) {
            EXPECT_EQ(project.toolManager().journal().constLast(),
                      QStringLiteral("setCurrentLayer %1 at 3 in view 0").arg(layerNamed(project, "B")->id()))
                << "at the project's current frame";
        }
        m_mxi.setPointTrackingLayers(1, {});
        m_mxi.setPointTrackingLayers(3, {});
        m_mxi.setPointTrackingLayers(4, {});
    }
}

TEST_F(HostProject, SelectingTheTrackingLayerClearsTheSelectionFirst)
{
    m_mxi.setSources({{7, true}});
    const boost::shared_ptr<QuarnGuiHost> host = guiHostWithProject();
    VUVI_ProjectManager& project = *host->projectManager();
    m_mxi.setPointTrackingLayers(7, {{7, layerNamed(project, QStringLiteral("A"))->layerID()}});
    Bsc::Logger::clearJournal();
    host->onGuiProjectLoaded();
    const QString a = layerNamed(project, QStringLiteral("A"))->id();
    const QStringList expected{
        QStringLiteral("Rirediro::QuarnHost::findPointTrackingLayers 7"),
        QStringLiteral("VUVI_SelectionManager::vUnSelectAllLayers"),
        QStringLiteral("VUVI_ToolManager::setCurrentLayer none at invalid in view 0 mode 3"),
        // The command's own run: it makes A the one selected layer at the current frame.
        QStringLiteral("VUVI_SelectionManager::vUnSelectAllLayers"),
        QStringLiteral("VUVI_ToolManager::setCurrentLayer %1 at 0 in view 0 mode 3").arg(a),
    };
    EXPECT_EQ(lines(hostCalls()), lines(expected));
}

TEST_F(HostProject, TheTrackingLayerIsPickedAsAWhole)
{
    m_mxi.setSources({{7, true}});
    const boost::shared_ptr<QuarnGuiHost> host = guiHostWithProject();
    VUVI_ProjectManager& project = *host->projectManager();
    const QVector<XControlPointData> triangle{XControlPointData(boost::none, boost::none, 1.0f, 1.0f),
                                              XControlPointData(boost::none, boost::none, 5.0f, 1.0f),
                                              XControlPointData(boost::none, boost::none, 5.0f, 5.0f)};
    const auto contourOn = [&](const QString& name) {
        return Layer(layerNamed(project, name), project.weak_from_this())
            .add_xspline_contour(0.0f, triangle)
            .handledObject();
    };
    const std::vector<boost::shared_ptr<Rirediro::Contour>> contours{contourOn("A"), contourOn("A"), contourOn("B")};
    contours[2]->vSelect();
    m_mxi.setPointTrackingLayers(7, {{7, layerNamed(project, QStringLiteral("A"))->layerID()}});

    host->onGuiProjectLoaded();

    EXPECT_EQ(selectionOf(project), QStringLiteral("selected [A], current A"));
    std::vector<bool> picked;
    for (const auto& contour : contours)
        picked.push_back(contour->isSelected());
    EXPECT_EQ(picked, std::vector<bool>({true, true, false}));
}

TEST_F(HostProject, WithoutAProjectNothingIsLookedFor)
{
    m_mxi.setSources({{1, true}});
    m_mxi.setPointTrackingLayers(1, {{1, 1}});
    const boost::shared_ptr<QuarnGuiHost> host = makeHost<QuarnGuiHost>();
    Rirediro::IProjectHandle& handle = host->projectHandle();
    m_mxi.clearQuestions();
    Bsc::Logger::clearJournal();
    host->onGuiProjectLoaded();
    host->conformProject(handle, Rirediro::PluginHost::ConformClipInfo);
    EXPECT_TRUE(m_mxi.questions().isEmpty());
    EXPECT_TRUE(hostCalls().isEmpty());
}

// ---- conforming ------------------------------------------------------------------------

struct ConformCase
{
    const char* name;
    unsigned int shown; // 0: the project's clip
    double currentFrame;
    bool changedBefore;
    bool switches;
};

TEST_F(HostProject, TheViewerLeavesAClipThatLacksTheCurrentFrame)
{
    const ConformCase cases[] = {
        {"a frame the clip has", 0, 4.0, false, false},
        {"past the clip's end", 0, 5.0, false, true},
        {"past the end of a changed project", 0, 7.0, true, true},
        {"before the clip", 0, -1.0, false, true},
        {"the viewer shows no clip of the project", 0xFFFFFFFD, 9.0, false, false},
    };
    for (const ConformCase& c : cases) {
        SCOPED_TRACE(c.name);
        const boost::shared_ptr<QuarnGuiHost> host = guiHostWithProject();
        VUVI_ProjectManager& project = *host->projectManager();
        const unsigned int shown = c.shown ? c.shown : project.frameManager().clips().front()->clipID();
        ViewManager::get().setClipToDisplay(shown);
        project.frameManager().setCurrentFrame(Prm::Context(Prm::Time::fromDouble(c.currentFrame), Prm::View(0), 3));
        project.vSetProjectHasChanged(c.changedBefore);
        Bsc::Logger::clearJournal();

        Rirediro::PathNameHandle handle(m_file, Rirediro::Callbacks());
        host->conformProject(handle, Rirediro::PluginHost::ConformClipInfo);

        QStringList expected{QStringLiteral("Rirediro::QuarnHost::conformProject '%1' 1").arg(m_file)};
        if (c.switches)
            expected << QStringLiteral("ViewManager::setClipToDisplay 4294967293");
        EXPECT_EQ(lines(hostCalls()), lines(expected));
        EXPECT_EQ(ViewManager::get().currentViewClip(), c.switches ? 0xFFFFFFFDu : shown);
        EXPECT_EQ(project.projectHasChanged(), c.changedBefore) << "the switch is no change of the project";
    }
}

TEST_F(HostProject, ConformingToShorterFootageMovesTheViewerOff)
{
    const boost::shared_ptr<QuarnGuiHost> host = guiHostWithProject();
    VUVI_ProjectManager& project = *host->projectManager();
    VUVI_Clip* clip = project.frameManager().clips().front();
    ViewManager::get().setClipToDisplay(clip->clipID());
    project.frameManager().setCurrentFrame(Prm::Context(Prm::Time::fromDouble(4.0), Prm::View(0), 3));
    project.vSetProjectHasChanged(false);
    {
        // The host now stores its footage three frames long.
        const boost::shared_ptr<VUVI_ProjectManager> hosts = hosttest::openStored(m_file);
        TQ_ClipInfo shorter = hosts->frameManager().clips().front()->clipInfo();
        shorter.setLength(3, Prm::View(0));
        hosts->frameManager().clips().front()->setClipInfoInternal(shorter);
        hosts->saveProjectToFile(m_file, false, false, false);
    }
    Rirediro::PathNameHandle handle(m_file, Rirediro::Callbacks());

    host->conformProject(handle, Rirediro::PluginHost::ConformNothing);
    EXPECT_EQ(ViewManager::get().currentViewClip(), clip->clipID()) << "nothing conformed: five frames still";

    host->conformProject(handle, Rirediro::PluginHost::ConformClipInfo);
    EXPECT_EQ(clip->clipInfo().length().value(Prm::View(0)), 3u);
    EXPECT_EQ(ViewManager::get().currentViewClip(), QuarnGuiHost::ProjectOutputClip);
    EXPECT_FALSE(project.projectHasChanged());
}

} // namespace
