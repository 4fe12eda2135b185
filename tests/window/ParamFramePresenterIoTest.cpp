// The parameter window's traffic with a controller, without a toolkit: the
// presenter, driven through the fake view, against a driver on the in-process
// simulator (virtual clock). Reading a row by double click, writing after
// confirmation, the status line, the background reader and closing the window
// while it runs, and the nozzle address dialog. Every exchange is checked on
// the simulator's side; the test plays the window's thread, running the
// reader's answers itself, and fires the timers by hand.
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "Clock.h"
#include "FakeView.h"
#include "Line.h"
#include "LineHostPort.h"
#include "ParamFramePresenter.h"
#include "SimTransport.h"
#include "Transport.h"
#include "VM30.h"

namespace kavo5000::window {
namespace {

constexpr Byte kChannel = 1;

// Passes the simulator's exchanges through, except while it is shut: then a
// frame waits at the gate until it opens again, and `arrived` tells of it.
class Gate {
 public:
  explicit Gate(std::function<void()> arrived) : arrived_(std::move(arrived)) {}
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
    if (open_) return;
    ++waiting_;
    arrived_();
    changed_.wait(lock, [this] { return open_; });
    --waiting_;
  }
  bool FrameWaiting() {
    const std::lock_guard lock(mutex_);
    return waiting_ > 0;
  }

 private:
  std::function<void()> arrived_;
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
  // The simulator's own timing, on its virtual clock.
  std::optional<host::Nanos> PacketWindow(std::size_t bytes) const override {
    return inner_->PacketWindow(bytes);
  }
  void AcknowledgeNow() override { inner_->AcknowledgeNow(); }
  void Pause(host::Nanos d) override { inner_->Pause(d); }
  host::ReadResult ReadKnownReply(std::span<Byte> into, host::Nanos timeout,
                                  std::size_t expected) override {
    return inner_->ReadKnownReply(into, timeout, expected);
  }
  std::string Describe() const override { return inner_->Describe(); }

 private:
  std::unique_ptr<host::Transport> inner_;
  Gate& gate_;
};

class PresenterIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port.Bind(kChannel, std::make_unique<GatedTransport>(
                            host::MakeSimTransport(line, clock, host::SimPacing{}), gate));
    ASSERT_EQ(vm30.OpenChannel(kChannel), 0);
    presenter.Driver = &vm30;
    presenter.FormShow();
  }
  // A failed check must not leave the reader's thread at the gate.
  void TearDown() override { gate.Open(); }

  // The grid row of the first parameter of `kind` (and `code`, unless −1).
  int RowOf(std::uint8_t kind, std::int32_t code = -1) const {
    for (int i = 0; i < presenter.Params()->Count(); ++i) {
      const catalogue::CParameter& p = presenter.Params()->Item(i);
      if (p.Kind == kind && (code < 0 || p.Code == code)) return i + 1;
    }
    ADD_FAILURE() << "no row of kind " << int{kind} << ", code " << code;
    return 1;
  }
  catalogue::CParameter& Param(int row) { return presenter.Params()->Item(row - 1); }
  std::string Cell(int row, int column) { return CellText(Param(row), column, view.Format()); }
  static bool ReadBack(const catalogue::CParameter& p) {
    return p.Kind <= catalogue::pkHeaterTemperature;
  }
  sim::Controller& Nozzle1() { return *line->Find(1); }

  // The editors over a row's "Запись" cell, as a click on its tab and cell
  // and Timer2 put them.
  void EditRow(int row) {
    view.tab = Param(row).Group;
    presenter.TabControl1Change(view.tab);
    view.SetCurrentCell(row, kWriteColumn);
    presenter.Timer2Timer();
  }
  // Enter in the editors while they hold `values`.
  void Enter(const EditorValues& values) {
    view.values = values;
    presenter.WriteValueEditKeyDown();
  }
  // Runs the reader's answers until a frame stands at the shut gate: the
  // window asks for each row once the last one is answered.
  void AwaitFrame() {
    while (!gate.FrameWaiting()) view.RunPosted();
  }
  // Runs the reader's answers until its run is over.
  void FinishReader() {
    while (presenter.ReadThread() != nullptr) view.RunPosted();
  }

  FakeView view;
  sim::VirtualClock clock;
  std::shared_ptr<sim::Line> line = std::make_shared<sim::Line>(sim::DefaultLineConfig(8));
  Gate gate{[this] { view.Post([] {}); }};  // wakes AwaitFrame
  host::LineHostPort port;
  driver::VM30Driver vm30{0, 0, &port};
  ParamFramePresenter presenter{view};
};

