// BusFramer.cpp — cutting the bus's byte stream into frames, replies and
// stray bytes.
#include "BusFramer.h"

#include <algorithm>

#include "Frames.h"

namespace kavo5000::monitor {

namespace {
constexpr double kCharactersOfSilence = 10;  // a gap this many characters long ends a unit
constexpr double kBitsPerCharacter = 10;     // start bit, eight data bits, stop bit
constexpr double kLeastSilence = 0.020;      // seconds: below this a listener's own delays blur
constexpr std::size_t kFramePairsAt = wire::kFramePairsAt;  // after 7F and c0
constexpr std::size_t kReplyPairsAt = 1;                    // after 02

// Where the pairs of a frame or a data reply stop being sound: the index of
// the first pair whose complement is wrong, or the bytes' size when every
// pair up to the end bytes (or up to what has come) is sound.
std::size_t FirstBadPair(std::span<const Byte> bytes, std::size_t pairsAt) {
  for (std::size_t pos = pairsAt; pos + 1 < bytes.size(); pos += wire::kPairLength) {
    if (bytes[pos] == wire::kEndByte && bytes[pos + 1] == wire::kEndByte) return bytes.size();
    if ((bytes[pos] ^ bytes[pos + 1]) != wire::kComplementMask) return pos;
  }
  return bytes.size();
}

// A whole frame or data reply at the front of what is held: its length (0
// when none has ended soundly yet) and whether its checksum is wrong.
struct WholeUnit {
  std::size_t length = 0;
  bool badChecksum = false;
};

template <typename Parsed, typename Verdict>
WholeUnit WholeOf(const Parsed& parsed, Verdict sound, Verdict badChecksum) {
  const bool bad = parsed.verdict == badChecksum;
  return {parsed.verdict == sound || bad ? parsed.length : 0, bad};
}

bool MayBegin(Byte b) {
  return b == wire::kFrameStart || b == wire::kDataStart || wire::IsControlReply(b);
}
}  // namespace

Direction DirectionOf(UnitKind kind) {
  switch (kind) {
    case UnitKind::kFrame:
      return Direction::kToControllers;
    case UnitKind::kReply:
      return Direction::kToHost;
    case UnitKind::kStray:
      break;
  }
  return Direction::kUnknown;
}

double ByteTimeAt(int baud) {
  return baud > 0 ? kBitsPerCharacter / baud : 0;
}

double SilenceAt(int baud) {
  return std::max(kLeastSilence, kCharactersOfSilence * ByteTimeAt(baud));
}

std::vector<BusUnit> BusFramer::Feed(std::span<const Byte> bytes, double time) {
  std::vector<BusUnit> out = Idle(time);
  held_.insert(held_.end(), bytes.begin(), bytes.end());
  times_.insert(times_.end(), bytes.size(), time);
  Cut(out);
  return out;
}

std::vector<BusUnit> BusFramer::Idle(double time) {
  if (held_.empty() || time - times_.back() <= silence_) return {};
  return Finish();
}

std::vector<BusUnit> BusFramer::Finish() {
  std::vector<BusUnit> out;
  while (!held_.empty()) {
    const Byte first = held_[0];
    if (first == wire::kFrameStart || first == wire::kDataStart) {
      const std::size_t pairsAt = first == wire::kFrameStart ? kFramePairsAt : kReplyPairsAt;
      const bool sound = FirstBadPair(held_, pairsAt) == held_.size();
      Emit(held_.size(), first == wire::kFrameStart ? UnitKind::kFrame : UnitKind::kReply,
           sound ? UnitFault::kBrokenOff : UnitFault::kBadComplement, out);
    } else {
      Emit(held_.size(), UnitKind::kStray, UnitFault::kNone, out);
    }
  }
  return out;
}

void BusFramer::Cut(std::vector<BusUnit>& out) {
  while (!held_.empty()) {
    const Byte first = held_[0];
    if (wire::IsControlReply(first)) {
      Emit(1, UnitKind::kReply, UnitFault::kNone, out);
      continue;
    }
    if (first != wire::kFrameStart && first != wire::kDataStart) {
      const std::size_t next = NextBeginning();
      // The noise may go on: wait for a beginning or the silence, holding
      // no more than a frame's worth.
      if (next == held_.size() && held_.size() < wire::kMaxFrame) return;
      Emit(next, UnitKind::kStray, UnitFault::kNone, out);
      continue;
    }
    const bool frame = first == wire::kFrameStart;
    const UnitKind kind = frame ? UnitKind::kFrame : UnitKind::kReply;
    const WholeUnit whole = frame ? WholeOf(wire::ParseFrame(held_), wire::FrameVerdict::kGood,
                                            wire::FrameVerdict::kBadChecksum)
                                  : WholeOf(wire::ParseReply(held_), wire::ReplyVerdict::kData,
                                            wire::ReplyVerdict::kBadChecksum);
    if (whole.length > 0) {
      Emit(whole.length, kind, whole.badChecksum ? UnitFault::kBadChecksum : UnitFault::kNone, out);
      continue;
    }
    const std::size_t bad = FirstBadPair(held_, frame ? kFramePairsAt : kReplyPairsAt);
    if (bad < held_.size() && held_[bad] == wire::kFrameStart) {
      // A frame began where this unit's next pair was due: it was broken off.
      Emit(bad, kind, UnitFault::kBrokenOff, out);
      continue;
    }
    if (bad == held_.size() && held_.size() < wire::kMaxFrame) return;  // not ended yet
    // A wrong complement, or longer than any frame: the rest of it runs to
    // the next frame's start (a controller ignores a spoiled frame, and the
    // host speaks next after a spoiled reply), or to the silence.
    const auto rest = std::find(held_.begin() + 1, held_.end(), wire::kFrameStart);
    if (rest == held_.end() && held_.size() < wire::kMaxFrame) return;
    Emit(static_cast<std::size_t>(rest - held_.begin()), kind, UnitFault::kBadComplement, out);
  }
}

void BusFramer::Emit(std::size_t count, UnitKind kind, UnitFault fault, std::vector<BusUnit>& out) {
  BusUnit unit;
  unit.kind = kind;
  unit.fault = fault;
  const auto n = static_cast<std::ptrdiff_t>(count);
  unit.bytes.assign(held_.begin(), held_.begin() + n);
  unit.start = times_.front();
  unit.end = std::max(times_[count - 1], unit.start + static_cast<double>(count - 1) * byteTime_);
  held_.erase(held_.begin(), held_.begin() + n);
  times_.erase(times_.begin(), times_.begin() + n);
  out.push_back(std::move(unit));
}

std::size_t BusFramer::NextBeginning() const {
  const auto next = std::find_if(held_.begin() + 1, held_.end(), MayBegin);
  return static_cast<std::size_t>(next - held_.begin());
}

}  // namespace kavo5000::monitor
