// OpenDeliveries.cpp — reading a delivery the station did not start
// straight from its controllers.
#include "OpenDeliveries.h"

#include <algorithm>

#include "ExchangeOutcome.h"
#include "HostText.h"
#include "LineHostPort.h"

namespace kavo5000::station {

namespace {

Amounts AmountsOf(const wire::DeliveryFigures& figures) {
  return Amounts{host::FromHundredths(figures.litres), host::FromHundredths(figures.money)};
}

}  // namespace

std::uint16_t ControllerCode(wire::StateBytes state, int nozzle) {
  const auto n = static_cast<std::uint16_t>(nozzle & kStateNozzleMask);
  switch (state.r1) {
    case wire::kStateIdle:
      return kStateIdle;
    case wire::kStateLifted:
      return kStateLifted + n;
    case wire::kStateAuthorised:
      return kStateBusy;
    case wire::kStateStopped:
      return kStateFinished + n;
    default:
      break;
  }
  if (!wire::DeliveryOpen(state)) return state.r1;    // a state of the controller's own
  if (state.r2 == wire::kEndByte) return kStateBusy;  // no delivery figures yet
  return wire::FuelFlowing(state) ? kStateDelivering + n : kStateFinished + n;
}

int OpenNozzle(const std::vector<wire::StateBytes>& states) {
  const auto open = std::find_if(states.begin(), states.end(), wire::TransactionOpen);
  return open == states.end() ? 0 : static_cast<int>(open - states.begin()) + 1;
}

Byte ReadingStatus(host::ReadingFailure failure) {
  switch (failure) {
    case host::ReadingFailure::kNone:
      return kLineValid;
    case host::ReadingFailure::kNoReply:
      return host::kLineNoReply;
    case host::ReadingFailure::kUnusable:
      return host::kLineIncomplete;
    case host::ReadingFailure::kLine:
    case host::ReadingFailure::kRefused:
    case host::ReadingFailure::kNoFigures:
      break;
  }
  return kLineMalformed;
}

std::optional<Amounts> ReadCounters(host::NozzleReader& reader, const PollPlan& plan, int dispenser,
                                    int nozzle) {
  const auto figures =
      reader.DeliveryCounters(host::LinearAddress(plan.nozzles, dispenser, nozzle));
  if (!figures) return std::nullopt;
  return AmountsOf(*figures);
}

// Every nozzle's state on the dispenser, up to the first that does not answer.
std::optional<std::vector<wire::StateBytes>> ReadStates(host::NozzleReader& reader,
                                                        const PollPlan& plan, int dispenser) {
  std::vector<wire::StateBytes> states;
  for (int n = 1; n <= plan.nozzles; ++n) {
    const auto state = reader.State(host::LinearAddress(plan.nozzles, dispenser, n));
    if (!state) return std::nullopt;
    states.push_back(*state);
  }
  return states;
}

Survey SurveyDispenser(host::NozzleReader& reader, const PollPlan& plan, int dispenser) {
  Survey survey;
  const auto states = ReadStates(reader, plan, dispenser);
  if (!states) {
    survey.failure = reader.Failure();
    return survey;
  }
  survey.open = OpenNozzle(*states);
  return survey;
}

OpenDeliveryView ReadOpenDelivery(host::NozzleReader& reader, const PollPlan& plan, int dispenser,
                                  int nozzle) {
  OpenDeliveryView out;
  DispenserView& view = out.view;
  view.channel = plan.channel;
  view.number = dispenser;
  view.adoptedNozzle = nozzle;
  const auto fail = [&] {
    out.failure = reader.Failure();
    view.answered = false;
    view.nozzles.clear();
    view.status = ReadingStatus(out.failure);
    return out;
  };
  const auto states = ReadStates(reader, plan, dispenser);
  if (!states || nozzle < 1 || nozzle > static_cast<int>(states->size())) return fail();
  const std::size_t shown = std::min(states->size(), kRecordNozzles);
  for (std::size_t n = 0; n < shown; ++n)
    view.nozzles.push_back(ControllerCode((*states)[n], static_cast<int>(n) + 1));
  const wire::StateBytes& own = (*states)[static_cast<std::size_t>(nozzle) - 1];
  view.answered = true;
  view.status = kLineValid;
  view.summary = ControllerCode(own, nozzle);
  out.open = wire::TransactionOpen(own);
  // Authorised, the nozzle not yet lifted: nothing dispensed to read.
  if (own.r1 == wire::kStateAuthorised) return out;
  const std::optional<Amounts> amounts = ReadCounters(reader, plan, dispenser, nozzle);
  if (!amounts) return fail();
  if (wire::FuelFlowing(own)) {
    view.running = amounts;
  } else {
    view.delivered = amounts;
  }
  return out;
}

}  // namespace kavo5000::station
