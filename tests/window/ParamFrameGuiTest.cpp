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
#include <QProperty>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AddrFrame.h"
#include "FormControls.h"
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

  void ChooseTab(int tab) { c.tabs->setCurrentIndex(tab); }
  QPoint CellCentre(int gridRow, int column) {
    return c.grid->visualRect(c.grid->model()->index(gridRow - 1, column)).center();
  }
  // A click on a cell, scrolled into view first as the technician would.
  void Click(int gridRow, int column) {
    QCoreApplication::processEvents();  // the grid's layout settles
    c.grid->scrollTo(c.grid->model()->index(gridRow - 1, column));
    QCoreApplication::processEvents();
    QTest::mouseClick(c.grid->viewport(), Qt::LeftButton, {}, CellCentre(gridRow, column));
    EXPECT_TRUE(c.timer2->isActive()) << "a click selects its cell";
  }
  // Timer2 fired by hand, once the events before it are done, as 50 ms later.
  void FireTimer2() {
    QCoreApplication::processEvents();
    if (c.timer2->isActive()) form.Presenter().Timer2Timer();
  }
  int FirstRowOfKind(std::uint8_t kind) {
    for (int i = 0; i < form.Presenter().Params()->Count(); ++i)
      if (form.Presenter().Params()->Item(i).Kind == kind) return i + 1;
    return 0;
  }

  TParamFrm form;
  FormControls c{form};
};

TEST_F(ParamFrameGuiTest, EachTabShowsExactlyTheRowsOfItsGroup) {
  for (int tab : {catalogue::pgParameters, catalogue::pgAddress, catalogue::pgCommon}) {
    ChooseTab(tab);
    for (int i = 0; i < form.Presenter().Params()->Count(); ++i) {
      const bool mine = form.Presenter().Params()->Item(i).Group == tab;
      EXPECT_EQ(c.grid->isRowHidden(i), !mine) << "tab " << tab << ", row " << i + 1;
      if (mine) {
        EXPECT_GE(c.grid->rowHeight(i), kMinRowHeight);
      }
    }
    // The current row moves into the tab.
    EXPECT_EQ(form.Presenter().Params()->Item(form.CurrentRow() - 1).Group, tab);
  }
}

TEST_F(ParamFrameGuiTest, KeysAndClicksNeverLandOnAHiddenRow) {
  ChooseTab(catalogue::pgCommon);
  c.grid->setFocus();
  for (Qt::Key key : {Qt::Key_Up, Qt::Key_Home, Qt::Key_End, Qt::Key_Down, Qt::Key_PageDown,
                      Qt::Key_PageUp, Qt::Key_Up}) {
    QTest::keyClick(c.grid, key);
    EXPECT_EQ(form.Presenter().Params()->Item(form.CurrentRow() - 1).Group, catalogue::pgCommon)
        << "after key " << key;
  }
  ChooseTab(catalogue::pgAddress);
  const int row = form.CurrentRow();
  QTest::keyClick(c.grid, Qt::Key_Down);
  QTest::keyClick(c.grid, Qt::Key_Up);
  EXPECT_EQ(form.CurrentRow(), row);
  // Below the one row of this tab there is nothing to click.
  const QPoint below = CellCentre(row, kNameColumn) + QPoint(0, 100);
  QTest::mouseClick(c.grid->viewport(), Qt::LeftButton, {}, below);
  EXPECT_EQ(form.CurrentRow(), row);
}

TEST_F(ParamFrameGuiTest, AWiderNameColumnLowersLongRows) {
  ChooseTab(catalogue::pgParameters);
  const auto heights = [this] {
    std::vector<int> h;
    for (int i = 0; i < form.Presenter().Params()->Count(); ++i) h.push_back(c.grid->rowHeight(i));
    return h;
  };
  const std::vector<int> before = heights();
  c.grid->setColumnWidth(kNameColumn, 2 * c.grid->columnWidth(kNameColumn));
  const std::vector<int> after = heights();
  int lowered = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_LE(after[i], before[i]) << "row " << i + 1;
    if (after[i] < before[i]) ++lowered;
  }
  EXPECT_GT(lowered, 0);
}

