// Recover.cpp — `kavo5000 recover D [--nozzle N] [--stop] [--wait S]`:
// finishing a delivery that another run left open (the station or a
// `deliver` that crashed or was killed), as the station must to bill it:
// the nozzle whose transaction is open, from the controllers' own states;
// the delivery's end, waited for or brought about by a stop; the delivery
// counters of that nozzle, read from its controller; the close; and the
// sale's litres and money, with the totals they went into.
//
// A driver fresh from GetVM30 reads the running volume and the delivery
// counters of the nozzle it last started, and it has started none: the
// states and the counters are read straight from the nozzle's controller
// (host::NozzleReader), the stop and the close go through the driver.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "Commands.h"
#include "Decode.h"
#include "ExchangeOutcome.h"
#include "HostText.h"
#include "Interrupt.h"
#include "Retry.h"
#include "Text.h"

namespace kavo5000::tool {

namespace {

std::atomic<bool> gInterrupted{false};

constexpr auto kPollEvery = std::chrono::milliseconds(200);

std::string Where(int dispenser, int nozzle) {
  return "dispenser " + std::to_string(dispenser) + " nozzle " + std::to_string(nozzle);
}

std::string Words(wire::StateBytes state) {
  return wire::StateWords(state.r1, state.r2);
}

double Litres(std::uint64_t hundredths) {
  return host::FromHundredths(hundredths);
}

// A nozzle's state, asked again through a glitch; not read, it ends the run.
wire::StateBytes StateOf(Session& s, host::NozzleReader& reader, int dispenser, int nozzle) {
  return Retried([&] {
    const auto state = reader.State(s.Address(dispenser, nozzle));
    if (!state) {
      throw ToolError("state of " + Where(dispenser, nozzle) +
                      ": not read: " + s.ReadingFailureText(reader));
    }
    return *state;
  });
}

// The nozzle whose transaction is open: the one named, else the only one.
int OpenNozzle(Session& s, host::NozzleReader& reader, const CommandValues& v) {
  const int d = v.dispenser;
  if (v.pickedNozzle) return ReadNozzle(s, v);
  const int count = std::max(1, s.nozzles());
  std::vector<int> open;
  std::string states;
  for (int n = 1; n <= count; ++n) {
    const wire::StateBytes state = StateOf(s, reader, d, n);
    if (wire::TransactionOpen(state)) open.push_back(n);
    states += (states.empty() ? "" : "; ") + std::string("nozzle ") + std::to_string(n) + ": " +
              Words(state);
  }
  if (open.empty()) {
    throw ToolError("recover: no delivery is open on dispenser " + std::to_string(d) + " (" +
                    states + "): nothing to finish; `" +
                    s.CommandFor("counters " + std::to_string(d) + " N") +
                    "` reads what nozzle N's last delivery came to");
  }
  if (open.size() > 1) {
    std::string list;
    for (const int n : open) list += (list.empty() ? "" : ", ") + std::to_string(n);
    throw UsageError("recover: nozzles " + list + " of dispenser " + std::to_string(d) +
                     " have deliveries open: name one with --nozzle N");
  }
  return open.front();
}

// Waits while the transaction may still take fuel: a delivery running, or
// an authorisation the customer may still take up.
wire::StateBytes AwaitEnd(Session& s, host::NozzleReader& reader, const CommandValues& v, int n,
                          wire::StateBytes state) {
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(v.waitSeconds));
  bool said = false;
  while (wire::FuelFlowing(state) || state.r1 == wire::kStateAuthorised) {
    if (!said) {
      said = true;
      std::printf("waiting for the delivery to end (--stop stops the pump at once)\n");
      std::fflush(stdout);
    }
    if (gInterrupted.load()) {
      throw ToolError("recover: interrupted; the delivery on " + Where(v.dispenser, n) +
                      " is still open (" + Words(state) + ")");
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      char waited[32];
      std::snprintf(waited, sizeof waited, "%.2f", v.waitSeconds);
      throw ToolError("recover: the delivery on " + Where(v.dispenser, n) +
                      " had not ended after " + waited + " s (--wait; " + Words(state) +
                      "): run recover again later, or with --stop to stop the pump");
    }
    std::this_thread::sleep_for(kPollEvery);
    state = StateOf(s, reader, v.dispenser, n);
  }
  return state;
}

}  // namespace

int RunRecover(Session& s, const CommandValues& v) {
  const int d = v.dispenser;
  CheckPlace(s, d, v.pickedNozzle);
  RaiseOnInterrupt(gInterrupted);
  gInterrupted.store(false);
  host::NozzleReader reader = s.Reader();
  const int n = OpenNozzle(s, reader, v);
  const std::string where = Where(d, n);
  wire::StateBytes state = StateOf(s, reader, d, n);
  if (!wire::TransactionOpen(state)) {
    throw ToolError("recover: no delivery is open on " + where + " (" + Words(state) +
                    "): nothing to finish; `" +
                    s.CommandFor("counters " + std::to_string(d) + " " + std::to_string(n)) +
                    "` reads what its last delivery came to");
  }
  std::printf("%s: delivery open (%s)\n", where.c_str(), Words(state).c_str());
  if (v.stop && (wire::FuelFlowing(state) || state.r1 == wire::kStateAuthorised)) {
    Guarded(s, "stop", [&] { s.driver().StopPump(s.channel(), d, n, true); });
    s.Expect("stop", Refusals::kFail);
    std::printf("%s: pump stopped\n", where.c_str());
    state = StateOf(s, reader, d, n);
  }
  state = AwaitEnd(s, reader, v, n, state);

  // The delivery has ended: its counters are the sale.
  const wire::DeliveryFigures sale = Retried([&] {
    const auto figures = reader.DeliveryCounters(s.Address(d, n));
    if (!figures) {
      throw ToolError("delivery counters of " + where +
                      ": not read: " + s.ReadingFailureText(reader));
    }
    return *figures;
  });
  if (wire::TransactionOpen(state)) {
    std::int32_t result = 0;
    Guarded(s, "close", [&] { result = s.driver().StopAndClose(s.channel(), d, n, false); });
    if (result != 0) throw LineError("close: the line failed (" + s.PortReason() + ")");
    s.Expect("close", Refusals::kFail);
    std::printf("%s: transaction closed\n", where.c_str());
  } else {
    std::printf("%s: the transaction was closed meanwhile (%s)\n", where.c_str(),
                Words(state).c_str());
  }
  std::printf("%s: sale %s l, %s (the controller's delivery counters)\n", where.c_str(),
              AmountText(Litres(sale.litres)).c_str(), AmountText(Litres(sale.money)).c_str());
  double volume = 0;
  double money = 0;
  Guarded(s, "total counters",
          [&] { s.driver().GetTotalCounters(s.channel(), d, n, &volume, &money, 0); });
  if (!IsEmptyTotal(s.driver().GetChannelStatus(s.channel()), s.Exchanges())) {
    s.Expect("total counters");
  }
  std::printf("totals of %s: %s l, %s\n", where.c_str(), AmountText(volume).c_str(),
              AmountText(money).c_str());
  return kExitOk;
}

}  // namespace kavo5000::tool
