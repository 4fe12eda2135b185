// host_slots_fuzz.cpp — every host slot and the window's two operations on a
// port that serves the fuzz input as the controllers' replies. The input's
// first bytes pick the configuration; then, operation by operation, a byte
// picks the slot and further bytes its arguments (boundaries mostly, raw
// values now and then), and each exchange takes one header byte (the reply's
// length, or a transport failure, or a port that throws) and that many reply
// bytes, fed through the installed check as a real port feeds them.
//
// Beyond the sanitizers' findings it insists that only the driver's own
// exceptions leave a slot, that every frame sent is one the wire library
// parses as sound, that its arguments are digits or index characters, and
// that a state record's zero bytes stay zero.
//
// Input layout: the configuration byte; then per operation the operation
// byte, a channel and a dispenser byte, choices (channel, dispenser, nozzle,
// parameter number, value, window code, family, amount), a flag byte and a
// raw 32-bit number; then per exchange a header byte and the reply.
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "Frames.h"
#include "FuzzInput.h"
#include "PortFeed.h"
#include "VM30.h"

namespace {

using kavo5000::Byte;
using kavo5000::fuzz::FeedThroughCheck;
using kavo5000::fuzz::FuzzInput;
using kavo5000::fuzz::Violation;

// Header bytes of an exchange that are no reply length.
constexpr Byte kHeaderTransportFailure = 0xFF;
constexpr Byte kHeaderThrows = 0xFE;
constexpr std::int32_t kTransportFailureCode = 5;
constexpr Byte kLineNoReply = 2;     // what a port reports when nothing came
constexpr Byte kLineIncomplete = 4;  // bytes came, no complete reply
// Argument characters of a command: digits and the index characters '0' + 0..59.
constexpr Byte kLowestArgument = '0';
constexpr Byte kHighestArgument = '0' + 59;
constexpr Byte kTotalsCommand = '6';
constexpr std::size_t kCommandCharAt = 2;
constexpr std::size_t kArgumentsAt = 3;
constexpr int kMaxOperations = 16;  // per input, so that one input stays quick

// A port whose controllers answer with the fuzz input.
class ServingPort final : public kavo5000::HostPort {
 public:
  explicit ServingPort(FuzzInput& in) : in_(in) {}

  std::int32_t KAVO5000_CALL GetLastError(Byte) override { return kTransportFailureCode; }
  void KAVO5000_CALL SetLineError(Byte, std::int32_t) override {}
  void KAVO5000_CALL SetLineState(Byte, Byte value) override { state_ = value; }
  Byte KAVO5000_CALL GetLineState(Byte) override { return state_; }
  std::int32_t KAVO5000_CALL Open(Byte, std::int32_t, std::int32_t) override { return 0; }
  void KAVO5000_CALL SetReplyCheck(Byte, kavo5000::ReplyCheckRef check) override { check_ = check; }

  std::int32_t KAVO5000_CALL Send(Byte channel, const Byte* frame, Byte frameLength, Byte* reply,
                                  Byte replySize, Byte) override {
    CheckFrame(std::span<const Byte>(frame, frameLength));
    state_ = 0;
    const Byte header = in_.Byte();
    if (header == kHeaderTransportFailure) return kTransportFailureCode;
    if (header == kHeaderThrows) throw std::runtime_error("port failure");
    if (replySize == 0) return 0;
    if (check_.Code == nullptr) Violation("an exchange without an installed check");
    const auto bytes = in_.Take(header);
    const auto fed = FeedThroughCheck(check_, channel, bytes, reply);
    if (!fed.accepted && state_ != kavo5000::kLineMalformed)
      state_ = bytes.empty() ? kLineNoReply : kLineIncomplete;
    return 0;
  }

 private:
  static void CheckFrame(std::span<const Byte> frame) {
    const auto parsed = kavo5000::wire::ParseFrame(frame);
    if (parsed.verdict != kavo5000::wire::FrameVerdict::kGood || parsed.length != frame.size())
      Violation("the driver sent a frame that is not sound");
    const auto& command = parsed.command;
    if (command.size() <= kArgumentsAt) return;
    for (std::size_t i = kArgumentsAt; i < command.size(); ++i) {
      const bool totalsSubCode = command[kCommandCharAt] == kTotalsCommand && i == kArgumentsAt;
      if (!totalsSubCode && (command[i] < kLowestArgument || command[i] > kHighestArgument))
        Violation("a command argument is neither a digit nor an index character");
    }
  }

