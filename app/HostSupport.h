#pragma once

#include <Rirediro/Host/QuarnHost.h>

namespace GUI::HostSupport {

// Whether `mode` is one of the call modes whose bits `modes` sets.
constexpr bool acceptsCallMode(unsigned int modes, int mode)
{
    return mode >= 0 && mode < 32 && ((modes >> mode) & 1u) != 0;
}

// Runs the host's exitModal for a destructor, which must not throw: what it
// throws is logged under the host's class name instead.
void exitModalFromDestructor(Rirediro::QuarnHost& host, const char* className) noexcept;

} // namespace GUI::HostSupport
