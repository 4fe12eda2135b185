// VM30.h — VM30Driver, the driver object behind the host's slot table. Its
// public face is what the host and the parameter window call: the slots in
// table order and the window's operations. The configuration, the tables, the
// channel status, the exchange and the operations the slots share are its own.
#ifndef KAVO5000_DRIVER_VM30_H
#define KAVO5000_DRIVER_VM30_H

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>

#include "CommandBytes.h"
#include "Exchange.h"
#include "FrameCodec.h"
#include "Replies.h"
#include "Tables.h"
#include "catalogue/CommandFamily.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::driver {

using ChannelLock = std::unique_lock<std::recursive_mutex>;

// What a nozzle's state query came to: the host's state code, and the line
// state the channel was left in (the state query's own, or that of the close
// the mapping sent after it).
struct NozzleReading {
  Byte code = 0;
  Byte lineState = kStatusNoExchange;
};

// What the calibration sequence came to: whether the controller took both
// writes, and the confirmation code it read back (−1 when none came).
struct Calibration {
  bool writesTaken = false;
  std::int32_t confirmation = -1;
  bool Taken() const { return writesTaken && confirmation >= 0; }
};

class DriverProbe;

// Not final: operations that call one another do so through the slot table,
// so that a host's subclass sees every call.
class VM30Driver : public kavo5000::TVM30 {
 public:
  VM30Driver(Byte config, std::uintptr_t appHandle, kavo5000::HostPort* hostPort);
  ~VM30Driver() override;
  VM30Driver(const VM30Driver&) = delete;
  VM30Driver& operator=(const VM30Driver&) = delete;

  // Slots, in table order.
  void KAVO5000_CALL Abstract0() override;
  void KAVO5000_CALL Description(ShortString* result) override;
  void KAVO5000_CALL SetChannelStatus(Byte channel, Byte value) override;
  Byte KAVO5000_CALL GetChannelStatus(Byte channel) override;
  bool KAVO5000_CALL StopActiveNozzle(std::int32_t channel, std::int32_t dispenser,
                                      bool doStop) override;
  bool KAVO5000_CALL Reserved5(std::int32_t unused) override;
  void KAVO5000_CALL GetDeliveryCounters(std::int32_t channel, std::int32_t dispenser,
                                         double* litres, double* money) override;
  void KAVO5000_CALL GetTotalCounters(std::int32_t channel, std::int32_t dispenser,
                                      std::int32_t nozzle, double* volume, double* money,
                                      double unused) override;
  void KAVO5000_CALL SetTotalCounter(std::int32_t channel, std::int32_t dispenser,
                                     std::int32_t nozzle, double value, double unused) override;
  double KAVO5000_CALL GetDeliveredVolume(std::int32_t channel, std::int32_t dispenser,
                                          double* money) override;
  std::uint16_t KAVO5000_CALL GetDispenserState(Byte channel, Byte dispenser) override;
  void KAVO5000_CALL SetPrice(std::int32_t channel, std::int32_t dispenser, std::int32_t nozzle,
                              std::int32_t unused1, std::int32_t unused2, double price) override;
  void KAVO5000_CALL Reserved12(std::int32_t, std::int32_t, std::int32_t) override;
  void KAVO5000_CALL PresetVolume(std::int32_t channel, std::int32_t dispenser, std::int32_t nozzle,
                                  std::int32_t unused, double litres) override;
  void KAVO5000_CALL PresetMoney(std::int32_t channel, std::int32_t dispenser, std::int32_t nozzle,
                                 std::int32_t passOn, double money) override;
  void KAVO5000_CALL StartPump(std::int32_t channel, std::int32_t dispenser,
                               std::int32_t nozzle) override;
  std::int32_t KAVO5000_CALL OpenChannel(Byte channel) override;
  std::int32_t KAVO5000_CALL GetParam(std::int32_t channel, std::int32_t dispenser,
                                      std::int32_t number) override;
  void KAVO5000_CALL SetParam(std::int32_t channel, std::int32_t dispenser, std::int32_t number,
                              std::int32_t value) override;
  void KAVO5000_CALL StartPumpEx(std::int32_t channel, std::int32_t dispenser, std::int32_t nozzle,
                                 bool skipPreparation) override;
  bool KAVO5000_CALL QueryOption(std::int32_t code, std::int32_t* value) override;
  void KAVO5000_CALL GetSost(Byte channel, Byte dispenser, Byte count,
                             StateRecord* result) override;
  void KAVO5000_CALL StopPump(std::int32_t channel, std::int32_t dispenser, std::int32_t nozzle,
                              bool doStop) override;
  std::int32_t KAVO5000_CALL StopAndClose(std::int32_t channel, std::int32_t dispenser,
                                          std::int32_t nozzle, bool doStop) override;
  void KAVO5000_CALL AddDriverMenu(TMenuItem* hostItem, MenuItemFactory factory) override;

  // The parameter window's operations (ParamAccess.cpp): a parameter of
  // linear nozzle v read or written by command family, −1 or false on any
  // failure, and the linear number the address dialog computes.
  std::int32_t WindowReadParam(catalogue::CommandFamily family, std::int32_t channel,
                               std::int32_t v, std::int32_t code, std::int32_t digitCount);
  bool WindowWriteParam(catalogue::CommandFamily family, std::int32_t channel, std::int32_t v,
                        std::int32_t code, std::int32_t digitCount, std::int32_t value);
  std::int64_t LinearNozzleNumber(std::int32_t dispenser, std::int32_t nozzle) const;

