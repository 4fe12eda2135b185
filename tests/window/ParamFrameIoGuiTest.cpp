// The parameter window's traffic with a controller, against a driver on the
// in-process simulator (virtual clock): reading a row by double click, writing
// after confirmation, the status line, the background reader and closing the
// window while it runs, and the nozzle address dialog. Every exchange is
// checked on the simulator's side. Timers are fired by hand.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
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
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "AddrFrame.h"
#include "Clock.h"
#include "FormControls.h"
#include "Line.h"
#include "LineHostPort.h"
#include "ParamFrame.h"
#include "SimTransport.h"
#include "Transport.h"
#include "VM30.h"

namespace kavo5000::window {
namespace {

constexpr Byte kChannel = 1;

// Passes the simulator's exchanges through, except while it is shut: then a
// frame waits at the gate until it opens again.
class Gate {
 public:
  void Shut() {
    const std::lock_guard lock(mutex_);
    open_ = false;
  }
  void Open() {
    {
      const std::lock_guard lock(mutex_);
      open_ = true;
    }
    changed_.notify_all();
  }
  void Pass() {
    std::unique_lock lock(mutex_);
    ++waiting_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
    --waiting_;
  }
  bool FrameWaiting() {
    const std::lock_guard lock(mutex_);
    return waiting_ > 0;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = true;
  int waiting_ = 0;
};

class GatedTransport : public host::Transport {
 public:
  GatedTransport(std::unique_ptr<host::Transport> inner, Gate& gate)
      : inner_(std::move(inner)), gate_(gate) {}
  std::int32_t Open() override { return inner_->Open(); }
  void Close() override { inner_->Close(); }
  bool IsOpen() const override { return inner_->IsOpen(); }
  void DiscardInput() override { inner_->DiscardInput(); }
  std::int32_t Write(std::span<const Byte> bytes) override {
    gate_.Pass();
    return inner_->Write(bytes);
  }
  host::ReadResult Read(std::span<Byte> into, host::Nanos timeout) override {
    return inner_->Read(into, timeout);
  }
  host::Nanos Now() const override { return inner_->Now(); }
  host::Nanos WireTime(std::size_t bytes) const override { return inner_->WireTime(bytes); }
  std::string Describe() const override { return inner_->Describe(); }

 private:
  std::unique_ptr<host::Transport> inner_;
  Gate& gate_;
};

class ParamFrameIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port.Bind(kChannel, std::make_unique<GatedTransport>(
                            host::MakeSimTransport(line, clock, host::SimPacing{}), gate));
    ASSERT_EQ(vm30.OpenChannel(kChannel), 0);
    form.Presenter().Driver = &vm30;
    form.show();
    QCoreApplication::processEvents();
  }
  void TearDown() override { form.hide(); }

  int FirstRowOfKind(std::uint8_t kind) {
    for (int i = 0; i < form.Presenter().Params()->Count(); ++i)
      if (form.Presenter().Params()->Item(i).Kind == kind) return i + 1;
    return 0;
  }
  catalogue::CParameter& Param(int row) { return form.Presenter().Params()->Item(row - 1); }
  std::string Cell(int row, int column) {
    return c.grid->model()->index(row - 1, column).data(Qt::DisplayRole).toString().toStdString();
  }
  sim::Controller& Nozzle1() { return *line->Find(1); }

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
  // Lets the reader's answers reach the window until a frame stands at the
  // shut gate: the window asks for each row once the last one is answered.
  void AwaitFrame() {
    while (!gate.FrameWaiting()) {
      QCoreApplication::processEvents();
      std::this_thread::yield();
    }
  }
  // Lets the reader's answers reach the window until its run is over; each
  // answer wakes the loop, no clock is waited on.
  void FinishReader() {
    while (form.Presenter().ReadThread() != nullptr)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }

