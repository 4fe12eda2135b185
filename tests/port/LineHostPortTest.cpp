// LineHostPort on a virtual clock: against the in-process simulator (faults
// included) and against a scripted transport for the timing and failure
// cases a simulator does not produce.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <fstream>
#include <optional>
#include <string>

#include "FrameStream.h"
#include "Frames.h"
#include "HostTestCheck.h"
#include "Line.h"
#include "LineHostPort.h"
#include "NozzleReadings.h"
#include "SimTransport.h"

namespace kavo5000::host {
namespace {

using std::chrono::milliseconds;
using testing::HostTestCheck;
using wire::Bytes;

constexpr Byte kChannel = 1;

// A transport whose arrivals the test lays out on a virtual clock.
class ScriptedTransport final : public Transport {
 public:
  explicit ScriptedTransport(sim::VirtualClock& clock) : clock_(clock) {}
  struct Arrival {
    Nanos after;  // from the write
    Bytes bytes;
  };
  std::deque<Arrival> script;
  std::int32_t openResult = kPortOk;
  std::int32_t writeResult = kPortOk;
  std::int32_t readResult = kPortOk;
  int opens = 0;
  int writes = 0;
  int discards = 0;
  std::optional<Nanos> packetWindow;  // set: a serial server's TCP line

  std::int32_t Open() override {
    ++opens;
    if (openResult != kPortOk) return Fail(openResult, "device gone");
    open_ = true;
    return kPortOk;
  }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  void DiscardInput() override { ++discards; }
  std::int32_t Write(std::span<const Byte>) override {
    ++writes;
    written_ = clock_.Now();
    return writeResult == kPortOk ? kPortOk : Fail(writeResult, "write refused");
  }
  ReadResult Read(std::span<Byte> into, Nanos timeout) override {
    if (readResult != kPortOk) return {ReadStatus::kFailed, 0, Fail(readResult, "read refused")};
    const sim::Instant deadline = clock_.Now() + timeout;
    if (script.empty() || written_ + script.front().after > deadline) {
      clock_.WaitUntil(deadline);
      return {ReadStatus::kTimeout, 0, kPortOk};
    }
    clock_.WaitUntil(written_ + script.front().after);
    const Bytes bytes = script.front().bytes;
    script.pop_front();
    const std::size_t n = std::min(bytes.size(), into.size());
    std::copy_n(bytes.begin(), n, into.begin());
    return {ReadStatus::kData, n, kPortOk};
  }
  Nanos Now() const override { return clock_.Now().time_since_epoch(); }
  std::optional<Nanos> PacketWindow(std::size_t) const override { return packetWindow; }
  std::string Describe() const override { return "scripted"; }

 private:
  sim::VirtualClock& clock_;
  sim::Instant written_{};
  bool open_ = false;
};

// The frame of `command` (its character and arguments) to a nozzle address.
Bytes Ask(int address, const std::string& command) {
  const wire::AddressPair pair = wire::AddressOf(address);
  Bytes bytes = {pair.group, pair.address};
  bytes.insert(bytes.end(), command.begin(), command.end());
  return wire::EncodeFrame(bytes);
}

const Bytes kTypeFrame = {0x7F, 0x02, 0x21, 0x5E, 0x37, 0x48, 0x03, 0x03, 0x55};
const Bytes kStartFrame = {0x7F, 0x02, 0x21, 0x5E, 0x32, 0x4D, 0x03, 0x03, 0x50};

class PortOnSimulator : public ::testing::Test {
 protected:
  PortOnSimulator() : line(std::make_shared<sim::Line>(sim::DefaultLineConfig(2))) {
    check.port = &port;
    port.Bind(kChannel, MakeSimTransport(line, clock, SimPacing{4800, milliseconds(5)}));
    port.SetReplyCheck(kChannel, check.Ref());
    port.AddObserver([this](const ExchangeRecord& r) { records.push_back(r); });
    EXPECT_EQ(port.Open(kChannel, 42, 4800), 0);
  }
  std::int32_t Send(const Bytes& frame, Byte replySize = 8) {
    reply.fill(0);
    return port.Send(kChannel, frame.data(), static_cast<Byte>(frame.size()), reply.data(),
                     replySize, 0);
  }
  Bytes Reply() const { return records.back().reply; }

