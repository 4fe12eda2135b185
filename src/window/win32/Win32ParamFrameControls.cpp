// Win32ParamFrameControls.cpp — the Win32 parameter window's dialog: its
// showing and closing, each control made with its ID at its place of the
// layout, and the dialog's messages routed to the handlers.
#include <windows.h>

#include <commctrl.h>
#include <uxtheme.h>

#include <limits>

#include "ParamFrameIds.h"
#include "ParamFrameLayout.h"
#include "Win32Dialog.h"
#include "Win32Grid.h"
#include "Win32ParamFrame.h"
#include "Win32Text.h"

namespace kavo5000::window {

using namespace ids;  // NOLINT(google-build-using-namespace): the IDs read as the controls' names
using win32::MakeControl;

namespace {

// Messages of the dialog to itself.
constexpr UINT kReaderMessage = WM_APP + 1;      // the reader's mailbox rings
constexpr UINT kEditorLeftMessage = WM_APP + 2;  // an editor lost the focus; see where it went

Rect Offset(const Rect& r, const Rect& origin) {
  return Rect{r.left + origin.left, r.top + origin.top, r.right + origin.left,
              r.bottom + origin.top};
}

}  // namespace

TParamFrm::TParamFrm()
    : comPort_(layout::kComPortMin), address_(layout::kAddressMin), presenter_(*this) {}

TParamFrm::~TParamFrm() {
  presenter_.StopReader();
}

void TParamFrm::ShowModal(HWND owner) {
  if (window_ != nullptr) return;
  if (owner != nullptr && IsWindow(owner) == FALSE) owner = nullptr;
  done_ = false;
  HWND dialog = win32::CreateEmptyDialog(owner, &win32::DialogThunk<TParamFrm>,
                                         reinterpret_cast<LPARAM>(this));
  if (dialog == nullptr) return;
  win32::FitDialog(dialog, layout::kFormCaption, layout::kFormWidth, layout::kFormHeight);
  win32::RunModal(dialog, owner, done_, win32::AltShortcut{'X', IDC_ActionExit});
  if (IsWindow(dialog) != FALSE) DestroyWindow(dialog);
}

INT_PTR TParamFrm::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      BuildControls();
      mailbox_.Open(window_, kReaderMessage);
      format_ = catalogue::NumberFormat::User();
      presenter_.FormShow();
      SetFocus(Item(IDC_ComPortEdit));
      return FALSE;  // the focus is set
    case WM_COMMAND:
      Command(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_NOTIFY:
      return Notify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_TIMER:
      if (wParam == IDT_Timer1) presenter_.Timer1Timer();
      if (wParam == IDT_Timer2) presenter_.Timer2Timer();
      return TRUE;
    case kReaderMessage:
      mailbox_.Deliver();
      return TRUE;
    case kEditorLeftMessage:
      WriteValueEditExit();
      return TRUE;
    case WM_CLOSE:
      ActionExitExecute();
      return TRUE;
    case WM_DESTROY:
      // Also when the host destroys its window under the dialog.
      if (!done_) {
        CloseForm();
        done_ = true;
      }
      mailbox_.Close();
      KillTimer(window_, IDT_Timer1);
      KillTimer(window_, IDT_Timer2);
      timer1Active_ = false;
      grid_ = nullptr;
      window_ = nullptr;
      return TRUE;
    default:
      return FALSE;
  }
}

void TParamFrm::Command(int id, int code) {
  switch (id) {
    case IDCANCEL:  // Esc, and BitBtn1
    case IDC_ActionExit:
      ActionExitExecute();
      break;
    case IDOK:  // Enter: the editors' key for writing; no button takes it
      if (EditorHasFocus()) presenter_.WriteValueEditKeyDown();
      break;
    case IDC_Button1:
      if (code == BN_CLICKED) presenter_.Button1Click();
      break;
    case IDC_AddrBtn:
      if (code == BN_CLICKED) presenter_.AddrBtnClick();
      break;
    case IDC_ComPortEdit:
    case IDC_AddrEdit:
    case IDC_edIDNumber:
      // Left with a text the box does not take: it shows its number again.
      if (code == EN_KILLFOCUS) win32::IntegerBoxValue(window_, id);
      break;
    case IDC_WriteValueEdit:
    case IDC_WriteValueEdit2:
    case IDC_WriteValueCB:
      // Where the focus went is known only once it has arrived.
      if (code == EN_KILLFOCUS || (id == IDC_WriteValueCB && code == CBN_KILLFOCUS))
        PostMessageW(window_, kEditorLeftMessage, 0, 0);
      break;
    default:
      break;
  }
}

INT_PTR TParamFrm::Notify(const NMHDR& header) {
  const int id = static_cast<int>(header.idFrom);
  if (id == IDC_TabControl1 && header.code == TCN_SELCHANGE) {
    presenter_.TabControl1Change(CurrentTab());
  } else if (header.code == UDN_DELTAPOS && (id == IDC_WriteValueEdit + kSpinArrowsOffset ||
                                             id == IDC_WriteValueEdit2 + kSpinArrowsOffset)) {
    const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
    win32::ValueBox& box =
        id == IDC_WriteValueEdit + kSpinArrowsOffset ? writeValueEdit_ : writeValueEdit2_;
    box.Step(change.iDelta);
    // The arrows keep their own position: the box has taken the step.
    SetWindowLongPtrW(window_, DWLP_MSGRESULT, TRUE);
    return TRUE;
  }
  return FALSE;
}

