// Simulation.cpp — the host kit's simulated line: the simulator's line and
// server made from the settings, on a steady clock.
#include "Simulation.h"

#include <chrono>
#include <system_error>

#include "Clock.h"
#include "Faults.h"
#include "Line.h"
#ifndef _WIN32
#include "Server.h"
#endif

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
#ifndef _WIN32
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
#endif
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

#ifndef _WIN32
std::string Simulation::OpenPty() {
  return shared_->Server().OpenPty();
}

int Simulation::ListenTcp(int port) {
  return shared_->Server().ListenTcp(port);
}

std::string Simulation::OpenTapPty() {
  return shared_->Server().OpenTapPty();
}

int Simulation::ListenTapTcp(int port) {
  return shared_->Server().ListenTapTcp(port);
}

void Simulation::Serve(const std::atomic<bool>& stop) {
  shared_->Server().Run(stop);
}
#else
// The server waits on pseudo-terminals and sockets with poll: a Windows build
// drives the simulator in-process only, and serves it to nobody.
namespace {
[[noreturn]] void NotServedHere() {
  throw std::system_error(std::make_error_code(std::errc::function_not_supported),
                          "serving the simulator to other programs needs a POSIX system; run "
                          "`kavo5000 simulate` there and reach it over TCP");
}
}  // namespace

std::string Simulation::OpenPty() {
  NotServedHere();
}

int Simulation::ListenTcp(int /*port*/) {
  NotServedHere();
}

std::string Simulation::OpenTapPty() {
  NotServedHere();
}

int Simulation::ListenTapTcp(int /*port*/) {
  NotServedHere();
}

void Simulation::Serve(const std::atomic<bool>& /*stop*/) {
  NotServedHere();
}
#endif

}  // namespace kavo5000::host
