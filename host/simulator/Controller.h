// Controller.h — one simulated nozzle controller: its identification number and
// line address, the 60 parameters, price, presets, the delivery running at a
// flow on the caller's clock, total counters, dispenser type, and the state
// machine that the commands and the customer's hand (lift, hang) drive.
#ifndef KAVO5000_SIM_CONTROLLER_H
#define KAVO5000_SIM_CONTROLLER_H

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "Clock.h"
#include "Protocol.h"

namespace kavo5000::sim {

// A customer at the dispenser, when the simulation plays one.
struct Customer {
  std::optional<Duration> liftAfter;  // lifts the nozzle this long after an authorisation
  std::optional<Duration> hangAfter;  // hangs it up this long after the delivery ended
};

// What every controller of a line shares.
struct Behaviour {
  double flow = 0.5;  // litres per second while fuel runs
  Customer customer;
};

struct ControllerConfig {
  std::uint64_t id = 0;          // identification number (up to ten digits)
  int address = 1;               // linear nozzle address on the line
  int type = kDefaultType;       // dispenser type 0..8
  std::int64_t volumeTotal = 0;  // hundredths of a litre
  std::int64_t moneyTotal = 0;   // hundredths
};

enum class Phase {
  kIdle,        // '0' '0'
  kLifted,      // '1' '0'
  kAuthorised,  // '2' '0'
  kDelivering,  // '4' '0'
  kFinished,    // '4' '1'
};

class Controller {
 public:
  Controller(const ControllerConfig& config, const Behaviour& behaviour);

  // Answers one command addressed to this controller: command character and
  // arguments. An empty result means no answer.
  Bytes Execute(std::span<const Byte> command, Instant now);

  // Brings the delivery and the customer up to `now`.
  void Advance(Instant now);
  // The customer's hand.
  void Lift(Instant now);
  void Hang(Instant now);
  // A 'W' common switch that reached this controller.
  void CommonSwitch(int code, Instant now);

  // r1 r2 of the state reply.
  std::array<Byte, 2> StateBytes() const;

  Phase phase() const { return phase_; }
  bool nozzleUp() const { return nozzleUp_; }
  std::uint64_t id() const { return id_; }
  int address() const { return address_; }
  void setAddress(int address) { address_ = address; }
  int type() const { return type_; }
  void setType(int type) { type_ = type; }
  std::int64_t price() const { return price_; }
  std::optional<std::int64_t> presetVolume() const { return presetVolume_; }
  std::optional<std::int64_t> presetMoney() const { return presetMoney_; }
  std::int64_t deliveryVolume() const { return delivery_.volume; }
  std::int64_t deliveryMoney() const;
  std::int64_t volumeTotal() const;
  std::int64_t moneyTotal() const;
  std::int64_t param(int index) const { return params_.at(static_cast<std::size_t>(index)); }
  void setParam(int index, std::int64_t value) {
    params_.at(static_cast<std::size_t>(index)) = value;
  }

 private:
  struct Delivery {
    std::int64_t volume = 0;                 // hundredths of a litre so far
    std::int64_t limit = 0;                  // hundredths at which it stops
    std::int64_t price = 0;                  // price while it runs
    std::optional<std::int64_t> moneyLimit;  // a money preset, which then is the final money
    Instant start{};
  };

  Bytes State(Instant now);
  Bytes Start(Instant now);
  Bytes Stop(Instant now);
  Bytes Close(Instant now);
  Bytes Volume(Instant now);
  Bytes DeliveryCounters(Instant now);
  Bytes Totals(std::span<const Byte> args, Instant now);
  Bytes ReadParam(std::span<const Byte> args) const;
  Bytes WriteParam(std::span<const Byte> args);
  Bytes Price(std::span<const Byte> args, Instant now);
  Bytes Preset(Byte command, std::span<const Byte> args, Instant now);

  void DoLift(Instant t);
  void DoHang(Instant t);
  void BeginDelivery(Instant t);
  void Finish(Instant t);
  void EndTransaction();
  Instant FinishTime() const;
  void Flow(Instant t);
  std::int64_t MoneyFor(std::int64_t volume) const;

  const Behaviour& behaviour_;
  std::uint64_t id_;
  int address_;
  int type_;
  Phase phase_ = Phase::kIdle;
  bool nozzleUp_ = false;
  Instant authorisedAt_{};
  std::optional<Instant> hangDue_;
  std::int64_t price_ = 0;
  std::optional<std::int64_t> presetVolume_;
  std::optional<std::int64_t> presetMoney_;
  Delivery delivery_;
  std::int64_t volumeTotal_;
  std::int64_t moneyTotal_;
  std::array<std::int64_t, wire::kParamCount> params_{};
  bool passwordOpen_ = false;
  std::int64_t confirmation_ = 0;
};

// Values a fresh controller holds in its parameters.
std::array<std::int64_t, wire::kParamCount> DefaultParams();

}  // namespace kavo5000::sim

#endif  // KAVO5000_SIM_CONTROLLER_H
