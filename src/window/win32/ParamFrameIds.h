// ParamFrameIds.h — the control IDs of the Win32 parameter window and of its
// address dialog, each named after its control, so that a host or a test
// finds a control with GetDlgItem(dialog, IDC_…); and the messages the grid
// answers. The dialogs are of the system's dialog class ("#32770") and carry
// their captions (ParamFrameLayout.h), so FindWindowW finds them.
#ifndef KAVO5000_WINDOW_WIN32_PARAMFRAMEIDS_H
#define KAVO5000_WINDOW_WIN32_PARAMFRAMEIDS_H

#include <windows.h>

namespace kavo5000::window::ids {

// ---- TParamFrm ----
inline constexpr int IDC_Panel1 = 1001;
inline constexpr int IDC_Label1 = 1002;
inline constexpr int IDC_ComPortEdit = 1003;
inline constexpr int IDC_Label2 = 1004;
inline constexpr int IDC_AddrEdit = 1005;
inline constexpr int IDC_AddrBtn = 1006;
inline constexpr int IDC_Label3 = 1007;
inline constexpr int IDC_edIDNumber = 1008;
inline constexpr int IDC_Button1 = 1009;
// "Закрыть (Esc)": Esc is the dialog's cancel, and so is this button.
inline constexpr int IDC_BitBtn1 = IDCANCEL;
inline constexpr int IDC_TabControl1 = 1011;
inline constexpr int IDC_RxDGCommon = 1012;
inline constexpr int IDC_StatusBar1 = 1013;
inline constexpr int IDC_ReadProgress = 1014;  // over the status bar's second part
inline constexpr int IDC_WriteValueEdit = 1015;
inline constexpr int IDC_WriteValueEdit2 = 1016;
inline constexpr int IDC_WriteValueCB = 1017;
inline constexpr int IDC_ActionExit = 1018;  // Alt+X
// The up-down arrows of a number box have the box's ID plus this.
inline constexpr int kSpinArrowsOffset = 100;
// The window's timers, as SetTimer knows them.
inline constexpr UINT_PTR IDT_Timer1 = 1;  // the status line's red period
inline constexpr UINT_PTR IDT_Timer2 = 2;  // the editors' placement

// ---- TAddrFrm ----
inline constexpr int IDC_AddrLabel1 = 2001;
inline constexpr int IDC_NTrkEdit = 2002;
inline constexpr int IDC_AddrLabel2 = 2003;
inline constexpr int IDC_NPstEdit = 2004;
inline constexpr int IDC_Bevel1 = 2005;
inline constexpr int IDC_AddrBitBtn1 = IDOK;      // "Вычислить", the default button
inline constexpr int IDC_AddrBitBtn2 = IDCANCEL;  // "Отмена", also Esc

// ---- the grid (RxDGCommon, window class "TRXDrawGrid") ----
// Grid rows are 1..count (row 0 is the header), columns 0..4.
// The current cell: MAKELRESULT(column, row); row 0 when there is none.
inline constexpr UINT GM_GETCURRENT = WM_USER + 100;
// Makes cell (wParam = row, lParam = column) current, as a click on it does,
// and scrolls it into view; FALSE, and nothing changes, for a hidden row.
inline constexpr UINT GM_SETCURRENT = WM_USER + 101;
// The number of data rows.
inline constexpr UINT GM_GETROWCOUNT = WM_USER + 102;
// The height of row wParam in pixels; −1 for a hidden row.
inline constexpr UINT GM_GETROWHEIGHT = WM_USER + 103;
// The cell's rectangle (wParam = MAKEWPARAM(column, row)) in the grid's
// client coordinates into the RECT at lParam; FALSE for a hidden row.
inline constexpr UINT GM_GETCELLRECT = WM_USER + 104;
// The cell's text (wParam = MAKEWPARAM(column, row)) as UTF-16 into the
// GridCellText at lParam, cut to fit its buffer, zero-terminated; the whole
// text's length without the zero. With lParam 0, only the length. The
// buffer's size travels with it: a read may change the cell between two
// messages.
struct GridCellText {
  WCHAR* buffer = nullptr;
  int size = 0;  // characters, the terminating zero included
};
inline constexpr UINT GM_GETCELLTEXT = WM_USER + 105;

}  // namespace kavo5000::window::ids

#endif  // KAVO5000_WINDOW_WIN32_PARAMFRAMEIDS_H
