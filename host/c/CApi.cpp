// CApi.cpp — the exported C functions: each checks its handle and pointers,
// calls one driver slot inside a guard that turns every exception into a
// status and a message for the calling thread, and hands results back in
// plain C types.
#include <cstring>
#include <exception>
#include <string>
#include <utility>

#include "CallStatus.h"
#include "DriverHandle.h"
#include "LineHostPort.h"
#include "kavo5000/Kavo5000.h"
#include "kavo5000/kavo5000_c.h"

using kavo5000::Byte;
using kavo5000::c::Driver;

namespace {

// The calling thread's last failure, in both encodings.
thread_local std::string lastError;
thread_local std::string lastErrorCp1251;

kavo5000_status Fail(kavo5000_status status, std::string message) {
  lastErrorCp1251 = kavo5000::detail::Utf8ToCp1251(message);
  lastError = std::move(message);
  return status;
}

kavo5000_status BadUse(const char* what) {
  return Fail(KAVO5000_BAD_USE, what);
}

void Clear() {
  lastError.clear();
  lastErrorCp1251.clear();
}

// The exception being handled, as a status and the thread's message.
kavo5000_status FailCurrent() {
  kavo5000::c::CallFailure failure = kavo5000::c::FailureOf(std::current_exception());
  return Fail(failure.status, std::move(failure.message));
}

constexpr const char* kNotADriver = "not an open driver (closed, or never opened)";
constexpr const char* kNullResult = "a result pointer is null";

// Runs `call` on the handle's driver; every exception becomes a status.
template <typename Call>
kavo5000_status Guarded(kavo5000_driver* handle, Call&& call) {
  Clear();
  const std::shared_ptr<Driver> d = kavo5000::c::Find(handle);
  if (!d) return BadUse(kNotADriver);
  try {
    return std::forward<Call>(call)(*d->driver);
  } catch (...) {
    return FailCurrent();
  }
}

// The channel statuses a C host reads are the host contract's own codes.
static_assert(KAVO5000_CHANNEL_NO_EXCHANGE == kavo5000::kStatusNoExchange);
static_assert(KAVO5000_LINE_VALID == kavo5000::kLineValid);
static_assert(KAVO5000_LINE_NO_REPLY == kavo5000::host::kLineNoReply);
static_assert(KAVO5000_LINE_MALFORMED == kavo5000::kLineMalformed);
static_assert(KAVO5000_LINE_INCOMPLETE == kavo5000::host::kLineIncomplete);
static_assert(KAVO5000_CHANNEL_START_REFUSED == kavo5000::kStatusStartRefused);
static_assert(KAVO5000_CHANNEL_PREPARE_REFUSED == kavo5000::kStatusPrepareRefused);
static_assert(KAVO5000_CHANNEL_VOLUME_REFUSED == kavo5000::kStatusVolumeRefused);
static_assert(KAVO5000_CHANNEL_MONEY_REFUSED == kavo5000::kStatusMoneyRefused);
static_assert(KAVO5000_CHANNEL_STOP_REFUSED == kavo5000::kStatusStopRefused);
static_assert(KAVO5000_CHANNEL_PRICE_REFUSED == kavo5000::kStatusPriceRefused);
static_assert(KAVO5000_CHANNEL_PARAM_REFUSED == kavo5000::kStatusParamRefused);
static_assert(KAVO5000_CHANNEL_ADDRESS_REFUSED == kavo5000::kStatusAddressRefused);
static_assert(KAVO5000_CHANNEL_DELIVERY_REFUSED == kavo5000::kStatusDeliveryRefused);
static_assert(KAVO5000_STATE_IDLE == kavo5000::kStateIdle);
static_assert(KAVO5000_STATE_BUSY == kavo5000::kStateBusy);
static_assert(KAVO5000_STATE_DELIVERING == kavo5000::kStateDelivering);
static_assert(KAVO5000_STATE_FINISHED == kavo5000::kStateFinished);
static_assert(KAVO5000_STATE_LIFTED == kavo5000::kStateLifted);
static_assert(KAVO5000_STATE_CLASS_MASK == kavo5000::kStateClassMask);
static_assert(KAVO5000_STATE_NOZZLE_MASK == kavo5000::kStateNozzleMask);

}  // namespace

