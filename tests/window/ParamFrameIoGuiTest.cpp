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
#include "Line.h"
#include "LineHostPort.h"
#include "ParamFrame.h"
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
  // Waits until a frame stands at the shut gate.
  void AwaitFrame() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_ > 0; });
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
    form.Driver = &vm30;
    form.show();
    QCoreApplication::processEvents();
  }
  void TearDown() override { form.hide(); }

  int FirstRowOfKind(std::uint8_t kind) {
    for (int i = 0; i < form.Params()->Count(); ++i)
      if (form.Params()->Item(i).Kind == kind) return i + 1;
    return 0;
  }
  catalogue::CParameter& Param(int row) { return form.Params()->Item(row - 1); }
  std::string Cell(int row, int column) {
    return form.RxDGCommon->model()
        ->index(row - 1, column)
        .data(Qt::DisplayRole)
        .toString()
        .toStdString();
  }
  sim::Controller& Nozzle1() { return *line->Find(1); }

  void DoubleClick(int row, int column) {
    form.TabBar->setCurrentIndex(Param(row).Group);
    const QModelIndex cell = form.RxDGCommon->model()->index(row - 1, column);
    QCoreApplication::processEvents();  // the grid's layout settles on the tab
    form.RxDGCommon->scrollTo(cell);
    QCoreApplication::processEvents();
    QTest::mouseDClick(form.RxDGCommon->viewport(), Qt::LeftButton, {},
                       form.RxDGCommon->visualRect(cell).center());
  }
  // The editors over a row's "Запись" cell, as a click and Timer2 put them.
  void EditRow(int row) {
    form.TabBar->setCurrentIndex(Param(row).Group);
    const QModelIndex cell = form.RxDGCommon->model()->index(row - 1, kWriteColumn);
    form.RxDGCommon->setCurrentIndex(cell);
    QCoreApplication::processEvents();  // the grid's layout settles on the tab
    form.RxDGCommon->scrollTo(cell);
    QCoreApplication::processEvents();
    form.Timer2Timer();
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
  QColor StatusColour() const { return form.StatusBar1->palette().color(QPalette::Window); }
  std::string Status() const { return form.StatusBar1->currentMessage().toStdString(); }
  // Lets the reader's queued repaints and its end reach the window.
  void FinishReader() {
    if (TReadParamsTread* reader = form.ReadThread()) reader->wait();
    QCoreApplication::processEvents();
  }

  sim::VirtualClock clock;
  std::shared_ptr<sim::Line> line = std::make_shared<sim::Line>(sim::DefaultLineConfig(8));
  Gate gate;
  host::LineHostPort port;
  driver::VM30Driver vm30{0, 0, &port};
  TParamFrm form;
};

TEST_F(ParamFrameIoTest, ADoubleClickOnTheReadCellReadsTheRow) {
  const int row = FirstRowOfKind(catalogue::pkNumber);
  catalogue::CParameter& p = Param(row);
  Nozzle1().setParam(p.Code, 37);
  const std::uint64_t frames = line->Frames();
  DoubleClick(row, kReadColumn);
  EXPECT_EQ(line->Frames(), frames + 1);
  EXPECT_EQ(p.Value(), 37);
  EXPECT_FALSE(p.ReadError());
  EXPECT_EQ(Cell(row, kReadColumn), p.ValueToText(37, SystemNumberFormat()));
  // Any other cell reads nothing.
  DoubleClick(row, kWriteColumn);
  EXPECT_EQ(line->Frames(), frames + 1);
}

TEST_F(ParamFrameIoTest, AFailedReadClearsTheOldTextAndShowsTheError) {
  const int row = FirstRowOfKind(catalogue::pkNumber);
  DoubleClick(row, kReadColumn);
  ASSERT_FALSE(Param(row).ReadText().empty());
  line->SetFaults(sim::FaultPlan::Parse("*:drop"));
  const std::uint64_t frames = line->Frames();
  DoubleClick(row, kReadColumn);
  EXPECT_GT(line->Frames(), frames);  // it was asked
  EXPECT_TRUE(Param(row).ReadError());
  EXPECT_EQ(Param(row).ReadText(), "");
  EXPECT_EQ(Cell(row, kReadColumn), kReadErrorText);
}

TEST_F(ParamFrameIoTest, AWriteAfterAFailedReadLeavesTheReadErrorAndShowsTheValueWritten) {
  const int row = FirstRowOfKind(catalogue::pkTemperature);
  line->SetFaults(sim::FaultPlan::Parse("*:drop*1"));
  DoubleClick(row, kReadColumn);
  ASSERT_TRUE(Param(row).ReadError());
  EditRow(row);
  ASSERT_FALSE(form.WriteValueEdit->isHidden());
  form.WriteValueEdit->setValue(-5);
  PressEnter(form.WriteValueEdit, QMessageBox::Ok);
  EXPECT_EQ(Nozzle1().param(Param(row).Code), 205);
  EXPECT_EQ(Status(), kWriteDoneText);
  EXPECT_EQ(Cell(row, kReadColumn), kReadErrorText);
  EXPECT_EQ(Param(row).Value(), 205);
  EXPECT_EQ(Cell(row, kWriteColumn), CellText(Param(row), kWriteColumn, SystemNumberFormat()));
  EXPECT_NE(Cell(row, kWriteColumn), "");
}

