// Win32Dialog.h — what the Win32 parameter window and its address dialog
// share: their font, an empty dialog of the system's class that their
// controls are then made on at pixel places, labels and whole-number boxes,
// and the modal loop of their own that keeps the owner disabled, gives the
// keyboard to the dialog manager and honours an Alt shortcut (Alt+X).
#ifndef KAVO5000_WINDOW_WIN32_WIN32DIALOG_H
#define KAVO5000_WINDOW_WIN32_WIN32DIALOG_H

#include <windows.h>

#include <string_view>

#include "ParamFrameLayout.h"

namespace kavo5000::window::win32 {

// "MS Sans Serif" 8 pt where Windows has it, else the next family of the
// layout's that it has, else the dialog font; and its bold face. Made once,
// freed when the module unloads.
HFONT DialogFont();
HFONT BoldDialogFont();

// A hidden, empty dialog of the system's dialog class owned by `owner`; its
// procedure gets `param` with WM_INITDIALOG, where the controls are made.
HWND CreateEmptyDialog(HWND owner, DLGPROC procedure, LPARAM param);

// The dialog procedure of a Frame whose object is the `param` handed to
// CreateEmptyDialog: it ties the dialog to the object at WM_INITDIALOG (the
// object's window_), hands every message of that dialog to the object's
// Message(message, wParam, lParam), and lets nothing thrown cross the
// system's frames back into the host. A Frame befriends it.
template <class Frame>
INT_PTR CALLBACK DialogThunk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    reinterpret_cast<Frame*>(lParam)->window_ = dialog;
  }
  auto* frame = reinterpret_cast<Frame*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (frame == nullptr || frame->window_ != dialog) return FALSE;
  try {
    return frame->Message(message, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
}
// Gives the dialog its caption and a client area of the given size, centred
// on the owner's monitor.
void FitDialog(HWND dialog, std::string_view caption, int clientWidth, int clientHeight);

// A child control at `place` (pixels in the parent's client area).
HWND MakeControl(HWND parent, const wchar_t* windowClass, std::string_view text, DWORD style,
                 const Rect& place, int id, DWORD exStyle = 0);
// A label as large as its text, its top-left corner at `at`.
HWND MakeLabel(HWND parent, int id, layout::Point at, std::string_view text);
// A whole-number box: an edit with up-down arrows (ID id + the arrows'
// offset) inside its right edge, holding minimum..maximum.
HWND MakeIntegerBox(HWND parent, int id, const Rect& place, int minimum, int maximum, int value);
// The box's value: its text when that is a number in range, else the last
// such value, whose text the box then shows again (HoldWholeNumber).
int IntegerBoxValue(HWND parent, int id);
void SetIntegerBoxValue(HWND parent, int id, int value);

// A key pressed with Alt held that stands for a command of the dialog.
struct AltShortcut {
  WPARAM key = 0;  // the virtual key, e.g. 'X'; 0 for none
  int command = 0;
};

// Runs the dialog modally until `done` turns true: the owner is disabled
// meanwhile and takes the activation back at the end. A WM_QUIT ends the loop
// and goes on to the host's own loop.
void RunModal(HWND dialog, HWND owner, const bool& done, AltShortcut shortcut = {});

}  // namespace kavo5000::window::win32

#endif  // KAVO5000_WINDOW_WIN32_WIN32DIALOG_H