  FuzzInput& in_;
  kavo5000::ReplyCheckRef check_{nullptr, nullptr};
  Byte state_ = 0;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

const std::int32_t kChannels[] = {1, 2, 20, 0, 21, -1, 255, 256, kMin, kMax};
const std::int32_t kDispensers[] = {1, 2, 0, 32, 33, -1, kMin, kMax};
const std::int32_t kNozzles[] = {1, 0, 2, 4, 15, 16, -1, 255};
const std::int32_t kNumbers[] = {10, 0, 3, 8, 9, 69, 11, 909, 910, 970, -1, kMax};
const std::int32_t kValues[] = {0, 1, 9, 10, 100, 12345, 999999, -1, kMax, kMin};
const std::int32_t kCodes[] = {0, 4, 26, 27, 59, 60, -1, kMax};
const Byte kFamilies[] = {0, 1, 2, 3};
const double kAmounts[] = {0.0,  1.0,  12.34, 99.99, 999.99, 9999.99, 100.0,   -0.01,
                           -0.0, kNaN, kInf,  -kInf, 1e300,  0.005,   99999.99};

void StateRecordZeros(const kavo5000::StateRecord& record) {
  if (record.Zero1 != 0 || record.Zero15 != 0) Violation("a state record's zero byte is not zero");
}

// One operation's arguments, read in a fixed order whatever the operation,
// so that an input means the same calls under every compiler.
struct Args {
  explicit Args(FuzzInput& in)
      : op(in.Byte()),
        channelByte(in.Byte()),
        dispenserByte(in.Byte()),
        channel(in.Pick(kChannels)),
        dispenser(in.Pick(kDispensers)),
        nozzle(in.Pick(kNozzles)),
        number(in.Pick(kNumbers)),
        value(in.Pick(kValues)),
        code(in.Pick(kCodes)),
        family(in.Pick(kFamilies)),
        amount(in.Pick(kAmounts)),
        flag(in.Bool()),
        raw(in.Raw<std::int32_t>()) {}
  Byte op;
  Byte channelByte;  // for the slots that take the channel and dispenser as bytes
  Byte dispenserByte;
  std::int32_t channel;
  std::int32_t dispenser;
  std::int32_t nozzle;
  std::int32_t number;
  std::int32_t value;
  std::int32_t code;
  Byte family;
  double amount;
  bool flag;
  std::int32_t raw;
};

void RunOne(kavo5000::driver::VM30Driver& d, const Args& a) {
  double x = 0;
  double y = 0;
  kavo5000::StateRecord record{};
  const std::int32_t c = a.channel;
  const std::int32_t n = a.nozzle;
  switch (a.op % 26) {
    case 0:
      d.SetChannelStatus(a.channelByte, a.dispenserByte);
      break;
    case 1:
      d.GetChannelStatus(a.channelByte);
      break;
    case 2:
      d.StopActiveNozzle(c, a.dispenser, a.flag);
      break;
    case 3:
      d.GetDeliveryCounters(c, a.dispenser, &x, &y);
      break;
    case 4:
      d.GetTotalCounters(c, a.dispenser, n, &x, &y, 0);
      break;
    case 5:
      d.SetTotalCounter(c, a.dispenser, n, a.amount, 0);
      break;
    case 6:
      d.GetDeliveredVolume(c, a.dispenser, &x);
      break;
    case 7:
      d.GetDispenserState(a.channelByte, a.dispenserByte);
      break;
    case 8:
      d.SetPrice(c, a.dispenser, n, 0, 0, a.amount);
      break;
    case 9:
      d.PresetVolume(c, a.dispenser, n, 0, a.amount);
      break;
    case 10:
      d.PresetMoney(c, a.dispenser, n, a.raw, a.amount);
      break;
    case 11:
      d.StartPump(c, a.dispenser, n);
      break;
    case 12:
      d.OpenChannel(a.channelByte);
      break;
    case 13:
      d.GetParam(c, a.dispenser, a.number);
      break;
    case 14:
      d.SetParam(c, a.dispenser, a.number, a.value);
      break;
    case 15:
      d.StartPumpEx(c, a.dispenser, n, a.flag);
      break;
    case 16: {
      std::int32_t option = 0;
      d.QueryOption(a.raw, a.flag ? &option : nullptr);
      break;
    }
    case 17:
      d.GetSost(a.channelByte, a.dispenserByte, static_cast<Byte>(a.raw), &record);
      StateRecordZeros(record);
      break;
    case 18:
      d.StopPump(c, a.dispenser, n, a.flag);
      break;
    case 19:
      d.StopAndClose(c, a.dispenser, n, a.flag);
      break;
    case 20:
      d.WindowReadParam(static_cast<kavo5000::catalogue::CommandFamily>(a.family), c, n, a.code,
                        a.raw);
      break;
    case 21:
      d.WindowWriteParam(static_cast<kavo5000::catalogue::CommandFamily>(a.family), c, n, a.code,
                         a.raw, a.value);
      break;
    case 22: {
      kavo5000::ShortString text{};
      d.Description(&text);
      break;
    }
    case 23:
      d.Reserved5(a.raw);
      break;
    case 24:
      d.Reserved12(a.raw, 0, 0);
      break;
    default:
      d.GetSost(a.channelByte, a.dispenserByte, 0, &record);
      StateRecordZeros(record);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  ServingPort port(in);
  kavo5000::driver::VM30Driver driver(in.Byte(), 0, &port);
  for (int i = 0; i < kMaxOperations && !in.Empty(); ++i) {
    try {
      RunOne(driver, Args(in));
    } catch (const kavo5000::Exception&) {
      // A refusal or a failed exchange: the driver's documented answers.
    }
  }
  return 0;
}
