// Win32Dialog.cpp — font, empty dialog, labels, number boxes, modal loop.
#include "Win32Dialog.h"

#include <commctrl.h>

#include <array>

#include "ParamFrameIds.h"
#include "SpinValue.h"
#include "Win32Text.h"

namespace kavo5000::window::win32 {

namespace {

constexpr int kPointsPerInch = 72;
constexpr int kLabelSpare = 2;  // a label's last letter may reach past its measured width
constexpr LPARAM kAltDownBit = LPARAM{1} << 29;  // a key message's context code

// Tabs, the status bar, up-down arrows, the progress bar, the header and the
// hints are common controls: their classes exist once these are initialised.
void InitialiseCommonControls() {
  static const bool initialised = [] {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS |
                     ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES;
    return InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)initialised;
}

// The two fonts, deleted when the module unloads.
struct Fonts {
  HFONT normal = nullptr;
  HFONT bold = nullptr;
  bool owned = false;  // the stock dialog font is not ours to delete
  Fonts();
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;
  ~Fonts() {
    if (owned && normal != nullptr) DeleteObject(normal);
    if (bold != nullptr) DeleteObject(bold);
  }
};

int CALLBACK FoundFamily(const LOGFONTW* /*font*/, const TEXTMETRICW* /*metric*/, DWORD /*type*/,
                         LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}

bool HasFamily(HDC dc, std::string_view family) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  const std::wstring name = Widen(family);
  name.copy(wanted.lfFaceName, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(dc, &wanted, &FoundFamily, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

Fonts::Fonts() {
  HDC screen = GetDC(nullptr);
  const int height =
      -MulDiv(layout::kFontPoints, GetDeviceCaps(screen, LOGPIXELSY), kPointsPerInch);
  LOGFONTW font{};
  for (const char* family : layout::kFontFamilies) {
    if (!HasFamily(screen, family)) continue;
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    Widen(family).copy(font.lfFaceName, LF_FACESIZE - 1);
    normal = CreateFontIndirectW(&font);
    owned = normal != nullptr;
    break;
  }
  ReleaseDC(nullptr, screen);
  if (normal == nullptr) {
    normal = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    GetObjectW(normal, sizeof font, &font);
  }
  font.lfWeight = FW_BOLD;
  bold = CreateFontIndirectW(&font);
}

const Fonts& TheFonts() {
  static const Fonts fonts;
  return fonts;
}

// An empty template: no controls, no size; the dialog is sized afterwards.
struct alignas(sizeof(DWORD)) EmptyTemplate {
  DLGTEMPLATE head;
  std::array<WORD, 3> tail;  // no menu, the system's class, no caption
};

bool BelongsTo(HWND dialog, HWND window) {
  return window == dialog || IsChild(dialog, window) != FALSE;
}

}  // namespace

HFONT DialogFont() {
  return TheFonts().normal;
}

HFONT BoldDialogFont() {
  return TheFonts().bold;
}

HWND CreateEmptyDialog(HWND owner, DLGPROC procedure, LPARAM param) {
  InitialiseCommonControls();
  EmptyTemplate empty{};
  empty.head.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPCHILDREN;
  return CreateDialogIndirectParamW(ModuleInstance(), &empty.head, owner, procedure, param);
}

void FitDialog(HWND dialog, std::string_view caption, int clientWidth, int clientHeight) {
  SetText(dialog, caption);
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  HWND owner = GetWindow(dialog, GW_OWNER);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(owner != nullptr ? owner : dialog, MONITOR_DEFAULTTOPRIMARY),
                  &monitor);
  const RECT& work = monitor.rcWork;
  const int x = work.left + (work.right - work.left - width) / 2;
  const int y = work.top + (work.bottom - work.top - height) / 2;
  SetWindowPos(dialog, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND MakeControl(HWND parent, const wchar_t* windowClass, std::string_view text, DWORD style,
                 const Rect& place, int id, DWORD exStyle) {
  HWND control =
      CreateWindowExW(exStyle, windowClass, Widen(text).c_str(), WS_CHILD | style, place.left,
                      place.top, place.Width(), place.Height(), parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
  return control;
}

HWND MakeLabel(HWND parent, int id, layout::Point at, std::string_view text) {
  const std::wstring wide = Widen(text);
  HDC dc = GetDC(parent);
  HGDIOBJ old = SelectObject(dc, DialogFont());
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(parent, dc);
  return MakeControl(parent, WC_STATICW, text, WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                     layout::Place(at.x, at.y, size.cx + kLabelSpare, size.cy), id);
}

HWND MakeIntegerBox(HWND parent, int id, const Rect& place, int minimum, int maximum, int value) {
  HWND edit = MakeControl(parent, WC_EDITW, "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, place, id,
                          WS_EX_CLIENTEDGE);
  HWND arrows =
      MakeControl(parent, UPDOWN_CLASSW, "",
                  WS_VISIBLE | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_SETBUDDYINT | UDS_NOTHOUSANDS,
                  Rect{}, id + ids::kSpinArrowsOffset);
  SendMessageW(arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
  SendMessageW(arrows, UDM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
  SendMessageW(arrows, UDM_SETPOS32, 0, static_cast<LPARAM>(value));
  return edit;
}

int IntegerBoxValue(HWND parent, int id) {
  HWND arrows = GetDlgItem(parent, id + ids::kSpinArrowsOffset);
  int minimum = 0;
  int maximum = 0;
  SendMessageW(arrows, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&minimum),
               reinterpret_cast<LPARAM>(&maximum));
  // The arrows' position is the last number the box took; a text they refuse
  // leaves it as it was (the error flag says so, and the text decides).
  BOOL refused = FALSE;
  const auto held =
      static_cast<int>(SendMessageW(arrows, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&refused)));
  const HeldNumber holds = HoldWholeNumber(GetText(GetDlgItem(parent, id)), minimum, maximum, held);
  if (holds.restoreText) SetIntegerBoxValue(parent, id, holds.value);
  return holds.value;
}

void SetIntegerBoxValue(HWND parent, int id, int value) {
  SendDlgItemMessageW(parent, id + ids::kSpinArrowsOffset, UDM_SETPOS32, 0,
                      static_cast<LPARAM>(value));
  // Written here too: the text shown must be the number held, whatever the
  // arrows do with a position they already have.
  SetText(GetDlgItem(parent, id), std::to_string(value));
}

void RunModal(HWND dialog, HWND owner, const bool& done, AltShortcut shortcut) {
  const bool disableOwner = owner != nullptr && IsWindowEnabled(owner) != FALSE;
  if (disableOwner) EnableWindow(owner, FALSE);
  ShowWindow(dialog, SW_SHOW);
  MSG message{};
  while (!done && IsWindow(dialog) != FALSE) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got < 0) break;
    // Alt+key arrives as WM_SYSKEYDOWN with the context bit: Alt was down
    // when the key went down, whatever the keyboard's state is by now.
    if (shortcut.key != 0 && message.message == WM_SYSKEYDOWN && message.wParam == shortcut.key &&
        (message.lParam & kAltDownBit) != 0 && BelongsTo(dialog, message.hwnd)) {
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(shortcut.command, 0), 0);
      continue;
    }
    if (IsDialogMessageW(dialog, &message) != FALSE) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // Before the dialog goes: otherwise Windows activates some other program.
  if (disableOwner) EnableWindow(owner, TRUE);
  if (owner != nullptr && GetActiveWindow() == dialog) SetActiveWindow(owner);
}

}  // namespace kavo5000::window::win32
