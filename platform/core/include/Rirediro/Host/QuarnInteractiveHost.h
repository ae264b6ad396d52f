#pragma once

#include <Rirediro/Host/PluginHost.h>
#include <Rirediro/Host/QuarnHost.h>

namespace Rirediro {

// A host whose user works in the application's own windows: the projects it
// opens persist beyond the call.
class QuarnInteractiveHost : public QuarnHost, public PluginHost
{
    Q_OBJECT
public:
    QuarnInteractiveHost(MXIHost& host, TQ::Callbacks& callbacks);
    ~QuarnInteractiveHost() override;

    bool persistsProjects() const override { return true; }
};

} // namespace Rirediro