TEST_F(PresenterIoTest, ADoubleClickOnTheReadCellReadsTheRowAndAFailureClearsItsText) {
  const int row = RowOf(catalogue::pkNumber);
  catalogue::CParameter& p = Param(row);
  // Without a driver nothing is asked.
  presenter.Driver = nullptr;
  presenter.RxDGCommonDblClick(row, kReadColumn);
  EXPECT_TRUE(p.ReadError);
  EXPECT_EQ(line->Frames(), 0u);

  presenter.Driver = &vm30;
  Nozzle1().setParam(p.Code, 37);
  const int refreshes = view.refreshes;
  presenter.RxDGCommonDblClick(row, kReadColumn);
  EXPECT_EQ(line->Frames(), 1u);
  EXPECT_EQ(p.Value, 37);
  EXPECT_FALSE(p.ReadError);
  EXPECT_EQ(Cell(row, kReadColumn), p.ValueToText(37, view.Format()));
  EXPECT_GT(view.refreshes, refreshes) << "the grid draws the text read";
  // Any other cell reads nothing.
  presenter.RxDGCommonDblClick(row, kWriteColumn);
  EXPECT_EQ(line->Frames(), 1u);

  line->SetFaults(sim::FaultPlan::Parse("*:drop"));
  presenter.RxDGCommonDblClick(row, kReadColumn);
  EXPECT_GT(line->Frames(), 1u);  // it was asked
  EXPECT_TRUE(p.ReadError);
  EXPECT_EQ(p.ReadText, "");
  EXPECT_EQ(Cell(row, kReadColumn), kReadErrorText);
}

struct DoneCase {
  const char* name;
  std::uint8_t kind;
  std::int32_t code;  // −1: the first row of the kind
  Editor editor;      // the one over the row's cell, of those it takes
  EditorValues values;
  std::int32_t sent;
};

class WriteDoneTest : public PresenterIoTest, public ::testing::WithParamInterface<DoneCase> {};

// Confirmed after a failed read: the controller takes the value the editors
// show, the row holds it with the read's error mark left as it was, and the
// status line is red until Timer1.
TEST_P(WriteDoneTest, TheControllerTakesTheValueAndTheStatusLineIsRedUntilTimer1) {
  const DoneCase& c = GetParam();
  const int row = RowOf(c.kind, c.code);
  line->SetFaults(sim::FaultPlan::Parse("*:drop*1"));
  presenter.RxDGCommonDblClick(row, kReadColumn);
  ASSERT_TRUE(Param(row).ReadError);
  EditRow(row);
  ASSERT_TRUE(view.EditorShown(c.editor));
  Enter(c.values);
  EXPECT_EQ(view.confirmations, 1);
  EXPECT_EQ(Nozzle1().param(Param(row).Code), c.sent);
  EXPECT_EQ(view.status, kWriteDoneText);
  EXPECT_EQ(Param(row).Value, c.sent);
  EXPECT_EQ(Cell(row, kReadColumn), kReadErrorText);
  EXPECT_NE(Cell(row, kWriteColumn), "");
  EXPECT_TRUE(view.alert);
  EXPECT_TRUE(view.statusTimer);
  presenter.Timer1Timer();  // fired by hand, as 2 s later
  EXPECT_FALSE(view.statusTimer);
  EXPECT_FALSE(view.alert);
  EXPECT_EQ(view.status, kWriteDoneText);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WriteDoneTest,
    ::testing::Values(
        DoneCase{"temperatureBelowZero", catalogue::pkTemperature, -1, Editor::kEdit, {-5}, 205},
        DoneCase{"branches", catalogue::pkBranches, -1, Editor::kEdit2, {7, 250}, 7250},
        DoneCase{"sensorSwitch", catalogue::pkSensorSwitch, -1, Editor::kList, {0, 0, 1}, 200},
        // Code 11 takes 3..180.
        DoneCase{"typedValue", catalogue::pkNumber, 11, Editor::kEdit, {25}, 25}),
    [](const auto& info) { return std::string(info.param.name); });

struct LeftCase {
  const char* name;
  std::uint8_t kind;
  std::int32_t code;  // −1: the first row of the kind
  EditorValues values;
  const char* faults;
  int comPort;
  bool driver;
  bool confirm;
  const char* status;
  bool sent;  // a frame went out
};

class WriteLeftTest : public PresenterIoTest, public ::testing::WithParamInterface<LeftCase> {};

