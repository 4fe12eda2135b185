// IntegrationRig.cpp — the module loaded once, and wiring a channel to each
// kind of simulated line.
#include "IntegrationRig.h"

#include <cstdio>
#include <stdexcept>
#include <thread>

#include "ModuleLoader.h"
#include "SimTransport.h"

namespace kavo5000::testing {

namespace {

// Loaded once, and kept for the test program's life.
const loader::Module& TheModule() {
  static const loader::Module module{std::string(KAVO5000_MODULE_PATH)};
  return module;
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

}  // namespace

std::string ViaName(Via via) {
  switch (via) {
    case Via::kInProcess:
      return "InProcess";
    case Via::kPty:
      return "Pty";
    case Via::kTcp:
      return "Tcp";
  }
  return "";
}

Rig::Rig(Via via, RigOptions options) : via_(via), options_(std::move(options)) {
  Connect();
  driver_ = TheModule().Create(options_.config, &port_);
  if (driver_->OpenChannel(kChannel) != 0) throw std::runtime_error("OpenChannel failed");
}

Rig::~Rig() {
  driver_.reset();
}

void Rig::Connect() {
  if (via_ == Via::kInProcess) {
    sim::LineConfig config = sim::DefaultLineConfig(8);
    config.behaviour.flow = options_.flow;
    config.behaviour.customer.liftAfter = sim::Seconds(options_.liftAfter);
    config.behaviour.customer.hangAfter = sim::Seconds(options_.hangAfter);
    line_ = std::make_shared<sim::Line>(config);
    line_->SetFaults(sim::FaultPlan::Parse(options_.faults));
    port_.Bind(kChannel, host::MakeSimTransport(line_, clock_, host::SimPacing{}));
    return;
  }
  std::vector<std::string> args = {via_ == Via::kPty ? "--pty" : "--tcp",
                                   "--flow",
                                   Number(options_.flow),
                                   "--lift-after",
                                   Number(options_.liftAfter),
                                   "--hang-after",
                                   Number(options_.hangAfter)};
  if (via_ == Via::kTcp) args.insert(args.begin() + 1, "0");
  if (!options_.faults.empty()) {
    args.push_back("--faults");
    args.push_back(options_.faults);
  }
  process_.reset();
  process_ = std::make_unique<host::SimProcess>(KAVO5000_TOOL_PATH, args);
  port_.Bind(kChannel, process_->spec());
}

void Rig::Wait(std::chrono::milliseconds d) {
  if (via_ == Via::kInProcess) {
    clock_.Advance(d);
  } else {
    std::this_thread::sleep_for(d);
  }
}

void Rig::Restart(const std::string& faults) {
  options_.faults = faults;
  if (via_ == Via::kInProcess) {
    line_->SetFaults(sim::FaultPlan::Parse(faults));
    return;
  }
  Connect();
  if (driver_->OpenChannel(kChannel) != 0) throw std::runtime_error("OpenChannel failed");
}

void Rig::KillServer() {
  if (process_) process_->Stop();
}

}  // namespace kavo5000::testing
