// Session.cpp — setting up the module, the port and the driver for a subcommand.
#include "Session.h"

#include <cstdio>
#include <iostream>

#include "Decode.h"
#include "Frames.h"
#include "Hex.h"
#include "Text.h"

namespace kavo5000::tool {

namespace {
constexpr std::uint8_t kNozzleBits = 0x0F;
constexpr int kNozzlesWhenZero = 4;  // a configuration byte of 0 means four nozzles
constexpr int kMaxNozzles = 15;
constexpr int kMaxControllers = 99;
constexpr int kMaxTurnaroundMs = 10000;
constexpr int kTypeFallback = 1;  // what the driver makes of a type byte out of range

std::optional<double> Seconds(const Args& args, const std::string& name,
                              std::optional<double> fallback) {
  if (args.Flag("no-customer")) return std::nullopt;
  const auto v = args.Value(name);
  if (!v) return fallback;
  const double s = ToAmount(*v, "--" + name);
  if (s < 0) throw UsageError("--" + name + " must not be negative");
  return s;
}

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

const std::vector<OptionSpec>& GlobalOptionSpecs() {
  static const std::vector<OptionSpec> specs = {
      {"port", "SPEC", "sim (default), a serial device [DEVICE:BAUD:FRAMING] or tcp://HOST:PORT"},
      {"channel", "N", "the driver's channel, 1..20 (default 1)"},
      {"config", "BYTE", "the configuration byte handed to GetVM30 (default 0)"},
      {"nozzles", "K", "nozzles per dispenser, 1..15 (overrides the byte's low bits)"},
      {"trace", "FILE", "append every exchange to FILE as JSON lines"},
      {"verbose", nullptr, "print every frame and reply in hex, decoded, on stderr"},
      {"module", "PATH",
       "the driver module (default: $KAVO5000_MODULE, next to the tool, the build tree)"},
      {"help", nullptr, "explain the subcommand"},
  };
  return specs;
}

const std::vector<OptionSpec>& SimOptionSpecs() {
  static const std::vector<OptionSpec> specs = {
      {"controllers", "N", "simulated controllers at addresses 1..N (default 8)"},
      {"flow", "L", "litres per second while fuel runs (default 0.5)"},
      {"lift-after", "S", "the customer lifts the nozzle S seconds after a start (default 1)"},
      {"hang-after", "S", "and hangs it up S seconds after the delivery ends (default 3)"},
      {"no-customer", nullptr, "nobody lifts or hangs a nozzle"},
      {"faults", "SPEC", "inject faults, e.g. T:refuse*1,#3:drop (see the README)"},
      {"baud", "B", "line rate the answers are paced at (default 4800; 0: no pacing)"},
      {"turnaround", "MS", "pause before an answer, in milliseconds (default 5)"},
  };
  return specs;
}

SimOptions SimFrom(const Args& args) {
  SimOptions o;
  if (auto v = args.Value("controllers"))
    o.controllers = static_cast<int>(ToInteger(*v, "--controllers", 1, kMaxControllers));
  if (auto v = args.Value("flow")) {
    o.flow = ToAmount(*v, "--flow");
    if (o.flow <= 0) throw UsageError("--flow must be above 0");
  }
  o.liftAfter = Seconds(args, "lift-after", o.liftAfter);
  o.hangAfter = Seconds(args, "hang-after", o.hangAfter);
  if (auto v = args.Value("faults")) o.faults = *v;
  if (auto v = args.Value("baud")) {
    o.baud = static_cast<int>(ToInteger(*v, "--baud", 0, 230400));
    if (o.baud != 0 && !host::IsSupportedBaud(o.baud))
      throw UsageError("--baud " + *v + " is no standard rate");
  }
  if (auto v = args.Value("turnaround"))
    o.turnaroundMs = static_cast<int>(ToInteger(*v, "--turnaround", 0, kMaxTurnaroundMs));
  return o;
}

GlobalOptions GlobalFrom(const Args& args) {
  GlobalOptions o;
  if (auto v = args.Value("port")) o.port = *v;
  if (auto v = args.Value("channel"))
    o.channel = static_cast<kavo5000::Byte>(
        ToInteger(*v, "--channel", kavo5000::kFirstChannel, kavo5000::kLastChannel));
  if (auto v = args.Value("config")) {
    o.config = static_cast<std::uint8_t>(ToInteger(*v, "--config", 0, 255));
  }
  if (auto v = args.Value("nozzles")) {
    const auto k = ToInteger(*v, "--nozzles", 1, kMaxNozzles);
    o.config = static_cast<std::uint8_t>((o.config & ~kNozzleBits) | k);
  }
  o.trace = args.Value("trace");
  o.verbose = args.Flag("verbose");
  o.module = args.Value("module");
  o.sim = SimFrom(args);
  return o;
}

host::Simulation MakeSimulation(const SimOptions& options) {
  try {
    return host::Simulation(options);
  } catch (const host::SimulationError& e) {
    throw UsageError(e.what());
  }
}

int NozzlesPerDispenser(std::uint8_t config) {
  return config == 0 ? kNozzlesWhenZero : config & kNozzleBits;
}

Session::Session(const GlobalOptions& options) : options_(options), module_(options.module) {
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
  driver_ = module_.Create(options.config, &port_);
  std::int32_t opened = 0;
  try {
    opened = driver_->OpenChannel(options.channel);
  } catch (const kavo5000::Exception& e) {
    throw ToolError(e.what());
  }
  if (opened != 0) {
    throw ToolError("cannot open channel " + std::to_string(options.channel) + " on " +
                    options.port + ": " + port_.ErrorText(options.channel));
  }
}

Session::~Session() {
  driver_.reset();  // before the module that holds its code goes
}

void Session::Observe(const host::ExchangeRecord& r) {
  exchanges_.push_back(r);
  const wire::ParsedFrame frame = wire::ParseFrame(r.frame);
  const bool typeQuery = frame.verdict == wire::FrameVerdict::kGood &&
                         frame.command.size() > wire::kCommandAt &&
                         frame.command[wire::kCommandAt] == wire::kCmdType;
  if (typeQuery && r.verdict == "valid") {
    const wire::ParsedReply reply = wire::ParseReply(r.reply);
    if (reply.verdict == wire::ReplyVerdict::kData && !reply.data.empty()) {
      const int type = reply.data[0] - wire::kTypeBase;
      observedType_ = (type >= 0 && type < wire::kTypeCount) ? type : kTypeFallback;
    }
  }
  if (!options_.verbose) return;
  std::fflush(stdout);  // keep the frames next to the lines they explain
  std::fprintf(stderr, "  -> %s   %s\n", wire::Hex(r.frame).c_str(),
               OneLine(wire::Decode(r.frame)).c_str());
  if (r.received.empty()) {
    std::fprintf(stderr, "  <- (nothing)   [%s, %.1f ms]\n", r.verdict.c_str(), r.milliseconds);
  } else {
    std::fprintf(stderr, "  <- %s   %s   [%s, %.1f ms]\n", wire::Hex(r.received).c_str(),
                 OneLine(wire::Decode(r.reply)).c_str(), r.verdict.c_str(), r.milliseconds);
  }
}

void Session::Expect(const std::string& what, Refusals refusals, std::string_view tolerated) {
  const kavo5000::Byte status = driver_->GetChannelStatus(options_.channel);
  if (const auto failure = FailureOf(status, exchanges_, refusals, tolerated)) {
    throw ToolError(what + ": " + *failure);
  }
}

std::string Session::PortReason() {
  const std::string text = port_.ErrorText(options_.channel);
  return text.empty() ? "" : port_.Describe(options_.channel) + ": " + text;
}

}  // namespace kavo5000::tool
