// LineHostPort.h — the host's port object for the Kavo5000 driver: up to 255
// channels, each bound to a transport named by a port spec (see PortSpec.h).
// Send writes a frame whole, then reads and shows the driver's installed
// check every byte as it arrives, returning the moment the check accepts;
// it gives up after a first-byte or an inter-byte timeout (on a TCP line,
// where a serial server cuts the reply into packets by its own timers, no
// pause within the reply's packet window ends it: only the check). A silent
// controller is a line state (2: no reply in time, 4: bytes but no complete
// reply), never a transport failure; Send returns non-zero only when the
// transport itself fails. A channel whose transport failed comes back by
// itself: a later exchange reopens it, at most once per reopen interval.
#ifndef KAVO5000_HOST_LINEHOSTPORT_H
#define KAVO5000_HOST_LINEHOSTPORT_H

#include <array>
#include <atomic>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Trace.h"
#include "Transport.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::host {

inline constexpr Byte kLineNoReply = 2;     // nothing arrived in time
inline constexpr Byte kLineIncomplete = 4;  // bytes arrived, no complete reply

// How long an exchange waits. The first byte's wait begins once the frame
// has left the line (its wire time at the channel's rate after the write; at
// 300 baud a 9-byte frame alone takes 300 ms), so a slow line does not eat
// the controller's time to answer. Likewise the inter-byte wait is the
// pause allowed beyond the next byte's own wire time.
struct PortTimeouts {
  Nanos firstByte = std::chrono::milliseconds(250);
  Nanos interByte = std::chrono::milliseconds(20);

  // From whole milliseconds, as a user gives them; throws
  // std::invalid_argument for a negative one.
  static PortTimeouts FromMilliseconds(std::int64_t firstByteMs, std::int64_t interByteMs);
};

// How often a channel whose transport failed is tried again. A line that
// comes back (the adapter plugged back in, the server restarted) is found
// within this much of its return; a line that stays away costs one open
// attempt per interval, not one per exchange.
inline constexpr Nanos kReopenInterval = std::chrono::seconds(1);

class LineHostPort final : public kavo5000::HostPort {
 public:
  using Observer = std::function<void(const ExchangeRecord&)>;

  explicit LineHostPort(PortTimeouts timeouts = {});
  ~LineHostPort();
  LineHostPort(const LineHostPort&) = delete;
  LineHostPort& operator=(const LineHostPort&) = delete;

  // Binds a channel to a port spec; `sim` gets a fresh default simulator on
  // the steady clock. Throws PortSpecError.
  void Bind(Byte channel, const std::string& spec);
  // Binds a channel to a transport made by the caller (a simulator of the
  // caller's, on the caller's clock, for instance).
  void Bind(Byte channel, std::unique_ptr<Transport> transport);
  // Called after every exchange, on the sending thread.
  void AddObserver(Observer observer);
  // Records every exchange in a JSON-lines file. Throws std::runtime_error.
  void TraceTo(const std::string& path);
  // What the exchanges from now on are part of (the tool's subcommand, say),
  // carried in each record as "command" so traces can be told apart.
  void SetTraceContext(std::string context);
  void SetTimeouts(PortTimeouts timeouts);
  PortTimeouts Timeouts() const;
  // The channel's recovery. A channel the host has opened (Open succeeded
  // once since Bind) whose transport then fails — the device gone, the
  // connection closed, a write or a read failing — is closed. The next
  // exchange on it reopens it, and so on at most once per reopen interval,
  // measured on the transport's own clock (Transport::Now(): virtual on a
  // simulator's). An exchange that finds the channel down and no attempt due
  // fails at once with kPortNotOpen; an attempt that fails returns the
  // transport's code (kPortOpenFailed, say); an attempt that succeeds goes
  // on with the exchange, so the frame is not lost. Every one of these
  // exchanges reaches the observers and the trace. A channel never opened
  // stays "not open": the port reopens only what the host opened.
  void SetReopenInterval(Nanos interval);
  // Why the channel's last operation failed, for people ("" when it did
  // not). While the channel is down it keeps the transport's words for it:
  // why the line failed, or why the last reopen did ("connection closed by
  // the server", "tcp://10.0.0.5:4001: Connection refused",
  // "/dev/ttyUSB0: No such file or directory"), never merely "not open".
  // Cleared when the channel comes back.
  std::string ErrorText(Byte channel) const;
  // How many times the channel came back after its transport failed,
  // reopened by an exchange or by Open; 0 after Bind. Cheap (an atomic
  // load, no lock): a station polls it and notes the time it changes, the
  // moment the line recovered.
  std::uint32_t Recoveries(Byte channel) const;
  std::string Describe(Byte channel) const;

