// Simulation.cpp — the host kit's simulated line: the simulator's line and
// server made from the settings, on a steady clock.
#include "Simulation.h"

#include <chrono>

#include "Clock.h"
#include "Faults.h"
#include "Line.h"
#include "Server.h"

namespace kavo5000::host {

namespace {
sim::LineConfig ConfigFor(const SimulationSettings& settings) {
  sim::LineConfig config = sim::DefaultLineConfig(settings.controllers);
  config.behaviour.flow = settings.flow;
  if (settings.liftAfter) config.behaviour.customer.liftAfter = sim::Seconds(*settings.liftAfter);
  if (settings.hangAfter) config.behaviour.customer.hangAfter = sim::Seconds(*settings.hangAfter);
  return config;
}

sim::FaultPlan FaultsFor(const SimulationSettings& settings) {
  try {
    return sim::FaultPlan::Parse(settings.faults);
  } catch (const sim::FaultSpecError& e) {
    throw SimulationError(e.what());
  }
}
}  // namespace

struct Simulation::Shared {
  explicit Shared(const SimulationSettings& settings)
      : line(ConfigFor(settings)),
        pacing{settings.baud, std::chrono::milliseconds(settings.turnaroundMs)} {}

  sim::SteadyClock clock;
  sim::Line line;
  SimPacing pacing;
  std::unique_ptr<sim::Server> server;  // made when the line is first served

  sim::Server& Server() {
    if (!server) {
      sim::ServeOptions options;
      options.baud = pacing.baud;
      options.turnaround = pacing.turnaround;
      server = std::make_unique<sim::Server>(line, clock, options);
    }
    return *server;
  }
};

Simulation::Simulation(const SimulationSettings& settings)
    : shared_(std::make_shared<Shared>(settings)) {
  shared_->line.SetFaults(FaultsFor(settings));
}

Simulation::~Simulation() = default;

std::unique_ptr<Transport> Simulation::MakeTransport() const {
  // The transport's share of the line holds the clock as well.
  return MakeSimTransport(std::shared_ptr<sim::Line>(shared_, &shared_->line), shared_->clock,
                          shared_->pacing);
}

std::string Simulation::OpenPty() {
  return shared_->Server().OpenPty();
}

int Simulation::ListenTcp(int port) {
  return shared_->Server().ListenTcp(port);
}

void Simulation::Serve(const std::atomic<bool>& stop) {
  shared_->Server().Run(stop);
}

}  // namespace kavo5000::host
