#pragma once

#include "app/AppTestSupport.h"
#include "clips/ClipTestSupport.h"

#include "app/QuarnDialogHost.h"
#include "app/QuarnGuiHost.h"

#include <GUI/GUIApplication.h>
#include <GUI/Project.h>
#include <GUI/ViewManager.h>
#include <GUI/frmMain.h>
#include <MXI/MXIHost.h>
#include <Rirediro/Clips/VUVI_Clip.h>
#include <Rirediro/Commands/CommandManager.h>
#include <Rirediro/Commands/VUVI_SelectSelectionCommand.h>
#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/ProjectFile.h>
#include <Rirediro/Project/VUVI_FrameManager.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Project/VUVI_SelectionManager.h>
#include <Rirediro/Project/VUVI_ToolManager.h>
#include <TQ/Callbacks.h>

#include <QTemporaryDir>

#include <boost/make_shared.hpp>

#include <type_traits>

#include <gtest/gtest.h>

namespace hosttest {

using AppTest::lines;

// The calls of the host classes, the core and the GUI in the application
// log, oldest first (settings reads left out).
inline QStringList hostCalls()
{
    QStringList calls;
    for (const QString& call : AppTest::recordedCalls())
        if (!call.startsWith(QLatin1String("Product::")) && !call.startsWith(QLatin1String("GUI::Project::")))
            calls << call;
    return calls;
}

// The warnings and errors in the application log.
inline QStringList problemsLogged()
{
    QStringList problems;
    for (const QString& line : Bsc::Logger::journal())
        if (line.startsWith(QLatin1String("warning: ")) || line.startsWith(QLatin1String("error: ")))
            problems << line;
    return problems;
}

// The project a file stores, as stored.
inline boost::shared_ptr<VUVI_ProjectManager> openStored(const QString& file)
{
    Rirediro::PathNameHandle handle(file, Rirediro::Callbacks());
    Rirediro::ProjectHeaderData header;
    Rirediro::ProjectHeaderReader::readProjectHeader(handle, header);
    return VUVI_ProjectManager::createFromHandle(handle, header.baseInfos.front(), header.clipInfos.front(),
                                                 VUVI_ProjectManager::MigratingClip(), false);
}

// A host application that calls the application: its plug-in interface,
// its callbacks, its project file (a five-frame sequence with the layers "A"
// and "B", A in front) and a GUI application with a main window. The
// settings are a temporary store of their own; the GUI shows no project.
class HostFixture : public ::testing::Test
{
protected:
    HostFixture()
    {
        m_file = m_dir.filePath(QStringLiteral("host.plinx"));
        {
            cliptest::ProjectOfSequence made(m_dir.filePath(QStringLiteral("plate")), 1, 5);
            VUVI_ProjectManager& core = made.core();
            const TQ::ClipID clip = core.frameManager().clips().front()->clipID();
            const Prm::Context start(Prm::Time::fromDouble(0.0), Prm::View(0), 3);
            core.selectionManager()->createLayer(QStringLiteral("B"), clip, {Prm::View(0)}, start);
            core.selectionManager()->createLayer(QStringLiteral("A"), clip, {Prm::View(0)}, start);
            core.saveProjectToFile(m_file, false, false, false);
        }
        m_mxi.setProjectFile(m_file);
        ViewManager::get().setClipToDisplay(0);
        GUI::Project::get().setManager(nullptr);
        Bsc::Logger::clearJournal();
    }
    ~HostFixture() override { GUI::Project::get().setManager(nullptr); }

    // A host of the class, with a call mode that the class serves.
    template <typename Host>
    boost::shared_ptr<Host> makeHost()
    {
        m_mxi.setCallMode(std::is_same<Host, GUI::QuarnGuiHost>::value ? 2 : 3);
        boost::shared_ptr<Host> host = Host::create(&m_application, m_mxi, m_callbacks);
        EXPECT_TRUE(host);
        return host;
    }
    // A GUI host with the host's project open in the main window.
    boost::shared_ptr<GUI::QuarnGuiHost> guiHostWithProject()
    {
        boost::shared_ptr<GUI::QuarnGuiHost> host = makeHost<GUI::QuarnGuiHost>();
        host->loadHostProject();
        EXPECT_TRUE(host->projectManager());
        Bsc::Logger::clearJournal();
        m_mxi.clearQuestions();
        return host;
    }

    static boost::shared_ptr<VUVI_Layer> layerNamed(const VUVI_ProjectManager& project, const QString& name)
    {
        for (const boost::shared_ptr<VUVI_Layer>& layer : project.selectionManager()->layersFrontToRear())
            if (layer->name() == name)
                return layer;
        ADD_FAILURE() << "no layer " << name.toStdString();
        return nullptr;
    }
    // The names of the selected layers, front to rear, and the tools' current layer.
    static QString selectionOf(const VUVI_ProjectManager& project)
    {
        QStringList selected;
        for (const boost::shared_ptr<VUVI_Layer>& layer : project.selectionManager()->layersFrontToRear())
            if (layer->state() == Rirediro::LayerBase::Selected)
                selected << layer->name();
        const boost::shared_ptr<VUVI_Layer> current = project.toolManager().currentLayer();
        return QStringLiteral("selected [%1], current %2")
            .arg(selected.join(QLatin1Char(' ')), current ? current->name() : QStringLiteral("none"));
    }
    // Selects a layer as the user would (an undo step).
    static void select(VUVI_ProjectManager& project, const boost::shared_ptr<VUVI_Layer>& layer)
    {
        project.commandManager()->executeAndLog(
            boost::make_shared<VUVI_SelectSelectionCommand>(&project, project.currentFrame(), layer->layerID(),
                                                            4294967295u),
            project.currentFrame(), true, true);
    }

    AppTest::TemporarySettings m_settings;
    QTemporaryDir m_dir;
    QString m_file;
    MXIHost m_mxi;
    TQ::Callbacks m_callbacks;
    GUIApplication m_application;
};

} // namespace hosttest
