// Win32ParamFrame.h — the technician's parameter window on Win32, TParamFrm:
// a modal dialog owned by the host's window with the grid of the whole
// parameter catalogue on three tabs, the editors that float over the
// "Запись" cell of the current row, the reads and writes, and the status
// line. What it computes lives in the plain functions of ParamFrameLogic.h,
// ParamIo.h, GridGeometry.h and SpinValue.h, its reads in the background in
// ParamReader.h; this class applies them to Win32 controls, whose IDs
// (ParamFrameIds.h) are named after the controls. Made once per module
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
#include "ParamIo.h"
#include "ParamReader.h"
#include "ParameterUnit.h"
#include "ValueBox.h"
#include "WindowMailbox.h"

namespace kavo5000::driver {
class VM30Driver;
}

namespace kavo5000::window {

namespace win32 {
class TRXDrawGrid;
}

class TParamFrm {
 public:
  TParamFrm();
  ~TParamFrm();
  TParamFrm(const TParamFrm&) = delete;
  TParamFrm& operator=(const TParamFrm&) = delete;

  // The driver object the window works for; not owned. The launcher sets it
  // before every showing.
  driver::VM30Driver* Driver = nullptr;

  // Shows the window modally, owned by `owner` (none: no owner), and returns
  // when it has closed.
  void ShowModal(HWND owner);
  bool Showing() const { return window_ != nullptr; }
  // Set the first time the table was built, never cleared.
  bool ParamsLoaded() const { return paramsLoaded_; }
  const TReadParamsTread* ReadThread() const { return reader_.Running() ? &reader_ : nullptr; }

  // Handlers, named after their control and event.
  void FormShow();
  void FormClose();
  void TabControl1Change(int tab);
  void RxDGCommonColumnSized();
  void RxDGCommonSelectCell();
  void Timer2Timer();
  void RxDGCommonEnter();
  void WriteValueEditExit();
  void ActionExitExecute();
  // The driver is being destroyed: the reader stops, the driver is
  // forgotten, and the window closes.
  void DriverGone();
  void RxDGCommonDblClick(int row, int column);
  void Button1Click();
  void WriteValueEditKeyDown();
  void Timer1Timer();
  void AddrBtnClick();

  // Operations.
  // Reads grid row `row` on the window's thread: its text, empty on failure.
  std::string ReadParam(int row);
  void WriteParam(int row);
  void ShowStatus(const char* text);
  void LoadParams();
  void FreeParams();
  int CalcRowHeight(int row);
  void ShowTabRows(int tab);
  void PrepareEditor(int row);
  void PlaceEditor(int row, int column);

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Message(UINT message, WPARAM wParam, LPARAM lParam);
  void Command(int id, int code);
  INT_PTR Notify(const NMHDR& header);
  // Win32ParamFrameControls.cpp
  void BuildControls();
  void BuildStatusBar();
  HWND Item(int id) const { return GetDlgItem(window_, id); }

  void HideEditors();
  bool EditorsShown() const;
  // Keeps the shown editors over their cell when the grid scrolls or its
  // columns change, and hides them when the cell leaves the view.
  void FollowEditorCell();
  int VisibleRowHeight(int row) const;
  int CurrentTab() const;
  // Where exchanges go now: the driver, the COM port and the address typed.
  LineTarget Target() const;
  // What the shown editors hold.
  EditorValues TakeEditorValues();
  bool EditorHasFocus() const;
  // The reader's hooks.
  TReadParamsTread::Hooks ReaderHooks();
  void ReaderRowRead(int row, std::int32_t raw);
  void ReaderFinished();
  // Ends a run of the reader, waiting for its exchange in progress.
  void StopReader();
  void SetStatusAlert(bool alert);

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

  std::unique_ptr<catalogue::CTRKParameters> params_;
  bool paramsLoaded_ = false;
  // The user's separators, read at every showing.
  catalogue::NumberFormat format_ = catalogue::NumberFormat::C();
  EditorSetup editorSetup_;  // of the row the editors were last prepared for
  int editorRow_ = 0;        // the cell the editors were last placed over
  int editorColumn_ = 0;
  // Declared before the reader, which stops (and stops posting) before it goes.
  win32::WindowMailbox mailbox_;
  TReadParamsTread reader_;
};

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_WIN32_WIN32PARAMFRAME_H
