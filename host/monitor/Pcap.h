// Pcap.h — captures Wireshark opens: a pcap file (microsecond times, link
// type USER0) holding one record per command frame, reply or run of stray
// bytes, each behind a pseudo-header of ours:
//   byte 0  version (1)
//   byte 1  direction: 1 host to controllers, 2 controllers to host, 0 not known
//   byte 2  channel (0: not known, as on a line only listened to)
//   byte 3  line state the port reported after the exchange (0: not known)
// then the bytes as they travelled. Pure: records in, the file's bytes out;
// PcapFile writes them to disk.
#ifndef KAVO5000_MONITOR_PCAP_H
#define KAVO5000_MONITOR_PCAP_H

#include <cstdint>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "BusFramer.h"
#include "LineProtocol.h"
#include "Trace.h"

namespace kavo5000::monitor {

inline constexpr std::uint32_t kPcapMagic = 0xA1B2C3D4;  // microsecond timestamps, our byte order
inline constexpr std::uint16_t kPcapVersionMajor = 2;
inline constexpr std::uint16_t kPcapVersionMinor = 4;
inline constexpr std::uint32_t kPcapSnapLength = 65535;
inline constexpr std::uint32_t kLinkTypeUser0 = 147;  // LINKTYPE_USER0: a private link layer
inline constexpr wire::Byte kPseudoHeaderVersion = 1;
inline constexpr std::size_t kPseudoHeaderLength = 4;

struct CaptureRecord {
  host::WallTime time;
  Direction direction = Direction::kUnknown;
  wire::Byte channel = 0;
  wire::Byte lineState = 0;
  wire::Bytes bytes;
};

// The file's global header.
wire::Bytes PcapFileHeader();
// One record: its header, the pseudo-header and the bytes.
wire::Bytes PcapRecord(const CaptureRecord& record);

// A trace's exchanges as capture records: each frame when it went out, and
// what came back (if anything) when the exchange ended, one record per reply
// or run of stray bytes. A record without a wall time is placed by its
// monotonic time.
std::vector<CaptureRecord> CaptureOfTrace(const std::vector<host::ExchangeRecord>& trace);

// Writes a capture as it is made; each record reaches the disk at once, so
// that a capture stopped by Ctrl-C is whole up to its last record.
class PcapFile {
 public:
  // Throws std::runtime_error naming the file when it cannot be created.
  explicit PcapFile(const std::string& path);
  void Write(const CaptureRecord& record);
  std::size_t Records() const { return records_; }

 private:
  std::ofstream out_;
  std::string path_;
  std::size_t records_ = 0;
};

}  // namespace kavo5000::monitor

#endif  // KAVO5000_MONITOR_PCAP_H
