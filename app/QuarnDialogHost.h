#pragma once

#include <Rirediro/Host/QuarnInteractiveHost.h>

#include <boost/shared_ptr.hpp>

class GUIApplication;

namespace GUI {

// Runs the application for a host's dialog-style calls: the host's project
// is opened on its own, outside the main window.
class QuarnDialogHost : public Rirediro::QuarnInteractiveHost
{
public:
    // The call modes this host serves, one bit each: 3, 4, 6, 8 and 17.
    static constexpr unsigned int AcceptedCallModes = 0x20158;

    // A new host when the host's call mode is one this class serves, else
    // empty (and nothing is constructed).
    static boost::shared_ptr<QuarnDialogHost> create(GUIApplication* application, MXIHost& host,
                                                     TQ::Callbacks& callbacks);

    // Enters modal mode; a refusal propagates.
    QuarnDialogHost(GUIApplication* application, MXIHost& host, TQ::Callbacks& callbacks);
    // Leaves modal mode; what that throws is logged.
    ~QuarnDialogHost() override;

    bool usesProjectsCache() const override { return false; }
    bool splitViews(int viewIndex) const override;
    void loadHostProject() override;
    bool isGuiHost() const override { return false; }

    // Opens the host's project from the handle, its first clip conformed to the host.
    boost::shared_ptr<VUVI_ProjectManager> createProjectManager(Rirediro::IProjectHandle& handle);

    GUIApplication* application() const { return m_application; }

private:
    GUIApplication* m_application;
};

} // namespace GUI
