// ParamFramePresenter.cpp — the window's handlers: tabs, rows and editors over
// the grid, reads on a double click and in the background, writes after
// confirmation, and the status line.
#include "ParamFramePresenter.h"

#include <algorithm>
#include <iterator>

#include "ParamFrameLayout.h"
#include "VM30.h"

namespace kavo5000::window {

namespace {
constexpr Editor kEditors[] = {Editor::kEdit, Editor::kEdit2, Editor::kList};
}  // namespace

ParamFramePresenter::ParamFramePresenter(ParamFrameView& view)
    : view_(view), reader_(ReaderHooks()) {}

void ParamFramePresenter::FormShow() {
  LoadParams();
  view_.EnableAddressButton(Driver != nullptr);
}

void ParamFramePresenter::FormClose() {
  // The reader walks the table: it ends before the table goes.
  StopReader();
  FreeParams();
}

void ParamFramePresenter::LoadParams() {
  try {
    auto params = std::make_unique<catalogue::CTRKParameters>();
    params->Fill();
    view_.ShowTable(nullptr);
    params_ = std::move(params);
    view_.ShowTable(params_.get());
    paramsLoaded_ = true;
    RxDGCommonColumnSized();
  } catch (...) {
    // The window stays up with what it has; the next showing tries again.
  }
}

void ParamFramePresenter::FreeParams() {
  view_.StopEditorTimer();
  HideEditors();
  view_.ShowTable(nullptr);
  params_.reset();
}

void ParamFramePresenter::TabControl1Change(int tab) {
  ShowTabRows(tab);
  PlaceEditor(0, 0);
  RxDGCommonEnter();
}

void ParamFramePresenter::RxDGCommonColumnSized() {
  ShowTabRows(view_.CurrentTab());
  FollowEditorCell();
}

int ParamFramePresenter::CalcRowHeight(int row) {
  const catalogue::CParameter& p = params_->Item(row - 1);
  const catalogue::NumberFormat format = view_.Format();
  return window::CalcRowHeight(
      CellText(p, kNameColumn, format), view_.ColumnWidth(kNameColumn) - 2 * layout::kCellMargin,
      CellText(p, kLimitsColumn, format),
      view_.ColumnWidth(kLimitsColumn) - 2 * layout::kCellMargin,
      [this](std::string_view text, int width) { return view_.MeasureText(text, width); });
}

void ParamFramePresenter::ShowTabRows(int tab) {
  if (!paramsLoaded_ || !params_) return;
  view_.SetRowHeights(TabRowHeights(*params_, tab, [this](int row) { return CalcRowHeight(row); }));
}

void ParamFramePresenter::RxDGCommonSelectCell() {
  view_.StartEditorTimer();
}

void ParamFramePresenter::Timer2Timer() {
  view_.StopEditorTimer();
  PlaceEditor(view_.CurrentRow(), view_.CurrentColumn());
}

void ParamFramePresenter::RxDGCommonEnter() {
  if (!params_) return;
  const int current = view_.CurrentRow();
  const int row = EnterRow(*params_, view_.CurrentTab(), current);
  if (row != current && row >= 1) view_.SetCurrentCell(row, view_.CurrentColumn());
}

void ParamFramePresenter::RxDGCommonScrolled() {
  FollowEditorCell();
}

void ParamFramePresenter::HideEditors() {
  for (const Editor editor : kEditors) view_.HideEditor(editor);
}

bool ParamFramePresenter::EditorsShown() const {
  return std::any_of(std::begin(kEditors), std::end(kEditors),
                     [this](Editor editor) { return view_.EditorShown(editor); });
}

void ParamFramePresenter::PrepareEditor(int row) {
  editorSetup_ = window::PrepareEditor(params_->Item(row - 1));
  view_.SetUpEditors(editorSetup_);
}

void ParamFramePresenter::PlaceEditor(int row, int column) {
  if (!params_ || !TakesEditor(row, column, view_.VisibleRowHeight(row))) {
    HideEditors();
    return;
  }
  editorRow_ = row;
  editorColumn_ = column;
  PrepareEditor(row);
  FollowEditorCell();
  if (view_.EditorShown(Editor::kList)) {
    view_.FocusEditor(Editor::kList);
  } else if (view_.EditorShown(Editor::kEdit)) {
    view_.FocusEditor(Editor::kEdit);
  }
}

void ParamFramePresenter::FollowEditorCell() {
  if (!EditorsShown()) return;
  const std::optional<Rect> cell = view_.CellInView(editorRow_, editorColumn_);
  const std::optional<EditorPlacement> placement =
      params_ && view_.VisibleRowHeight(editorRow_) > 0 && cell
          ? window::PlaceEditor(editorSetup_, *cell)
          : std::nullopt;
  if (!placement) {
    HideEditors();
    return;
  }
  view_.PlaceEditor(editorSetup_.list ? Editor::kList : Editor::kEdit, placement->first);
  if (placement->second) view_.PlaceEditor(Editor::kEdit2, *placement->second);
}

void ParamFramePresenter::WriteValueEditExit(bool focusOnABox) {
  switch (LeaveEditor(view_.EditorShown(Editor::kList), view_.EditorShown(Editor::kEdit),
                      view_.EditorShown(Editor::kEdit2), focusOnABox)) {
    case EditorExit::kHideList:
      view_.HideEditor(Editor::kList);
      break;
    case EditorExit::kHideBoth:
      view_.HideEditor(Editor::kEdit);
      view_.HideEditor(Editor::kEdit2);
      break;
    case EditorExit::kHideEdit:
      view_.HideEditor(Editor::kEdit);
      break;
    case EditorExit::kNothing:
      break;
  }
}

void ParamFramePresenter::DriverGone() {
  StopReader();
  Driver = nullptr;
  view_.Close();
}

// ---- reading and writing ----

LineTarget ParamFramePresenter::Target() {
  return LineTarget{Driver, view_.ComPort(), view_.Address()};
}

void ParamFramePresenter::RxDGCommonDblClick(int row, int column) {
  if (!params_ || column != kReadColumn || row < 1 || row > params_->Count()) return;
  ReadParam(row);
  view_.RefreshRows();
}

std::string ParamFramePresenter::ReadParam(int row) {
  return ReadRowNow(params_->Item(row - 1), Target(), view_.Format());
}

TReadParamsTread::Hooks ParamFramePresenter::ReaderHooks() {
  TReadParamsTread::Hooks hooks;
  // The port and address are taken afresh for every row.
  hooks.request = [this](int row) -> std::optional<ReadRequest> {
    if (!params_) return std::nullopt;
    return ReadRequestFor(params_->Item(row - 1), Target());
  };
  hooks.rowRead = [this](int row, std::int32_t raw) { ReaderRowRead(row, raw); };
  hooks.finished = [this] { view_.HideProgress(); };
  hooks.post = [this](std::function<void()> call) { view_.Post(std::move(call)); };
  return hooks;
}

void ParamFramePresenter::Button1Click() {
  if (reader_.Running() || !params_) return;
  view_.ShowProgress(params_->Count());
  reader_.Start(params_->Count());
}

void ParamFramePresenter::ReaderRowRead(int row, std::int32_t raw) {
  if (!params_) return;
  ApplyRead(params_->Item(row - 1), raw, view_.Format(), FailedReadText::kKeep);
  view_.RefreshRows();
  view_.SetProgress(row, params_->Count());
}

void ParamFramePresenter::StopReader() {
  reader_.Stop();
  view_.HideProgress();
}

void ParamFramePresenter::WriteValueEditKeyDown() {
  // What the box shows is what is written: a text that is no value in range
  // is not offered for writing at all.
  if (!view_.TakeEditorValues().acceptable) {
    ShowStatus(kValueOutsideLimitsText);
    return;
  }
  // The confirmation's own loop runs the host's messages: the driver or the
  // table may be gone when it returns.
  if (view_.ConfirmWrite() && params_) WriteParam(view_.CurrentRow());
  view_.RefreshRows();
}

void ParamFramePresenter::WriteParam(int row) {
  if (!params_ || row < 1 || row > params_->Count()) return;
  const WriteTarget target{Target(), view_.IdNumber()};
  ShowStatus(WriteRow(params_->Item(row - 1), view_.TakeEditorValues(), target, view_.Format()));
}

void ParamFramePresenter::ShowStatus(const std::string& text) {
  view_.SetStatus(text);
  view_.SetStatusAlert(true);
  // A second message within the period keeps the first one's schedule.
  if (!view_.StatusTimerActive()) view_.StartStatusTimer();
}

void ParamFramePresenter::Timer1Timer() {
  view_.SetStatusAlert(false);
  view_.StopStatusTimer();
}

void ParamFramePresenter::AddrBtnClick() {
  try {
    const std::optional<DialogNozzle> asked = view_.AskNozzle();
    if (!asked || Driver == nullptr) return;
    view_.SetAddress(DialogAddress(*Driver, asked->dispenser, asked->nozzle, view_.AddressMinimum(),
                                   view_.AddressMaximum()));
  } catch (...) {
    // the address stays as it was
  }
}

}  // namespace kavo5000::window