  sim::VirtualClock clock;
  std::shared_ptr<sim::Line> line = std::make_shared<sim::Line>(sim::DefaultLineConfig(8));
  Gate gate;
  host::LineHostPort port;
  driver::VM30Driver vm30{0, 0, &port};
  TParamFrm form;
  FormControls c{form};
};

TEST_F(ParamFrameIoTest, ADoubleClickOnTheReadCellReadsTheRow) {
  const int row = FirstRowOfKind(catalogue::pkNumber);
  catalogue::CParameter& p = Param(row);
  Nozzle1().setParam(p.Code, 37);
  const std::uint64_t frames = line->Frames();
  DoubleClick(row, kReadColumn);
  EXPECT_EQ(line->Frames(), frames + 1);
  EXPECT_EQ(p.Value, 37);
  EXPECT_FALSE(p.ReadError);
  EXPECT_EQ(Cell(row, kReadColumn), p.ValueToText(37, SystemNumberFormat()));
  // Any other cell reads nothing.
  DoubleClick(row, kWriteColumn);
  EXPECT_EQ(line->Frames(), frames + 1);
}

TEST_F(ParamFrameIoTest, AFailedReadClearsTheOldTextAndShowsTheError) {
  const int row = FirstRowOfKind(catalogue::pkNumber);
  DoubleClick(row, kReadColumn);
  ASSERT_FALSE(Param(row).ReadText.empty());
  line->SetFaults(sim::FaultPlan::Parse("*:drop"));
  const std::uint64_t frames = line->Frames();
  DoubleClick(row, kReadColumn);
  EXPECT_GT(line->Frames(), frames);  // it was asked
  EXPECT_TRUE(Param(row).ReadError);
  EXPECT_EQ(Param(row).ReadText, "");
  EXPECT_EQ(Cell(row, kReadColumn), kReadErrorText);
}

TEST_F(ParamFrameIoTest, AWriteAfterAFailedReadLeavesTheReadErrorAndShowsTheValueWritten) {
  const int row = FirstRowOfKind(catalogue::pkTemperature);
  line->SetFaults(sim::FaultPlan::Parse("*:drop*1"));
  DoubleClick(row, kReadColumn);
  ASSERT_TRUE(Param(row).ReadError);
  EditRow(row);
  ASSERT_FALSE(c.edit->isHidden());
  c.edit->setValue(-5);
  PressEnter(c.edit, QMessageBox::Ok);
  EXPECT_EQ(Nozzle1().param(Param(row).Code), 205);
  EXPECT_EQ(Status(), kWriteDoneText);
  EXPECT_EQ(Cell(row, kReadColumn), kReadErrorText);
  EXPECT_EQ(Param(row).Value, 205);
  EXPECT_EQ(Cell(row, kWriteColumn), CellText(Param(row), kWriteColumn, SystemNumberFormat()));
  EXPECT_NE(Cell(row, kWriteColumn), "");
}

TEST_F(ParamFrameIoTest, TheNetworkAddressRowSendsTheIdNumberAsItsCode) {
  const int row = FirstRowOfKind(catalogue::pkNetAddress);
  const sim::Controller& second = *line->Find(2);
  const auto id = static_cast<int>(second.id());
  c.idNumber->setValue(id);
  EditRow(row);
  c.edit->setValue(9);
  PressEnter(c.edit, QMessageBox::Ok);
  EXPECT_EQ(Status(), kWriteDoneText);
  EXPECT_EQ(second.address(), 9);
  EXPECT_EQ(Param(row).Code, id);
  EXPECT_EQ(Cell(row, kCodeColumn), std::to_string(id));
}

TEST_F(ParamFrameIoTest, EnterThenCancelSendsNothingButRepaints) {
  const int row = FirstRowOfKind(catalogue::pkNumber);
  EditRow(row);
  c.edit->setValue(Param(row).MaxReal());
  const std::uint64_t frames = line->Frames();
  QSignalSpy repaints(c.grid->model(), &QAbstractItemModel::dataChanged);
  PressEnter(c.edit, QMessageBox::Cancel);
  EXPECT_EQ(line->Frames(), frames);
  EXPECT_EQ(Status(), "");
  EXPECT_GE(repaints.count(), 1);
}

TEST_F(ParamFrameIoTest, ARefusedWriteIsReportedAndChangesNothing) {
  const int row = FirstRowOfKind(catalogue::pkBranches);
  EditRow(row);
  c.edit->setValue(7);
  c.edit2->setValue(250);
  c.comPort->setValue(21);  // a channel the driver keeps nothing for
  PressEnter(c.edit, QMessageBox::Ok);
  EXPECT_EQ(Status(), kWriteFailedText);
  EXPECT_EQ(Param(row).ReadText, "");
  EXPECT_EQ(line->Frames(), 0u);
  c.comPort->setValue(1);
  PressEnter(c.edit, QMessageBox::Ok);
  EXPECT_EQ(Nozzle1().param(Param(row).Code), 7250);
  EXPECT_EQ(Status(), kWriteDoneText);
}

TEST_F(ParamFrameIoTest, AMessageTurnsTheStatusLineRedUntilTimer1) {
  const QColor normal = StatusColour();
  const int row = FirstRowOfKind(catalogue::pkSensorSwitch);
  EditRow(row);
  ASSERT_FALSE(c.list->isHidden());
  c.list->setCurrentIndex(1);
  PressEnter(c.list, QMessageBox::Ok);
  EXPECT_EQ(Nozzle1().param(Param(row).Code), 200);
  EXPECT_EQ(StatusColour(), QColor(255, 0, 0));
  EXPECT_TRUE(c.timer1->isActive());
  EXPECT_EQ(c.timer1->interval(), 2000);
  QMetaObject::invokeMethod(c.timer1, "timeout");  // fired by hand, as 2 s later
  EXPECT_FALSE(c.timer1->isActive());
  EXPECT_EQ(StatusColour(), normal);
  EXPECT_EQ(Status(), kWriteDoneText);
}

TEST_F(ParamFrameIoTest, WithoutADriverNothingIsReadOrWritten) {
  form.Presenter().Driver = nullptr;
  const int row = FirstRowOfKind(catalogue::pkNumber);
  DoubleClick(row, kReadColumn);
  EXPECT_TRUE(Param(row).ReadError);
  EditRow(row);
  PressEnter(c.edit, QMessageBox::Ok);
  EXPECT_EQ(Status(), kNoDriverText);
  EXPECT_EQ(line->Frames(), 0u);
}

TEST_F(ParamFrameIoTest, TheReaderReadsEveryRowOfEveryTabOnce) {
  const int rows = form.Presenter().Params()->Count();
  int readable = 0;
  for (int row = 1; row <= rows; ++row)
    if (Param(row).Kind <= catalogue::pkHeaterTemperature) ++readable;
  c.tabs->setCurrentIndex(catalogue::pgCommon);
  const std::uint64_t frames = line->Frames();
  QTest::mouseClick(c.button1, Qt::LeftButton);
  ASSERT_NE(form.Presenter().ReadThread(), nullptr);
  EXPECT_TRUE(c.progress->isVisible());
  FinishReader();
  EXPECT_FALSE(c.progress->isVisible());
  // Only parameters are read back; commands and the address fail at once.
  EXPECT_EQ(line->Frames(), frames + static_cast<std::uint64_t>(readable));
  for (int row = 1; row <= rows; ++row) {
    const bool readBack = Param(row).Kind <= catalogue::pkHeaterTemperature;
    EXPECT_EQ(Param(row).ReadError, !readBack) << "row " << row;
    if (readBack) {
      EXPECT_EQ(Param(row).Value, Nozzle1().param(Param(row).Code)) << "row " << row;
    }
  }
  // A new run starts right away, the reader's thread still about.
  QTest::mouseClick(c.button1, Qt::LeftButton);
  ASSERT_NE(form.Presenter().ReadThread(), nullptr);
  FinishReader();
  EXPECT_EQ(line->Frames(), frames + 2 * static_cast<std::uint64_t>(readable));
}

TEST_F(ParamFrameIoTest, ASecondReadAllWhileTheReaderRunsStartsNothing) {
  gate.Shut();
  form.Presenter().Button1Click();
  const TReadParamsTread* reader = form.Presenter().ReadThread();
  ASSERT_NE(reader, nullptr);
  AwaitFrame();
  const int row = reader->CurRow();
  form.Presenter().Button1Click();
  EXPECT_EQ(form.Presenter().ReadThread(), reader);
  EXPECT_EQ(reader->CurRow(), row);
  gate.Open();
  FinishReader();
  EXPECT_EQ(form.Presenter().ReadThread(), nullptr);
}

TEST_F(ParamFrameIoTest, ChannelsAboveTwentyReadAsFailuresAndChangeNothing) {
  c.comPort->setValue(21);
  const int row = FirstRowOfKind(catalogue::pkNumber);
  const std::int32_t before = Param(row).Value;
  form.Presenter().Button1Click();
  FinishReader();
  EXPECT_EQ(line->Frames(), 0u);
  EXPECT_TRUE(Param(row).ReadError);
  EXPECT_EQ(Param(row).Value, before);
  // Channel 1 still works.
  c.comPort->setValue(1);
  DoubleClick(row, kReadColumn);
  EXPECT_FALSE(Param(row).ReadError);
}

TEST_F(ParamFrameIoTest, ClosingWhileTheReaderRunsStopsItWithinOneExchange) {
  gate.Shut();
  form.Presenter().Button1Click();
  ASSERT_NE(form.Presenter().ReadThread(), nullptr);
  AwaitFrame();
  const std::uint64_t frames = line->Frames();
  // The close waits for the exchange at the gate; only the window's thread
  // asks for the next row, and it is busy closing.
  std::thread opener([&] { gate.Open(); });
  form.close();
  opener.join();
  EXPECT_EQ(form.Presenter().ReadThread(), nullptr);
  EXPECT_EQ(form.Presenter().Params(), nullptr);
  EXPECT_EQ(line->Frames(), frames + 1);
  QCoreApplication::processEvents();  // the reader's late repaints find no table
}

TEST_F(ParamFrameIoTest, AWriteNobodyTookIsReportedAndLeavesTheRow) {
  const int row = FirstRowOfKind(catalogue::pkNumber);
  DoubleClick(row, kReadColumn);
  const std::string readBefore = Cell(row, kReadColumn);
  const std::string writeBefore = Cell(row, kWriteColumn);
  ASSERT_FALSE(readBefore.empty());
  for (const char* faults : {"O:drop", "O:refuse"}) {
    line->SetFaults(sim::FaultPlan::Parse(faults));
    EditRow(row);
    c.edit->setValue(Param(row).MaxReal());
    PressEnter(c.edit, QMessageBox::Ok);
    EXPECT_EQ(Status(), kWriteFailedText) << faults;
    EXPECT_EQ(Cell(row, kReadColumn), readBefore) << faults;
    EXPECT_EQ(Cell(row, kWriteColumn), writeBefore) << faults;
  }
}

TEST_F(ParamFrameIoTest, ALineThatFailsPartWayLeavesEarlierRowsAndMarksTheRest) {
  // Every frame from the 11th on is lost: ten parameters are read, the run
  // goes on to the end and marks the rest.
  std::string faults = "#11:drop";
  for (int frame = 12; frame <= 60; ++frame) faults += ",#" + std::to_string(frame) + ":drop";
  line->SetFaults(sim::FaultPlan::Parse(faults));
  form.Presenter().Button1Click();
  FinishReader();
  int read = 0;
  int failed = 0;
  bool failedBefore = false;
  for (int row = 1; row <= form.Presenter().Params()->Count(); ++row) {
    if (Param(row).Kind > catalogue::pkHeaterTemperature) continue;  // not read back
    if (Param(row).ReadError) {
      ++failed;
      failedBefore = true;
      EXPECT_EQ(Cell(row, kReadColumn), kReadErrorText) << "row " << row;
    } else {
      ++read;
      EXPECT_FALSE(failedBefore) << "row " << row << " read after the line failed";
      EXPECT_EQ(Param(row).Value, Nozzle1().param(Param(row).Code)) << "row " << row;
    }
  }
  EXPECT_EQ(read, 10);
  EXPECT_EQ(failed, 46 - 10);
}

TEST_F(ParamFrameIoTest, EnterWritesWhatTheBoxShowsOrNothing) {
  // Code 11 takes 3..180: "25" then a backspace leaves "2", no value at all.
  int row = 0;
  for (int r = 1; r <= form.Presenter().Params()->Count() && row == 0; ++r)
    if (Param(r).Kind == catalogue::pkNumber && Param(r).Code == 11) row = r;
  ASSERT_NE(row, 0);
  EditRow(row);
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
  const std::int32_t before = Nozzle1().param(11);
  QTest::keyClick(c.edit, Qt::Key_Return);
  QCoreApplication::processEvents();  // the check above runs, finding no box
  EXPECT_FALSE(asked);
  EXPECT_EQ(Status(), kValueOutsideLimitsText);
  EXPECT_EQ(Nozzle1().param(11), before);
  // Typed back to a value in range, that value is written.
  QTest::keyClick(c.edit, Qt::Key_5);
  PressEnter(c.edit, QMessageBox::Ok);
  EXPECT_EQ(Nozzle1().param(11), 25);
  EXPECT_EQ(Status(), kWriteDoneText);
}

struct AddrCase {
  int dispenser;
  int nozzle;
  int address;
};

TEST_F(ParamFrameIoTest, TheAddressDialogPutsTheNozzlesAddressIntoTheBox) {
  // Held to 1..64; numbers whose address does not fit 32 bits are held too.
  const AddrCase cases[] = {{2, 1, 5}, {1, 2, 2},   {3, 0, 9},          {3, 1, 9},
                            {0, 1, 1}, {17, 1, 64}, {536870913, 1, 64}, {-536870912, 1, 1}};
  for (const AddrCase& k : cases) {
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
  EXPECT_EQ(line->Frames(), 0u);  // the dialog only computes
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
