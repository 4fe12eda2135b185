// ChannelStress.cpp — the threads, their operations, and the port that
// watches every channel for exchanges that meet.
#include "ChannelStress.h"

#include <array>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

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
constexpr Byte kReplyStart = 0x02;
constexpr Byte kEnd = 0x03;
constexpr Byte kComplement = 0x7F;
constexpr Byte kChecksumBit = 0x40;
constexpr Byte kLineNoReply = 2;
constexpr Byte kLineIncomplete = 4;
// Command bytes: c0 group, c1 address, c2 the command, c3 a parameter index.
constexpr std::size_t kAddressAt = 1;
constexpr std::size_t kCommandAt = 2;
constexpr std::size_t kIndexAt = 3;
constexpr Byte kIndexBase = '0';
constexpr int kFirstNozzleParam = 10;
constexpr int kParamIndices = 46;  // the indices every stress read cycles through
constexpr int kValueDigits = 4;
constexpr int kDecimal = 10;

// The value every controller on a channel holds in a parameter: the
// channel's own, so that an answer meant for another channel shows.
std::int32_t ParamValue(Byte channel, int index) {
  return channel * 100 + index;
}

std::vector<Byte> DataReply(const std::vector<Byte>& data) {
  std::vector<Byte> out{kReplyStart};
  Byte sum = kEnd;
  for (Byte b : data) {
    out.push_back(b);
    out.push_back(static_cast<Byte>(b ^ kComplement));
    sum ^= b;
  }
  out.push_back(kEnd);
  out.push_back(kEnd);
  out.push_back(static_cast<Byte>(sum | kChecksumBit));
  return out;
}

// The command bytes a frame carries.
std::vector<Byte> CommandOf(const Byte* frame, Byte length) {
  std::vector<Byte> command;
  constexpr std::size_t kTail = 3;
  if (length < kTail + 2) return command;
  command.push_back(frame[1]);
  for (std::size_t i = 2; i + kTail < length; i += 2) command.push_back(frame[i]);
  return command;
}

// A line on every channel that answers at once, through the check, and
// counts exchanges that meet on a channel.
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
    if (replySize != 0) Answer(c, line, CommandOf(frame, length), reply);
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
      answer = DataReply(data);
    } else if (command.size() > kCommandAt && command[kCommandAt] == '1') {
      answer = DataReply({'0', '0'});
    }
    kavo5000::ReplyCheckRef check;
    {
      std::lock_guard lock(line.checkMutex);
      check = line.check;
    }
    bool accepted = false;
    std::size_t held = 0;
    for (std::size_t i = 0; i < answer.size() && !accepted; ++i) {
      reply[held++] = answer[i];
      Byte kept = static_cast<Byte>(held);
      accepted = check.Code(check.Self, c, reply, 0, &kept, 0);
      held = kept;
    }
    if (!accepted && line.state.load() != kLineMalformed) {
      line.state.store(answer.empty() ? kLineNoReply : kLineIncomplete);
    }
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
          const std::int32_t v = d.GetParam(channel, 1, kFirstNozzleParam + index);
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
