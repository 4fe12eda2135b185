// Win32ParamWindow.cpp — the module's single Win32 parameter window and its
// launch from the driver's menu command: owned by the window handle the host
// gave GetVM30, shown modally on the host's thread.
#include <windows.h>

#include <memory>

#include "Menu.h"
#include "ParamWindow.h"
#include "VM30.h"
#include "Win32ParamFrame.h"

namespace kavo5000::window {

namespace {

// Made on first need and kept until the module unloads, so that its values
// outlive a showing.
std::unique_ptr<TParamFrm>& Frame() {
  static std::unique_ptr<TParamFrm> frame;
  return frame;
}

}  // namespace

void InstallParamWindowLauncher() {
  driver::SetParamWindowLauncher(&ShowParamWindow);
  driver::SetParamWindowCloser(&CloseParamWindowOf);
}

void CloseParamWindowOf(driver::VM30Driver* driver) {
  const std::unique_ptr<TParamFrm>& frame = Frame();
  if (frame && frame->Presenter().Driver == driver) frame->Presenter().DriverGone();
}

void ShowParamWindow(driver::VM30Driver* driver) {
  std::unique_ptr<TParamFrm>& frame = Frame();
  if (!frame) frame = std::make_unique<TParamFrm>();
  if (driver == nullptr || frame->Showing()) return;
  frame->Presenter().Driver = driver;
  frame->ShowModal(reinterpret_cast<HWND>(driver::ApplicationHandle()));
}

TParamFrm* ParamFrm() {
  return Frame().get();
}

}  // namespace kavo5000::window