extern "C" {

KAVO5000_C_API const char* KAVO5000_C_CALL kavo5000_last_error(void) {
  return lastError.c_str();
}

KAVO5000_C_API const char* KAVO5000_C_CALL kavo5000_last_error_cp1251(void) {
  return lastErrorCp1251.c_str();
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL
kavo5000_open(const char* module_path, uint32_t config, const kavo5000_channel* channels,
              int32_t channel_count, uintptr_t window, kavo5000_driver** driver) {
  Clear();
  if (driver == nullptr) return BadUse("the driver pointer is null");
  *driver = nullptr;
  if (channel_count < 0 || (channel_count > 0 && channels == nullptr)) {
    return BadUse("the channel list is null or its count negative");
  }
  try {
    std::optional<std::string> path;
    if (module_path != nullptr) path = module_path;
    auto made = std::make_shared<Driver>(path, config, window);
    for (int32_t i = 0; i < channel_count; ++i) {
      const kavo5000_channel& c = channels[i];
      if (c.port == nullptr && c.callbacks == nullptr) {
        return BadUse("a channel has neither a port spec nor callbacks");
      }
      if (c.channel < 1 || c.channel > kavo5000::kLastChannel) {
        return Fail(KAVO5000_BAD_USE, "channel " + std::to_string(c.channel) + " is outside 1.." +
                                          std::to_string(kavo5000::kLastChannel));
      }
      if (const auto failed = made->OpenChannel(c)) {
        return Fail(KAVO5000_NOT_FOUND, "channel " + std::to_string(c.channel) + ": " + *failed);
      }
    }
    *driver = kavo5000::c::Register(std::move(made));
    return KAVO5000_OK;
  } catch (...) {
    return FailCurrent();
  }
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_close(kavo5000_driver* driver) {
  Clear();
  if (driver == nullptr) return KAVO5000_OK;
  try {
    return kavo5000::c::Unregister(driver) ? KAVO5000_OK : BadUse(kNotADriver);
  } catch (...) {
    return FailCurrent();
  }
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_description(kavo5000_driver* driver,
                                                                    char* text, size_t size) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    if (text == nullptr) return BadUse(kNullResult);
    kavo5000::ShortString description{};
    d.Description(&description);
    if (size <= description.Length) return BadUse("the description buffer is too small");
    std::memcpy(text, description.Text, description.Length);
    text[description.Length] = '\0';
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_get_channel_status(kavo5000_driver* driver,
                                                                           uint8_t channel,
                                                                           uint8_t* status) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    if (status == nullptr) return BadUse(kNullResult);
    *status = d.GetChannelStatus(channel);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_set_channel_status(kavo5000_driver* driver,
                                                                           uint8_t channel,
                                                                           uint8_t status) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    d.SetChannelStatus(channel, status);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_open_channel(kavo5000_driver* driver,
                                                                     uint8_t channel,
                                                                     int32_t* result) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    if (result == nullptr) return BadUse(kNullResult);
    *result = d.OpenChannel(channel);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_get_state(kavo5000_driver* driver,
                                                                  uint8_t channel,
                                                                  uint8_t dispenser,
                                                                  uint8_t nozzles,
                                                                  kavo5000_state* state) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    if (state == nullptr) return BadUse(kNullResult);
    kavo5000::StateRecord record{};
    d.GetSost(channel, dispenser, nozzles, &record);
    state->summary = record.Summary;
    state->summary_nozzle = record.SummaryNozzle;
    static_assert(sizeof state->nozzle == sizeof record.Nozzle);
    std::memcpy(state->nozzle, record.Nozzle, sizeof record.Nozzle);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_get_dispenser_state(kavo5000_driver* driver,
                                                                            uint8_t channel,
                                                                            uint8_t dispenser,
                                                                            uint16_t* state) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    if (state == nullptr) return BadUse(kNullResult);
    *state = d.GetDispenserState(channel, dispenser);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_get_delivered_volume(
    kavo5000_driver* driver, int32_t channel, int32_t dispenser, double* litres, double* money) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    if (litres == nullptr || money == nullptr) return BadUse(kNullResult);
    *litres = d.GetDeliveredVolume(channel, dispenser, money);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_get_delivery_counters(
    kavo5000_driver* driver, int32_t channel, int32_t dispenser, double* litres, double* money) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    if (litres == nullptr || money == nullptr) return BadUse(kNullResult);
    d.GetDeliveryCounters(channel, dispenser, litres, money);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL
kavo5000_get_total_counters(kavo5000_driver* driver, int32_t channel, int32_t dispenser,
                            int32_t nozzle, double* volume, double* money) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    if (volume == nullptr || money == nullptr) return BadUse(kNullResult);
    d.GetTotalCounters(channel, dispenser, nozzle, volume, money, 0);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_set_total_counter(
    kavo5000_driver* driver, int32_t channel, int32_t dispenser, int32_t nozzle, double volume) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    d.SetTotalCounter(channel, dispenser, nozzle, volume, 0);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_set_price(kavo5000_driver* driver,
                                                                  int32_t channel,
                                                                  int32_t dispenser, int32_t nozzle,
                                                                  double price) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    d.SetPrice(channel, dispenser, nozzle, 0, 0, price);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_preset_volume(
    kavo5000_driver* driver, int32_t channel, int32_t dispenser, int32_t nozzle, double litres) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    d.PresetVolume(channel, dispenser, nozzle, 0, litres);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_preset_money(kavo5000_driver* driver,
                                                                     int32_t channel,
                                                                     int32_t dispenser,
                                                                     int32_t nozzle, double money) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    d.PresetMoney(channel, dispenser, nozzle, 0, money);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_start(kavo5000_driver* driver,
                                                              int32_t channel, int32_t dispenser,
                                                              int32_t nozzle) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    d.StartPump(channel, dispenser, nozzle);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_start_ex(kavo5000_driver* driver,
                                                                 int32_t channel, int32_t dispenser,
                                                                 int32_t nozzle,
                                                                 int32_t skip_preparation) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    d.StartPumpEx(channel, dispenser, nozzle, skip_preparation != 0);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_stop(kavo5000_driver* driver,
                                                             int32_t channel, int32_t dispenser,
                                                             int32_t nozzle, int32_t do_stop) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    d.StopPump(channel, dispenser, nozzle, do_stop != 0);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL
kavo5000_stop_and_close(kavo5000_driver* driver, int32_t channel, int32_t dispenser, int32_t nozzle,
                        int32_t do_stop, int32_t* result) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    if (result == nullptr) return BadUse(kNullResult);
    *result = d.StopAndClose(channel, dispenser, nozzle, do_stop != 0);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_stop_active_nozzle(kavo5000_driver* driver,
                                                                           int32_t channel,
                                                                           int32_t dispenser,
                                                                           int32_t do_stop,
                                                                           int32_t* stopped) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    if (stopped == nullptr) return BadUse(kNullResult);
    *stopped = d.StopActiveNozzle(channel, dispenser, do_stop != 0) ? 1 : 0;
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_get_param(kavo5000_driver* driver,
                                                                  int32_t channel,
                                                                  int32_t dispenser, int32_t number,
                                                                  int32_t* value) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    if (value == nullptr) return BadUse(kNullResult);
    *value = d.GetParam(channel, dispenser, number);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_set_param(kavo5000_driver* driver,
                                                                  int32_t channel,
                                                                  int32_t dispenser, int32_t number,
                                                                  int32_t value) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    d.SetParam(channel, dispenser, number, value);
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_query_option(kavo5000_driver* driver,
                                                                     int32_t code, int32_t* value,
                                                                     int32_t* known) {
  return Guarded(driver, [&](kavo5000::TVM30& d) {
    if (value == nullptr || known == nullptr) return BadUse(kNullResult);
    *known = d.QueryOption(code, value) ? 1 : 0;
    return KAVO5000_OK;
  });
}

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL
kavo5000_show_parameter_window(kavo5000_driver* driver) {
  Clear();
  const std::shared_ptr<Driver> d = kavo5000::c::Find(driver);
  if (!d) return BadUse(kNotADriver);
  if (!kavo5000::c::IsNewest(driver)) {
    return BadUse("the parameter window serves the driver opened last");
  }
  kavo5000::c::PlainMenuItem* command = kavo5000::c::MenuCommand();
  if (command == nullptr) return BadUse("the module added no menu command");
  try {
    command->Click();
    return KAVO5000_OK;
  } catch (...) {
    return FailCurrent();
  }
}

}  // extern "C"
