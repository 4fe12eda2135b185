// ValueBox.cpp — the decimal value box's edit and arrows.
#include "ValueBox.h"

#include <commctrl.h>

#include "ParamFrameIds.h"
#include "SpinValue.h"
#include "Win32Dialog.h"
#include "Win32Text.h"

namespace kavo5000::window::win32 {

namespace {

// The arrows' own position stays mid-range: every press reaches the box as a
// step, which the box applies itself.
constexpr int kArrowsRange = 1000;

}  // namespace

void ValueBox::Create(HWND parent, int id) {
  edit_ =
      MakeControl(parent, WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL, Rect{}, id, WS_EX_CLIENTEDGE);
  arrows_ =
      MakeControl(parent, UPDOWN_CLASSW, "", UDS_ARROWKEYS, Rect{}, id + ids::kSpinArrowsOffset);
  SendMessageW(arrows_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit_), 0);
  SendMessageW(arrows_, UDM_SETRANGE32, 0, kArrowsRange);
  SendMessageW(arrows_, UDM_SETPOS32, 0, kArrowsRange / 2);
}

void ValueBox::Apply(const std::optional<SpinSetup>& setup, const catalogue::NumberFormat& format) {
  if (!setup) {
    Hide();
    return;
  }
  setup_ = *setup;
  format_ = format;
  value_ = setup_.value;
  SetText(edit_, SpinText(value_, setup_, format_));
  ShowWindow(edit_, SW_SHOWNA);
  ShowWindow(arrows_, SW_SHOWNA);
}

void ValueBox::Hide() {
  ShowWindow(edit_, SW_HIDE);
  ShowWindow(arrows_, SW_HIDE);
}

bool ValueBox::Shown() const {
  return (GetWindowLongW(edit_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void ValueBox::Place(const Rect& place) {
  const int arrowsWidth = GetSystemMetrics(SM_CXVSCROLL);
  constexpr UINT kFlags = SWP_NOACTIVATE;
  SetWindowPos(edit_, HWND_TOP, place.left, place.top, place.Width() - arrowsWidth, place.Height(),
               kFlags);
  SetWindowPos(arrows_, HWND_TOP, place.right - arrowsWidth, place.top, arrowsWidth, place.Height(),
               kFlags);
}

void ValueBox::Step(int steps) {
  const double from = Take().value_or(value_);
  value_ = SpinStep(from, steps, setup_);
  SetText(edit_, SpinText(value_, setup_, format_));
  SendMessageW(edit_, EM_SETSEL, 0, -1);
}

std::optional<double> ValueBox::Take() {
  const std::optional<double> value = SpinTextValue(GetText(edit_), setup_, format_);
  if (value) value_ = *value;
  return value;
}

}  // namespace kavo5000::window::win32
