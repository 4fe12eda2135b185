// Win32ParamFrame.cpp — the Win32 window as the presenter's view: the grid,
// the editors, the boxes, the status line and the progress as Win32
// controls show them; closing, and where the focus went when an editor lost
// it.
#include "Win32ParamFrame.h"

#include <commctrl.h>

#include "ParamFrameIds.h"
#include "ParamFrameLayout.h"
#include "Win32AddrFrame.h"
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

void TParamFrm::ActionExitExecute() {
  CloseForm();
  done_ = true;
}

void TParamFrm::CloseForm() {
  presenter_.FormClose();
  if (window_ == nullptr) return;
  tab_ = CurrentTab();
  comPort_ = win32::IntegerBoxValue(window_, IDC_ComPortEdit);
  address_ = win32::IntegerBoxValue(window_, IDC_AddrEdit);
  idNumber_ = win32::IntegerBoxValue(window_, IDC_edIDNumber);
}

void TParamFrm::Close() {
  if (Showing() && !done_) ActionExitExecute();
}

void TParamFrm::WriteValueEditExit() {
  HWND focus = GetFocus();
  // Another window (the confirmation, the list's own popup) took the focus:
  // the technician is still at the editor.
  if (focus == nullptr || GetAncestor(focus, GA_ROOT) != window_) return;
  const bool onBox = writeValueEdit_.Owns(focus) || writeValueEdit2_.Owns(focus);
  // Back in the editor before the notice came round.
  if (focus == Item(IDC_WriteValueCB) || (onBox && !writeValueEdit2_.Shown())) return;
  presenter_.WriteValueEditExit(onBox);
}

bool TParamFrm::EditorHasFocus() const {
  HWND focus = GetFocus();
  return focus != nullptr && (focus == Item(IDC_WriteValueCB) || writeValueEdit_.Owns(focus) ||
                              writeValueEdit2_.Owns(focus));
}

// ---- the view ----

int TParamFrm::CurrentTab() const {
  return static_cast<int>(SendMessageW(Item(IDC_TabControl1), TCM_GETCURSEL, 0, 0));
}

int TParamFrm::CurrentRow() const {
  return grid_ != nullptr ? grid_->CurrentRow() : 0;
}

int TParamFrm::CurrentColumn() const {
  return grid_ != nullptr ? grid_->CurrentColumn() : 0;
}

void TParamFrm::SetCurrentCell(int row, int column) {
  if (grid_ != nullptr) grid_->SetCurrent(row, column);
}

int TParamFrm::ColumnWidth(int column) const {
  return grid_ != nullptr ? grid_->ColumnWidth(column) : 0;
}

int TParamFrm::MeasureText(std::string_view text, int width) const {
  return grid_ != nullptr ? grid_->MeasureText(text, width) : 0;
}

// The grid asks the presenter's table for its cells' texts; without a table
// it has no rows.
void TParamFrm::ShowTable(catalogue::CTRKParameters* params) {
  if (params == nullptr && grid_ != nullptr) grid_->SetRowHeights({});
}

void TParamFrm::SetRowHeights(const std::vector<int>& heights) {
  if (grid_ != nullptr) grid_->SetRowHeights(heights);
}

int TParamFrm::VisibleRowHeight(int row) const {
  const int height = grid_ != nullptr ? grid_->RowHeight(row) : 0;
  return height > 0 ? height : 0;
}

void TParamFrm::RefreshRows() {
  if (grid_ != nullptr) grid_->Refresh();
}

void TParamFrm::SetUpEditors(const EditorSetup& setup) {
  writeValueEdit_.Apply(setup.edit, format_);
  writeValueEdit2_.Apply(setup.edit2, format_);
  HWND list = Item(IDC_WriteValueCB);
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  if (setup.list) {
    for (const std::string& item : setup.items) {
      SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::Widen(item).c_str()));
    }
    EnableWindow(list, setup.listEnabled ? TRUE : FALSE);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(setup.listIndex), 0);
  }
  ShowWindow(list, setup.list ? SW_SHOWNA : SW_HIDE);
}

void TParamFrm::HideEditor(Editor editor) {
  switch (editor) {
    case Editor::kEdit:
      writeValueEdit_.Hide();
      break;
    case Editor::kEdit2:
      writeValueEdit2_.Hide();
      break;
    case Editor::kList:
      ShowWindow(Item(IDC_WriteValueCB), SW_HIDE);
      break;
  }
}

bool TParamFrm::EditorShown(Editor editor) const {
  switch (editor) {
    case Editor::kEdit:
      return writeValueEdit_.Shown();
    case Editor::kEdit2:
      return writeValueEdit2_.Shown();
    case Editor::kList:
      break;
  }
  return Shown(Item(IDC_WriteValueCB));
}

