// Session.cpp — setting up the module, the port and the driver for a subcommand.
#include "Session.h"

#include <cstdio>
#include <iostream>

#include "Checks.h"
#include "Decode.h"
#include "Frames.h"
#include "Hex.h"
#include "Text.h"

namespace kavo5000::tool {

namespace {
std::string OneLine(const std::vector<std::string>& lines) {
  if (lines.size() == 1) return lines[0];
  std::string out;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::string l = lines[i];
    l.erase(0, l.find_first_not_of(' '));
    out += (out.empty() ? "" : ", ") + l;
  }
  return out;
}
}  // namespace

std::uint8_t GlobalOptions::Config() const {
  if (!nozzles) return config;
  return static_cast<std::uint8_t>((config & ~kavo5000::kConfigNozzleMask) | *nozzles);
}

host::Simulation MakeSimulation(const SimOptions& options) {
  try {
    return host::Simulation(options);
  } catch (const host::SimulationError& e) {
    throw UsageError(e.what());
  }
}

Session::Session(const GlobalOptions& options) : options_(options), module_(options.module) {
  if (const auto refusal = FramingRefusal(options.port)) throw UsageError(*refusal);
  if (!options.nozzles) {
    if (const auto warning = ConfigWarning(options.config)) {
      std::fprintf(stderr, "kavo5000: warning: %s\n", warning->c_str());
    }
  }
  try {
    const host::PortSpec spec = host::ParsePortSpec(options.port);
    if (spec.kind == host::PortSpec::Kind::kSim) {
      port_.Bind(options.channel, MakeSimulation(options.sim).MakeTransport());
    } else {
      port_.Bind(options.channel, options.port);
    }
  } catch (const host::PortSpecError& e) {
    throw UsageError(e.what());
  }
  if (options.trace) {
    try {
      port_.TraceTo(*options.trace);
    } catch (const std::runtime_error& e) {
      throw ToolError(e.what());
    }
  }
  port_.AddObserver([this](const host::ExchangeRecord& r) { Observe(r); });
  if (options.timeoutMs || options.interByteMs) {
    const host::PortTimeouts defaults;
    port_.SetTimeouts(host::PortTimeouts::FromMilliseconds(
        options.timeoutMs.value_or(
            std::chrono::duration_cast<std::chrono::milliseconds>(defaults.firstByte).count()),
        options.interByteMs.value_or(
            std::chrono::duration_cast<std::chrono::milliseconds>(defaults.interByte).count())));
  }
  port_.SetTraceContext(options.command);
  driver_ = module_.Create(options.Config(), &port_);
  std::int32_t opened = 0;
  try {
    opened = driver_->OpenChannel(options.channel);
  } catch (const kavo5000::Exception& e) {
    throw ToolError(e.what());
  }
  if (opened != 0) {
    throw ToolError("cannot open channel " + std::to_string(options.channel) + " (" + PortReason() +
                    ")");
  }
}

Session::~Session() {
  driver_.reset();  // before the module that holds its code goes
}

void Session::Observe(const host::ExchangeRecord& r) {
  exchanges_.push_back(r);
  if (const auto type = DispenserTypeOf(r)) observedType_ = type;
  if (!options_.verbose) return;
  std::fflush(stdout);  // keep the frames next to the lines they explain
  std::fprintf(stderr, "  -> %s   %s\n", wire::Hex(r.frame).c_str(),
               OneLine(wire::Decode(r.frame)).c_str());
  if (r.received.empty()) {
    std::fprintf(stderr, "  <- (nothing)   [%s, %.1f ms]\n",
                 std::string(host::VerdictText(r.verdict)).c_str(), r.milliseconds);
  } else {
    std::fprintf(stderr, "  <- %s   %s   [%s, %.1f ms]\n", wire::Hex(r.received).c_str(),
                 OneLine(wire::Decode(r.reply)).c_str(),
                 std::string(host::VerdictText(r.verdict)).c_str(), r.milliseconds);
    for (const std::string& meaning : wire::ReplyMeaning(r.frame, r.reply, observedType_)) {
      std::fprintf(stderr, "     %s\n", meaning.c_str());
    }
  }
}

void Session::Expect(const std::string& what, Refusals refusals, std::string_view tolerated) {
  const kavo5000::Byte status = driver_->GetChannelStatus(options_.channel);
  if (const auto failure = FailureText(JudgeOperation(status, exchanges_, refusals, tolerated))) {
    throw ToolError(what + ": " + *failure);
  }
}

std::optional<double> Session::PriceOf(int dispenser, int nozzle) const {
  const auto it = prices_.find({dispenser, nozzle});
  if (it == prices_.end()) return std::nullopt;
  return it->second;
}

std::string Session::PortReason() {
  std::string text = port_.ErrorText(options_.channel);
  const std::string port = port_.Describe(options_.channel);
  // A failed open already names the port.
  if (text.empty() || text.rfind(port, 0) == 0) return text;
  return port + ": " + text;
}

int Session::ActiveNozzle(int dispenser) const {
  const auto it = started_.find(dispenser);
  return it == started_.end() ? 1 : it->second;
}

int Session::Address(int dispenser, int nozzle) const {
  return host::LinearAddress(nozzles(), dispenser, nozzle);
}

std::string Session::ReadingFailureText(const host::NozzleReader& reader) {
  std::string text = host::FailureWords(reader.Failure());
  if (reader.Failure() == host::ReadingFailure::kLine) {
    const std::string reason = PortReason();
    if (!reason.empty()) text += " (" + reason + ")";
  }
  return text;
}

std::string Session::CommandFor(const std::string& words) const {
  std::string line = "kavo5000";
  if (options_.port != "sim") line += " --port " + options_.port;
  if (options_.channel != 1) line += " --channel " + std::to_string(options_.channel);
  if (options_.config != 0) line += " --config " + std::to_string(options_.config);
  if (options_.nozzles) line += " --nozzles " + std::to_string(*options_.nozzles);
  if (options_.module) line += " --module " + *options_.module;
  return line + " " + words;
}

}  // namespace kavo5000::tool
