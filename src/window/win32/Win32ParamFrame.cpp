// Win32ParamFrame.cpp — the Win32 parameter window's handlers: tabs, rows and
// editors over the grid, reads on a double click and in the background,
// writes after confirmation, and the status line.
#include "Win32ParamFrame.h"

#include <commctrl.h>

#include "ParamFrameIds.h"
#include "ParamFrameLayout.h"
#include "VM30.h"
#include "Win32AddrFrame.h"
#include "Win32Dialog.h"
#include "Win32Grid.h"
#include "Win32Text.h"

namespace kavo5000::window {

using namespace ids;  // NOLINT(google-build-using-namespace): the IDs read as the controls' names

namespace {

constexpr int kComboFrame = 6;        // what a drop-down list adds to its item's height
constexpr int kListDropHeight = 200;  // the open list below WriteValueCB

COLORREF AlertColor() {
  constexpr int kByte = 0xFF;
  constexpr int kRedShift = 16;
  constexpr int kGreenShift = 8;
  const int rgb = layout::kStatusAlertRgb;
  return RGB((rgb >> kRedShift) & kByte, (rgb >> kGreenShift) & kByte, rgb & kByte);
}

bool Shown(HWND window) {
  return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

}  // namespace

int TParamFrm::CurrentTab() const {
  return static_cast<int>(SendMessageW(Item(IDC_TabControl1), TCM_GETCURSEL, 0, 0));
}

void TParamFrm::FormShow() {
  LoadParams();
  EnableWindow(Item(IDC_AddrBtn), Driver != nullptr ? TRUE : FALSE);
}

void TParamFrm::FormClose() {
  // The reader walks the table: it ends before the table goes.
  StopReader();
  FreeParams();
  tab_ = CurrentTab();
  comPort_ = win32::IntegerBoxValue(window_, IDC_ComPortEdit);
  address_ = win32::IntegerBoxValue(window_, IDC_AddrEdit);
  idNumber_ = win32::IntegerBoxValue(window_, IDC_edIDNumber);
}

void TParamFrm::LoadParams() {
  try {
    auto params = std::make_unique<catalogue::CTRKParameters>();
    params->Fill();
    format_ = catalogue::NumberFormat::User();
    params_ = std::move(params);
    paramsLoaded_ = true;
    RxDGCommonColumnSized();
  } catch (...) {
    // The window stays up with what it has; the next showing tries again.
  }
}

void TParamFrm::FreeParams() {
  KillTimer(window_, IDT_Timer2);
  HideEditors();
  params_.reset();
  if (grid_ != nullptr) grid_->SetRowHeights({});
}

void TParamFrm::TabControl1Change(int tab) {
  ShowTabRows(tab);
  PlaceEditor(0, 0);
  RxDGCommonEnter();
}

void TParamFrm::RxDGCommonColumnSized() {
  ShowTabRows(CurrentTab());
  FollowEditorCell();
}

int TParamFrm::CalcRowHeight(int row) {
  const catalogue::CParameter& p = params_->Item(row - 1);
  return window::CalcRowHeight(
      CellText(p, kNameColumn, format_), grid_->ColumnWidth(kNameColumn) - 2 * layout::kCellMargin,
      CellText(p, kLimitsColumn, format_),
      grid_->ColumnWidth(kLimitsColumn) - 2 * layout::kCellMargin,
      [this](std::string_view text, int width) { return grid_->MeasureText(text, width); });
}

void TParamFrm::ShowTabRows(int tab) {
  if (!paramsLoaded_ || !params_ || grid_ == nullptr) return;
  grid_->SetRowHeights(
      TabRowHeights(*params_, tab, [this](int row) { return CalcRowHeight(row); }));
}

void TParamFrm::RxDGCommonSelectCell() {
  SetTimer(window_, IDT_Timer2, layout::kEditorDelayMs, nullptr);
}

void TParamFrm::Timer2Timer() {
  KillTimer(window_, IDT_Timer2);
  if (grid_ != nullptr) PlaceEditor(grid_->CurrentRow(), grid_->CurrentColumn());
}

void TParamFrm::RxDGCommonEnter() {
  if (!params_ || grid_ == nullptr) return;
  const int current = grid_->CurrentRow();
  const int row = EnterRow(*params_, CurrentTab(), current);
  if (row != current && row >= 1) grid_->SetCurrent(row, grid_->CurrentColumn());
}

int TParamFrm::VisibleRowHeight(int row) const {
  if (grid_ == nullptr) return 0;
  const int height = grid_->RowHeight(row);
  return height > 0 ? height : 0;
}

void TParamFrm::HideEditors() {
  writeValueEdit_.Hide();
  writeValueEdit2_.Hide();
  ShowWindow(Item(IDC_WriteValueCB), SW_HIDE);
}

bool TParamFrm::EditorsShown() const {
  return writeValueEdit_.Shown() || writeValueEdit2_.Shown() || Shown(Item(IDC_WriteValueCB));
}

bool TParamFrm::EditorHasFocus() const {
  HWND focus = GetFocus();
  return focus != nullptr && (focus == Item(IDC_WriteValueCB) || writeValueEdit_.Owns(focus) ||
                              writeValueEdit2_.Owns(focus));
}

void TParamFrm::PrepareEditor(int row) {
  editorSetup_ = window::PrepareEditor(params_->Item(row - 1));
  writeValueEdit_.Apply(editorSetup_.edit, format_);
  writeValueEdit2_.Apply(editorSetup_.edit2, format_);
  HWND list = Item(IDC_WriteValueCB);
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  if (editorSetup_.list) {
    for (const std::string& item : editorSetup_.items) {
      SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::Widen(item).c_str()));
    }
    EnableWindow(list, editorSetup_.listEnabled ? TRUE : FALSE);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(editorSetup_.listIndex), 0);
  }
  ShowWindow(list, editorSetup_.list ? SW_SHOWNA : SW_HIDE);
}

