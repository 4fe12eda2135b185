// The parameter window's reads and writes as Qt's widgets carry them to the
// presenter and back (offscreen): a double click on the "Чтение" cell, the
// confirmation Enter brings up, the status line's red period on Timer1, the
// text a box shows when Enter is pressed, the reader's answers coming back
// through Qt's event loop to the progress bar, and the nozzle address dialog.
// What the traffic does to the controller and the rows is tested on the
// presenter, headless; here the driver has no line, so that every exchange
// fails at once. Timers are fired by hand.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDoubleSpinBox>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <string>

#include "AddrFrame.h"
#include "FormControls.h"
#include "ParamFrame.h"
#include "VM30.h"

namespace kavo5000::window {
namespace {

class ParamFrameIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.Presenter().Driver = &vm30;
    form.show();
    QCoreApplication::processEvents();
  }
  void TearDown() override { form.hide(); }

  int FirstRowOfKind(std::uint8_t kind, std::int32_t code = -1) {
    for (int i = 0; i < form.Presenter().Params()->Count(); ++i) {
      const catalogue::CParameter& p = form.Presenter().Params()->Item(i);
      if (p.Kind == kind && (code < 0 || p.Code == code)) return i + 1;
    }
    return 0;
  }
  catalogue::CParameter& Param(int row) { return form.Presenter().Params()->Item(row - 1); }
  std::string Cell(int row, int column) {
    return c.grid->model()->index(row - 1, column).data(Qt::DisplayRole).toString().toStdString();
  }

  void DoubleClick(int row, int column) {
    c.tabs->setCurrentIndex(Param(row).Group);
    const QModelIndex cell = c.grid->model()->index(row - 1, column);
    QCoreApplication::processEvents();  // the grid's layout settles on the tab
    c.grid->scrollTo(cell);
    QCoreApplication::processEvents();
    QTest::mouseDClick(c.grid->viewport(), Qt::LeftButton, {}, c.grid->visualRect(cell).center());
  }
  // The editors over a row's "Запись" cell, as a click and Timer2 put them.
  void EditRow(int row) {
    c.tabs->setCurrentIndex(Param(row).Group);
    const QModelIndex cell = c.grid->model()->index(row - 1, kWriteColumn);
    c.grid->setCurrentIndex(cell);
    QCoreApplication::processEvents();  // the grid's layout settles on the tab
    c.grid->scrollTo(cell);
    QCoreApplication::processEvents();
    form.Presenter().Timer2Timer();
  }
  // Enter in `editor`; the confirmation that comes up is checked and
  // answered with `answer`.
  void PressEnter(QWidget* editor, QMessageBox::StandardButton answer) {
    bool asked = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      asked = true;
      EXPECT_EQ(box->windowTitle().toStdString(), "Подтверждение записи");
      EXPECT_EQ(box->text().toStdString(), "Вы действительно хотите записать параметр");
      EXPECT_EQ(box->icon(), QMessageBox::Question);
      EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
      box->button(answer)->click();
    });
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(asked);
  }
  QColor StatusColour() const { return c.status->palette().color(QPalette::Window); }
  std::string Status() const { return c.status->currentMessage().toStdString(); }

  driver::VM30Driver vm30{0, 0, nullptr};  // no line: every exchange fails
  TParamFrm form;
  FormControls c{form};
};

TEST_F(ParamFrameIoTest, ADoubleClickOnTheReadCellReadsTheRow) {
  const int row = FirstRowOfKind(catalogue::pkNumber);
  DoubleClick(row, kWriteColumn);
  EXPECT_FALSE(Param(row).ReadError) << "the write cell reads nothing";
  DoubleClick(row, kReadColumn);
  EXPECT_EQ(Cell(row, kReadColumn), kReadErrorText);  // asked, and nothing answered
}

TEST_F(ParamFrameIoTest, EnterAsksFirstAndAMessageTurnsTheStatusLineRedUntilTimer1) {
  form.Presenter().Driver = nullptr;
  const QColor normal = StatusColour();
  EditRow(FirstRowOfKind(catalogue::pkNumber));
  ASSERT_FALSE(c.edit->isHidden());
  QSignalSpy repaints(c.grid->model(), &QAbstractItemModel::dataChanged);
  PressEnter(c.edit, QMessageBox::Cancel);
  EXPECT_EQ(Status(), "");
  EXPECT_GE(repaints.count(), 1);
  PressEnter(c.edit, QMessageBox::Ok);
  EXPECT_EQ(Status(), kNoDriverText);
  EXPECT_EQ(StatusColour(), QColor(255, 0, 0));
  EXPECT_TRUE(c.timer1->isActive());
  EXPECT_EQ(c.timer1->interval(), 2000);
  QMetaObject::invokeMethod(c.timer1, "timeout");  // fired by hand, as 2 s later
  EXPECT_FALSE(c.timer1->isActive());
  EXPECT_EQ(StatusColour(), normal);
  EXPECT_EQ(Status(), kNoDriverText);
}

