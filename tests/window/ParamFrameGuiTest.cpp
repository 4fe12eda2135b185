// The parameter window as real widgets show it (offscreen): tabs, the veto on
// hidden rows, row heights that follow the name column, the editor over the
// "Запись" cell, the two boxes of one cell, and the driver's command in the
// station's menus opening the one window for the latest driver. Timers are
// fired by hand.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "HostMenu.h"
#include "Menu.h"
#include "ParamFrame.h"
#include "ParamWindow.h"
#include "VM30.h"

namespace kavo5000::window {
namespace {

class ParamFrameGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.show();
    form.activateWindow();
    QCoreApplication::processEvents();
  }
  void TearDown() override { form.hide(); }

  void ChooseTab(int tab) { form.TabBar->setCurrentIndex(tab); }
  QPoint CellCentre(int gridRow, int column) {
    return form.RxDGCommon->visualRect(form.RxDGCommon->model()->index(gridRow - 1, column))
        .center();
  }
  // A click on a cell, scrolled into view first as the technician would.
  void Click(int gridRow, int column) {
    QCoreApplication::processEvents();  // the grid's layout settles
    form.RxDGCommon->scrollTo(form.RxDGCommon->model()->index(gridRow - 1, column));
    QCoreApplication::processEvents();
    QTest::mouseClick(form.RxDGCommon->viewport(), Qt::LeftButton, {}, CellCentre(gridRow, column));
    EXPECT_TRUE(form.Timer2->isActive()) << "a click selects its cell";
  }
  // Timer2 fired by hand, once the events before it are done, as 50 ms later.
  void FireTimer2() {
    QCoreApplication::processEvents();
    if (form.Timer2->isActive()) form.Timer2Timer();
  }
  int FirstRowOfKind(std::uint8_t kind) {
    for (int i = 0; i < form.Params()->Count(); ++i)
      if (form.Params()->Item(i).Kind == kind) return i + 1;
    return 0;
  }

  TParamFrm form;
};

TEST_F(ParamFrameGuiTest, EachTabShowsExactlyTheRowsOfItsGroup) {
  for (int tab : {catalogue::pgParameters, catalogue::pgAddress, catalogue::pgCommon}) {
    ChooseTab(tab);
    for (int i = 0; i < form.Params()->Count(); ++i) {
      const bool mine = form.Params()->Item(i).Group == tab;
      EXPECT_EQ(form.RxDGCommon->isRowHidden(i), !mine) << "tab " << tab << ", row " << i + 1;
      if (mine) {
        EXPECT_GE(form.RxDGCommon->rowHeight(i), kMinRowHeight);
      }
    }
    // The current row moves into the tab.
    EXPECT_EQ(form.Params()->Item(form.CurrentRow() - 1).Group, tab);
  }
}

TEST_F(ParamFrameGuiTest, KeysAndClicksNeverLandOnAHiddenRow) {
  ChooseTab(catalogue::pgCommon);
  form.RxDGCommon->setFocus();
  for (Qt::Key key : {Qt::Key_Up, Qt::Key_Home, Qt::Key_End, Qt::Key_Down, Qt::Key_PageDown,
                      Qt::Key_PageUp, Qt::Key_Up}) {
    QTest::keyClick(form.RxDGCommon, key);
    EXPECT_EQ(form.Params()->Item(form.CurrentRow() - 1).Group, catalogue::pgCommon)
        << "after key " << key;
  }
  ChooseTab(catalogue::pgAddress);
  const int row = form.CurrentRow();
  QTest::keyClick(form.RxDGCommon, Qt::Key_Down);
  QTest::keyClick(form.RxDGCommon, Qt::Key_Up);
  EXPECT_EQ(form.CurrentRow(), row);
  // Below the one row of this tab there is nothing to click.
  const QPoint below = CellCentre(row, kNameColumn) + QPoint(0, 100);
  QTest::mouseClick(form.RxDGCommon->viewport(), Qt::LeftButton, {}, below);
  EXPECT_EQ(form.CurrentRow(), row);
}

TEST_F(ParamFrameGuiTest, AWiderNameColumnLowersLongRows) {
  ChooseTab(catalogue::pgParameters);
  const auto heights = [this] {
    std::vector<int> h;
    for (int i = 0; i < form.Params()->Count(); ++i) h.push_back(form.RxDGCommon->rowHeight(i));
    return h;
  };
  const std::vector<int> before = heights();
  form.RxDGCommon->setColumnWidth(kNameColumn, 2 * form.RxDGCommon->columnWidth(kNameColumn));
  const std::vector<int> after = heights();
  int lowered = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_LE(after[i], before[i]) << "row " << i + 1;
    if (after[i] < before[i]) ++lowered;
  }
  EXPECT_GT(lowered, 0);
}

