// NozzleReadings.h — what a host reads from one nozzle's controller itself,
// past the driver: its state, the running volume, its dispenser type and
// the delivery's counters. The driver addresses the volume and the counters
// to the nozzle it last started on the dispenser, and a process that has
// started none (a station restarted mid-delivery, the tool run after a
// crash) cannot reach through it the delivery another process began; the
// controller still knows it. Each reading is one exchange through the
// host's port with a check of the reader's own; a reading no valid reply
// gave is nothing, never 0.
#ifndef KAVO5000_HOST_NOZZLEREADINGS_H
#define KAVO5000_HOST_NOZZLEREADINGS_H

#include <cstdint>
#include <optional>
#include <string>

#include "Readings.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::host {

// A nozzle's place on the line as the driver numbers it: with K nozzles per
// dispenser (K ≥ 1) dispenser D nozzle N is K × (D − 1) + N; with K = 0 the
// nozzle number is the address. Nozzle 0 counts as 1.
int LinearAddress(int nozzlesPerDispenser, int dispenser, int nozzle);

// Why a reading gave nothing.
enum class ReadingFailure {
  kNone,
  kLine,       // the port failed the exchange (its GetLastError and ErrorText say why)
  kNoReply,    // nothing came back in time
  kUnusable,   // bytes came, but no sound reply
  kRefused,    // the controller refused the command (0x18)
  kNoFigures,  // a reply came that does not hold the figure
};

// "no reply in time", "the controller refused it" …
std::string FailureWords(ReadingFailure failure);

class NozzleReader {
 public:
  // Reads through `port` on `channel`; the port must outlive the reader.
  NozzleReader(kavo5000::HostPort& port, kavo5000::Byte channel);

  std::optional<wire::StateBytes> State(int address);
  // The running delivery's volume, in hundredths of a litre ('4').
  std::optional<std::uint64_t> RunningVolume(int address);
  // The dispenser type ('7'), which lays out the delivery counters.
  std::optional<int> Type(int address);
  // The delivery's litres and money, in hundredths: the type, then '5'.
  std::optional<wire::DeliveryFigures> DeliveryCounters(int address);

  // Why the last reading gave nothing (kNone when it gave its figure).
  ReadingFailure Failure() const { return failure_; }

 private:
  // The data bytes of a sound data reply to `command` at `address`.
  std::optional<wire::Bytes> Ask(int address, kavo5000::Byte command, kavo5000::Byte replySize);
  static bool KAVO5000_CALL Check(void* self, kavo5000::Byte channel, kavo5000::Byte* buffer,
                                  std::int32_t, kavo5000::Byte* length, std::int32_t);

  kavo5000::HostPort& port_;
  kavo5000::Byte channel_;
  ReadingFailure failure_ = ReadingFailure::kNone;
  bool accepted_ = false;   // the check took the reply
  std::size_t length_ = 0;  // bytes of the reply it kept
};

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_NOZZLEREADINGS_H