TEST_F(ParamFrameIoTest, EnterOffersWhatTheBoxShowsOrNothing) {
  form.Presenter().Driver = nullptr;
  // Code 11 takes 3..180: "25" then a backspace leaves "2", no value at all.
  EditRow(FirstRowOfKind(catalogue::pkNumber, 11));
  c.edit->selectAll();
  QTest::keyClicks(c.edit, "25");
  QTest::keyClick(c.edit, Qt::Key_Backspace);
  ASSERT_EQ(c.edit->text().toStdString(), "2");
  bool asked = false;
  QTimer::singleShot(0, [&asked] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      asked = true;
      box->button(QMessageBox::Ok)->click();
    }
  });
  QTest::keyClick(c.edit, Qt::Key_Return);
  QCoreApplication::processEvents();  // the check above runs, finding no box
  EXPECT_FALSE(asked);
  EXPECT_EQ(Status(), kValueOutsideLimitsText);
  // Typed back to a value in range, it is offered for writing.
  QTest::keyClick(c.edit, Qt::Key_5);
  PressEnter(c.edit, QMessageBox::Ok);
  EXPECT_EQ(Status(), kNoDriverText);
}

TEST_F(ParamFrameIoTest, TheReadersAnswersComeBackThroughTheEventLoopToTheProgressBar) {
  const int rows = form.Presenter().Params()->Count();
  QTest::mouseClick(c.button1, Qt::LeftButton);
  ASSERT_NE(form.Presenter().ReadThread(), nullptr);
  EXPECT_TRUE(c.progress->isVisible());
  // Each answer wakes the loop; no clock is waited on.
  while (form.Presenter().ReadThread() != nullptr)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  EXPECT_FALSE(c.progress->isVisible());
  EXPECT_EQ(c.progress->value(), rows);
  EXPECT_EQ(c.progress->format().toStdString(), ReadProgressText(rows, rows));
  for (int row = 1; row <= rows; ++row) EXPECT_TRUE(Param(row).ReadError) << "row " << row;
}

TEST_F(ParamFrameIoTest, TheAddressDialogPutsTheNozzlesAddressIntoTheBox) {
  // The box's own range holds what the numbers give.
  const struct {
    int dispenser;
    int nozzle;
    int address;
  } cases[] = {{2, 1, 5}, {17, 1, 64}, {0, 1, 1}};
  for (const auto& k : cases) {
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<TAddrFrm*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->objectName(), "AddrFrm");
      auto* dispenser = Control<QSpinBox>(*dialog, "NTrkEdit");
      auto* nozzle = Control<QSpinBox>(*dialog, "NPstEdit");
      EXPECT_EQ(dispenser->value(), 0);  // a new dialog every time
      EXPECT_EQ(nozzle->value(), 0);
      EXPECT_EQ(dialog->focusWidget(), nozzle);
      dispenser->setValue(k.dispenser);
      nozzle->setValue(k.nozzle);
      QTest::keyClick(dialog, Qt::Key_Return);  // the default button
    });
    QTest::mouseClick(c.addrBtn, Qt::LeftButton);
    EXPECT_EQ(c.address->value(), k.address) << k.dispenser << "/" << k.nozzle;
  }
}

TEST_F(ParamFrameIoTest, CancellingTheAddressDialogChangesNothing) {
  c.address->setValue(7);
  for (auto close : {+[](TAddrFrm* d) { Control<QPushButton>(*d, "BitBtn2")->click(); },
                     +[](TAddrFrm* d) { QTest::keyClick(d, Qt::Key_Escape); }}) {
    QTimer::singleShot(0, [close] {
      auto* dialog = qobject_cast<TAddrFrm*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      Control<QSpinBox>(*dialog, "NTrkEdit")->setValue(2);
      close(dialog);
    });
    QTest::mouseClick(c.addrBtn, Qt::LeftButton);
    EXPECT_EQ(c.address->value(), 7);
  }
}

}  // namespace
}  // namespace kavo5000::window