void TParamFrm::PlaceEditor(int row, int column) {
  if (!params_ || !TakesEditor(row, column, VisibleRowHeight(row))) {
    HideEditors();
    return;
  }
  editorRow_ = row;
  editorColumn_ = column;
  PrepareEditor(row);
  FollowEditorCell();
  if (Shown(Item(IDC_WriteValueCB))) {
    SetFocus(Item(IDC_WriteValueCB));
  } else if (writeValueEdit_.Shown()) {
    SetFocus(writeValueEdit_.Edit());
    SendMessageW(writeValueEdit_.Edit(), EM_SETSEL, 0, -1);
  }
}

void TParamFrm::FollowEditorCell() {
  if (!EditorsShown() || grid_ == nullptr) return;
  const Rect cell = grid_->CellRect(editorRow_, editorColumn_);
  const Rect area = grid_->RowsArea();
  const bool inView = cell.top >= area.top && cell.bottom <= area.bottom &&
                      cell.left >= area.left && cell.right <= area.right;
  if (!params_ || VisibleRowHeight(editorRow_) <= 0 || !inView) {
    HideEditors();
    return;
  }
  POINT corners[2] = {{cell.left, cell.top}, {cell.right, cell.bottom}};
  MapWindowPoints(grid_->Handle(), window_, corners, 2);
  const std::optional<EditorPlacement> placement = window::PlaceEditor(
      editorSetup_, Rect{corners[0].x, corners[0].y, corners[1].x, corners[1].y});
  if (!placement) {
    HideEditors();
    return;
  }
  if (editorSetup_.list) {
    HWND list = Item(IDC_WriteValueCB);
    const Rect& r = placement->first;
    SendMessageW(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), r.Height() - kComboFrame);
    SetWindowPos(list, HWND_TOP, r.left, r.top, r.Width(), r.Height() + kListDropHeight,
                 SWP_NOACTIVATE);
    return;
  }
  writeValueEdit_.Place(placement->first);
  if (placement->second) writeValueEdit2_.Place(*placement->second);
}

void TParamFrm::WriteValueEditExit() {
  HWND focus = GetFocus();
  // Another window (the confirmation, the list's own popup) took the focus:
  // the technician is still at the editor.
  if (focus == nullptr || GetAncestor(focus, GA_ROOT) != window_) return;
  const bool onBox = writeValueEdit_.Owns(focus) || writeValueEdit2_.Owns(focus);
  // Back in the editor before the notice came round.
  if (focus == Item(IDC_WriteValueCB) || (onBox && !writeValueEdit2_.Shown())) return;
  switch (LeaveEditor(Shown(Item(IDC_WriteValueCB)), writeValueEdit_.Shown(),
                      writeValueEdit2_.Shown(), onBox)) {
    case EditorExit::kHideList:
      ShowWindow(Item(IDC_WriteValueCB), SW_HIDE);
      break;
    case EditorExit::kHideBoth:
      writeValueEdit_.Hide();
      writeValueEdit2_.Hide();
      break;
    case EditorExit::kHideEdit:
      writeValueEdit_.Hide();
      break;
    case EditorExit::kNothing:
      break;
  }
}

void TParamFrm::ActionExitExecute() {
  FormClose();
  done_ = true;
}

void TParamFrm::DriverGone() {
  StopReader();
  Driver = nullptr;
  if (Showing() && !done_) ActionExitExecute();
}

// ---- reading and writing ----

LineTarget TParamFrm::Target() const {
  return LineTarget{Driver, win32::IntegerBoxValue(window_, IDC_ComPortEdit),
                    win32::IntegerBoxValue(window_, IDC_AddrEdit)};
}

void TParamFrm::RxDGCommonDblClick(int row, int column) {
  if (!params_ || column != kReadColumn) return;
  ReadParam(row);
  grid_->Refresh();
}

std::string TParamFrm::ReadParam(int row) {
  return ReadRowNow(params_->Item(row - 1), Target(), format_);
}

