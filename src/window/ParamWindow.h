// ParamWindow.h — how the driver's menu command brings up the parameter
// window: the single ParamFrm of the module, created on first use, owned by
// the host's window, and shown modally for a driver object. Each front-end
// implements it: ParamWindow.cpp (Qt, on the host's application or one of
// the module's own) and win32/Win32ParamWindow.cpp.
#ifndef KAVO5000_WINDOW_PARAMWINDOW_H
#define KAVO5000_WINDOW_PARAMWINDOW_H

#include <cstdint>

namespace kavo5000::driver {
class VM30Driver;
}

namespace kavo5000::window {

class TParamFrm;

// Makes ShowParamWindow the driver's window launcher. Starts no toolkit:
// loading the module must not need a display.
void InstallParamWindowLauncher();

// Creates ParamFrm once; with a driver object, binds the window to it and
// shows it modally, returning when it closes. With none it only creates it.
void ShowParamWindow(driver::VM30Driver* driver);

// Lets the window go of `driver` if it works for it: the reader stopped, the
// driver forgotten and the window closed. Called as the driver is destroyed.
void CloseParamWindowOf(driver::VM30Driver* driver);

// The window, none until it is first needed.
TParamFrm* ParamFrm();

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_PARAMWINDOW_H
