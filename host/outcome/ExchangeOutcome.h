// ExchangeOutcome.h — what one exchange the port logged came to, as every host
// program of the kit reads it: a refusal by the controller, a data reply, the
// command a frame carried. The tool and the station word these in their own
// language.
#ifndef KAVO5000_HOST_OUTCOME_EXCHANGEOUTCOME_H
#define KAVO5000_HOST_OUTCOME_EXCHANGEOUTCOME_H

#include <cstdint>
#include <vector>

#include "Trace.h"

namespace kavo5000::host {

// A valid reply of the refusal byte alone: the controller said no.
bool IsRefusal(const ExchangeRecord& exchange);
// A valid reply that carries data.
bool IsDataReply(const ExchangeRecord& exchange);
// The command character a frame carries, or 0. The two commands to the whole
// line stand where an addressed command has its address byte.
std::uint8_t CommandByte(const std::vector<std::uint8_t>& frame);
// The controller refused to close a delivery.
bool IsRefusedClose(const ExchangeRecord& exchange);

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_OUTCOME_EXCHANGEOUTCOME_H
