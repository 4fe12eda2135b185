// The window's sequencing without a toolkit: the presenter driven through a
// fake view that records what it was told to show and answers its questions
// as a technician would.
#include <gtest/gtest.h>

#include <string>

#include "FakeView.h"
#include "ParamFramePresenter.h"
#include "VM30.h"

namespace kavo5000::window {
namespace {

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
  EXPECT_FALSE(view.EditorShown(Editor::kList));
  ASSERT_TRUE(view.placed[0].has_value());
  EXPECT_EQ(view.focused, static_cast<int>(Editor::kEdit));

  view.SetCurrentCell(row, kReadColumn);  // not the "Запись" cell: nothing over it
  presenter.Timer2Timer();
  EXPECT_FALSE(view.EditorShown(Editor::kEdit));
  const int hidden = 1;  // the common commands' first row, hidden on this tab
  ASSERT_EQ(view.VisibleRowHeight(hidden), 0);
  presenter.PlaceEditor(hidden, kWriteColumn);
  EXPECT_FALSE(view.EditorShown(Editor::kEdit));
}

TEST_F(PresenterTest, ReopeningForgetsWhatWasReadAndShowsTheTabsRows) {
  const int row = FirstRowOf(catalogue::pkNumber);
  presenter.Params()->Item(row - 1).RecordRead(12, "12");
  presenter.FormClose();
  EXPECT_EQ(presenter.Params(), nullptr);
  view.heights.clear();
  presenter.FormShow();
  const catalogue::CParameter& p = presenter.Params()->Item(row - 1);
  EXPECT_EQ(p.ReadText, "");
  EXPECT_FALSE(p.ReadError);
  EXPECT_NE(p.Value, 12);
  EXPECT_GT(view.VisibleRowHeight(row), 0) << "the tab's rows are the ones shown";
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
