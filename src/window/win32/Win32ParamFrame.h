// Win32ParamFrame.h — the technician's parameter window on Win32, TParamFrm:
// a modal dialog owned by the host's window with the grid of the whole
// parameter catalogue on three tabs, the editors that float over the
// "Запись" cell of the current row, and the status line, as Win32 controls
// whose IDs (ParamFrameIds.h) are named after the controls. What the window
// does lives in ParamFramePresenter.h, for which this class is the view; its
// grid's geometry in GridGeometry.h, its number boxes' rules in SpinValue.h. Made once per module
// load: the tab, COM port, nozzle address and ID number keep their values
// between showings; the catalogue is built anew at every showing.
#ifndef KAVO5000_WINDOW_WIN32_WIN32PARAMFRAME_H
#define KAVO5000_WINDOW_WIN32_WIN32PARAMFRAME_H

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "NumberFormat.h"
#include "ParamFrameLogic.h"
#include "ParamFramePresenter.h"
#include "ParamFrameView.h"
#include "ParameterUnit.h"
#include "ValueBox.h"
#include "Win32Dialog.h"
#include "WindowMailbox.h"

namespace kavo5000::driver {
class VM30Driver;
}

namespace kavo5000::window {

namespace win32 {
class TRXDrawGrid;
}

class TParamFrm : private ParamFrameView {
 public:
  TParamFrm();
  ~TParamFrm() override;
  TParamFrm(const TParamFrm&) = delete;
  TParamFrm& operator=(const TParamFrm&) = delete;

  // The window's sequencing, and the driver it works for (Presenter().Driver).
  ParamFramePresenter& Presenter() { return presenter_; }

  // Shows the window modally, owned by `owner` (none: no owner), and returns
  // when it has closed.
  void ShowModal(HWND owner);
  bool Showing() const { return window_ != nullptr; }

 private:
  template <class Frame>
  friend INT_PTR CALLBACK win32::DialogThunk(HWND, UINT, WPARAM, LPARAM);
  INT_PTR Message(UINT message, WPARAM wParam, LPARAM lParam);
  void Command(int id, int code);
  INT_PTR Notify(const NMHDR& header);
  // Win32ParamFrameControls.cpp
  void BuildControls();
  void BuildStatusBar();
  HWND Item(int id) const { return GetDlgItem(window_, id); }

  // Alt+X, Esc, "Закрыть (Esc)" and the window's close box.
  void ActionExitExecute();
  // The presenter's closing, and the boxes' values kept for the next showing.
  void CloseForm();
  // The focus left an editor: where it went decides what hides.
  void WriteValueEditExit();
  bool EditorHasFocus() const;

  // ParamFrameView
  catalogue::NumberFormat Format() const override { return format_; }
  int CurrentTab() const override;
  int CurrentRow() const override;
  int CurrentColumn() const override;
  void SetCurrentCell(int row, int column) override;
  int ColumnWidth(int column) const override;
  int MeasureText(std::string_view text, int width) const override;
  void ShowTable(catalogue::CTRKParameters* params) override;
  void SetRowHeights(const std::vector<int>& heights) override;
  int VisibleRowHeight(int row) const override;
  void RefreshRows() override;
  void SetUpEditors(const EditorSetup& setup) override;
  void HideEditor(Editor editor) override;
  bool EditorShown(Editor editor) const override;
  std::optional<Rect> CellInView(int row, int column) const override;
  void PlaceEditor(Editor editor, const Rect& where) override;
  void FocusEditor(Editor editor) override;
  EditorValues TakeEditorValues() override;
  int ComPort() override;
  int Address() override;
  int IdNumber() override;
  void SetAddress(int address) override;
  int AddressMinimum() const override;
  int AddressMaximum() const override;
  void EnableAddressButton(bool enabled) override;
  void SetStatus(const std::string& text) override;
  void SetStatusAlert(bool alert) override;
  bool StatusTimerActive() const override { return timer1Active_; }
  void StartStatusTimer() override;
  void StopStatusTimer() override;
  void StartEditorTimer() override;
  void StopEditorTimer() override;
  void ShowProgress(int rows) override;
  void SetProgress(int row, int rows) override;
  void HideProgress() override;
  bool ConfirmWrite() override;
  std::optional<DialogNozzle> AskNozzle() override;
  void Close() override;
  void Post(std::function<void()> call) override;

  HWND window_ = nullptr;
  bool done_ = false;
  win32::TRXDrawGrid* grid_ = nullptr;  // owned by its window
  win32::ValueBox writeValueEdit_;
  win32::ValueBox writeValueEdit2_;
  bool timer1Active_ = false;

  // What the controls held when the window last closed.
  int tab_ = catalogue::pgCommon;
  int comPort_;
  int address_;
  int idNumber_ = 0;

  // The user's separators, read at every showing.
  catalogue::NumberFormat format_ = catalogue::NumberFormat::C();
  // Declared before the presenter, whose reader stops (and stops posting)
  // before it goes.
  win32::WindowMailbox mailbox_;
  ParamFramePresenter presenter_;
};

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_WIN32_WIN32PARAMFRAME_H
