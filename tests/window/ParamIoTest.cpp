// The window's reads and writes as plain functions, against a driver on the
// in-process simulator (virtual clock): what a write of each kind of row
// sends and reports, silent and refusing controllers included, and the
// background reader handing each run back to the window's thread however
// late its own thread gets round to waiting again.
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "Clock.h"
#include "Line.h"
#include "LineHostPort.h"
#include "ParamIo.h"
#include "ParamReader.h"
#include "SimTransport.h"
#include "Transport.h"
#include "VM30.h"

namespace kavo5000::window {
namespace {

constexpr Byte kChannel = 1;
const catalogue::NumberFormat kFormat{".", ""};

class ParamIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port.Bind(kChannel, host::MakeSimTransport(line, clock, host::SimPacing{}));
    ASSERT_EQ(vm30.OpenChannel(kChannel), 0);
    params.Fill();
  }
  catalogue::CParameter& Row(std::uint8_t kind, std::int32_t code = -1) {
    for (int i = 0; i < params.Count(); ++i) {
      catalogue::CParameter& p = params.Item(i);
      if (p.Kind == kind && (code < 0 || p.Code == code)) return p;
    }
    throw std::runtime_error("no such row");
  }
  sim::Controller& Nozzle1() { return *line->Find(1); }

  sim::VirtualClock clock;
  std::shared_ptr<sim::Line> line = std::make_shared<sim::Line>(sim::DefaultLineConfig(8));
  host::LineHostPort port;
  driver::VM30Driver vm30{0, 0, &port};
  catalogue::CTRKParameters params;
};

struct WriteCase {
  const char* name;
  std::uint8_t kind;
  std::int32_t code;  // −1: the first row of the kind
  EditorValues values;
  const char* faults;
  const char* message;
  std::int64_t sent;  // the value the controller holds afterwards, −1: not checked
};

class WriteRowTest : public ParamIoTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteRowTest, SendsTheEditorsValueAndReportsWhatTheControllerDid) {
  const WriteCase& c = GetParam();
  catalogue::CParameter& row = Row(c.kind, c.code);
  row.ReadText = "before";
  const std::int32_t value = row.Value;
  if (c.faults[0] != '\0') line->SetFaults(sim::FaultPlan::Parse(c.faults));
  const std::int64_t held = Nozzle1().param(row.Code);

