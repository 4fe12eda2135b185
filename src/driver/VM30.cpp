// VM30.cpp — the driver object's construction, its configuration, the
// module-wide record of the current driver, and the slots that only touch the
// object itself (description, channel status, options, reserved slots).
#include "VM30.h"

#include <algorithm>
#include <span>
#include <string>

#include "Bounds.h"
#include "Menu.h"
#include "Messages.h"

namespace kavo5000::driver {

namespace {

constexpr const char* kDescription = "v2.41#Протокол колонок Каво 5000";

// QueryOption's fixed answers.
constexpr std::int32_t kOptionOn = 1;
constexpr std::int32_t kOptionOff = 0;

std::atomic<VM30Driver*> currentDriver{nullptr};
std::atomic<std::uintptr_t> applicationHandle{0};

}  // namespace

VM30Driver* CurrentDriver() {
  return currentDriver.load();
}

std::uintptr_t ApplicationHandle() {
  return applicationHandle.load();
}

void SetApplicationHandle(std::uintptr_t handle) {
  applicationHandle.store(handle);
}

VM30Driver::VM30Driver(Byte config, std::uintptr_t appHandle, kavo5000::HostPort* hostPort)
    : config_(DecodeConfig(config)), port_(hostPort) {
  // Windows the driver opens later belong to the host's main window.
  SetApplicationHandle(appHandle);
  currentDriver.store(this);
}

VM30Driver::~VM30Driver() {
  // A destroyed driver must not stay reachable from the menu command, nor
  // from a window still open for it.
  VM30Driver* self = this;
  currentDriver.compare_exchange_strong(self, nullptr);
  try {
    CloseParamWindowOf(this);
  } catch (...) {
    // a destructor lets nothing out; the window's own handlers catch theirs
  }
}

void KAVO5000_CALL VM30Driver::Abstract0() {
  throw Exception(kMsgAbstract);
}

void KAVO5000_CALL VM30Driver::Description(ShortString* result) {
  CheckResult(result);
  const std::string bytes = detail::Utf8ToCp1251(kDescription);
  result->Length = static_cast<Byte>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), result->Text);
}

void KAVO5000_CALL VM30Driver::SetChannelStatus(Byte channel, Byte value) {
  if (IsTableChannel(channel)) channelStatus_[channel].store(value);
}

Byte KAVO5000_CALL VM30Driver::GetChannelStatus(Byte channel) {
  return IsTableChannel(channel) ? channelStatus_[channel].load() : 0;
}

bool KAVO5000_CALL VM30Driver::Reserved5(std::int32_t /*unused*/) {
  return false;
}

void KAVO5000_CALL VM30Driver::Reserved12(std::int32_t, std::int32_t, std::int32_t) {}

std::int32_t KAVO5000_CALL VM30Driver::OpenChannel(Byte channel) {
  ChannelLock lock = LockChannel(channel);
  return Port().Open(channel, kOpenSetting, kOpenBaudRate);
}

bool KAVO5000_CALL VM30Driver::QueryOption(std::int32_t code, std::int32_t* value) {
  const auto known = [code](std::span<const std::int32_t> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
  };
  std::int32_t answer = 0;
  if (known(kOptionsOn)) {
    answer = kOptionOn;
  } else if (known(kOptionsOff)) {
    answer = kOptionOff;
  } else {
    return false;
  }
  *CheckResult(value) = answer;
  return true;
}

}  // namespace kavo5000::driver
