// ParamFramePresenter.h — the parameter window's sequencing, written once for
// both front-ends: what a showing and a closing do, tabs and rows, the
// editors over the "Запись" cell (set up, placed, followed, left), reads on
// a double click and in the background, writes after confirmation, the
// status line and the address dialog. It computes with the plain functions
// of ParamFrameLogic.h and ParamIo.h and shows through a ParamFrameView; a
// front-end (ParamFrame.h on Qt, win32/Win32ParamFrame.h) owns one, draws,
// and routes its controls' events to the handlers, which are named after
// their control and event.
#ifndef KAVO5000_WINDOW_PARAMFRAMEPRESENTER_H
#define KAVO5000_WINDOW_PARAMFRAMEPRESENTER_H

#include <cstdint>
#include <memory>
#include <string>

#include "ParamFrameLogic.h"
#include "ParamFrameView.h"
#include "ParamIo.h"
#include "ParamReader.h"
#include "ParameterUnit.h"

namespace kavo5000::driver {
class VM30Driver;
}

namespace kavo5000::window {

class ParamFramePresenter {
 public:
  explicit ParamFramePresenter(ParamFrameView& view);
  // Going, it stops the reader (its last member), waiting for its exchange
  // in progress.
  ~ParamFramePresenter() = default;
  ParamFramePresenter(const ParamFramePresenter&) = delete;
  ParamFramePresenter& operator=(const ParamFramePresenter&) = delete;

  // The driver object the window works for; not owned. The launcher sets it
  // before every showing; DriverGone clears it.
  driver::VM30Driver* Driver = nullptr;

  // Set the first time the table was built, never cleared.
  bool ParamsLoaded() const { return paramsLoaded_; }
  // The table shown, between a showing and its closing; none otherwise.
  catalogue::CTRKParameters* Params() const { return params_.get(); }
  // The background reader while "Прочитать все параметры" runs; none otherwise.
  const TReadParamsTread* ReadThread() const { return reader_.Running() ? &reader_ : nullptr; }

  // Handlers.
  void FormShow();
  void FormClose();
  void TabControl1Change(int tab);
  void RxDGCommonColumnSized();
  void RxDGCommonSelectCell();
  void Timer2Timer();
  void RxDGCommonEnter();
  // The grid scrolled or its columns moved: the editors keep to their cell,
  // and hide when it leaves the view.
  void RxDGCommonScrolled();
  // The focus left an editor; `focusOnABox` when it went to one of the two
  // number boxes.
  void WriteValueEditExit(bool focusOnABox);
  void RxDGCommonDblClick(int row, int column);
  void Button1Click();
  // Enter in an editor: the value shown, confirmed, is written.
  void WriteValueEditKeyDown();
  void Timer1Timer();
  void AddrBtnClick();
  // The driver is being destroyed: the reader stops, the driver is
  // forgotten, and the window closes.
  void DriverGone();

  // Operations.
  // Reads grid row `row` on the window's thread: its text, empty on failure.
  std::string ReadParam(int row);
  void WriteParam(int row);
  void ShowStatus(const std::string& text);
  void LoadParams();
  void FreeParams();
  int CalcRowHeight(int row);
  void ShowTabRows(int tab);
  void PrepareEditor(int row);
  void PlaceEditor(int row, int column);
  // Ends a run of the reader, waiting for its exchange in progress.
  void StopReader();

 private:
  // Where exchanges go now: the driver, the COM port and the address shown.
  LineTarget Target();
  TReadParamsTread::Hooks ReaderHooks();
  void ReaderRowRead(int row, std::int32_t raw);
  void HideEditors();
  bool EditorsShown() const;
  void FollowEditorCell();

  ParamFrameView& view_;
  std::unique_ptr<catalogue::CTRKParameters> params_;
  bool paramsLoaded_ = false;
  EditorSetup editorSetup_;  // of the row the editors were last prepared for
  int editorRow_ = 0;        // the cell the editors were last placed over
  int editorColumn_ = 0;
  // Last: it stops (and stops calling back) before the rest goes.
  TReadParamsTread reader_;
};

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_PARAMFRAMEPRESENTER_H