TEST_F(ParamFrameGuiTest, TheEditorComesOverTheWriteCellAfterTheTimer) {
  ChooseTab(catalogue::pgParameters);
  const int row = FirstRowOfKind(catalogue::pkNumber);
  Click(row, kWriteColumn);
  EXPECT_TRUE(c.edit->isHidden());  // not before the timer
  FireTimer2();
  ASSERT_FALSE(c.edit->isHidden());
  EXPECT_TRUE(c.list->isHidden());
  const QRect cell(
      c.grid->viewport()->mapTo(
          c.tabArea, c.grid->visualRect(c.grid->model()->index(row - 1, kWriteColumn)).topLeft()),
      c.grid->visualRect(c.grid->model()->index(row - 1, kWriteColumn)).size());
  EXPECT_TRUE(cell.contains(c.edit->geometry()));
  EXPECT_EQ(c.edit->value(), form.Presenter().Params()->Item(row - 1).MinReal());
}

TEST_F(ParamFrameGuiTest, TheEditorStaysOverItsCellWhenTheGridScrolls) {
  ChooseTab(catalogue::pgParameters);
  const int row = FirstRowOfKind(catalogue::pkNumber);
  Click(row, kWriteColumn);
  FireTimer2();
  ASSERT_FALSE(c.edit->isHidden());
  const QRect before = c.edit->geometry();
  QScrollBar* bar = c.grid->verticalScrollBar();
  bar->setValue(bar->value() + 7);
  EXPECT_EQ(c.edit->geometry(), before.translated(0, -7));
  // Scrolled out of view, it no longer floats over another row.
  bar->setValue(bar->maximum());
  EXPECT_TRUE(c.edit->isHidden());
}

TEST_F(ParamFrameGuiTest, FromTheFirstBoxIntoTheSecondKeepsBoth) {
  ChooseTab(catalogue::pgParameters);
  const int row = FirstRowOfKind(catalogue::pkBranches);
  Click(row, kWriteColumn);
  FireTimer2();
  ASSERT_FALSE(c.edit->isHidden());
  ASSERT_FALSE(c.edit2->isHidden());
  ASSERT_TRUE(c.edit->hasFocus());
  QTest::mouseClick(c.edit2, Qt::LeftButton);
  EXPECT_TRUE(c.edit2->hasFocus());
  EXPECT_FALSE(c.edit->isHidden());
  EXPECT_FALSE(c.edit2->isHidden());
  // Anywhere else hides both.
  Click(row, kNameColumn);
  EXPECT_TRUE(c.edit->isHidden());
  EXPECT_TRUE(c.edit2->isHidden());
}

TEST_F(ParamFrameGuiTest, EnterStaysWithTheEditor) {
  ChooseTab(catalogue::pgCommon);
  Click(FirstRowOfKind(catalogue::pkCommandList), kWriteColumn);
  FireTimer2();
  ASSERT_FALSE(c.list->isHidden());
  // Either Enter key asks for confirmation and never closes the window.
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
    bool asked = false;
    QTimer::singleShot(0, [&asked] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      asked = box != nullptr;
      if (box != nullptr) box->button(QMessageBox::Cancel)->click();
    });
    QTest::keyClick(c.list, key);
    EXPECT_TRUE(asked) << "key " << key;
    EXPECT_TRUE(form.isVisible());
  }
}

// The places the window and the address dialog give their controls, in
// pixels within each control's parent.
TEST(ParamFrameLayoutTest, ControlsStandWhereTheLayoutPutsThem) {
  TParamFrm form;
  TAddrFrm dialog;
  const struct {
    const QWidget* window;
    const char* name;
    QRect place;
  } cases[] = {
      {&form, "Panel1", {0, 0, 817, 677}},       {&form, "StatusBar1", {0, 677, 817, 19}},
      {&form, "ComPortEdit", {96, 8, 89, 22}},   {&form, "AddrEdit", {320, 8, 89, 22}},
      {&form, "AddrBtn", {408, 8, 23, 22}},      {&form, "edIDNumber", {320, 32, 89, 22}},
      {&form, "Button1", {8, 48, 233, 25}},      {&form, "BitBtn1", {680, 64, 121, 25}},
      {&form, "TabControl1", {1, 80, 815, 596}}, {&form, "RxDGCommon", {4, 24, 807, 568}},
      {&dialog, "NTrkEdit", {16, 24, 65, 22}},   {&dialog, "NPstEdit", {112, 24, 65, 22}},
      {&dialog, "Bevel1", {0, 64, 225, 2}},      {&dialog, "BitBtn1", {48, 72, 83, 25}},
      {&dialog, "BitBtn2", {136, 72, 83, 25}},
  };
  for (const auto& c : cases) {
    const auto* control = Control<QWidget>(*c.window, c.name);
    if (control != nullptr) {
      EXPECT_EQ(control->geometry(), c.place) << c.name;
    }
  }
  const struct {
    const QWidget* window;
    const char* name;
    QPoint place;
  } labels[] = {{&form, "Label1", {8, 14}},
                {&form, "Label2", {224, 14}},
                {&form, "Label3", {264, 38}},
                {&dialog, "Label1", {8, 8}},
                {&dialog, "Label2", {103, 8}}};
  for (const auto& l : labels) {
    const auto* label = Control<QWidget>(*l.window, l.name);
    if (label != nullptr) {
      EXPECT_EQ(label->pos(), l.place) << l.name;
    }
  }
  EXPECT_EQ(form.size(), QSize(817, 696));
  EXPECT_EQ(dialog.size(), QSize(226, 104));
  const FormControls c(form);
  const int widths[] = {38, 422, 76, 64, 169};
  for (int column = 0; column < 5; ++column)
    EXPECT_EQ(c.grid->columnWidth(column), widths[column]) << "column " << column;
  ASSERT_EQ(c.tabs->count(), 3);
  EXPECT_EQ(c.tabs->tabText(0).toStdString(), "Общие команды");
  EXPECT_EQ(c.tabs->tabText(1).toStdString(), "Программирование адреса");
  EXPECT_EQ(c.tabs->tabText(2).toStdString(), "Программирование параметров");
}