TEST_F(ParamFrameGuiTest, TheEditorComesOverTheWriteCellAfterTheTimerAndGoesForTheReadCell) {
  ChooseTab(catalogue::pgParameters);
  const int row = FirstRowOfKind(catalogue::pkNumber);
  Click(row, kWriteColumn);
  EXPECT_TRUE(form.WriteValueEdit->isHidden());  // not before the timer
  FireTimer2();
  ASSERT_FALSE(form.WriteValueEdit->isHidden());
  EXPECT_TRUE(form.WriteValueCB->isHidden());
  const QRect cell(
      form.RxDGCommon->viewport()->mapTo(
          form.TabControl1,
          form.RxDGCommon->visualRect(form.RxDGCommon->model()->index(row - 1, kWriteColumn))
              .topLeft()),
      form.RxDGCommon->visualRect(form.RxDGCommon->model()->index(row - 1, kWriteColumn)).size());
  EXPECT_TRUE(cell.contains(form.WriteValueEdit->geometry()));
  EXPECT_EQ(form.WriteValueEdit->value(), form.Params()->Item(row - 1).MinReal());

  Click(row, kReadColumn);
  FireTimer2();
  EXPECT_TRUE(form.WriteValueEdit->isHidden());
}

TEST_F(ParamFrameGuiTest, TheEditorStaysOverItsCellWhenTheGridScrolls) {
  ChooseTab(catalogue::pgParameters);
  const int row = FirstRowOfKind(catalogue::pkNumber);
  Click(row, kWriteColumn);
  FireTimer2();
  ASSERT_FALSE(form.WriteValueEdit->isHidden());
  const QRect before = form.WriteValueEdit->geometry();
  QScrollBar* bar = form.RxDGCommon->verticalScrollBar();
  bar->setValue(bar->value() + 7);
  EXPECT_EQ(form.WriteValueEdit->geometry(), before.translated(0, -7));
  // Scrolled out of view, it no longer floats over another row.
  bar->setValue(bar->maximum());
  EXPECT_TRUE(form.WriteValueEdit->isHidden());
}

TEST_F(ParamFrameGuiTest, FromTheFirstBoxIntoTheSecondKeepsBoth) {
  ChooseTab(catalogue::pgParameters);
  const int row = FirstRowOfKind(catalogue::pkBranches);
  Click(row, kWriteColumn);
  FireTimer2();
  ASSERT_FALSE(form.WriteValueEdit->isHidden());
  ASSERT_FALSE(form.WriteValueEdit2->isHidden());
  ASSERT_TRUE(form.WriteValueEdit->hasFocus());
  QTest::mouseClick(form.WriteValueEdit2, Qt::LeftButton);
  EXPECT_TRUE(form.WriteValueEdit2->hasFocus());
  EXPECT_FALSE(form.WriteValueEdit->isHidden());
  EXPECT_FALSE(form.WriteValueEdit2->isHidden());
  // Anywhere else hides both.
  Click(row, kNameColumn);
  EXPECT_TRUE(form.WriteValueEdit->isHidden());
  EXPECT_TRUE(form.WriteValueEdit2->isHidden());
}

TEST_F(ParamFrameGuiTest, EnterStaysWithTheEditor) {
  ChooseTab(catalogue::pgCommon);
  Click(FirstRowOfKind(catalogue::pkCommandList), kWriteColumn);
  FireTimer2();
  ASSERT_FALSE(form.WriteValueCB->isHidden());
  // Either Enter key asks for confirmation and never closes the window.
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
    bool asked = false;
    QTimer::singleShot(0, [&asked] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      asked = box != nullptr;
      if (box != nullptr) box->button(QMessageBox::Cancel)->click();
    });
    QTest::keyClick(form.WriteValueCB, key);
    EXPECT_TRUE(asked) << "key " << key;
    EXPECT_TRUE(form.isVisible());
  }
}

TEST(ParamWindowLaunchTest, TheStationMenuCommandOpensTheOneWindowForTheLatestDriver) {
  InstallParamWindowLauncher();
  driver::ResetMenuPending();
  QMenuBar bar;
  station::HostMenuItem mainMenu(bar);
  mainMenu.AddMenu("&Файл");
  station::HostMenuItem& dispensers = mainMenu.AddMenu("&ТРК");
  driver::VM30Driver first(0, 0, nullptr);
  first.AddDriverMenu(&mainMenu, &station::MakeMenuItem);
  driver::VM30Driver second(0, 0, nullptr);
  ASSERT_EQ(dispensers.Count(), 1);
  auto* command = static_cast<station::HostMenuItem*>(dispensers.Items(0));
  EXPECT_EQ(command->Action()->text(), "Программирование параметров (Каво 5000)");

  struct Shown {
    QWidget* window;
    driver::VM30Driver* driver;
  };
  std::vector<Shown> shown;
  for (int i = 0; i < 2; ++i) {
    // Runs inside the modal loop: note what is up, then close it.
    QTimer::singleShot(0, [&shown] {
      auto* modal = qobject_cast<TParamFrm*>(QApplication::activeModalWidget());
      shown.push_back({modal, modal != nullptr ? modal->Driver : nullptr});
      if (modal != nullptr) modal->close();
    });
    command->Action()->trigger();
  }
  ASSERT_EQ(shown.size(), 2u);
  ASSERT_NE(shown[0].window, nullptr);
  EXPECT_EQ(shown[0].window, ParamFrm());
  EXPECT_EQ(shown[0].window->objectName(), "ParamFrm");
  EXPECT_EQ(shown[1].window, shown[0].window);
  EXPECT_EQ(shown[0].driver, &second);
  EXPECT_EQ(shown[1].driver, &second);
  EXPECT_EQ(ParamFrm()->Params(), nullptr);  // freed on closing
  driver::SetParamWindowLauncher(nullptr);
  delete ParamFrm();
}

}  // namespace
}  // namespace kavo5000::window