  // HostPort
  std::int32_t KAVO5000_CALL GetLastError(Byte channel) override;
  void KAVO5000_CALL SetLineError(Byte channel, std::int32_t code) override;
  void KAVO5000_CALL SetLineState(Byte channel, Byte state) override;
  Byte KAVO5000_CALL GetLineState(Byte channel) override;
  std::int32_t KAVO5000_CALL Send(Byte channel, const Byte* frame, Byte frameLength, Byte* reply,
                                  Byte replySize, Byte replyMode) override;
  std::int32_t KAVO5000_CALL Open(Byte channel, std::int32_t setting,
                                  std::int32_t baudRate) override;
  // Waits for an exchange under way on the channel (the check is the
  // channel's, like its line); a check must not call it.
  void KAVO5000_CALL SetReplyCheck(Byte channel, kavo5000::ReplyCheckRef check) override;

 private:
  static constexpr std::size_t kReplySizes =
      std::numeric_limits<Byte>::max() + 1;  // a Byte's worth of announced sizes
  struct Channel {
    mutable std::mutex io;  // one exchange at a time; guards what follows up to the atomics
    std::unique_ptr<Transport> transport;
    std::string errorText;
    bool opened = false;              // Open succeeded since Bind: reopened when it fails
    std::optional<Nanos> lastReopen;  // the last reopen attempt, on the transport's clock
    // Input may hold bytes no exchange awaits (the line is new, the last
    // exchange failed, timed out, awaited nothing or was followed by more
    // bytes): the next exchange drops them before its frame.
    bool strayInput = true;
    kavo5000::ReplyCheckRef check{nullptr, nullptr};
    // The length of the last valid reply to an exchange that announced each
    // reply size (0: none yet). Announced sizes are upper bounds; the reply
    // actually sent for one is nearly always as long as the last.
    std::array<Byte, kReplySizes> replyLengths{};
    std::atomic<Byte> state{0};
    std::atomic<std::int32_t> lineError{0};
    std::atomic<std::int32_t> lastError{0};
    std::atomic<std::uint32_t> recoveries{0};
  };
  static constexpr std::size_t kChannels = 256;

  std::int32_t Failed(Channel& c, std::int32_t code, std::string text);
  // Brings a bound channel whose transport is closed back for an exchange,
  // if the rule above allows; 0 or the exchange's failure code.
  std::int32_t Reopen(Channel& c, Byte channel);
  // The record kept of each exchange for the trace and the observers, made
  // only once there is one: begun with the frame, finished with what the
  // exchange came to; finishing lets go of the channel and tells the
  // observers.
  std::optional<ExchangeRecord> StartRecord(Byte channel, const Byte* frame,
                                            Byte frameLength) const;
  std::int32_t FinishRecord(Channel& c, std::unique_lock<std::mutex>& lock,
                            std::optional<ExchangeRecord>& record, std::int32_t result,
                            ExchangeVerdict verdict);
  void Notify(const ExchangeRecord& record);
  double Timestamp() const;

  std::array<Channel, kChannels> channels_;
  std::mutex observersMutex_;
  std::vector<Observer> observers_;
  std::atomic<bool> observed_{false};  // an observer was added: exchanges are recorded
  std::shared_ptr<TraceFile> trace_;
  mutable std::mutex contextMutex_;
  std::string context_;
  std::atomic<Nanos> firstByte_;
  std::atomic<Nanos> interByte_;
  std::atomic<Nanos> reopenInterval_{kReopenInterval};
  std::chrono::steady_clock::time_point start_;
};

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_LINEHOSTPORT_H