TEST_F(ParamFrameGuiTest, AltXEscAndTheCloseButtonEachCloseTheWindow) {
  const std::function<void()> ways[] = {
      [this] { QTest::keyClick(&form, Qt::Key_X, Qt::AltModifier); },
      [this] { QTest::keyClick(&form, Qt::Key_Escape); },
      [this] { QTest::mouseClick(c.close, Qt::LeftButton); },
  };
  for (std::size_t i = 0; i < std::size(ways); ++i) {
    if (!form.isVisible()) SetUp();
    ASSERT_TRUE(form.isVisible());
    ways[i]();
    EXPECT_FALSE(form.isVisible()) << "way " << i;
    EXPECT_EQ(form.Presenter().Params(), nullptr)
        << "way " << i;  // the table goes with the closing
  }
}

// What a reopened window forgets is the presenter's; the boxes and the tab
// are the widgets' own.
TEST_F(ParamFrameGuiTest, ReopeningKeepsTheControls) {
  c.comPort->setValue(3);
  c.address->setValue(5);
  c.idNumber->setValue(77);
  ChooseTab(catalogue::pgParameters);
  const int row = FirstRowOfKind(catalogue::pkNumber);
  form.close();
  SetUp();
  EXPECT_EQ(c.comPort->value(), 3);
  EXPECT_EQ(c.address->value(), 5);
  EXPECT_EQ(c.idNumber->value(), 77);
  EXPECT_EQ(c.tabs->currentIndex(), catalogue::pgParameters);
  // The tab's rows are the ones shown.
  EXPECT_FALSE(c.grid->isRowHidden(row - 1));
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
      shown.push_back({modal, modal != nullptr ? modal->Presenter().Driver : nullptr});
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
  EXPECT_EQ(ParamFrm()->Presenter().Params(), nullptr);  // freed on closing
  driver::SetParamWindowLauncher(nullptr);
  delete ParamFrm();
}

// A host that deletes the driver from its own message while the window is
// up: the window lets the driver go and closes before the object is freed
// (the sanitizer build finds any later use of it).
TEST(ParamWindowLaunchTest, DeletingTheDriverWhileTheWindowIsUpClosesIt) {
  InstallParamWindowLauncher();
  auto* driver = new driver::VM30Driver(0, 0, nullptr);
  bool shown = false;
  QTimer::singleShot(0, [&] {
    shown = ParamFrm() != nullptr && ParamFrm()->isVisible() &&
            ParamFrm()->Presenter().Driver == driver;
    delete driver;
  });
  window::ShowParamWindow(driver);  // returns once the window has closed
  EXPECT_TRUE(shown);
  ASSERT_NE(ParamFrm(), nullptr);
  EXPECT_EQ(ParamFrm()->Presenter().Driver, nullptr);
  EXPECT_FALSE(ParamFrm()->isVisible());
  EXPECT_EQ(ParamFrm()->Presenter().Params(), nullptr);
  driver::SetParamWindowLauncher(nullptr);
  driver::SetParamWindowCloser(nullptr);
  delete ParamFrm();
}

}  // namespace
}  // namespace kavo5000::window
