// The window's sequencing without a toolkit: the presenter driven through a
// fake view that records what it was told to show and answers its questions
// as a technician would.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ParamFramePresenter.h"
#include "VM30.h"

namespace kavo5000::window {
namespace {

constexpr int kRowHeight = 24;
constexpr int kAddressMax = 64;

class FakeView final : public ParamFrameView {
 public:
  // What the view was told.
  std::vector<int> heights;
  std::string status;
  bool alert = false;
  bool statusTimer = false;
  int statusTimerStarts = 0;
  bool editorShown[3] = {false, false, false};
  std::optional<Rect> placed[3];
  int focused = -1;
  bool progressShown = false;
  bool closed = false;
  int address = 1;
  // How the technician answers.
  int currentRow = 0;
  int currentColumn = 0;
  EditorValues values;
  bool confirm = true;
  int confirmations = 0;
  std::optional<DialogNozzle> nozzle;

  catalogue::NumberFormat Format() const override { return catalogue::NumberFormat::C(); }
  int CurrentTab() const override { return catalogue::pgParameters; }
  int CurrentRow() const override { return currentRow; }
  int CurrentColumn() const override { return currentColumn; }
  void SetCurrentCell(int row, int column) override {
    currentRow = row;
    currentColumn = column;
  }
  int ColumnWidth(int /*column*/) const override { return kRowHeight * 4; }
  int MeasureText(std::string_view /*text*/, int /*width*/) const override { return kRowHeight; }
  void ShowTable(catalogue::CTRKParameters* /*params*/) override {}
  void SetRowHeights(const std::vector<int>& h) override { heights = h; }
  int VisibleRowHeight(int row) const override {
    const auto i = static_cast<std::size_t>(row - 1);
    return row >= 1 && i < heights.size() && heights[i] > 0 ? heights[i] : 0;
  }
  void RefreshRows() override {}
  void SetUpEditors(const EditorSetup& setup) override {
    editorShown[0] = setup.edit.has_value();
    editorShown[1] = setup.edit2.has_value();
    editorShown[2] = setup.list;
  }
  void HideEditor(Editor e) override { editorShown[static_cast<int>(e)] = false; }
  bool EditorShown(Editor e) const override { return editorShown[static_cast<int>(e)]; }
  std::optional<Rect> CellInView(int row, int /*column*/) const override {
    return Rect{0, row * kRowHeight, kRowHeight * 4, (row + 1) * kRowHeight};
  }
  void PlaceEditor(Editor e, const Rect& where) override { placed[static_cast<int>(e)] = where; }
  void FocusEditor(Editor e) override { focused = static_cast<int>(e); }
  EditorValues TakeEditorValues() override { return values; }
  int ComPort() override { return 1; }
  int Address() override { return address; }
  int IdNumber() override { return 0; }
  void SetAddress(int a) override { address = a; }
  int AddressMinimum() const override { return 1; }
  int AddressMaximum() const override { return kAddressMax; }
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
  void ShowProgress(int /*rows*/) override { progressShown = true; }
  void SetProgress(int /*row*/, int /*rows*/) override {}
  void HideProgress() override { progressShown = false; }
  bool ConfirmWrite() override {
    ++confirmations;
    return confirm;
  }
  std::optional<DialogNozzle> AskNozzle() override { return nozzle; }
  void Close() override { closed = true; }
  void Post(std::function<void()> /*call*/) override {}
};

class PresenterTest : public ::testing::Test {
 protected:
  PresenterTest() { presenter.FormShow(); }
  // The grid row of the first parameter of `kind` on the parameters' tab.
  int FirstRowOf(catalogue::ParameterKind kind) const {
    for (int i = 0; i < presenter.Params()->Count(); ++i) {
      const catalogue::CParameter& p = presenter.Params()->Item(i);
      if (p.Kind == kind && p.Group == catalogue::pgParameters) return i + 1;
    }
    return 0;
  }

  FakeView view;
  ParamFramePresenter presenter{view};
};

TEST_F(PresenterTest, TheEditorGoesOverAShownWriteCellOnlyAndTakesTheFocus) {
  const int row = FirstRowOf(catalogue::pkNumber);
  ASSERT_GT(row, 0);
  ASSERT_GT(view.VisibleRowHeight(row), 0) << "the tab's rows are shown";
  view.SetCurrentCell(row, kWriteColumn);
  presenter.Timer2Timer();
  EXPECT_TRUE(view.EditorShown(Editor::kEdit));
  ASSERT_TRUE(view.placed[0].has_value());
  EXPECT_EQ(view.focused, static_cast<int>(Editor::kEdit));

  presenter.PlaceEditor(row, kReadColumn);  // not the "Запись" cell: nothing over it
  EXPECT_FALSE(view.EditorShown(Editor::kEdit));
  const int hidden = 1;  // the common commands' first row, hidden on this tab
  ASSERT_EQ(view.VisibleRowHeight(hidden), 0);
  presenter.PlaceEditor(hidden, kWriteColumn);
  EXPECT_FALSE(view.EditorShown(Editor::kEdit));
}

// Enter on what the editors hold: refused at once when it is no value in
// the row's limits, else written only once the technician confirms.
TEST_F(PresenterTest, EnterAsksBeforeWritingAndNeverForAValueOutsideTheLimits) {
  struct Case {
    const char* name;
    bool acceptable;
    bool confirm;
    int confirmations;
    std::string status;
  };
  const Case cases[] = {
      {"outsideTheLimits", false, true, 0, kValueOutsideLimitsText},
      {"cancelled", true, false, 1, ""},
      {"confirmedWithoutADriver", true, true, 1, kNoDriverText},
  };
  for (const Case& c : cases) {
    FakeView fresh;
    ParamFramePresenter p(fresh);
    p.FormShow();
    fresh.currentRow = 1;
    fresh.values.acceptable = c.acceptable;
    fresh.confirm = c.confirm;
    p.WriteValueEditKeyDown();
    EXPECT_EQ(fresh.confirmations, c.confirmations) << c.name;
    EXPECT_EQ(fresh.status, c.status) << c.name;
    EXPECT_EQ(fresh.alert, !c.status.empty()) << c.name;
  }
}

TEST_F(PresenterTest, ASecondMessageKeepsTheRedPeriodsScheduleAndTheTimerEndsIt) {
  presenter.ShowStatus("first");
  presenter.ShowStatus("second");
  EXPECT_EQ(view.status, "second");
  EXPECT_EQ(view.statusTimerStarts, 1);
  presenter.Timer1Timer();
  EXPECT_FALSE(view.alert);
  EXPECT_FALSE(view.statusTimer);
}

TEST_F(PresenterTest, TheDriverGoingAwayClosesTheWindowAndTheAddressDialogNeedsOne) {
  driver::VM30Driver vm30(0, 0, nullptr);
  presenter.Driver = &vm30;
  view.nozzle = DialogNozzle{2, 1};
  presenter.AddrBtnClick();
  EXPECT_EQ(view.address, 5);  // four nozzles a dispenser: dispenser 2 nozzle 1

  presenter.Button1Click();
  EXPECT_TRUE(view.progressShown);
  presenter.DriverGone();
  EXPECT_EQ(presenter.Driver, nullptr);
  EXPECT_EQ(presenter.ReadThread(), nullptr);
  EXPECT_FALSE(view.progressShown);
  EXPECT_TRUE(view.closed);
  view.nozzle = DialogNozzle{3, 1};
  presenter.AddrBtnClick();
  EXPECT_EQ(view.address, 5) << "no driver: the address stays";
}

}  // namespace
}  // namespace kavo5000::window
