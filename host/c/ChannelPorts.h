// ChannelPorts.h — the port a C host's driver is lent: each channel either
// the kit's line port (a port spec) or the host's own callbacks, which see
// the driver's reply check as a plain C function. The line state of a
// callback channel is kept here as the kit's port keeps it: set by the
// driver's check on a whole reply, else no reply (nothing came) or an
// incomplete one.
#ifndef KAVO5000_C_CHANNELPORTS_H
#define KAVO5000_C_CHANNELPORTS_H

#include <array>
#include <cstdint>

#include "LineHostPort.h"
#include "kavo5000/Kavo5000.h"
#include "kavo5000/kavo5000_c.h"

namespace kavo5000::c {

class ChannelPorts final : public HostPort {
 public:
  host::LineHostPort& line() { return line_; }
  // Hands the channel to the host's callbacks instead of the line port.
  void Bind(Byte channel, const kavo5000_port_callbacks& callbacks, void* context);

  std::int32_t KAVO5000_CALL GetLastError(Byte channel) override;
  void KAVO5000_CALL SetLineError(Byte channel, std::int32_t code) override;
  void KAVO5000_CALL SetLineState(Byte channel, Byte state) override;
  Byte KAVO5000_CALL GetLineState(Byte channel) override;
  std::int32_t KAVO5000_CALL Send(Byte channel, const Byte* frame, Byte frameLength, Byte* reply,
                                  Byte replySize, Byte replyMode) override;
  std::int32_t KAVO5000_CALL Open(Byte channel, std::int32_t setting, std::int32_t baud) override;
  void KAVO5000_CALL SetReplyCheck(Byte channel, ReplyCheckRef check) override;

 private:
  struct Own {
    bool bound = false;
    kavo5000_port_callbacks callbacks{};
    void* context = nullptr;
    ReplyCheckRef check{nullptr, nullptr};
    Byte state = 0;
    std::int32_t error = 0;
  };
  static constexpr std::size_t kChannels = 256;  // every value a channel byte can take

  host::LineHostPort line_;
  std::array<Own, kChannels> own_{};
};

}  // namespace kavo5000::c

#endif  // KAVO5000_C_CHANNELPORTS_H
