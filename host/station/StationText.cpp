// StationText.cpp — the station's Russian wording of codes and amounts.
#include "StationText.h"

#include <cstdio>

#include "LineHostPort.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::station {

namespace {

std::string Hex(std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", b);
  return text;
}

// What a channel status means, one entry per code the port or the driver stores.
struct StatusText {
  std::uint8_t code;
  const char* text;
};
constexpr StatusText kStatusTexts[] = {
    {kStatusNoExchange, "обмена с контроллером ещё не было"},
    {kLineValid, "контроллер ответил"},
    {host::kLineNoReply, "контроллер не ответил вовремя"},
    {kLineMalformed, "ответ контроллера искажён"},
    {host::kLineIncomplete, "ответ контроллера неполон или с неверной контрольной суммой"},
    {kStatusStartRefused, "контроллер отказал в пуске"},
    {kStatusPrepareRefused, "контроллер отказал в подготовке к пуску"},
    {kStatusVolumeRefused, "контроллер отказал в дозе по объёму"},
    {kStatusMoneyRefused, "контроллер отказал в дозе по сумме"},
    {kStatusStopRefused, "контроллер отказал в остановке"},
    {kStatusPriceRefused, "контроллер отказал в установке цены"},
    {kStatusParamRefused, "контроллер отказал в чтении или записи параметра"},
    {kStatusAddressRefused, "контроллер отказал в программировании адреса"},
    {kStatusDeliveryRefused, "контроллер отказал в запросе отпущенного объёма"},
};

}  // namespace

std::string StateWords(std::uint16_t code) {
  if (code == 0) return "нет ответа";
  switch (code & kStateClassMask) {
    case kStateIdle:
      return "ожидание";
    case kStateBusy:
      return "отпуск разрешён";
    case kStateDelivering:
      return "отпуск топлива";
    case kStateFinished:
      // Without a nozzle: the driver itself has closed the transaction.
      return StateNozzle(code) != 0 ? "отпуск окончен" : "отпуск закрыт";
    case kStateLifted:
      return "пистолет снят";
    default:
      return "состояние контроллера " + Hex(static_cast<std::uint8_t>(code));
  }
}

int StateNozzle(std::uint16_t code) {
  return code & kStateNozzleMask;
}

std::string StatusWords(std::uint8_t status) {
  for (const StatusText& entry : kStatusTexts) {
    if (entry.code == status) return entry.text;
  }
  return "состояние канала " + Hex(status);
}

std::string AmountText(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

}  // namespace kavo5000::station
