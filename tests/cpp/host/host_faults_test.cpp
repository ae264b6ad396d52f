// Faults the host classes guard against: destructors that would throw, a
// host that names no layer of the project, a GUI without a main window.
#include "host/HostTestSupport.h"

#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>

#include <QDir>

#include <boost/function/function_base.hpp>

#include <functional>

namespace {

using GUI::QuarnDialogHost;
using GUI::QuarnGuiHost;
using hosttest::HostFixture;
using hosttest::lines;
using hosttest::problemsLogged;

using HostFaults = HostFixture;

struct ThrowingExit
{
    const char* name;
    bool guiHost;
    std::function<void(Rirediro::QuarnHost&)> arrange;
    std::function<void(Rirediro::QuarnHost&)> expectThrown;
    QString logged; // after "<class>: leaving modal mode failed: "
};

TEST_F(HostFaults, DestructorsLogWhatLeavingModalModeThrows)
{
    const auto noHandBack = [](Rirediro::QuarnHost& host) {
        Product::Settings::setValue(QStringLiteral("UseProjectsCache"), false, true);
        host.setProjectHandBack(Rirediro::QuarnHost::HandBackMaker());
    };
    const auto hostStaysModal = [this](Rirediro::QuarnHost&) { m_mxi.setFailsToLeaveModal(true); };
    const auto unwritableHostFile = [this](Rirediro::QuarnHost& host) {
        Product::Settings::setValue(QStringLiteral("UseProjectsCache"), false, true);
        host.loadHostProject();
        m_mxi.setProjectFile(m_dir.filePath(QStringLiteral("gone/host.plinx")));
    };
    const auto badFunctionCall = [](Rirediro::QuarnHost& host) {
        try {
            host.exitModal();
            ADD_FAILURE() << "exitModal did not throw";
        } catch (const boost::bad_function_call& error) {
            EXPECT_STREQ(error.what(), "call to empty boost::function");
        }
    };
    const auto operationFailed = [](Rirediro::QuarnHost& host) {
        EXPECT_THROW(host.exitModal(), VUVI_OperationFailed);
    };
    const auto badFile = [](Rirediro::QuarnHost& host) { EXPECT_THROW(host.exitModal(), VUVI_BadFile); };
    const ThrowingExit cases[] = {
        {"an empty hand-back", true, noHandBack, badFunctionCall, QStringLiteral("call to empty boost::function")},
        {"the host stays modal (GUI host)", true, hostStaysModal, operationFailed,
         QStringLiteral("The host application could not leave modal mode")},
        {"the host stays modal (dialog host)", false, hostStaysModal, operationFailed,
         QStringLiteral("The host application could not leave modal mode")},
        {"the host's file cannot be written", true, unwritableHostFile, badFile,
         QStringLiteral("Cannot save project file '%1'")},
    };
    for (const ThrowingExit& c : cases) {
        SCOPED_TRACE(c.name);
        m_mxi.setFailsToLeaveModal(false);
        m_mxi.setProjectFile(m_file);
        Product::Settings::reload();
        boost::shared_ptr<Rirediro::QuarnHost> host;
        if (c.guiHost)
            host = makeHost<QuarnGuiHost>();
        else
            host = makeHost<QuarnDialogHost>();
        c.arrange(*host);
        c.expectThrown(*host);
        Bsc::Logger::clearJournal();

        EXPECT_NO_THROW(host.reset());

        const QStringList problems = problemsLogged();
        ASSERT_EQ(problems.size(), 1) << lines(problems);
        const QString prefix = QStringLiteral("error: %1: leaving modal mode failed: ")
                                   .arg(c.guiHost ? QStringLiteral("GUI::QuarnGuiHost")
                                                  : QStringLiteral("GUI::QuarnDialogHost"));
        const QString logged = c.logged.contains(QLatin1String("%1"))
            ? c.logged.arg(m_dir.filePath(QStringLiteral("gone/host.plinx")))
            : c.logged;
        EXPECT_TRUE(problems.front().startsWith(prefix + logged)) << problems.front().toStdString();
        EXPECT_TRUE(hosttest::hostCalls().contains(QStringLiteral("Rirediro::QuarnHost::~QuarnHost")))
            << "the base is destroyed all the same";
    }
}

TEST_F(HostFaults, AHandBackMakerThatGivesNothingIsSkipped)
{
    Product::Settings::setValue(QStringLiteral("UseProjectsCache"), false, true);
    const boost::shared_ptr<QuarnGuiHost> host = guiHostWithProject();
    host->setProjectHandBack([] { return boost::shared_ptr<Rirediro::ProjectHandBack>(); });
    host->projectManager()->commandManager()->macroBegin();
    host->exitModal();
    EXPECT_FALSE(host->isModal());
    EXPECT_EQ(host->projectManager()->commandManager()->macroDepth(), 0) << "the project was reset all the same";
    EXPECT_EQ(problemsLogged().size(), 1);
}

struct MissingLayer
{
    const char* name;
    std::map<unsigned int, unsigned int> layers; // by identifier; 0: layer "B"
};

TEST_F(HostFaults, AHostThatNamesNoLayerOfItsSourceSelectsNothing)
{
    const MissingLayer cases[] = {
        {"the source's identifier is missing", {{8, 0}}},
        {"a layer the project lacks", {{7, 999}}},
    };
    for (const MissingLayer& c : cases) {
        SCOPED_TRACE(c.name);
        m_mxi.setSources({{7, true}, {8, true}});
        const boost::shared_ptr<QuarnGuiHost> host = guiHostWithProject();
        VUVI_ProjectManager& project = *host->projectManager();
        std::map<unsigned int, unsigned int> layers;
        for (const auto& [identifier, id] : c.layers)
            layers[identifier] = id ? id : layerNamed(project, QStringLiteral("B"))->layerID();
        m_mxi.setPointTrackingLayers(7, layers);
        m_mxi.setPointTrackingLayers(8, {{8, layerNamed(project, QStringLiteral("B"))->layerID()}});
        select(project, layerNamed(project, QStringLiteral("A")));
        Bsc::Logger::clearJournal();

        EXPECT_NO_THROW(host->onGuiProjectLoaded());

        EXPECT_EQ(selectionOf(project), QStringLiteral("selected [A], current A"))
            << "the first tracked source with layers decides, and it names none of its own";
        EXPECT_EQ(problemsLogged().size(), 1);
        EXPECT_TRUE(problemsLogged().front().contains(QLatin1String("source 7"))) << lines(problemsLogged());
    }
}

TEST_F(HostFaults, WithoutAMainWindowTheGuiHostOpensNothing)
{
    m_application.setMainWindow(nullptr);
    const boost::shared_ptr<QuarnGuiHost> host = makeHost<QuarnGuiHost>();
    EXPECT_FALSE(host->openProjectInGui(host->projectHandle()));
    EXPECT_NO_THROW(host->loadHostProject());
    EXPECT_FALSE(host->projectManager());
    EXPECT_EQ(GUI::Project::get().manager(), nullptr);

    m_mxi.setCallMode(0);
    const boost::shared_ptr<QuarnGuiHost> withoutApplication = QuarnGuiHost::create(nullptr, m_mxi, m_callbacks);
    ASSERT_TRUE(withoutApplication);
    EXPECT_FALSE(withoutApplication->openProjectInGui(withoutApplication->projectHandle()));
}

} // namespace