void TParamFrm::BuildControls() {
  HWND panel = MakeControl(window_, WC_STATICW, "", WS_VISIBLE | WS_CLIPSIBLINGS | SS_LEFT,
                           layout::kPanel1, IDC_Panel1);
  win32::MakeLabel(window_, IDC_Label1, layout::kLabel1, layout::kLabel1Text);
  win32::MakeIntegerBox(window_, IDC_ComPortEdit, layout::kComPortEdit, layout::kComPortMin,
                        layout::kComPortMax, comPort_);
  win32::MakeLabel(window_, IDC_Label2, layout::kLabel2, layout::kLabel2Text);
  win32::MakeIntegerBox(window_, IDC_AddrEdit, layout::kAddrEdit, layout::kAddressMin,
                        layout::kAddressMax, address_);
  MakeControl(window_, WC_BUTTONW, "…", WS_VISIBLE | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON,
              layout::kAddrBtn, IDC_AddrBtn);
  win32::MakeLabel(window_, IDC_Label3, layout::kLabel3, layout::kLabel3Text);
  // The ID number travels in the row's code, a 32-bit integer.
  win32::MakeIntegerBox(window_, IDC_edIDNumber, layout::kEdIdNumber, 0,
                        std::numeric_limits<std::int32_t>::max(), idNumber_);
  HWND button1 =
      MakeControl(window_, WC_BUTTONW, layout::kButton1Text,
                  WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, layout::kButton1, IDC_Button1);
  SendMessageW(button1, WM_SETFONT, reinterpret_cast<WPARAM>(win32::BoldDialogFont()), FALSE);
  // Over the empty end of the tab strip, as in the original layout.
  MakeControl(window_, WC_BUTTONW, layout::kBitBtn1Text, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
              layout::kBitBtn1, IDC_BitBtn1);

  HWND tabs = MakeControl(window_, WC_TABCONTROLW, "", WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS,
                          layout::kTabControl1, IDC_TabControl1);
  for (std::size_t i = 0; i < layout::kTabs.size(); ++i) {
    std::wstring text = win32::Widen(layout::kTabs[i]);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(tab_), 0);

  win32::TRXDrawGrid::Events events;
  ParamFramePresenter& p = presenter_;
  events.cellText = [this](int row, int column) {
    const catalogue::CTRKParameters* params = presenter_.Params();
    return params != nullptr && row <= params->Count()
               ? CellText(params->Item(row - 1), column, format_)
               : std::string();
  };
  events.cellSelected = [&p] { p.RxDGCommonSelectCell(); };
  events.entered = [&p] { p.RxDGCommonEnter(); };
  events.columnSized = [&p] { p.RxDGCommonColumnSized(); };
  events.scrolled = [&p] { p.RxDGCommonScrolled(); };
  events.doubleClicked = [&p](int row, int column) { p.RxDGCommonDblClick(row, column); };
  grid_ = win32::TRXDrawGrid::Create(window_, IDC_RxDGCommon,
                                     Offset(layout::kRxDGCommon, layout::kTabControl1), events);

  BuildStatusBar();

  // The editors float over the grid, above it.
  writeValueEdit_.Create(window_, IDC_WriteValueEdit);
  writeValueEdit2_.Create(window_, IDC_WriteValueEdit2);
  MakeControl(window_, WC_COMBOBOXW, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
              layout::kRxDGCommon, IDC_WriteValueCB);

  // The tab control and the panel lie under everything else.
  SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(panel, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

namespace {

// The progress bar's own painting, then its window text centred over it in
// the dialog's font.
LRESULT CALLBACK ProgressWithText(HWND bar, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR /*id*/, DWORD_PTR /*data*/) {
  if (message == WM_NCDESTROY) RemoveWindowSubclass(bar, &ProgressWithText, 0);
  if (message != WM_PAINT) return DefSubclassProc(bar, message, wParam, lParam);
  const LRESULT painted = DefSubclassProc(bar, message, wParam, lParam);
  const std::wstring text = win32::Widen(win32::GetText(bar));
  if (text.empty()) return painted;
  HDC dc = GetDC(bar);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(GetParent(bar), WM_GETFONT, 0, 0));
  HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  RECT area{};
  GetClientRect(bar, &area);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (old != nullptr) SelectObject(dc, old);
  ReleaseDC(bar, dc);
  return painted;
}

}  // namespace

void TParamFrm::BuildStatusBar() {
  HWND status =
      MakeControl(window_, STATUSCLASSNAMEW, "",
                  WS_VISIBLE | WS_CLIPSIBLINGS | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER,
                  layout::kStatusBar1, IDC_StatusBar1);
  // A theme would paint over the red of a write's message.
  SetWindowTheme(status, L" ", L" ");
  const int parts[] = {layout::kFormWidth - layout::kReadProgressWidth, -1};
  SendMessageW(status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  RECT part{};
  SendMessageW(status, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&part));
  const Rect progress =
      Offset(Rect{part.left, part.top, part.right, part.bottom}, layout::kStatusBar1);
  // A child of the dialog over the bar's second part, found like every control;
  // it draws its text ("Прочитано … из …") over the bar, as Qt's does.
  HWND bar = MakeControl(window_, PROGRESS_CLASSW, "", PBS_SMOOTH, progress, IDC_ReadProgress);
  SetWindowSubclass(bar, &ProgressWithText, 0, 0);
}

}  // namespace kavo5000::window