  EXPECT_EQ(std::string(WriteRow(row, c.values, {{&vm30, kChannel, 1}, 0}, kFormat)), c.message);
  const bool done = std::string(c.message) == kWriteDoneText;
  EXPECT_EQ(Nozzle1().param(row.Code), done ? c.sent : held);
  if (done) {
    EXPECT_EQ(row.Value, c.sent);
    EXPECT_EQ(row.ReadText, row.ValueToText(static_cast<std::int32_t>(c.sent), kFormat));
  } else {
    EXPECT_EQ(row.Value, value);
    EXPECT_EQ(row.ReadText, "before");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WriteRowTest,
    ::testing::Values(
        WriteCase{"number", catalogue::pkNumber, 4, {124}, "", kWriteDoneText, 124},
        WriteCase{"silent", catalogue::pkNumber, 4, {124}, "O:drop", kWriteFailedText, -1},
        WriteCase{"refused", catalogue::pkNumber, 4, {124}, "O:refuse", kWriteFailedText, -1},
        WriteCase{"decimal", catalogue::pkNumber, 23, {1.15}, "", kWriteDoneText, 115},
        WriteCase{"list", catalogue::pkList, -1, {0, 0, 1}, "", kWriteDoneText, 1},
        WriteCase{"listWithoutChoice", catalogue::pkList, -1, {0, 0, -1}, "", kWriteFailedText, -1},
        WriteCase{"notAValue",
                  catalogue::pkNumber,
                  4,
                  {124, 0, -1, false},
                  "",
                  kValueOutsideLimitsText,
                  -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParamIoTest, ACommonCommandReachesTheWholeLineOnceSent) {
  catalogue::CParameter& row = Row(catalogue::pkCommandList);
  EXPECT_STREQ(WriteRow(row, {0, 0, 1}, {{&vm30, kChannel, 1}, 0}, kFormat), kWriteDoneText);
  EXPECT_EQ(line->CommonSwitch(row.Code), 1);
}

TEST_F(ParamIoTest, TheAddressRowProgramsTheControllerWithTheIdNumber) {
  catalogue::CParameter& row = Row(catalogue::pkNetAddress);
  const sim::Controller& second = *line->Find(2);
  const auto id = static_cast<std::int32_t>(second.id());
  EXPECT_STREQ(WriteRow(row, {9}, {{&vm30, kChannel, 1}, id}, kFormat), kWriteDoneText);
  EXPECT_EQ(second.address(), 9);
  EXPECT_EQ(row.Code, id);
  // Nozzle address 33 names no dispenser of a line: the driver raises before
  // sending, and the window reports a failed write.
  const std::uint64_t frames = line->Frames();
  EXPECT_STREQ(WriteRow(row, {10}, {{&vm30, kChannel, 33}, id}, kFormat), kWriteFailedText);
  EXPECT_EQ(line->Frames(), frames);
  EXPECT_EQ(second.address(), 9);
}

TEST_F(ParamIoTest, WithoutADriverNothingIsWrittenOrRead) {
  catalogue::CParameter& row = Row(catalogue::pkNumber);
  EXPECT_STREQ(WriteRow(row, {1}, {}, kFormat), kNoDriverText);
  EXPECT_FALSE(ReadRequestFor(row, {}).has_value());
  EXPECT_EQ(PerformRead(ReadRequest{}), kFailedRead);
}

TEST_F(ParamIoTest, AFailedReadMarksTheRowAndClearsTheTextOnlyWhenAsked) {
  catalogue::CParameter& row = Row(catalogue::pkNumber, 4);
  EXPECT_EQ(ApplyRead(row, 42, kFormat, FailedReadText::kClear), "42");
  EXPECT_EQ(ApplyRead(row, kFailedRead, kFormat, FailedReadText::kKeep), "");
  EXPECT_TRUE(row.ReadError);
  EXPECT_EQ(row.ReadText, "42");
  EXPECT_EQ(row.Value, 42);
  ApplyRead(row, kFailedRead, kFormat, FailedReadText::kClear);
  EXPECT_EQ(row.ReadText, "");
}

// Posts as a window's event loop does: calls wait in a queue until the test,
// playing the window's thread, runs them. The reader's thread can be held
// just after a chosen post, as a loaded machine may hold it.
class TestWindow {
 public:
  void Post(std::function<void()> call) {
    std::unique_lock lock(mutex_);
    calls_.push_back(std::move(call));
    changed_.notify_all();
    ++posts_;
    if (posts_ == holdAfter_) changed_.wait(lock, [this] { return released_; });
  }
  // Runs the next posted call on this thread, waiting for one to come.
  void RunOne() {
    std::function<void()> call;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return !calls_.empty(); });
      call = std::move(calls_.front());
      calls_.pop_front();
    }
    call();
  }
  void HoldAfterPost(int n) {
    const std::lock_guard lock(mutex_);
    holdAfter_ = n;
  }
  void Release() {
    {
      const std::lock_guard lock(mutex_);
      released_ = true;
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> calls_;
  int posts_ = 0;
  int holdAfter_ = 0;
  bool released_ = false;
};

TEST_F(ParamIoTest, TheReaderHandsBackEachRunEvenWhileItsThreadIsHeld) {
  constexpr int kRows = 3;
  TestWindow window;
  std::vector<std::int32_t> results;
  int finished = 0;
  TReadParamsTread::Hooks hooks;
  hooks.request = [this](int row) -> std::optional<ReadRequest> {
    if (row == 2) return std::nullopt;  // a row without a family: fails at once
    return ReadRequest{&vm30, catalogue::CommandFamily::Parameter, kChannel, 1, 4, 3};
  };
  hooks.rowRead = [&results](int, std::int32_t raw) { results.push_back(raw); };
  hooks.finished = [&finished] { ++finished; };
  hooks.post = [&window](std::function<void()> call) { window.Post(std::move(call)); };
  TReadParamsTread reader(hooks);
  Nozzle1().setParam(4, 321);

  // The thread stays in its last post of the first run until released.
  window.HoldAfterPost(2);
  ASSERT_TRUE(reader.Start(kRows));
  EXPECT_FALSE(reader.Start(kRows));  // one run at a time
  window.RunOne();                    // row 1's answer; row 2 fails at once; row 3 goes out
  window.RunOne();                    // row 3's answer, posted by the held thread
  EXPECT_EQ(results, (std::vector<std::int32_t>{321, kFailedRead, 321}));
  EXPECT_EQ(finished, 1);
  EXPECT_FALSE(reader.Running());

  // A second run starts at once; its rows go out once the thread is free.
  ASSERT_TRUE(reader.Start(kRows));
  EXPECT_EQ(reader.CurRow(), 1);
  window.Release();
  window.RunOne();
  window.RunOne();
  EXPECT_EQ(results.size(), 6u);
  EXPECT_EQ(finished, 2);
  EXPECT_FALSE(reader.Running());
  // The run is over and the thread free: it ends, the window still open.
  while (reader.ThreadServing()) std::this_thread::yield();
  ASSERT_TRUE(reader.Start(kRows));  // and a new one serves the next run
  window.RunOne();
  window.RunOne();
  EXPECT_EQ(finished, 3);
}

}  // namespace
}  // namespace kavo5000::window
