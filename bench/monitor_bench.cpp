// monitor_bench.cpp — whether `kavo5000 monitor` keeps up with a busy line:
// the bytes of a station's polling and a delivery (state queries and replies,
// volume queries, a price, now and then noise and a spoiled reply) framed,
// paired, decoded and worded as the monitor prints them, timed per kilobyte
// against the kilobyte's time on the line at 115200 baud.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "BusFramer.h"
#include "ExchangePairing.h"
#include "Frames.h"
#include "MonitorReport.h"

namespace {

using kavo5000::monitor::Byte;
using kavo5000::monitor::Bytes;
namespace wire = kavo5000::wire;
namespace monitor = kavo5000::monitor;

constexpr int kFastLine = 115200;
constexpr std::size_t kKilobyte = 1000;
constexpr std::size_t kChunk = 64;  // bytes an adapter hands over at a time
constexpr int kRounds = 7;

void Append(Bytes& out, const Bytes& more) {
  out.insert(out.end(), more.begin(), more.end());
}

// One station cycle on eight nozzles: each polled, one delivering.
Bytes Cycle(int round) {
  Bytes out;
  for (int v = 1; v <= 8; ++v) {
    const wire::AddressPair a = wire::AddressOf(v);
    Append(out, wire::EncodeFrame(Bytes{a.group, a.address, wire::kCmdState}));
    Append(out, wire::EncodeDataReply(v == 1 ? Bytes{'4', '0'} : Bytes{'0', '0'}));
  }
  const wire::AddressPair one = wire::AddressOf(1);
  Append(out, wire::EncodeFrame(Bytes{one.group, one.address, wire::kCmdVolume}));
  Bytes volume = wire::EncodeDataReply(Bytes{'4', '0', '0', '1', '2', '5'});
  if (round % 10 == 9) volume.back() ^= 1;  // now and then a spoiled checksum
  Append(out, volume);
  Append(out,
         wire::EncodeFrame(Bytes{one.group, one.address, wire::kCmdPrice, '4', '5', '5', '0'}));
  out.push_back(wire::kAck);
  if (round % 10 == 5) Append(out, Bytes{0xFF, 0x00, 0x7E});  // noise on the pair
  return out;
}

// Seconds to make the monitor's lines of `stream`, heard in chunks as a line
// at `baud` delivers them; `lines` counts what it printed.
double Listen(const Bytes& stream, int baud, std::size_t& lines) {
  monitor::BusFramer framer(monitor::SilenceAt(baud), monitor::ByteTimeAt(baud));
  monitor::ExchangePairer pairer(1.0);
  monitor::BusSummary summary;
  const kavo5000::host::WallTime wall{};
  std::size_t printed = 0;
  const auto begin = std::chrono::steady_clock::now();
  for (std::size_t at = 0; at < stream.size(); at += kChunk) {
    const std::size_t n = std::min(kChunk, stream.size() - at);
    const double heard = static_cast<double>(at + n) * monitor::ByteTimeAt(baud);
    for (monitor::BusUnit& unit :
         framer.Feed(std::span<const Byte>(stream).subspan(at, n), heard)) {
      for (const monitor::BusEvent& e : pairer.Take(std::move(unit))) {
        summary.Count(e);
        printed += monitor::EventText(e, wall).size() > 0 ? 1 : 0;
      }
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  lines = printed;
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const bool smoke = argc > 1 && std::strcmp(argv[1], "smoke") == 0;
  Bytes stream;
  for (int round = 0; stream.size() < (smoke ? 10 : 2000) * kKilobyte; ++round)
    Append(stream, Cycle(round));
  std::vector<double> perKilobyteMs;
  std::size_t lines = 0;
  for (int r = 0; r < (smoke ? 1 : kRounds); ++r) {
    const double seconds = Listen(stream, kFastLine, lines);
    perKilobyteMs.push_back(seconds * 1000.0 * kKilobyte / static_cast<double>(stream.size()));
  }
  const double median = kavo5000::bench::Median(perKilobyteMs);
  const double wire = kavo5000::bench::WireMs(kKilobyte, kFastLine);
  std::printf(
      "monitor_bench: %zu bytes, %zu lines; %.0f bytes/s framed, paired, decoded and "
      "worded, against %.0f bytes/s on the line at %d baud\n",
      stream.size(), lines, kKilobyte * 1000.0 / median, kKilobyte * 1000.0 / wire, kFastLine);
  kavo5000::bench::Row("monitor: 1 kB of a busy line at 115200 baud", kavo5000::bench::Ms(median),
                       kavo5000::bench::Ms(wire), wire / median, "ratio >= 1 (keeps up)",
                       median <= wire);
  return 0;
}
