// Scan.cpp — `kavo5000 scan`: which controllers answer on the line. Every
// nozzle address of the range is asked for its dispenser type ('7'); one that
// answers is asked for its state ('1'). The scan talks to the port directly
// with a check of its own, since the driver's slots address dispensers, not
// single nozzle addresses; a silent address costs one first-byte timeout,
// which is why the scan's default timeout is short. No command of the line
// returns a controller's identification number, so the scan cannot list them:
// its last line says how the dispensers show them.
#include <unistd.h>

#include <array>
#include <cstdio>

#include "Commands.h"
#include "Decode.h"
#include "Frames.h"
#include "ScanProgress.h"
#include "Text.h"

namespace kavo5000::tool {

namespace {

constexpr auto kScanFirstByte = std::chrono::milliseconds(60);  // past the frame's own wire time
constexpr kavo5000::Byte kReplySize = 16;

// Accepts a control byte or a complete, good data reply.
struct ScanCheck {
  host::LineHostPort* port = nullptr;
  static bool KAVO5000_CALL Check(void* self, kavo5000::Byte channel, kavo5000::Byte* buffer,
                                  std::int32_t, kavo5000::Byte* length, std::int32_t) {
    auto* c = static_cast<ScanCheck*>(self);
    const wire::ParsedReply r = wire::ParseReply(std::span<const wire::Byte>(buffer, *length));
    const bool good =
        r.verdict == wire::ReplyVerdict::kControl || r.verdict == wire::ReplyVerdict::kData;
    if (good) c->port->SetLineState(channel, kavo5000::kLineValid);
    return good;
  }
};

// The data bytes of a good data reply to `command` at nozzle address v.
std::optional<wire::Bytes> Ask(Session& s, ScanCheck& check, int v, wire::Byte command) {
  const wire::AddressPair a = wire::AddressOf(v);
  const wire::Bytes frame = wire::EncodeFrame(wire::Bytes{a.group, a.address, command});
  std::array<kavo5000::Byte, kavo5000::kReplyBufferSize> reply{};
  host::LineHostPort& port = s.port();
  port.SetReplyCheck(s.channel(), {&ScanCheck::Check, &check});
  port.SetLineState(s.channel(), 0);
  const std::int32_t sent =
      port.Send(s.channel(), frame.data(), static_cast<kavo5000::Byte>(frame.size()), reply.data(),
                kReplySize, 0);
  if (sent != 0) throw ToolError("scan: " + s.PortReason());
  if (port.GetLineState(s.channel()) != kavo5000::kLineValid) return std::nullopt;
  const wire::ParsedReply parsed = wire::ParseReply(reply);
  if (parsed.verdict != wire::ReplyVerdict::kData) return wire::Bytes{};
  return parsed.data;
}

}  // namespace

int RunScan(Session& s, const CommandValues& v) {
  if (v.first < 1 || v.last < v.first)
    throw UsageError("--range must be FIRST-LAST with 1 ≤ FIRST ≤ LAST");
  if (!s.options().timeoutMs) {
    host::PortTimeouts timeouts;
    timeouts.firstByte = kScanFirstByte;
    s.port().SetTimeouts(timeouts);
  }
  ScanCheck check{&s.port()};
  const int perDispenser = s.nozzles();
  int found = 0;
  std::printf("scanning nozzle addresses %d..%d on channel %d (%d nozzles per dispenser)\n",
              v.first, v.last, s.channel(), perDispenser);
  const bool terminal = isatty(STDERR_FILENO) != 0;
  const auto progress = [](const std::string& text) {
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
  };
  for (int address = v.first; address <= v.last; ++address) {
    progress(ScanProgressLine(address, v.first, v.last, terminal));
    const auto type = Ask(s, check, address, wire::kCmdType);
    if (!type) continue;
    ++found;
    std::string typeText = "type ?";
    if (!type->empty()) typeText = "type " + std::to_string((*type)[0] - wire::kTypeBase);
    std::string stateText = "state ?";
    if (const auto state = Ask(s, check, address, wire::kCmdState); state && state->size() >= 2) {
      // The state in words, as the decoder reads an answer to '1'.
      const wire::AddressPair a = wire::AddressOf(address);
      const auto meaning =
          wire::ReplyMeaning(wire::EncodeFrame(wire::Bytes{a.group, a.address, wire::kCmdState}),
                             wire::EncodeDataReply(*state));
      if (!meaning.empty()) {
        const std::string& line = meaning.front();
        const auto colon = line.rfind(": ");
        stateText = colon == std::string::npos ? line : line.substr(colon + 2);
      }
    }
    const int dispenser = perDispenser > 0 ? (address - 1) / perDispenser + 1 : 0;
    const int nozzle = perDispenser > 0 ? (address - 1) % perDispenser + 1 : 0;
    progress(ScanProgressClear(terminal));
    std::printf("  address %2d  dispenser %2d nozzle %d  %s  %s\n", address, dispenser, nozzle,
                typeText.c_str(), stateText.c_str());
  }
  progress(ScanProgressClear(terminal));
  std::printf("%d controller%s answered\n", found, found == 1 ? "" : "s");
  std::printf("%s\n", kScanIdentificationNote);
  return kExitOk;
}

}  // namespace kavo5000::tool