std::optional<Rect> TParamFrm::CellInView(int row, int column) const {
  if (grid_ == nullptr) return std::nullopt;
  const Rect cell = grid_->CellRect(row, column);
  const Rect area = grid_->RowsArea();
  if (cell.top < area.top || cell.bottom > area.bottom || cell.left < area.left ||
      cell.right > area.right) {
    return std::nullopt;
  }
  POINT corners[2] = {{cell.left, cell.top}, {cell.right, cell.bottom}};
  MapWindowPoints(grid_->Handle(), window_, corners, 2);
  return Rect{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

void TParamFrm::PlaceEditor(Editor editor, const Rect& where) {
  switch (editor) {
    case Editor::kEdit:
      writeValueEdit_.Place(where);
      break;
    case Editor::kEdit2:
      writeValueEdit2_.Place(where);
      break;
    case Editor::kList: {
      HWND list = Item(IDC_WriteValueCB);
      SendMessageW(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), where.Height() - kComboFrame);
      SetWindowPos(list, HWND_TOP, where.left, where.top, where.Width(),
                   where.Height() + kListDropHeight, SWP_NOACTIVATE);
      break;
    }
  }
}

void TParamFrm::FocusEditor(Editor editor) {
  if (editor == Editor::kList) {
    SetFocus(Item(IDC_WriteValueCB));
    return;
  }
  HWND edit = editor == Editor::kEdit ? writeValueEdit_.Edit() : writeValueEdit2_.Edit();
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
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

// What the boxes show, put back first where their text is no number in range.
int TParamFrm::ComPort() {
  return window_ != nullptr ? win32::IntegerBoxValue(window_, IDC_ComPortEdit) : comPort_;
}

int TParamFrm::Address() {
  return window_ != nullptr ? win32::IntegerBoxValue(window_, IDC_AddrEdit) : address_;
}

int TParamFrm::IdNumber() {
  return window_ != nullptr ? win32::IntegerBoxValue(window_, IDC_edIDNumber) : idNumber_;
}

void TParamFrm::SetAddress(int address) {
  if (window_ != nullptr) win32::SetIntegerBoxValue(window_, IDC_AddrEdit, address);
}

int TParamFrm::AddressMinimum() const {
  return layout::kAddressMin;
}

int TParamFrm::AddressMaximum() const {
  return layout::kAddressMax;
}

void TParamFrm::EnableAddressButton(bool enabled) {
  EnableWindow(Item(IDC_AddrBtn), enabled ? TRUE : FALSE);
}

void TParamFrm::SetStatus(const std::string& text) {
  SendMessageW(Item(IDC_StatusBar1), SB_SETTEXTW, 0,
               reinterpret_cast<LPARAM>(win32::Widen(text).c_str()));
}

void TParamFrm::SetStatusAlert(bool alert) {
  HWND status = Item(IDC_StatusBar1);
  SendMessageW(status, SB_SETBKCOLOR, 0, alert ? AlertColor() : CLR_DEFAULT);
  InvalidateRect(status, nullptr, TRUE);
}

void TParamFrm::StartStatusTimer() {
  SetTimer(window_, IDT_Timer1, layout::kStatusDisplayMs, nullptr);
  timer1Active_ = true;
}

void TParamFrm::StopStatusTimer() {
  KillTimer(window_, IDT_Timer1);
  timer1Active_ = false;
}

void TParamFrm::StartEditorTimer() {
  SetTimer(window_, IDT_Timer2, layout::kEditorDelayMs, nullptr);
}

void TParamFrm::StopEditorTimer() {
  KillTimer(window_, IDT_Timer2);
}

void TParamFrm::ShowProgress(int rows) {
  HWND progress = Item(IDC_ReadProgress);
  SendMessageW(progress, PBM_SETRANGE32, 0, rows);
  SetProgress(0, rows);
  SetWindowPos(progress, HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void TParamFrm::SetProgress(int row, int rows) {
  HWND progress = Item(IDC_ReadProgress);
  SendMessageW(progress, PBM_SETPOS, static_cast<WPARAM>(row), 0);
  win32::SetText(progress, ReadProgressText(row, rows));
  InvalidateRect(progress, nullptr, TRUE);
}

void TParamFrm::HideProgress() {
  if (window_ != nullptr) ShowWindow(Item(IDC_ReadProgress), SW_HIDE);
}

bool TParamFrm::ConfirmWrite() {
  return MessageBoxW(window_, win32::Widen(kConfirmQuestion).c_str(),
                     win32::Widen(kConfirmCaption).c_str(), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

std::optional<DialogNozzle> TParamFrm::AskNozzle() {
  TAddrFrm dialog;
  if (!dialog.ShowModal(window_) || window_ == nullptr) return std::nullopt;
  return DialogNozzle{dialog.Dispenser(), dialog.Nozzle()};
}

void TParamFrm::Post(std::function<void()> call) {
  mailbox_.Post(std::move(call));
}

}  // namespace kavo5000::window
