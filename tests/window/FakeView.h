// The parameter window's view without a toolkit, for the presenter's tests:
// it records what it was told to show and answers the presenter's questions
// as a technician would. Calls posted from the reader's thread wait in a
// queue until the test, playing the window's thread, runs them.
#ifndef KAVO5000_TESTS_WINDOW_FAKEVIEW_H
#define KAVO5000_TESTS_WINDOW_FAKEVIEW_H

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ParamFrameLayout.h"
#include "ParamFrameView.h"
#include "ParameterUnit.h"

namespace kavo5000::window {

inline constexpr int kFakeRowHeight = 24;

class FakeView final : public ParamFrameView {
 public:
  // What the view was told.
  std::vector<int> heights;
  int refreshes = 0;
  std::string status;
  bool alert = false;
  bool statusTimer = false;
  int statusTimerStarts = 0;
  bool editorShown[3] = {false, false, false};
  std::optional<Rect> placed[3];
  int focused = -1;
  bool progressShown = false;
  int progressShows = 0;
  int progressRow = 0;  // the row the progress last stood at
  bool closed = false;
  // The boxes and the grid, and how the technician answers.
  int tab = catalogue::pgParameters;
  int currentRow = 0;
  int currentColumn = 0;
  int comPort = 1;
  int address = 1;
  int idNumber = 0;
  EditorValues values;
  bool confirm = true;
  int confirmations = 0;
  std::optional<DialogNozzle> nozzle;

  // Runs the next call posted, waiting for one to come.
  void RunPosted() {
    std::function<void()> call;
    {
      std::unique_lock lock(mutex_);
      postedChanged_.wait(lock, [this] { return !posted_.empty(); });
      call = std::move(posted_.front());
      posted_.pop_front();
    }
    call();
  }
  // Runs the calls posted so far, and none that they post in turn.
  void RunPending() {
    std::deque<std::function<void()>> calls;
    {
      const std::lock_guard lock(mutex_);
      calls.swap(posted_);
    }
    for (const std::function<void()>& call : calls) call();
  }

  catalogue::NumberFormat Format() const override { return catalogue::NumberFormat::C(); }
  int CurrentTab() const override { return tab; }
  int CurrentRow() const override { return currentRow; }
  int CurrentColumn() const override { return currentColumn; }
  void SetCurrentCell(int row, int column) override {
    currentRow = row;
    currentColumn = column;
  }
  int ColumnWidth(int /*column*/) const override { return kFakeRowHeight * 4; }
  int MeasureText(std::string_view /*text*/, int /*width*/) const override {
    return kFakeRowHeight;
  }
  void ShowTable(catalogue::CTRKParameters* /*params*/) override {}
  void SetRowHeights(const std::vector<int>& h) override { heights = h; }
  int VisibleRowHeight(int row) const override {
    const auto i = static_cast<std::size_t>(row - 1);
    return row >= 1 && i < heights.size() && heights[i] > 0 ? heights[i] : 0;
  }
  void RefreshRows() override { ++refreshes; }
  void SetUpEditors(const EditorSetup& setup) override {
    editorShown[0] = setup.edit.has_value();
    editorShown[1] = setup.edit2.has_value();
    editorShown[2] = setup.list;
  }
  void HideEditor(Editor e) override { editorShown[static_cast<int>(e)] = false; }
  bool EditorShown(Editor e) const override { return editorShown[static_cast<int>(e)]; }
  std::optional<Rect> CellInView(int row, int /*column*/) const override {
    return Rect{0, row * kFakeRowHeight, kFakeRowHeight * 4, (row + 1) * kFakeRowHeight};
  }
  void PlaceEditor(Editor e, const Rect& where) override { placed[static_cast<int>(e)] = where; }
  void FocusEditor(Editor e) override { focused = static_cast<int>(e); }
  EditorValues TakeEditorValues() override { return values; }
  int ComPort() override { return comPort; }
  int Address() override { return address; }
  int IdNumber() override { return idNumber; }
  void SetAddress(int a) override { address = a; }
  // The address box's own range.
  int AddressMinimum() const override { return layout::kAddressMin; }
  int AddressMaximum() const override { return layout::kAddressMax; }
  void EnableAddressButton(bool /*enabled*/) override {}
  void SetStatus(const std::string& text) override { status = text; }
  void SetStatusAlert(bool a) override { alert = a; }
  bool StatusTimerActive() const override { return statusTimer; }
  void StartStatusTimer() override {
    statusTimer = true;
    ++statusTimerStarts;
  }
  void StopStatusTimer() override { statusTimer = false; }
  void StartEditorTimer() override {}
  void StopEditorTimer() override {}
  void ShowProgress(int /*rows*/) override {
    progressShown = true;
    ++progressShows;
    progressRow = 0;
  }
  void SetProgress(int row, int /*rows*/) override { progressRow = row; }
  void HideProgress() override { progressShown = false; }
  bool ConfirmWrite() override {
    ++confirmations;
    return confirm;
  }
  std::optional<DialogNozzle> AskNozzle() override { return nozzle; }
  void Close() override { closed = true; }
  void Post(std::function<void()> call) override {
    {
      const std::lock_guard lock(mutex_);
      posted_.push_back(std::move(call));
    }
    postedChanged_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable postedChanged_;
  std::deque<std::function<void()>> posted_;
};

}  // namespace kavo5000::window

#endif  // KAVO5000_TESTS_WINDOW_FAKEVIEW_H
