// ChannelStress.cpp — the threads, their operations, and the port that
// watches every channel for exchanges that meet.
#include "ChannelStress.h"

#include <array>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "ScriptedPort.h"
#include "VM30.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::stress {

namespace {

constexpr int kChannels = kLastChannel;  // 1..20, a host thread each
constexpr Byte kSharedChannel = 1;       // also a second host thread and the window's reader
constexpr int kThreads = kChannels + 2;
constexpr int kYieldsInSend = 4;            // room for another thread to step in mid-exchange
constexpr std::size_t kPortChannels = 256;  // a channel is a byte
constexpr Byte kAck = 0x06;
constexpr Byte kLineIncomplete = 4;  // bytes arrived, no complete reply
// Command bytes: c0 group, c1 address, c2 the command, c3 a parameter index.
constexpr std::size_t kAddressAt = 1;
constexpr std::size_t kCommandAt = 2;
constexpr std::size_t kIndexAt = 3;
constexpr Byte kIndexBase = '0';
constexpr int kParamIndices = 46;  // the indices every stress read cycles through
constexpr int kValueDigits = 4;
constexpr int kDecimal = 10;

// The value every controller on a channel holds in a parameter: the
// channel's own, so that an answer meant for another channel shows.
std::int32_t ParamValue(Byte channel, int index) {
  return channel * 100 + index;
}

// A line on every channel that answers at once, through the check, and
// counts exchanges that meet on a channel. Its answers are built and played
// through the check by the scripted port's own functions; its bookkeeping is
// its own, per channel and without a lock: the scripted port records every
// call under one mutex, which would order every thread's work in the driver
// and hide from the thread sanitizer the very races this stress looks for.
class WatchingPort final : public kavo5000::HostPort {
 public:
  std::int32_t KAVO5000_CALL GetLastError(Byte) override { return 1; }
  void KAVO5000_CALL SetLineError(Byte, std::int32_t) override {}
  void KAVO5000_CALL SetLineState(Byte c, Byte s) override { lines_[c].state.store(s); }
  Byte KAVO5000_CALL GetLineState(Byte c) override { return lines_[c].state.load(); }
  std::int32_t KAVO5000_CALL Open(Byte, std::int32_t, std::int32_t) override { return 0; }
  void KAVO5000_CALL SetReplyCheck(Byte c, kavo5000::ReplyCheckRef check) override {
    std::lock_guard lock(lines_[c].checkMutex);
    lines_[c].check = check;
  }

  std::int32_t KAVO5000_CALL Send(Byte c, const Byte* frame, Byte length, Byte* reply,
                                  Byte replySize, Byte) override {
    Line& line = lines_[c];
    exchanges_.fetch_add(1);
    if (line.busy.exchange(true)) overlaps_.fetch_add(1);
    for (int i = 0; i < kYieldsInSend; ++i) std::this_thread::yield();
    line.state.store(0);
    if (replySize != 0)
      Answer(c, line, testing::CommandOf(testing::Bytes(frame, frame + length)), reply);
    line.busy.store(false);
    return 0;
  }

  std::uint64_t exchanges() const { return exchanges_.load(); }
  std::uint64_t overlaps() const { return overlaps_.load(); }

 private:
  struct Line {
    std::atomic<bool> busy{false};
    std::atomic<Byte> state{0};
    std::mutex checkMutex;
    kavo5000::ReplyCheckRef check{nullptr, nullptr};
  };

  void Answer(Byte c, Line& line, const std::vector<Byte>& command, Byte* reply) {
    std::vector<Byte> answer{kAck};
    if (command.size() > kIndexAt && command[kCommandAt] == 'N') {
      const int index = command[kIndexAt] - kIndexBase;
      std::vector<Byte> data{command[kAddressAt]};
      std::int32_t value = ParamValue(c, index);
      std::vector<Byte> digits(kValueDigits);
      for (auto it = digits.rbegin(); it != digits.rend(); ++it, value /= kDecimal) {
        *it = static_cast<Byte>(kIndexBase + value % kDecimal);
      }
      data.insert(data.end(), digits.begin(), digits.end());
      answer = testing::DataReply(data);
    } else if (command.size() > kCommandAt && command[kCommandAt] == '1') {
      answer = testing::DataReply({'0', '0'});
    }
    kavo5000::ReplyCheckRef check;
    {
      std::lock_guard lock(line.checkMutex);
      check = line.check;
    }
    // Shown to the check a byte at a time, as a line delivers it.
    const std::vector<std::size_t> byteByByte(answer.size(), 1);
    const bool accepted = testing::PlayThroughCheck(check, c, answer, byteByByte, reply);
    if (!accepted && line.state.load() != kLineMalformed) line.state.store(kLineIncomplete);
  }

