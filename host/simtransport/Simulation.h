// Simulation.h — a line of simulated controllers that the host kit runs for
// itself (the tool's `--port sim`, `kavo5000 simulate`): settings in, and out
// a transport for a LineHostPort channel or the line served on a
// pseudo-terminal or a TCP port. The simulator itself stays behind this
// header; the line runs on the steady clock.
#ifndef KAVO5000_HOST_SIMULATION_H
#define KAVO5000_HOST_SIMULATION_H

#include <atomic>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "SimTransport.h"

namespace kavo5000::host {

// Settings that do not make a line: fault rules that do not parse.
class SimulationError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

struct SimulationSettings {
  int controllers = 8;                    // at nozzle addresses 1..controllers
  double flow = 0.5;                      // litres per second while fuel runs
  std::optional<double> liftAfter = 1.0;  // seconds from a start until the customer lifts
                                          // the nozzle; none: nobody lifts it
  std::optional<double> hangAfter = 3.0;  // seconds from a delivery's end until the hang-up
  std::string faults;                     // faults to inject, e.g. "T:refuse*1,#3:drop"
  int baud = 4800;                        // line rate the answers are paced at; 0: no pacing
  int turnaroundMs = 5;                   // pause before an answer, in milliseconds
};

class Simulation {
 public:
  // Throws SimulationError naming the fault rule that does not parse.
  explicit Simulation(const SimulationSettings& settings);
  ~Simulation();
  Simulation(Simulation&&) noexcept = default;
  Simulation& operator=(Simulation&&) noexcept = default;

  // A transport onto the line, paced as the settings say. The line and its
  // clock live as long as the transport does, whatever becomes of this object.
  std::unique_ptr<Transport> MakeTransport() const;

  // Serving the line to other processes, paced the same way.
  // A pseudo-terminal pair in raw mode; returns the slave's path. Throws
  // std::system_error.
  std::string OpenPty();
  // Listens on 127.0.0.1 (port 0: a free one); returns the port. Throws
  // std::system_error.
  int ListenTcp(int port);
  // A tap beside the line: a copy of both directions in the order they
  // pass, for a program that only listens (`kavo5000 monitor`); on a second
  // pseudo-terminal (returns its slave's path) or a TCP port of its own.
  // Throws std::system_error.
  std::string OpenTapPty();
  int ListenTapTcp(int port);
  // Serves what OpenPty, ListenTcp and the taps opened until `stop` becomes true.
  // Throws std::system_error.
  void Serve(const std::atomic<bool>& stop);

 private:
  // The line, its clock and its server, shared with the transports.
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_SIMULATION_H
