// Win32AddrFrame.cpp — the nozzle address dialog's controls and buttons.
#include "Win32AddrFrame.h"

#include <commctrl.h>

#include <limits>

#include "ParamFrameIds.h"
#include "ParamFrameLayout.h"
#include "Win32Dialog.h"

namespace kavo5000::window {

using namespace ids;  // NOLINT(google-build-using-namespace): the IDs read as the controls' names

bool TAddrFrm::ShowModal(HWND owner) {
  done_ = false;
  accepted_ = false;
  HWND dialog = win32::CreateEmptyDialog(owner, &win32::DialogThunk<TAddrFrm>,
                                         reinterpret_cast<LPARAM>(this));
  if (dialog == nullptr) return false;
  win32::FitDialog(dialog, layout::kAddrFormCaption, layout::kAddrFormWidth,
                   layout::kAddrFormHeight);
  win32::RunModal(dialog, owner, done_);
  if (IsWindow(dialog) != FALSE) DestroyWindow(dialog);
  return accepted_;
}

INT_PTR TAddrFrm::Message(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  switch (message) {
    case WM_INITDIALOG: {
      BuildControls();
      HWND nozzle = GetDlgItem(window_, IDC_NPstEdit);
      SetFocus(nozzle);
      SendMessageW(nozzle, EM_SETSEL, 0, -1);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_AddrBitBtn1) {
        dispenser_ = win32::IntegerBoxValue(window_, IDC_NTrkEdit);
        nozzle_ = win32::IntegerBoxValue(window_, IDC_NPstEdit);
        accepted_ = true;
        done_ = true;
      } else if (LOWORD(wParam) == IDC_AddrBitBtn2) {
        done_ = true;
      } else if ((LOWORD(wParam) == IDC_NTrkEdit || LOWORD(wParam) == IDC_NPstEdit) &&
                 HIWORD(wParam) == EN_KILLFOCUS) {
        // Left with a text that is no number: the box shows its number again.
        win32::IntegerBoxValue(window_, LOWORD(wParam));
      }
      return TRUE;
    case WM_CLOSE:
      done_ = true;
      return TRUE;
    case WM_DESTROY:
      done_ = true;
      window_ = nullptr;
      return TRUE;
    default:
      return FALSE;
  }
}

void TAddrFrm::BuildControls() {
  // Any number may be typed; the window holds the address it gives in range.
  constexpr int kLeast = std::numeric_limits<int>::min();
  constexpr int kMost = std::numeric_limits<int>::max();
  win32::MakeLabel(window_, IDC_AddrLabel1, layout::kAddrLabel1, layout::kAddrLabel1Text);
  win32::MakeLabel(window_, IDC_AddrLabel2, layout::kAddrLabel2, layout::kAddrLabel2Text);
  // Made in the order the Tab key visits them: the nozzle number first.
  win32::MakeIntegerBox(window_, IDC_NPstEdit, layout::kNPstEdit, kLeast, kMost, 0);
  win32::MakeIntegerBox(window_, IDC_NTrkEdit, layout::kNTrkEdit, kLeast, kMost, 0);
  win32::MakeControl(window_, WC_STATICW, "", WS_VISIBLE | SS_ETCHEDHORZ, layout::kBevel1,
                     IDC_Bevel1);
  win32::MakeControl(window_, WC_BUTTONW, layout::kAddrBitBtn1Text,
                     WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, layout::kAddrBitBtn1,
                     IDC_AddrBitBtn1);
  win32::MakeControl(window_, WC_BUTTONW, layout::kAddrBitBtn2Text,
                     WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, layout::kAddrBitBtn2,
                     IDC_AddrBitBtn2);
}

}  // namespace kavo5000::window
