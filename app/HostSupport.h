#pragma once

#include <MXI/MXIHost.h>
#include <Rirediro/Host/QuarnHost.h>

#include <boost/shared_ptr.hpp>

class GUIApplication;

namespace GUI::HostSupport {

// Whether `mode` is one of the call modes whose bits `modes` sets.
constexpr bool acceptsCallMode(unsigned int modes, int mode)
{
    return mode >= 0 && mode < 32 && ((modes >> mode) & 1u) != 0;
}

// A new Host for the call when the host's call mode is one of `modes`, else
// empty, and then nothing is constructed.
template <typename Host>
boost::shared_ptr<Host> createForCallMode(unsigned int modes, GUIApplication* application, MXIHost& host,
                                          TQ::Callbacks& callbacks)
{
    if (!acceptsCallMode(modes, host.callMode()))
        return boost::shared_ptr<Host>();
    return boost::shared_ptr<Host>(new Host(application, host, callbacks));
}

// Runs the host's exitModal for a destructor, which must not throw: what it
// throws is logged under the host's class name instead.
void exitModalFromDestructor(Rirediro::QuarnHost& host, const char* className) noexcept;

} // namespace GUI::HostSupport