// A write that is not done leaves the controller and the row as they were,
// and says why on the status line (a cancelled one says nothing).
TEST_P(WriteLeftTest, TheControllerAndTheRowStayAsTheyWere) {
  const LeftCase& c = GetParam();
  const int row = RowOf(c.kind, c.code);
  presenter.RxDGCommonDblClick(row, kReadColumn);
  ASSERT_FALSE(Param(row).ReadText.empty());
  const std::string readBefore = Cell(row, kReadColumn);
  const std::string writeBefore = Cell(row, kWriteColumn);
  const std::int64_t held = Nozzle1().param(Param(row).Code);
  ASSERT_NE(WriteRawValue(Param(row), c.values), held) << "a value the controller has not";
  const std::uint64_t frames = line->Frames();
  if (c.faults[0] != '\0') line->SetFaults(sim::FaultPlan::Parse(c.faults));
  view.comPort = c.comPort;
  if (!c.driver) presenter.Driver = nullptr;
  view.confirm = c.confirm;
  EditRow(row);
  const int refreshes = view.refreshes;
  Enter(c.values);
  EXPECT_EQ(view.status, c.status);
  EXPECT_EQ(view.alert, c.status[0] != '\0');
  EXPECT_EQ(view.confirmations, c.values.acceptable ? 1 : 0);
  EXPECT_EQ(line->Frames() > frames, c.sent);
  EXPECT_EQ(Nozzle1().param(Param(row).Code), held);
  EXPECT_EQ(Cell(row, kReadColumn), readBefore);
  EXPECT_EQ(Cell(row, kWriteColumn), writeBefore);
  EXPECT_EQ(view.refreshes > refreshes, c.values.acceptable) << "drawn again once asked";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WriteLeftTest,
    ::testing::Values(
        LeftCase{"silent",
                 catalogue::pkNumber,
                 4,
                 {124},
                 "O:drop",
                 1,
                 true,
                 true,
                 kWriteFailedText,
                 true},
        LeftCase{"refused",
                 catalogue::pkNumber,
                 4,
                 {124},
                 "O:refuse",
                 1,
                 true,
                 true,
                 kWriteFailedText,
                 true},
        // A channel the driver keeps nothing for.
        LeftCase{"channelAboveTwenty",
                 catalogue::pkBranches,
                 -1,
                 {7, 250},
                 "",
                 21,
                 true,
                 true,
                 kWriteFailedText,
                 false},
        LeftCase{
            "noDriver", catalogue::pkNumber, 4, {124}, "", 1, false, true, kNoDriverText, false},
        // "25" with its 5 taken back: the box shows no value of 3..180.
        LeftCase{"outsideTheLimits",
                 catalogue::pkNumber,
                 11,
                 {2, 0, -1, false},
                 "",
                 1,
                 true,
                 true,
                 kValueOutsideLimitsText,
                 false},
        LeftCase{"cancelled", catalogue::pkNumber, 4, {124}, "", 1, true, false, "", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PresenterIoTest, TheNetworkAddressRowSendsTheIdNumberAsItsCode) {
  const int row = RowOf(catalogue::pkNetAddress);
  const sim::Controller& second = *line->Find(2);
  const auto id = static_cast<int>(second.id());
  view.idNumber = id;
  EditRow(row);
  Enter({9});
  EXPECT_EQ(view.status, kWriteDoneText);
  EXPECT_EQ(second.address(), 9);
  EXPECT_EQ(Param(row).Code, id);
  EXPECT_EQ(Cell(row, kCodeColumn), std::to_string(id));
}

TEST_F(PresenterIoTest, TheReaderReadsEveryRowOfEveryTabOnce) {
  const int rows = presenter.Params()->Count();
  int readable = 0;
  for (int row = 1; row <= rows; ++row)
    if (ReadBack(Param(row))) ++readable;
  view.tab = catalogue::pgCommon;
  presenter.TabControl1Change(view.tab);
  presenter.Button1Click();
  ASSERT_NE(presenter.ReadThread(), nullptr);
  EXPECT_TRUE(view.progressShown);
  FinishReader();
  EXPECT_FALSE(view.progressShown);
  EXPECT_EQ(view.progressRow, rows);
  // Only parameters are read back; commands and the address fail at once.
  EXPECT_EQ(line->Frames(), static_cast<std::uint64_t>(readable));
  for (int row = 1; row <= rows; ++row) {
    EXPECT_EQ(Param(row).ReadError, !ReadBack(Param(row))) << "row " << row;
    if (ReadBack(Param(row))) {
      EXPECT_EQ(Param(row).Value, Nozzle1().param(Param(row).Code)) << "row " << row;
    }
  }
  // A new run starts right away, the reader's thread still about.
  presenter.Button1Click();
  ASSERT_NE(presenter.ReadThread(), nullptr);
  FinishReader();
  EXPECT_EQ(line->Frames(), 2 * static_cast<std::uint64_t>(readable));
}

TEST_F(PresenterIoTest, ASecondReadAllWhileTheReaderRunsStartsNothing) {
  gate.Shut();
  presenter.Button1Click();
  const TReadParamsTread* reader = presenter.ReadThread();
  ASSERT_NE(reader, nullptr);
  AwaitFrame();
  const int row = reader->CurRow();
  const int progressRow = view.progressRow;
  presenter.Button1Click();
  EXPECT_EQ(presenter.ReadThread(), reader);
  EXPECT_EQ(reader->CurRow(), row);
  EXPECT_EQ(view.progressShows, 1);
  EXPECT_EQ(view.progressRow, progressRow);
  gate.Open();
  FinishReader();
  EXPECT_EQ(presenter.ReadThread(), nullptr);
}

TEST_F(PresenterIoTest, ChannelsAboveTwentyReadAsFailuresAndChangeNothing) {
  view.comPort = 21;
  const int row = RowOf(catalogue::pkNumber);
  const std::int32_t before = Param(row).Value;
  presenter.Button1Click();
  FinishReader();
  EXPECT_EQ(line->Frames(), 0u);
  EXPECT_TRUE(Param(row).ReadError);
  EXPECT_EQ(Param(row).Value, before);
  // Channel 1 still works.
  view.comPort = 1;
  presenter.RxDGCommonDblClick(row, kReadColumn);
  EXPECT_FALSE(Param(row).ReadError);
}

TEST_F(PresenterIoTest, ClosingWhileTheReaderRunsStopsItWithinOneExchange) {
  gate.Shut();
  presenter.Button1Click();
  ASSERT_NE(presenter.ReadThread(), nullptr);
  AwaitFrame();
  const std::uint64_t frames = line->Frames();
  // The close waits for the exchange at the gate; only the window's thread
  // asks for the next row, and it is busy closing.
  std::thread opener([this] { gate.Open(); });
  presenter.FormClose();
  opener.join();
  EXPECT_EQ(presenter.ReadThread(), nullptr);
  EXPECT_EQ(presenter.Params(), nullptr);
  EXPECT_FALSE(view.progressShown);
  // The reader's late answer comes round, to no run and no table.
  const int refreshes = view.refreshes;
  view.RunPending();
  EXPECT_EQ(view.refreshes, refreshes);
  EXPECT_EQ(line->Frames(), frames + 1);
}

TEST_F(PresenterIoTest, ALineThatFailsPartWayLeavesEarlierRowsAndMarksTheRest) {
  // Every frame from the 11th on is lost: ten parameters are read, the run
  // goes on to the end and marks the rest.
  std::string faults = "#11:drop";
  for (int frame = 12; frame <= 60; ++frame) faults += ",#" + std::to_string(frame) + ":drop";
  line->SetFaults(sim::FaultPlan::Parse(faults));
  presenter.Button1Click();
  FinishReader();
  int read = 0;
  int failed = 0;
  bool failedBefore = false;
  for (int row = 1; row <= presenter.Params()->Count(); ++row) {
    if (!ReadBack(Param(row))) continue;
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

TEST_F(PresenterIoTest, TheAddressDialogPutsTheNozzlesAddressIntoTheBox) {
  // Held to 1..64; numbers whose address does not fit 32 bits are held too.
  const struct {
    int dispenser;
    int nozzle;
    int address;
  } cases[] = {{2, 1, 5}, {1, 2, 2},   {3, 0, 9},          {3, 1, 9},
               {0, 1, 1}, {17, 1, 64}, {536870913, 1, 64}, {-536870912, 1, 1}};
  for (const auto& k : cases) {
    view.nozzle = DialogNozzle{k.dispenser, k.nozzle};
    presenter.AddrBtnClick();
    EXPECT_EQ(view.address, k.address) << k.dispenser << "/" << k.nozzle;
  }
  // Cancelled, it changes nothing.
  view.address = 7;
  view.nozzle.reset();
  presenter.AddrBtnClick();
  EXPECT_EQ(view.address, 7);
  EXPECT_EQ(line->Frames(), 0u);  // the dialog only computes
}

}  // namespace
}  // namespace kavo5000::window
