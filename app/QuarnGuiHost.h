#pragma once

#include <Rirediro/Host/QuarnInteractiveHost.h>

#include <boost/shared_ptr.hpp>

class GUIApplication;
class VUVI_ProjectManager;

namespace GUI {

// Runs the application for a host's window-style calls: the host's project
// opens in the main window, and leaving modal mode resets what the user left
// selected there.
class QuarnGuiHost : public Rirediro::QuarnInteractiveHost
{
public:
    // The call modes this host serves, one bit each: 0 and 2.
    static constexpr unsigned int AcceptedCallModes = 0x5;
    // The host's capability of telling whether it swaps its views.
    static constexpr int SwappedViewsCapability = 17;
    // The viewer's clip id that shows the project's own output.
    static constexpr unsigned int ProjectOutputClip = 0xFFFFFFFD;

    // A new host when the host's call mode is one this class serves, else
    // empty (and nothing is constructed).
    static boost::shared_ptr<QuarnGuiHost> create(GUIApplication* application, MXIHost& host,
                                                  TQ::Callbacks& callbacks);

    // Enters modal mode; a refusal propagates.
    QuarnGuiHost(GUIApplication* application, MXIHost& host, TQ::Callbacks& callbacks);
    // Leaves modal mode (this class's exitModal); what that throws is logged.
    ~QuarnGuiHost() override;

    // Without the projects cache, gives the host its project back first;
    // then resets the project's selection, current layer, layer images and
    // undo history; then leaves modal mode.
    void exitModal() override;
    // Selects the layer that the first tracked source of the host tracks
    // points with, without an undo step.
    void onGuiProjectLoaded() override;
    int callMode() const override;
    // Conforms, then leaves the viewer on a clip that has the current frame.
    void conformProject(Rirediro::IProjectHandle& handle, ConformOptions options) override;
    bool usesProjectsCache() const override;
    void loadHostProject() override;
    // As the host says, when the product shows two views or more and the
    // host can tell.
    bool swapViews() const override;
    bool isGuiHost() const override { return true; }

    // Opens the handle in the main window and gives the GUI's project; empty
    // without a main window or a project. Throws boost::bad_weak_ptr when
    // nothing owns the GUI's project any more.
    boost::shared_ptr<VUVI_ProjectManager> openProjectInGui(Rirediro::IProjectHandle& handle);

    GUIApplication* application() const { return m_application; }

private:
    // No layer selected and no current layer.
    static void clearSelection(VUVI_ProjectManager& project);

    GUIApplication* m_application;
};

} // namespace GUI
