#pragma once

#include <QString>

namespace GuiSupport {

// Records a call of the GUI library in the application log (debug level, as
// "call <what>"), where tests follow the order of the calls.
void recordCall(const QString& call);

// True when nobody can see or answer a window: no display, or Qt's offscreen
// or minimal platform. Modal dialogs must not wait there.
bool runsHeadless();

} // namespace GuiSupport