  sim::VirtualClock clock;
  std::shared_ptr<sim::Line> line;
  LineHostPort port;
  HostTestCheck check;
  std::array<Byte, 256> reply{};
  std::vector<ExchangeRecord> records;
};

TEST_F(PortOnSimulator, ReturnsAtTheReplysLastByteNotAtReplySize) {
  const sim::Instant before = clock.Now();
  ASSERT_EQ(Send(kStartFrame, 40), 0);
  EXPECT_EQ(port.GetLineState(kChannel), 1);
  EXPECT_EQ(reply[0], 0x06);
  // 9 frame bytes on the wire, the turnaround, one reply byte: nothing more.
  const Nanos expected = sim::WireTime(9, 4800) + milliseconds(5) + sim::WireTime(1, 4800);
  EXPECT_EQ(clock.Now() - before, expected);
  EXPECT_EQ(records.back().verdict, ExchangeVerdict::kValid);
}

TEST_F(PortOnSimulator, ADataReplyLandsWholeAtTheStartOfTheBuffer) {
  ASSERT_EQ(Send(kTypeFrame, 6), 0);
  EXPECT_EQ(port.GetLineState(kChannel), 1);
  EXPECT_EQ(Reply(), (Bytes{0x02, 0x41, 0x3E, 0x03, 0x03, 0x42}));
  EXPECT_EQ(check.calls, 6);  // shown every byte as it came
}

TEST_F(PortOnSimulator, EachFaultGivesItsLineStateAndTheNextExchangeWorks) {
  struct Case {
    const char* fault;
    Byte state;
    ExchangeVerdict verdict;
    std::int32_t lineError;
  };
  const Case cases[] = {
      {"7:drop*1", kLineNoReply, ExchangeVerdict::kNoReply, 0},
      {"7:mute*1", kLineNoReply, ExchangeVerdict::kNoReply, 0},
      {"7:delay=400*1", kLineNoReply, ExchangeVerdict::kNoReply, 0},
      {"7:truncate=3*1", kLineIncomplete, ExchangeVerdict::kIncomplete, 0},
      {"7:corrupt*1", kLineIncomplete, ExchangeVerdict::kBadChecksum, 222},
      {"7:corrupt=2*1", kLineMalformed, ExchangeVerdict::kMalformed, 246},
      {"7:corrupt=0*1", kLineIncomplete, ExchangeVerdict::kNoStartByte, 223},
      {"7:garbage*1", 1, ExchangeVerdict::kValid, 0},
      {"7:delay=100*1", 1, ExchangeVerdict::kValid, 0},
      {"7:refuse*1", 1, ExchangeVerdict::kValid, 0},
  };
  for (const Case& c : cases) {
    line->SetFaults(sim::FaultPlan::Parse(c.fault));
    EXPECT_EQ(Send(kTypeFrame, 6), 0) << c.fault;
    EXPECT_EQ(port.GetLineState(kChannel), c.state) << c.fault;
    EXPECT_EQ(records.back().verdict, c.verdict) << c.fault;
    EXPECT_EQ(records.back().lineError, c.lineError) << c.fault;
    ASSERT_EQ(Send(kTypeFrame, 6), 0) << c.fault;
    EXPECT_EQ(port.GetLineState(kChannel), 1) << "after " << c.fault;
    EXPECT_EQ(Reply(), (Bytes{0x02, 0x41, 0x3E, 0x03, 0x03, 0x42})) << "after " << c.fault;
  }
}

// A host reads a delivery another process started straight from the
// controller; a reading no sound reply gave is nothing, and says why.
TEST_F(PortOnSimulator, ANozzleReaderTakesOnlyWhatAReplyGave) {
  sim::Controller& c = *line->Find(2);
  ASSERT_TRUE(line->Receive(Ask(2, "Q5000"), clock.Now()).bytes == Bytes{0x06});
  ASSERT_TRUE(line->Receive(Ask(2, "T00200"), clock.Now()).bytes == Bytes{0x06});
  ASSERT_TRUE(line->Receive(Ask(2, "2"), clock.Now()).bytes == Bytes{0x06});
  c.Lift(clock.Now());
  clock.Advance(sim::Seconds(2));  // 1 l at the default half litre a second
  NozzleReader reader(port, kChannel);
  EXPECT_EQ(reader.State(2), (wire::StateBytes{'4', '0'}));
  ASSERT_TRUE(line->Receive(Ask(2, "3"), clock.Now()).bytes == Bytes{0x06});
  const auto litres = static_cast<std::uint64_t>(c.deliveryVolume());
  ASSERT_GE(litres, 100u);
  EXPECT_EQ(reader.RunningVolume(2), litres);
  EXPECT_EQ(reader.DeliveryCounters(2), (wire::DeliveryFigures{litres, litres * 50}));
  EXPECT_EQ(reader.Failure(), ReadingFailure::kNone);
  struct Case {
    const char* fault;
    ReadingFailure failure;
  };
  const Case cases[] = {
      {"5:drop*1", ReadingFailure::kNoReply},
      {"5:truncate=3*1", ReadingFailure::kUnusable},
      {"5:refuse*1", ReadingFailure::kRefused},
      {"7:refuse*1", ReadingFailure::kRefused},
  };
  for (const Case& k : cases) {
    line->SetFaults(sim::FaultPlan::Parse(k.fault));
    EXPECT_EQ(reader.DeliveryCounters(2), std::nullopt) << k.fault;
    EXPECT_EQ(reader.Failure(), k.failure) << k.fault;
  }
  EXPECT_EQ(reader.State(9), std::nullopt);  // nobody lives at address 9
  EXPECT_EQ(reader.Failure(), ReadingFailure::kNoReply);
}

TEST_F(PortOnSimulator, SilenceCostsTheFirstByteTimeoutAndIsNoTransportFailure) {
  line->SetFaults(sim::FaultPlan::Parse("*:drop"));
  const sim::Instant before = clock.Now();
  EXPECT_EQ(Send(kTypeFrame, 6), 0);
  // The wait begins once the frame's 9 bytes are through.
  EXPECT_EQ(clock.Now() - before, sim::WireTime(9, 4800) + milliseconds(250));
  EXPECT_EQ(port.GetLineState(kChannel), kLineNoReply);
  EXPECT_EQ(port.GetLastError(kChannel), 0);
}

TEST_F(PortOnSimulator, GarbageIsDroppedByTheCheckAndTheReplyKept) {
  line->SetFaults(sim::FaultPlan::Parse("7:garbage=FF00FE*1"));
  ASSERT_EQ(Send(kTypeFrame, 6), 0);
  EXPECT_EQ(records.back().received.size(), 9u);
  EXPECT_EQ(Reply(), (Bytes{0x02, 0x41, 0x3E, 0x03, 0x03, 0x42}));
}

TEST_F(PortOnSimulator, NoReplyAwaitedReturnsRightAfterWriting) {
  const Bytes w = wire::EncodeFrame(Bytes{0x02, 'W', '3', '1'});
  const sim::Instant before = clock.Now();
  EXPECT_EQ(Send(w, 0), 0);
  EXPECT_EQ(clock.Now(), before);
  EXPECT_EQ(records.back().verdict, ExchangeVerdict::kNotAwaited);
  EXPECT_EQ(check.calls, 0);
}

// Forwards to a transport and counts the reads: each is a wake-up of the
// host's thread, which a station of twenty lines pays for in CPU.
class CountingTransport final : public Transport {
 public:
  explicit CountingTransport(std::unique_ptr<Transport> inner) : inner_(std::move(inner)) {}
  int reads = 0;