  std::array<Line, kPortChannels> lines_;
  std::atomic<std::uint64_t> exchanges_{0};
  std::atomic<std::uint64_t> overlaps_{0};
};

struct Counters {
  std::atomic<std::uint64_t> operations{0};
  std::atomic<std::uint64_t> wrong{0};
  std::atomic<std::uint64_t> raised{0};
};

// A host thread: a station's round of operations on its channel.
void HostThread(driver::VM30Driver& d, Byte channel, std::uint64_t count, Counters& counters) {
  for (std::uint64_t i = 0; i < count; ++i) {
    const int dispenser = 1 + static_cast<int>(i % 2);
    const int index = static_cast<int>(i % kParamIndices);
    try {
      switch (i % 5) {
        case 0: {
          const std::int32_t v = d.GetParam(channel, 1, kavo5000::HostParamNumber(1, index));
          if (v != ParamValue(channel, index)) counters.wrong.fetch_add(1);
          break;
        }
        case 1: {
          StateRecord record{};
          d.GetSost(channel, static_cast<Byte>(dispenser), 2, &record);
          // Idle nozzles; a channel of its own also keeps its status to itself.
          const bool own = channel != kSharedChannel;
          if (record.Summary != kStateIdle || (own && d.GetChannelStatus(channel) != kLineValid))
            counters.wrong.fetch_add(1);
          break;
        }
        case 2:
          d.SetPrice(channel, dispenser, 1, 0, 0, 45.1);
          break;
        case 3:
          d.StartPumpEx(channel, dispenser, 2, false);
          break;
        default:
          d.StopAndClose(channel, dispenser, 2, true);
          break;
      }
    } catch (...) {
      counters.raised.fetch_add(1);
    }
    counters.operations.fetch_add(1);
  }
}

// The window's background reader on the shared channel.
void WindowReader(driver::VM30Driver& d, std::uint64_t count, Counters& counters) {
  for (std::uint64_t i = 0; i < count; ++i) {
    const int index = static_cast<int>(i % kParamIndices);
    const std::int32_t v = d.WindowReadParam(catalogue::CommandFamily::Parameter, kSharedChannel, 1,
                                             index, kValueDigits);
    if (v != ParamValue(kSharedChannel, index)) counters.wrong.fetch_add(1);
    counters.operations.fetch_add(1);
  }
}

}  // namespace

StressResult RunStress(std::uint64_t operations) {
  WatchingPort port;
  driver::VM30Driver driver(0, 0, &port);
  Counters counters;
  const std::uint64_t each = operations / kThreads;
  const std::uint64_t first = operations - each * (kThreads - 1);  // the remainder too
  const auto start = std::chrono::steady_clock::now();
  {
    std::vector<std::jthread> threads;
    for (int c = 1; c <= kChannels; ++c) {
      threads.emplace_back(HostThread, std::ref(driver), static_cast<Byte>(c),
                           c == 1 ? first : each, std::ref(counters));
    }
    threads.emplace_back(HostThread, std::ref(driver), kSharedChannel, each, std::ref(counters));
    threads.emplace_back(WindowReader, std::ref(driver), each, std::ref(counters));
  }
  StressResult r;
  r.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  r.threads = kThreads;
  r.operations = counters.operations.load();
  r.exchanges = port.exchanges();
  r.overlaps = port.overlaps();
  r.wrongAnswers = counters.wrong.load();
  r.raised = counters.raised.load();
  return r;
}

}  // namespace kavo5000::stress
