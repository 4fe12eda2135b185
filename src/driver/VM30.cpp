// VM30.cpp — the driver object's construction, its configuration, the
// module-wide record of the current driver, and the slots that only touch the
// object itself (description, channel status, options, reserved slots).
#include "VM30.h"

#include <algorithm>
#include <string>

#include "Bounds.h"
#include "Messages.h"

namespace kavo5000::driver {

namespace {

constexpr Byte kNozzleCountMask = 0x0F;    // bits 0-3: nozzles per dispenser
constexpr Byte kDefaultNozzleCount = 4;    // what a configuration byte of 0 means
constexpr Byte kVolumeOnlyBit = 0x10;      // bit 4 set: money presets travel as money
constexpr Byte kStartConfirmBit = 0x40;    // bit 6: send 'V' after the start
constexpr Byte kNoStartRefusalBit = 0x80;  // bit 7: a refused start is not a refusal code

constexpr const char* kDescription = "v2.41#Протокол колонок Каво 5000";

// QueryOption's fixed answers.
constexpr std::int32_t kOptionOn = 1;
constexpr std::int32_t kOptionOff = 0;

std::atomic<TVM30*> currentDriver{nullptr};
std::atomic<std::uintptr_t> applicationHandle{0};

}  // namespace

DriverConfig DecodeConfig(Byte config) {
  DriverConfig decoded;
  decoded.NozzlesPerDispenser =
      config == 0 ? kDefaultNozzleCount : static_cast<Byte>(config & kNozzleCountMask);
  decoded.MoneyAsVolume = (config & kVolumeOnlyBit) == 0;
  decoded.StartConfirmV = (config & kStartConfirmBit) != 0;
  decoded.NoStartRefusal = (config & kNoStartRefusalBit) != 0;
  return decoded;
}

TVM30* CurrentDriver() {
  return currentDriver.load();
}

std::uintptr_t ApplicationHandle() {
  return applicationHandle.load();
}

void SetApplicationHandle(std::uintptr_t handle) {
  applicationHandle.store(handle);
}

TVM30::TVM30(Byte config, std::uintptr_t appHandle, kavo5000::HostPort* hostPort) {
  // Windows the driver opens later belong to the host's main window.
  SetApplicationHandle(appHandle);
  HostPort = hostPort;
  const DriverConfig decoded = DecodeConfig(config);
  NozzlesPerDispenser = decoded.NozzlesPerDispenser;
  MoneyAsVolume = decoded.MoneyAsVolume;
  StartConfirmV = decoded.StartConfirmV;
  NoStartRefusal = decoded.NoStartRefusal;
  currentDriver.store(this);
}

TVM30::~TVM30() {
  // A destroyed driver must not stay reachable from the menu command.
  TVM30* self = this;
  currentDriver.compare_exchange_strong(self, nullptr);
}

void KAVO5000_CALL TVM30::Abstract0() {
  throw Exception(kMsgAbstract);
}

void KAVO5000_CALL TVM30::Description(ShortString* result) {
  CheckResult(result);
  const std::string bytes = detail::Utf8ToCp1251(kDescription);
  result->Length = static_cast<Byte>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), result->Text);
}

void KAVO5000_CALL TVM30::SetChannelStatus(Byte channel, Byte value) {
  if (IsTableChannel(channel)) ChannelStatus[channel].store(value);
}

Byte KAVO5000_CALL TVM30::GetChannelStatus(Byte channel) {
  return IsTableChannel(channel) ? ChannelStatus[channel].load() : 0;
}

bool KAVO5000_CALL TVM30::Reserved5(std::int32_t /*unused*/) {
  return false;
}

void KAVO5000_CALL TVM30::Reserved12(std::int32_t, std::int32_t, std::int32_t) {}

std::int32_t KAVO5000_CALL TVM30::OpenChannel(Byte channel) {
  ChannelLock lock = LockChannel(channel);
  return Port().Open(channel, kOpenSetting, kOpenBaudRate);
}

bool KAVO5000_CALL TVM30::QueryOption(std::int32_t code, std::int32_t* value) {
  std::int32_t answer = 0;
  switch (code) {
    case 1:
    case 4:
    case 5:
      answer = kOptionOn;
      break;
    case 2:
    case 3:
      answer = kOptionOff;
      break;
    default:
      return false;
  }
  *CheckResult(value) = answer;
  return true;
}

}  // namespace kavo5000::driver
