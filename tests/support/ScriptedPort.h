// ScriptedPort.h — a HostPort for tests: it records every call the driver makes
// with its arguments, and answers each Send from a script the test writes,
// feeding the bytes through the driver's installed reply check the way a real
// port does (garbage first, split over chunks, honouring the length the check
// writes back). It can also fail or throw on demand, and it notices when two
// Sends on one channel overlap.
#ifndef KAVO5000_TESTS_SCRIPTEDPORT_H
#define KAVO5000_TESTS_SCRIPTEDPORT_H

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "kavo5000/Kavo5000.h"

namespace kavo5000::testing {

using Bytes = std::vector<Byte>;

// The bytes of a data reply r1 … rk as a controller sends them.
Bytes DataReply(const Bytes& data);
// The command bytes c0 … c(n−1) carried by a command frame (no checks).
Bytes CommandOf(const Bytes& frame);
// Text as bytes, for digits and command characters.
Bytes Ascii(const std::string& text);
// Plays `incoming` into `buffer` through the driver's reply check as a port
// does: in `chunks` (empty: all at once), the check shown the buffer after
// each, honouring the length it writes back, until it accepts or the bytes
// run out. Whether it accepted.
bool PlayThroughCheck(const ReplyCheckRef& check, Byte channel, const Bytes& incoming,
                      const std::vector<std::size_t>& chunks, Byte* buffer);

// How the port answers one Send.
struct Reply {
  Bytes bytes;                      // what the controller sends
  Bytes garbage;                    // line noise received before it
  std::vector<std::size_t> chunks;  // sizes in which garbage + bytes arrive; empty: all at once
  std::int32_t sendResult = 0;      // non-zero: a transport failure, nothing received
  bool throwStd = false;            // Send throws std::runtime_error
  bool throwDriver = false;         // Send throws kavo5000::ESerialIO
  bool throwOther = false;          // Send throws something outside std::exception
  bool throwInLineState = false;    // GetLineState throws std::runtime_error after this Send
  std::optional<Byte> lineState;    // overrides the line state after Send

  static Reply Data(const Bytes& data) { return Raw(DataReply(data)); }
  static Reply Control(Byte b) { return Raw(Bytes{b}); }
  static Reply Raw(const Bytes& b) {
    Reply r;
    r.bytes = b;
    return r;
  }
  static Reply Silence() { return Reply{}; }
  static Reply Failure(std::int32_t code) {
    Reply r;
    r.sendResult = code;
    return r;
  }
};

// One call the driver made.
struct PortCall {
  PortCall(std::string n, Byte ch, std::int32_t a = 0) : name(std::move(n)), channel(ch), arg(a) {}
  std::string name;  // "GetLastError", "SetLineError", "SetLineState", "GetLineState", "Send",
                     // "Open", "SetReplyCheck"
  Byte channel = 0;
  std::int32_t arg = 0;   // the code, state, setting …
  std::int32_t arg2 = 0;  // Open's baud rate
  Bytes frame;            // Send: the frame
  Byte replySize = 0;
  Byte replyMode = 0;
};

class ScriptedPort final : public HostPort {
 public:
  // Controller-like answers computed from each frame; used when no scripted
  // reply is queued for the channel. Returning nothing means silence. A Send
  // with replySize 0 takes a scripted reply too, but only its failure or
  // exception counts: it returns right after writing.
  using Responder = std::function<std::optional<Reply>(Byte channel, const Bytes& frame)>;

  ScriptedPort() = default;
  ~ScriptedPort() = default;
  ScriptedPort(const ScriptedPort&) = delete;
  ScriptedPort& operator=(const ScriptedPort&) = delete;

  void Queue(Byte channel, Reply reply);
  void SetResponder(Responder responder);
  void SetLastErrorValue(std::int32_t value) { lastErrorValue_ = value; }
  void SetOpenResult(std::int32_t value) { openResult_ = value; }
  // Yields this many times inside every Send, to let threads collide.
  void SetSendYields(int yields) { sendYields_ = yields; }

  std::vector<PortCall> Calls() const;
  std::vector<std::string> CallNames() const;
  // Frames sent, in order (on one channel, or on all when channel is 0).
  std::vector<Bytes> Frames(Byte channel = 0) const;
  // Command bytes of the frames sent.
  std::vector<Bytes> Commands(Byte channel = 0) const;
  std::size_t SendCount() const;
  std::size_t Pending(Byte channel) const;
  // Times a Send started while another Send on the same channel was running.
  int Overlaps() const { return overlaps_.load(); }
  void ClearCalls();

  // HostPort
  std::int32_t KAVO5000_CALL GetLastError(Byte channel) override;
  void KAVO5000_CALL SetLineError(Byte channel, std::int32_t code) override;
  void KAVO5000_CALL SetLineState(Byte channel, Byte state) override;
  Byte KAVO5000_CALL GetLineState(Byte channel) override;
  std::int32_t KAVO5000_CALL Send(Byte channel, const Byte* frame, Byte frameLength, Byte* reply,
                                  Byte replySize, Byte replyMode) override;
  std::int32_t KAVO5000_CALL Open(Byte channel, std::int32_t setting,
                                  std::int32_t baudRate) override;
  void KAVO5000_CALL SetReplyCheck(Byte channel, ReplyCheckRef check) override;

 private:
  struct Line {
    std::deque<Reply> queue;
    ReplyCheckRef check{nullptr, nullptr};
    Byte state = 0;
    std::int32_t error = 0;
    bool throwInLineState = false;
    bool sending = false;
  };
  void Record(PortCall call);
  void Play(Line& line, Byte channel, const Reply& reply, Byte* buffer);

  mutable std::mutex mutex_;
  std::map<Byte, Line> lines_;
  std::vector<PortCall> calls_;
  Responder responder_;
  std::int32_t lastErrorValue_ = 5;
  std::int32_t openResult_ = 0;
  int sendYields_ = 0;
  std::atomic<int> overlaps_{0};
};

}  // namespace kavo5000::testing

#endif  // KAVO5000_TESTS_SCRIPTEDPORT_H
