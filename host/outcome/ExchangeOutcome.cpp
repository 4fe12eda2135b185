// ExchangeOutcome.cpp — an exchange judged by its verdict and its bytes.
#include "ExchangeOutcome.h"

#include "Frames.h"
#include "LineProtocol.h"

namespace kavo5000::host {

bool IsRefusal(const ExchangeRecord& exchange) {
  return exchange.verdict == ExchangeVerdict::kValid && exchange.reply.size() == 1 &&
         exchange.reply[0] == wire::kRefuse;
}

bool IsDataReply(const ExchangeRecord& exchange) {
  return exchange.verdict == ExchangeVerdict::kValid &&
         wire::ParseReply(exchange.reply).verdict == wire::ReplyVerdict::kData;
}

std::uint8_t CommandByte(const std::vector<std::uint8_t>& frame) {
  const wire::ParsedFrame parsed = wire::ParseFrame(frame);
  const wire::Bytes& c = parsed.command;
  if (c.size() > wire::kAddressAt && (c[wire::kAddressAt] == wire::kCmdProgramAddress ||
                                      c[wire::kAddressAt] == wire::kCmdCommonSwitch)) {
    return c[wire::kAddressAt];
  }
  return c.size() > wire::kCommandAt ? c[wire::kCommandAt] : 0;
}

bool IsRefusedClose(const ExchangeRecord& exchange) {
  return IsRefusal(exchange) && CommandByte(exchange.frame) == wire::kCmdClose;
}

}  // namespace kavo5000::host
