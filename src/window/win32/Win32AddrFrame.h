// Win32AddrFrame.h — the nozzle address dialog on Win32, TAddrFrm: a
// dispenser number and a nozzle number, from which the parameter window
// computes the nozzle's address on the line. The dialog computes nothing
// itself and sends nothing. Enter is "Вычислить", Esc "Отмена"; the nozzle
// number takes the focus first.
#ifndef KAVO5000_WINDOW_WIN32_WIN32ADDRFRAME_H
#define KAVO5000_WINDOW_WIN32_WIN32ADDRFRAME_H

#include <windows.h>

#include "Win32Dialog.h"

namespace kavo5000::window {

class TAddrFrm {
 public:
  // Shows the dialog modally over `owner`; true when "Вычислить" closed it.
  bool ShowModal(HWND owner);

  // The numbers typed: the dispenser's and the nozzle's.
  int Dispenser() const { return dispenser_; }
  int Nozzle() const { return nozzle_; }

 private:
  template <class Frame>
  friend INT_PTR CALLBACK win32::DialogThunk(HWND, UINT, WPARAM, LPARAM);
  INT_PTR Message(UINT message, WPARAM wParam, LPARAM lParam);
  void BuildControls();

  HWND window_ = nullptr;
  bool done_ = false;
  bool accepted_ = false;
  int dispenser_ = 0;
  int nozzle_ = 0;
};

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_WIN32_WIN32ADDRFRAME_H
