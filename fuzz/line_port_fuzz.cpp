// line_port_fuzz.cpp — LineHostPort reading from a transport that serves the
// fuzz input in chunks of the input's own choosing, with timeouts and read
// failures where the input says, while the driver's operations and its
// installed check run on top. What the port records of each exchange must
// hold together: a kept reply never longer than a reply can be nor than what
// came, and a valid verdict only with the valid line state.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "FuzzInput.h"
#include "LineHostPort.h"
#include "VM30.h"

namespace {

using kavo5000::Byte;
using kavo5000::fuzz::FuzzInput;
using kavo5000::fuzz::Violation;
namespace host = kavo5000::host;

constexpr Byte kChannel = 1;
constexpr Byte kChunkTimeout = 0;        // chunk byte: nothing arrives in time
constexpr Byte kChunkReadFails = 0xFF;   // chunk byte: the read fails
constexpr Byte kChunkWriteFails = 0xFE;  // chunk byte read at a write: the write fails
using kavo5000::kMaxReplyLength;
constexpr int kMaxOperations = 12;
constexpr auto kChunkGap = std::chrono::milliseconds(1);

// Serves the input: each read takes one byte saying how many bytes arrive.
class ChunkTransport final : public host::Transport {
 public:
  explicit ChunkTransport(FuzzInput& in) : in_(in) {}
  std::int32_t Open() override {
    open_ = true;
    return host::kPortOk;
  }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  void DiscardInput() override {}
  std::int32_t Write(std::span<const Byte>) override {
    if (in_.Byte() == kChunkWriteFails) return Fail(host::kPortWriteFailed, "write failed");
    return host::kPortOk;
  }
  host::ReadResult Read(std::span<Byte> into, host::Nanos timeout) override {
    const Byte chunk = in_.Byte();
    if (in_.Empty() || chunk == kChunkTimeout) {
      now_ += timeout;
      return {host::ReadStatus::kTimeout, 0, host::kPortOk};
    }
    if (chunk == kChunkReadFails) return {host::ReadStatus::kFailed, 0, host::kPortReadFailed};
    const auto bytes = in_.Take(std::min<std::size_t>(chunk, into.size()));
    std::copy(bytes.begin(), bytes.end(), into.begin());
    now_ += kChunkGap;
    return {host::ReadStatus::kData, bytes.size(), host::kPortOk};
  }
  host::Nanos Now() const override { return now_; }
  void Pause(host::Nanos d) override { now_ += d; }
  std::string Describe() const override { return "fuzz"; }

 private:
  FuzzInput& in_;
  bool open_ = false;
  host::Nanos now_{};
};

void CheckRecord(const host::ExchangeRecord& r) {
  if (r.received.size() > kMaxReplyLength) Violation("more bytes were taken than a reply can have");
  if (r.reply.size() > r.received.size()) Violation("the kept reply is longer than what came");
  if (r.verdict == host::ExchangeVerdict::kValid && r.lineState != kavo5000::kLineValid)
    Violation("a valid verdict without the valid line state");
}

void RunOne(kavo5000::driver::VM30Driver& d, FuzzInput& in) {
  double a = 0;
  double b = 0;
  kavo5000::StateRecord record{};
  switch (in.Byte() % 8) {
    case 0:
      d.GetSost(kChannel, 1, 0, &record);
      break;
    case 1:
      d.GetParam(kChannel, 1, kavo5000::HostParamNumber(1, in.Byte() % kavo5000::kParamsPerNozzle));
      break;
    case 2:
      d.GetTotalCounters(kChannel, 1, 1, &a, &b, 0);
      break;
    case 3:
      d.GetDeliveryCounters(kChannel, 1, &a, &b);
      break;
    case 4:
      d.SetPrice(kChannel, 1, 1, 0, 0, 45.1);
      break;
    case 5:
      d.StartPumpEx(kChannel, 1, 1, in.Bool());
      break;
    case 6:
      d.WindowReadParam(kavo5000::catalogue::CommandFamily::Parameter, kChannel, 1,
                        in.Byte() % kavo5000::kParamsPerNozzle, 0);
      break;
    default:
      d.StopAndClose(kChannel, 1, 1, true);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  host::LineHostPort port;
  port.Bind(kChannel, std::make_unique<ChunkTransport>(in));
  port.AddObserver(CheckRecord);
  kavo5000::driver::VM30Driver driver(0, 0, &port);
  driver.OpenChannel(kChannel);
  for (int i = 0; i < kMaxOperations && !in.Empty(); ++i) {
    try {
      RunOne(driver, in);
    } catch (const kavo5000::Exception&) {
      // A failed exchange: the driver's documented answer.
    }
    // A port closed by a failed write is opened again, as a host would.
    driver.OpenChannel(kChannel);
  }
  return 0;
}