  std::int32_t Open() override { return inner_->Open(); }
  void Close() override { inner_->Close(); }
  bool IsOpen() const override { return inner_->IsOpen(); }
  void DiscardInput() override { inner_->DiscardInput(); }
  std::int32_t Write(std::span<const Byte> bytes) override { return inner_->Write(bytes); }
  ReadResult Read(std::span<Byte> into, Nanos timeout) override {
    ++reads;
    return inner_->Read(into, timeout);
  }
  Nanos Now() const override { return inner_->Now(); }
  Nanos WireTime(std::size_t bytes) const override { return inner_->WireTime(bytes); }
  void Pause(Nanos d) override { inner_->Pause(d); }
  std::string Describe() const override { return inner_->Describe(); }

 private:
  std::unique_ptr<Transport> inner_;
};

// A paced reply is slept through, not woken for byte by byte, once the port
// has seen how long the reply to such an exchange is, and still handed back
// as its last byte lands, however long the announced size.
TEST(PortOnPacedLine, SleepsThroughAKnownReplyAndHandsItBackAtItsLastByte) {
  sim::VirtualClock clock;
  auto line = std::make_shared<sim::Line>(sim::DefaultLineConfig(1));
  auto counting = std::make_unique<CountingTransport>(
      MakeSimTransport(line, clock, SimPacing{4800, milliseconds(5)}));
  CountingTransport& transport = *counting;
  LineHostPort port;
  HostTestCheck check;
  check.port = &port;
  port.Bind(kChannel, std::move(counting));
  port.SetReplyCheck(kChannel, check.Ref());
  ASSERT_EQ(port.Open(kChannel, 42, 4800), 0);
  std::array<Byte, 256> reply{};
  constexpr Byte kAnnounced = 17;  // more than the type reply's six bytes
  const Nanos took = sim::WireTime(9, 4800) + milliseconds(5) + sim::WireTime(6, 4800);

  for (int exchange = 1; exchange <= 3; ++exchange) {
    SCOPED_TRACE(exchange);
    transport.reads = 0;
    const sim::Instant before = clock.Now();
    ASSERT_EQ(port.Send(kChannel, kTypeFrame.data(), 9, reply.data(), kAnnounced, 0), 0);
    EXPECT_EQ(port.GetLineState(kChannel), 1);
    EXPECT_EQ(clock.Now() - before, took);
    // The first exchange is read byte by byte; then the first byte, and
    // after the pause the rest in one read.
    EXPECT_EQ(transport.reads, exchange == 1 ? 6 : 2);
  }
}

// At 300 baud the type query's 9 bytes take 300 ms and its answer begins 338 ms
// after the write, a byte every 33 ms: waits counted from the write, or from
// the last byte without the next one's wire time, would lose it.
TEST(PortOnSlowLine, TheFirstByteWaitBeginsWhenTheFrameHasLeft) {
  sim::VirtualClock clock;
  auto line = std::make_shared<sim::Line>(sim::DefaultLineConfig(1));
  LineHostPort port;
  HostTestCheck check;
  check.port = &port;
  port.Bind(kChannel, MakeSimTransport(line, clock, SimPacing{300, milliseconds(5)}));
  port.SetReplyCheck(kChannel, check.Ref());
  ASSERT_EQ(port.Open(kChannel, 42, 300), 0);
  std::array<Byte, 256> reply{};
  auto send = [&] { return port.Send(kChannel, kTypeFrame.data(), 9, reply.data(), 6, 0); };

  ASSERT_EQ(send(), 0);
  EXPECT_EQ(port.GetLineState(kChannel), 1);

  line->SetFaults(sim::FaultPlan::Parse("*:drop"));
  const sim::Instant before = clock.Now();
  ASSERT_EQ(send(), 0);
  EXPECT_EQ(port.GetLineState(kChannel), kLineNoReply);
  EXPECT_EQ(clock.Now() - before, milliseconds(300) + milliseconds(250));
}

TEST(PortChannels, UnboundClosedAndUnopenableChannelsFailTheTransport) {
  LineHostPort port;
  std::array<Byte, 256> reply{};
  EXPECT_EQ(port.Send(9, kTypeFrame.data(), 9, reply.data(), 6, 0), kPortNotConfigured);
  EXPECT_EQ(port.GetLastError(9), kPortNotConfigured);
  EXPECT_EQ(port.Open(9, 42, 4800), kPortNotConfigured);

  sim::VirtualClock clock;
  port.Bind(3, MakeSimTransport(std::make_shared<sim::Line>(sim::DefaultLineConfig(1)), clock,
                                SimPacing{}));
  EXPECT_EQ(port.Send(3, kTypeFrame.data(), 9, reply.data(), 6, 0), kPortNotOpen);
  EXPECT_THROW(port.Bind(7, "sim"), PortSpecError);  // the simulator is bound as a transport
  port.Bind(4, "/nonexistent/tty");
  EXPECT_EQ(port.Open(4, 42, 4800), kPortOpenFailed);
  EXPECT_NE(port.ErrorText(4).find("/nonexistent/tty"), std::string::npos);
  // Only what the host opened is reopened: no attempt at a device never opened.
  EXPECT_EQ(port.Send(4, kTypeFrame.data(), 9, reply.data(), 6, 0), kPortNotOpen);
  port.Bind(5, "/dev/null");
  EXPECT_EQ(port.Open(5, 42, 4800), kPortOpenFailed);  // not a serial line
  EXPECT_THROW(port.Bind(6, "tcp://nowhere"), PortSpecError);
}

class PortOnScript : public ::testing::Test {
 protected:
  PortOnScript() {
    auto t = std::make_unique<ScriptedTransport>(clock);
    transport = t.get();
    check.port = &port;
    port.Bind(kChannel, std::move(t));
    port.SetReplyCheck(kChannel, check.Ref());
    port.Open(kChannel, 42, 4800);
  }
  std::int32_t Send(Byte replySize = 8) {
    return port.Send(kChannel, kTypeFrame.data(), 9, reply.data(), replySize, 0);
  }
  sim::VirtualClock clock;
  ScriptedTransport* transport = nullptr;
  LineHostPort port;
  HostTestCheck check;
  std::array<Byte, 256> reply{};
};

TEST_F(PortOnScript, ReplySplitAcrossReadsIsPutTogether) {
  transport->script = {{milliseconds(10), {0x02, 0x41}},
                       {milliseconds(15), {0x3E, 0x03}},
                       {milliseconds(30), {0x03, 0x42}}};
  ASSERT_EQ(Send(), 0);
  EXPECT_EQ(port.GetLineState(kChannel), 1);
  EXPECT_EQ(clock.Now(), sim::Instant(milliseconds(30)));
}

TEST_F(PortOnScript, AOneByteReplyEndsTheExchangeWhateverTheReplySize) {
  transport->script = {{milliseconds(12), {0x06}}};
  ASSERT_EQ(Send(40), 0);
  EXPECT_EQ(port.GetLineState(kChannel), 1);
  EXPECT_EQ(clock.Now(), sim::Instant(milliseconds(12)));  // not a timeout
}

TEST_F(PortOnScript, APauseLongerThanTheInterByteTimeoutEndsTheReply) {
  transport->script = {{milliseconds(10), {0x02, 0x41}},
                       {milliseconds(31), {0x3E, 0x03, 0x03, 0x42}}};
  ASSERT_EQ(Send(), 0);
  EXPECT_EQ(port.GetLineState(kChannel), kLineIncomplete);
  EXPECT_EQ(clock.Now(), sim::Instant(milliseconds(30)));  // 10 ms, then 20 ms of silence
}

// A serial server forwards a reply in packets by its own timers: a pause
// between them is no gap on the line. Within the window from the first byte
// only the check ends the reply; a reply not whole by its end has failed.
TEST_F(PortOnScript, OnAPacketisedLineOnlyTheCheckEndsAReplyWithinItsWindow) {
  struct Case {
    const char* what;
    Nanos tailAfter;  // the second packet, from the write
    Byte state;
    Nanos ended;  // from the write
  };
  const Case cases[] = {
      {"tail 60 ms after the head", milliseconds(70), 1, milliseconds(70)},
      {"tail just inside the window", milliseconds(109), 1, milliseconds(109)},
      {"tail beyond the window", milliseconds(200), kLineIncomplete, milliseconds(110)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    transport->packetWindow = milliseconds(100);
    transport->script = {{milliseconds(10), {0x02, 0x41}}, {c.tailAfter, {0x3E, 0x03, 0x03, 0x42}}};
    const sim::Instant began = clock.Now();
    ASSERT_EQ(Send(), 0);
    EXPECT_EQ(port.GetLineState(kChannel), c.state);
    EXPECT_EQ(clock.Now() - began, c.ended);
    transport->script.clear();
  }
}

TEST_F(PortOnScript, TimeoutsCanBeChanged) {
  port.SetTimeouts({milliseconds(500), milliseconds(50)});
  transport->script = {{milliseconds(400), {0x02, 0x41}},
                       {milliseconds(440), {0x3E, 0x03, 0x03, 0x42}}};
  ASSERT_EQ(Send(), 0);
  EXPECT_EQ(port.GetLineState(kChannel), 1);
}

TEST_F(PortOnScript, TimeoutsSetInMillisecondsTakeEffect) {
  EXPECT_THROW(PortTimeouts::FromMilliseconds(-1, 20), std::invalid_argument);
  EXPECT_THROW(PortTimeouts::FromMilliseconds(250, -1), std::invalid_argument);
  port.SetTimeouts(PortTimeouts::FromMilliseconds(40, 5));
  transport->script = {{milliseconds(30), {0x02, 0x41}}, {milliseconds(36), {0x3E}}};
  ASSERT_EQ(Send(), 0);
  EXPECT_EQ(port.GetLineState(kChannel), kLineIncomplete);
  EXPECT_EQ(clock.Now(), sim::Instant(milliseconds(35)));  // 30 ms, then 5 ms of silence
}

// A flush before the frame is two trips into the kernel: made only when
// something may be waiting, never after a clean exchange.
TEST_F(PortOnScript, InputIsDroppedOnlyAfterAnExchangeThatDidNotEndCleanly) {
  struct Case {
    const char* name;
    Bytes arrived;
    bool flushedNext;
  };
  const Case cases[] = {
      {"a reply alone", {0x06}, false},
      {"bytes after the reply", {0x06, 0x55}, true},
      {"silence", {}, true},
      {"a reply cut short", {0x02, 0x41}, true},
  };
  transport->script = {{milliseconds(10), {0x06}}};
  ASSERT_EQ(Send(), 0);
  EXPECT_EQ(transport->discards, 1);  // a new line may hold anything
  for (const Case& c : cases) {
    transport->script.clear();
    if (!c.arrived.empty()) transport->script = {{milliseconds(10), c.arrived}};
    ASSERT_EQ(Send(), 0) << c.name;
    const int before = transport->discards;
    transport->script = {{milliseconds(10), {0x06}}};
    ASSERT_EQ(Send(), 0) << c.name;
    EXPECT_EQ(transport->discards - before, c.flushedNext ? 1 : 0) << c.name;
  }
}

TEST_F(PortOnScript, StopsAt255Bytes) {
  port.SetReplyCheck(kChannel, {nullptr, nullptr});
  transport->script = {{milliseconds(1), Bytes(200, 0x55)}, {milliseconds(2), Bytes(200, 0x55)}};
  ASSERT_EQ(Send(), 0);
  EXPECT_EQ(port.GetLineState(kChannel), kLineIncomplete);
  EXPECT_EQ(reply[254], 0x55);
  EXPECT_EQ(reply[255], 0x00);
}

// A check that keeps dropping what comes (noise before any start byte) must
// not keep the exchange open as long as the line babbles.
TEST_F(PortOnScript, StopsAt255BytesReceivedWhateverTheCheckKeeps) {
  transport->script = {{milliseconds(1), Bytes(200, 0x55)}, {milliseconds(2), Bytes(200, 0x55)}};
  ExchangeRecord last;
  port.AddObserver([&last](const ExchangeRecord& r) { last = r; });
  ASSERT_EQ(Send(), 0);
  EXPECT_NE(port.GetLineState(kChannel), kLineValid);
  EXPECT_EQ(last.received.size(), 255u);
}

// A line that fails (a write or a read) is closed and reopened by a later
// exchange, at most once per reopen interval on the transport's clock; each
// exchange while it is down fails in the open and keeps the transport's
// reason, and the one that finds it back goes out on the reopened line.
TEST_F(PortOnScript, AFailedLineIsReopenedOncePerIntervalAndNoExchangeIsLost) {
  struct Case {
    const char* name;
    std::int32_t ScriptedTransport::*result;
    std::int32_t code;
    const char* text;
  };
  const Case cases[] = {
      {"write fails", &ScriptedTransport::writeResult, kPortWriteFailed, "write refused"},
      {"read fails", &ScriptedTransport::readResult, kPortReadFailed, "read refused"},
  };
  std::vector<ExchangeRecord> records;
  port.AddObserver([&records](const ExchangeRecord& r) { records.push_back(r); });
  std::uint32_t recoveries = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    records.clear();
    const int opensBefore = transport->opens;
    transport->*c.result = c.code;
    EXPECT_EQ(Send(), c.code);
    EXPECT_FALSE(transport->IsOpen());
    EXPECT_EQ(port.ErrorText(kChannel), c.text);
    transport->*c.result = kPortOk;

    // The device is away: the first exchange tries it (no attempt was made
    // in the last interval), the next ones within the interval do not, and
    // the reason stays in the transport's words.
    transport->openResult = kPortOpenFailed;
    EXPECT_EQ(Send(), kPortOpenFailed);
    const sim::Instant tried = clock.Now();
    EXPECT_EQ(port.ErrorText(kChannel), "device gone");
    clock.WaitUntil(tried + kReopenInterval - milliseconds(1));
    EXPECT_EQ(Send(), kPortNotOpen);
    EXPECT_EQ(port.GetLastError(kChannel), kPortNotOpen);
    EXPECT_EQ(port.ErrorText(kChannel), "device gone");
    EXPECT_EQ(transport->opens, opensBefore + 1);

    // Back within the next interval: the exchange that reopens it is made.
    transport->openResult = kPortOk;
    EXPECT_EQ(Send(), kPortNotOpen);
    clock.WaitUntil(tried + kReopenInterval);
    const int writesBefore = transport->writes;
    transport->script = {{milliseconds(10), {0x06}}};
    ASSERT_EQ(Send(), 0);
    EXPECT_EQ(transport->writes, writesBefore + 1);
    EXPECT_EQ(port.GetLineState(kChannel), 1);
    EXPECT_EQ(port.GetLastError(kChannel), kPortOk);
    EXPECT_EQ(port.ErrorText(kChannel), "");
    EXPECT_EQ(port.Recoveries(kChannel), ++recoveries);
    EXPECT_EQ(transport->opens, opensBefore + 2);

    // Every exchange reached the observers, the failed ones as failures.
    ASSERT_EQ(records.size(), 5u);
    for (std::size_t i = 0; i + 1 < records.size(); ++i) {
      EXPECT_EQ(records[i].verdict, ExchangeVerdict::kTransportFailure) << i;
      EXPECT_NE(records[i].result, kPortOk) << i;
    }
    EXPECT_EQ(records.back().verdict, ExchangeVerdict::kValid);
    clock.WaitUntil(clock.Now() + kReopenInterval);
  }
}

TEST_F(PortOnScript, TraceWritesOneJsonLinePerExchange) {
  const std::string path = ::testing::TempDir() + "port-trace.jsonl";
  std::remove(path.c_str());
  port.TraceTo(path);
  port.SetTraceContext("state");
  transport->script = {{milliseconds(10), {0x06}}};
  const auto before = std::chrono::floor<milliseconds>(std::chrono::system_clock::now());
  ASSERT_EQ(Send(), 0);
  port.SetTraceContext("watch");
  ASSERT_EQ(Send(), 0);
  const auto after = std::chrono::system_clock::now();
  std::ifstream in(path);
  std::string first;
  std::string second;
  std::getline(in, first);
  std::getline(in, second);
  EXPECT_NE(first.find("\"frame\":\"7F 02 21 5E 37 48 03 03 55\""), std::string::npos) << first;
  EXPECT_NE(first.find("\"verdict\":\"valid\""), std::string::npos) << first;
  EXPECT_NE(first.find("\"ms\":10.0"), std::string::npos) << first;
  EXPECT_NE(first.find("\"command\":\"state\""), std::string::npos) << first;
  EXPECT_NE(second.find("\"verdict\":\"no reply\""), std::string::npos) << second;
  EXPECT_NE(second.find("\"state\":2"), std::string::npos) << second;

  const std::vector<ExchangeRecord> read = ReadTrace(path);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[1].command, "watch");
  EXPECT_EQ(read[1].channel, kChannel);
  ASSERT_TRUE(read[0].wall);
  EXPECT_GE(*read[0].wall, before);
  EXPECT_LE(*read[0].wall, after);
}

}  // namespace
}  // namespace kavo5000::host
