// Pcap.cpp — pcap records of the bus's units and of a trace's exchanges.
#include "Pcap.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "BusFramer.h"

namespace kavo5000::monitor {

namespace {
constexpr std::int64_t kMicrosecondsPerSecond = 1000000;
constexpr int kBitsPerByte = 8;

// pcap's fields are written in the writer's byte order, which the magic
// number tells the reader; we write little-endian everywhere.
template <typename T>
void Put(wire::Bytes& out, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    out.push_back(static_cast<wire::Byte>(static_cast<std::uint64_t>(value) >> (kBitsPerByte * i)));
  }
}
}  // namespace

wire::Bytes PcapFileHeader() {
  wire::Bytes out;
  Put(out, kPcapMagic);
  Put(out, kPcapVersionMajor);
  Put(out, kPcapVersionMinor);
  Put(out, std::int32_t{0});   // this zone: times are UTC
  Put(out, std::uint32_t{0});  // significant figures: always 0
  Put(out, kPcapSnapLength);
  Put(out, kLinkTypeUser0);
  return out;
}

wire::Bytes PcapRecord(const CaptureRecord& record) {
  const auto since =
      std::chrono::duration_cast<std::chrono::microseconds>(record.time.time_since_epoch()).count();
  const std::int64_t seconds =
      since >= 0 ? since / kMicrosecondsPerSecond : (since + 1) / kMicrosecondsPerSecond - 1;
  const std::int64_t micros = since - seconds * kMicrosecondsPerSecond;
  const auto length = static_cast<std::uint32_t>(kPseudoHeaderLength + record.bytes.size());
  wire::Bytes out;
  Put(out, static_cast<std::uint32_t>(seconds));
  Put(out, static_cast<std::uint32_t>(micros));
  Put(out, length);  // captured
  Put(out, length);  // on the wire
  out.push_back(kPseudoHeaderVersion);
  out.push_back(static_cast<wire::Byte>(record.direction));
  out.push_back(record.channel);
  out.push_back(record.lineState);
  out.insert(out.end(), record.bytes.begin(), record.bytes.end());
  return out;
}

std::vector<CaptureRecord> CaptureOfTrace(const std::vector<host::ExchangeRecord>& trace) {
  std::vector<CaptureRecord> out;
  const auto sentAt = [](const host::ExchangeRecord& r) {
    return r.wall.value_or(host::WallTime(std::chrono::duration_cast<host::WallTime::duration>(
        std::chrono::duration<double>(r.time))));
  };
  for (std::size_t i = 0; i < trace.size(); ++i) {
    const host::ExchangeRecord& r = trace[i];
    CaptureRecord frame;
    frame.time = sentAt(r);
    frame.direction = Direction::kToControllers;
    frame.channel = r.channel;
    frame.lineState = r.lineState;
    frame.bytes = r.frame;
    out.push_back(frame);
    // What came back, cut as a listener would: noise before a reply, or two
    // replies, are records of their own. They are dated at the exchange's
    // end, and never after the next frame (the trace's wall times are whole
    // milliseconds).
    host::WallTime back =
        frame.time + std::chrono::duration_cast<host::WallTime::duration>(
                         std::chrono::duration<double, std::milli>(r.milliseconds));
    if (i + 1 < trace.size()) back = std::min(back, sentAt(trace[i + 1]));
    BusFramer framer(0, 0);
    std::vector<BusUnit> units = framer.Feed(r.received, 0);
    for (BusUnit& u : framer.Finish()) units.push_back(std::move(u));
    for (BusUnit& u : units) {
      CaptureRecord reply = frame;
      reply.time = back;
      reply.direction = u.kind == UnitKind::kStray ? Direction::kUnknown : Direction::kToHost;
      reply.bytes = std::move(u.bytes);
      out.push_back(std::move(reply));
    }
  }
  return out;
}

PcapFile::PcapFile(const std::string& path)
    : out_(path, std::ios::binary | std::ios::trunc), path_(path) {
  if (!out_) throw std::runtime_error("cannot create the capture " + path);
  const wire::Bytes header = PcapFileHeader();
  out_.write(reinterpret_cast<const char*>(header.data()),
             static_cast<std::streamsize>(header.size()));
  out_.flush();
}

void PcapFile::Write(const CaptureRecord& record) {
  const wire::Bytes bytes = PcapRecord(record);
  out_.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  out_.flush();
  if (!out_) throw std::runtime_error("cannot write the capture " + path_);
  ++records_;
}

}  // namespace kavo5000::monitor