TEST_F(ParamFrameIoTest, TheNetworkAddressRowSendsTheIdNumberAsItsCode) {
  const int row = FirstRowOfKind(catalogue::pkNetAddress);
  const sim::Controller& second = *line->Find(2);
  const auto id = static_cast<int>(second.id());
  form.edIDNumber->setValue(id);
  EditRow(row);
  form.WriteValueEdit->setValue(9);
  PressEnter(form.WriteValueEdit, QMessageBox::Ok);
  EXPECT_EQ(Status(), kWriteDoneText);
  EXPECT_EQ(second.address(), 9);
  EXPECT_EQ(Param(row).Code, id);
  EXPECT_EQ(Cell(row, kCodeColumn), std::to_string(id));
}

TEST_F(ParamFrameIoTest, EnterThenCancelSendsNothingButRepaints) {
  const int row = FirstRowOfKind(catalogue::pkNumber);
  EditRow(row);
  form.WriteValueEdit->setValue(Param(row).MaxReal());
  const std::uint64_t frames = line->Frames();
  QSignalSpy repaints(form.RxDGCommon->model(), &QAbstractItemModel::dataChanged);
  PressEnter(form.WriteValueEdit, QMessageBox::Cancel);
  EXPECT_EQ(line->Frames(), frames);
  EXPECT_EQ(Status(), "");
  EXPECT_GE(repaints.count(), 1);
}

TEST_F(ParamFrameIoTest, ARefusedWriteIsReportedAndChangesNothing) {
  const int row = FirstRowOfKind(catalogue::pkBranches);
  EditRow(row);
  form.WriteValueEdit->setValue(7);
  form.WriteValueEdit2->setValue(250);
  form.ComPortEdit->setValue(21);  // a channel the driver keeps nothing for
  PressEnter(form.WriteValueEdit, QMessageBox::Ok);
  EXPECT_EQ(Status(), kWriteFailedText);
  EXPECT_EQ(Param(row).ReadText(), "");
  EXPECT_EQ(line->Frames(), 0u);
  form.ComPortEdit->setValue(1);
  PressEnter(form.WriteValueEdit, QMessageBox::Ok);
  EXPECT_EQ(Nozzle1().param(Param(row).Code), 7250);
  EXPECT_EQ(Status(), kWriteDoneText);
}

TEST_F(ParamFrameIoTest, AMessageTurnsTheStatusLineRedUntilTimer1) {
  const QColor normal = StatusColour();
  const int row = FirstRowOfKind(catalogue::pkSensorSwitch);
  EditRow(row);
  ASSERT_FALSE(form.WriteValueCB->isHidden());
  form.WriteValueCB->setCurrentIndex(1);
  PressEnter(form.WriteValueCB, QMessageBox::Ok);
  EXPECT_EQ(Nozzle1().param(Param(row).Code), 200);
  EXPECT_EQ(StatusColour(), QColor(255, 0, 0));
  EXPECT_TRUE(form.Timer1->isActive());
  EXPECT_EQ(form.Timer1->interval(), 2000);
  QMetaObject::invokeMethod(form.Timer1, "timeout");  // fired by hand, as 2 s later
  EXPECT_FALSE(form.Timer1->isActive());
  EXPECT_EQ(StatusColour(), normal);
  EXPECT_EQ(Status(), kWriteDoneText);
}

TEST_F(ParamFrameIoTest, WithoutADriverNothingIsReadOrWritten) {
  form.Driver = nullptr;
  const int row = FirstRowOfKind(catalogue::pkNumber);
  DoubleClick(row, kReadColumn);
  EXPECT_TRUE(Param(row).ReadError());
  EditRow(row);
  PressEnter(form.WriteValueEdit, QMessageBox::Ok);
  EXPECT_EQ(Status(), kNoDriverText);
  EXPECT_EQ(line->Frames(), 0u);
}