 private:
  friend class DriverProbe;  // the tests' one way in

  // What a slot holds once its numbers are checked — channel, dispenser and
  // nozzle, in that order — with the channel's lock taken.
  struct SlotEntry {
    ChannelLock lock;
    Byte channel;
    int nozzle;  // 0 taken as 1
  };
  SlotEntry Enter(std::int32_t channel, std::int32_t dispenser);
  SlotEntry Enter(std::int32_t channel, std::int32_t dispenser, std::int32_t nozzle);
  // Takes the channel's lock after checking the channel number.
  ChannelLock LockChannel(std::int32_t channel);

  // Line protocol (Exchange.cpp).
  AddressBytes NozzleAddress(std::int32_t dispenser, std::int32_t nozzle) const;
  // One command frame out and its reply back; the channel's status becomes
  // the line state the port reports.
  ExchangeResult Exchange(Byte channel, std::span<const Byte> command, Byte replySize,
                          Byte replyMode);
  // The same, raising ESerialIO with the operation's message on a transport failure.
  ExchangeResult ExchangeOrRaise(Byte channel, std::span<const Byte> command, Byte replySize,
                                 Byte replyMode, const char* failureMessage);
  // What the exchange's reply says; a valid line state without reply bytes
  // leaves the channel's status at 3, a reply too short to use.
  ReplyOutcome Judge(Byte channel, const ExchangeResult& result);
  // A reply that does not hold the field an operation reads.
  void MarkShortReply(Byte channel);
  // What one exchange's reply check learns, kept on the exchange's stack;
  // the check the port calls is bound to it.
  struct ReplyCheckContext {
    VM30Driver& driver;
    std::size_t accepted = 0;  // the length of the reply the check accepted
  };
  // Judges the bytes received so far and tells the port the line state and
  // error; the length of an accepted reply goes to `accepted`.
  bool ReplyCheck(Byte channel, Byte* buffer, Byte* length, std::size_t& accepted);
  static bool KAVO5000_CALL ReplyCheckThunk(void* self, Byte channel, Byte* buffer, std::int32_t x,
                                            Byte* length, std::int32_t y);
  kavo5000::HostPort& Port() const;
  // The object's own slot table, through which operations call one another.
  kavo5000::TVM30& Slots() { return *this; }

  // Dispensing (Dispensing.cpp).
  ExchangeResult CloseNozzle(Byte channel, std::int32_t dispenser, std::int32_t nozzle);
  // One dispensing command to a nozzle; a refusal stores refusalCode, if any.
  ReplyOutcome DispensingCommand(Byte channel, std::int32_t dispenser, std::int32_t nozzle,
                                 Byte command, std::string_view arguments,
                                 const char* failureMessage, std::optional<Byte> refusalCode);
  // The code a refused start stores, or none when refused starts are not recorded.
  std::optional<Byte> StartRefusalCode() const;

  // Controller parameters and addresses (ParamAccess.cpp).
  void WriteParamDigits(Byte channel, std::int32_t dispenser, std::int32_t number,
                        std::int32_t value);
  // True when the addressed controller took the address; a refusal stores
  // its code, and no valid reply raises.
  bool ProgramNozzleAddress(Byte channel, std::int32_t dispenser, std::int32_t identification,
                            std::int32_t address);
  Calibration WriteCalibration(Byte channel, std::int32_t v, std::int32_t coefficient);
  // An 'O' write and what its reply said; a refusal stores its code.
  ReplyOutcome WriteParamCommand(Byte channel, const CommandBytes& command);
  ReplyOutcome WriteOutcome(Byte channel, const ExchangeResult& result);
  // The value an 'N' reply carries, or −1 (a refusal stores its code).
  std::int32_t ParamReplyValue(Byte channel, const ExchangeResult& result);

  // State queries (StateQueries.cpp).
  void GetType(Byte channel, Byte dispenser);
  NozzleReading GetNozzleState(Byte channel, std::int32_t dispenser, std::int32_t nozzle);
  NozzleReading MapNozzleState(Byte r1, Byte r2, Byte channel, std::int32_t dispenser,
                               std::int32_t nozzle);

  const DriverConfig config_;
  kavo5000::HostPort* const port_;  // the host's; not owned

  // The tables; a channel's entries are touched only under its lock.
  DriverTables tables_;

  // Outcome of the last exchange on each channel, or a code an operation
  // stored; the host reads it through slot 3 at any time.
  std::array<std::atomic<Byte>, kLastChannel + 1> channelStatus_{};
  mutable std::array<std::recursive_mutex, kLastChannel + 1> channelLocks_;
};

// The driver object GetVM30 created last, or none once it is destroyed.
VM30Driver* CurrentDriver();

// The host's main window handle, kept for the parameter window.
std::uintptr_t ApplicationHandle();
void SetApplicationHandle(std::uintptr_t handle);

}  // namespace kavo5000::driver

#endif  // KAVO5000_DRIVER_VM30_H