TReadParamsTread::Hooks TParamFrm::ReaderHooks() {
  TReadParamsTread::Hooks hooks;
  // The port and address are taken afresh for every row.
  hooks.request = [this](int row) -> std::optional<ReadRequest> {
    if (!params_) return std::nullopt;
    return ReadRequestFor(params_->Item(row - 1), Target());
  };
  hooks.rowRead = [this](int row, std::int32_t raw) { ReaderRowRead(row, raw); };
  hooks.finished = [this] { ReaderFinished(); };
  hooks.post = [this](std::function<void()> call) { mailbox_.Post(std::move(call)); };
  return hooks;
}

void TParamFrm::Button1Click() {
  if (reader_.Running() || !params_) return;
  HWND progress = Item(IDC_ReadProgress);
  SendMessageW(progress, PBM_SETRANGE32, 0, params_->Count());
  SendMessageW(progress, PBM_SETPOS, 0, 0);
  win32::SetText(progress, ReadProgressText(0, params_->Count()));
  SetWindowPos(progress, HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  reader_.Start(params_->Count());
}

void TParamFrm::ReaderRowRead(int row, std::int32_t raw) {
  if (!params_) return;
  ApplyRead(params_->Item(row - 1), raw, format_, FailedReadText::kKeep);
  if (grid_ != nullptr) grid_->Refresh();
  HWND progress = Item(IDC_ReadProgress);
  SendMessageW(progress, PBM_SETPOS, static_cast<WPARAM>(row), 0);
  win32::SetText(progress, ReadProgressText(row, params_->Count()));
  InvalidateRect(progress, nullptr, TRUE);
}

void TParamFrm::ReaderFinished() {
  ShowWindow(Item(IDC_ReadProgress), SW_HIDE);
}

void TParamFrm::StopReader() {
  reader_.Stop();
  if (window_ != nullptr) ShowWindow(Item(IDC_ReadProgress), SW_HIDE);
}

EditorValues TParamFrm::TakeEditorValues() {
  EditorValues values;
  const bool first = !writeValueEdit_.Shown() || writeValueEdit_.Take().has_value();
  const bool second = !writeValueEdit2_.Shown() || writeValueEdit2_.Take().has_value();
  values.acceptable = first && second;
  values.edit = writeValueEdit_.Value();
  values.edit2 = writeValueEdit2_.Value();
  values.listIndex = static_cast<int>(SendMessageW(Item(IDC_WriteValueCB), CB_GETCURSEL, 0, 0));
  return values;
}

void TParamFrm::WriteValueEditKeyDown() {
  // What the box shows is what is written: a text that is no value in range
  // is not offered for writing at all.
  if (!TakeEditorValues().acceptable) {
    ShowStatus(kValueOutsideLimitsText);
    return;
  }
  const int answer =
      MessageBoxW(window_, win32::Widen(kConfirmQuestion).c_str(),
                  win32::Widen(kConfirmCaption).c_str(), MB_OKCANCEL | MB_ICONQUESTION);
  if (answer == IDOK && params_ && grid_ != nullptr) WriteParam(grid_->CurrentRow());
  if (grid_ != nullptr) grid_->Refresh();
}

void TParamFrm::WriteParam(int row) {
  if (!params_ || row < 1 || row > params_->Count()) return;
  const WriteTarget target{Target(), win32::IntegerBoxValue(window_, IDC_edIDNumber)};
  ShowStatus(WriteRow(params_->Item(row - 1), TakeEditorValues(), target, format_));
}

void TParamFrm::ShowStatus(const char* text) {
  SendMessageW(Item(IDC_StatusBar1), SB_SETTEXTW, 0,
               reinterpret_cast<LPARAM>(win32::Widen(text).c_str()));
  SetStatusAlert(true);
  // A second message within the period keeps the first one's schedule.
  if (!timer1Active_) {
    SetTimer(window_, IDT_Timer1, layout::kStatusDisplayMs, nullptr);
    timer1Active_ = true;
  }
}

void TParamFrm::Timer1Timer() {
  SetStatusAlert(false);
  KillTimer(window_, IDT_Timer1);
  timer1Active_ = false;
}

void TParamFrm::SetStatusAlert(bool alert) {
  HWND status = Item(IDC_StatusBar1);
  SendMessageW(status, SB_SETBKCOLOR, 0, alert ? AlertColor() : CLR_DEFAULT);
  InvalidateRect(status, nullptr, TRUE);
}

void TParamFrm::AddrBtnClick() {
  try {
    TAddrFrm dialog;
    if (!dialog.ShowModal(window_) || Driver == nullptr || window_ == nullptr) return;
    win32::SetIntegerBoxValue(window_, IDC_AddrEdit,
                              DialogAddress(*Driver, dialog.Dispenser(), dialog.Nozzle(),
                                            layout::kAddressMin, layout::kAddressMax));
  } catch (...) {
    // the address stays as it was
  }
}

}  // namespace kavo5000::window