TEST_F(ParamFrameIoTest, TheReaderReadsEveryRowOfEveryTabOnce) {
  const int rows = form.Params()->Count();
  int readable = 0;
  for (int row = 1; row <= rows; ++row)
    if (Param(row).Kind <= catalogue::pkHeaterTemperature) ++readable;
  form.TabBar->setCurrentIndex(catalogue::pgCommon);
  const std::uint64_t frames = line->Frames();
  QTest::mouseClick(form.Button1, Qt::LeftButton);
  ASSERT_NE(form.ReadThread(), nullptr);
  EXPECT_TRUE(form.ReadProgress->isVisible());
  FinishReader();
  EXPECT_EQ(form.ReadThread(), nullptr);
  EXPECT_FALSE(form.ReadProgress->isVisible());
  // Only parameters are read back; commands and the address fail at once.
  EXPECT_EQ(line->Frames(), frames + static_cast<std::uint64_t>(readable));
  for (int row = 1; row <= rows; ++row) {
    const bool readBack = Param(row).Kind <= catalogue::pkHeaterTemperature;
    EXPECT_EQ(Param(row).ReadError(), !readBack) << "row " << row;
    if (readBack) {
      EXPECT_EQ(Param(row).Value(), Nozzle1().param(Param(row).Code)) << "row " << row;
    }
  }
  // A new run may start.
  QTest::mouseClick(form.Button1, Qt::LeftButton);
  FinishReader();
  EXPECT_EQ(line->Frames(), frames + 2 * static_cast<std::uint64_t>(readable));
}

TEST_F(ParamFrameIoTest, ASecondReadAllWhileTheReaderRunsStartsNothing) {
  gate.Shut();
  form.Button1Click();
  TReadParamsTread* reader = form.ReadThread();
  ASSERT_NE(reader, nullptr);
  gate.AwaitFrame();
  const int row = reader->CurRow;
  form.Button1Click();
  EXPECT_EQ(form.ReadThread(), reader);
  EXPECT_EQ(reader->CurRow, row);
  gate.Open();
  FinishReader();
  EXPECT_EQ(form.ReadThread(), nullptr);
}

TEST_F(ParamFrameIoTest, ChannelsAboveTwentyReadAsFailuresAndChangeNothing) {
  form.ComPortEdit->setValue(21);
  const int row = FirstRowOfKind(catalogue::pkNumber);
  const catalogue::CParameter::ReadState before = Param(row).State();
  form.Button1Click();
  FinishReader();
  EXPECT_EQ(line->Frames(), 0u);
  EXPECT_TRUE(Param(row).ReadError());
  EXPECT_EQ(Param(row).Value(), before.Value);
  // Channel 1 still works.
  form.ComPortEdit->setValue(1);
  DoubleClick(row, kReadColumn);
  EXPECT_FALSE(Param(row).ReadError());
}

TEST_F(ParamFrameIoTest, ClosingWhileTheReaderRunsStopsItWithinOneExchange) {
  gate.Shut();
  form.Button1Click();
  TReadParamsTread* reader = form.ReadThread();
  ASSERT_NE(reader, nullptr);
  gate.AwaitFrame();
  const std::uint64_t frames = line->Frames();
  // The frame at the gate goes through only once the close has asked the
  // reader to stop.
  std::thread opener([&] {
    while (!reader->StopRequested()) std::this_thread::yield();
    gate.Open();
  });
  form.close();
  opener.join();
  EXPECT_EQ(form.ReadThread(), nullptr);
  EXPECT_EQ(form.Params(), nullptr);
  EXPECT_EQ(line->Frames(), frames + 1);
  QCoreApplication::processEvents();  // the reader's late repaints find no table
}

struct AddrCase {
  int dispenser;
  int nozzle;
  int address;
};

TEST_F(ParamFrameIoTest, TheAddressDialogPutsTheNozzlesAddressIntoTheBox) {
  const AddrCase cases[] = {{2, 1, 5}, {1, 2, 2}, {3, 0, 9}, {3, 1, 9}, {0, 1, 1}, {17, 1, 64}};
  for (const AddrCase& c : cases) {
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<TAddrFrm*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->objectName(), "AddrFrm");
      EXPECT_EQ(dialog->NTrkEdit->value(), 0);  // a new dialog every time
      EXPECT_EQ(dialog->NPstEdit->value(), 0);
      EXPECT_EQ(dialog->focusWidget(), dialog->NPstEdit);
      dialog->NTrkEdit->setValue(c.dispenser);
      dialog->NPstEdit->setValue(c.nozzle);
      QTest::keyClick(dialog, Qt::Key_Return);  // the default button
    });
    QTest::mouseClick(form.AddrBtn, Qt::LeftButton);
    EXPECT_EQ(form.AddrEdit->value(), c.address) << c.dispenser << "/" << c.nozzle;
  }
  EXPECT_EQ(line->Frames(), 0u);  // the dialog only computes
}

TEST_F(ParamFrameIoTest, CancellingTheAddressDialogChangesNothing) {
  form.AddrEdit->setValue(7);
  for (auto close : {+[](TAddrFrm* d) { d->BitBtn2->click(); },
                     +[](TAddrFrm* d) { QTest::keyClick(d, Qt::Key_Escape); }}) {
    QTimer::singleShot(0, [close] {
      auto* dialog = qobject_cast<TAddrFrm*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      dialog->NTrkEdit->setValue(2);
      close(dialog);
    });
    QTest::mouseClick(form.AddrBtn, Qt::LeftButton);
    EXPECT_EQ(form.AddrEdit->value(), 7);
  }
}

}  // namespace
}  // namespace kavo5000::window
