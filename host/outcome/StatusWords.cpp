// StatusWords.cpp — one row per channel status, each in both languages.
#include "StatusWords.h"

#include "HostText.h"
#include "LineHostPort.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::host {

namespace {

struct StatusRow {
  std::uint8_t code;
  const char* english;
  const char* russian;
};
constexpr StatusRow kStatusRows[] = {
    {kStatusNoExchange, "no exchange took place", "обмена с контроллером ещё не было"},
    {kLineValid, "valid reply", "контроллер ответил"},
    {kLineNoReply, "no reply from the controller in time (line state 2)",
     "контроллер не ответил вовремя"},
    {kLineMalformed,
     "the controller's reply was malformed, or a totals query found a volume total of 0 "
     "(status 3)",
     "ответ контроллера искажён"},
    {kLineIncomplete, "the controller's reply was incomplete or failed its checksum (line state 4)",
     "ответ контроллера неполон или с неверной контрольной суммой"},
    {kStatusStartRefused, "the controller refused the start (status 0x10)",
     "контроллер отказал в пуске"},
    {kStatusPrepareRefused, "the controller refused the preparation step 'U' (status 0x11)",
     "контроллер отказал в подготовке к пуску"},
    {kStatusVolumeRefused, "the controller refused the volume preset (status 0x12)",
     "контроллер отказал в дозе по объёму"},
    {kStatusMoneyRefused, "the controller refused the money preset (status 0x13)",
     "контроллер отказал в дозе по сумме"},
    {kStatusStopRefused, "the controller refused the stop (status 0x14)",
     "контроллер отказал в остановке"},
    {kStatusPriceRefused, "the controller refused the price (status 0x15)",
     "контроллер отказал в установке цены"},
    {kStatusParamRefused, "the controller refused the parameter read or write (status 0x17)",
     "контроллер отказал в чтении или записи параметра"},
    {kStatusAddressRefused, "the controller refused the address (status 0x18)",
     "контроллер отказал в программировании адреса"},
    {kStatusDeliveryRefused, "the controller refused the volume query (status 0x19)",
     "контроллер отказал в запросе отпущенного объёма"},
};

}  // namespace

std::string StatusText(std::uint8_t status, Language language) {
  const bool english = language == Language::kEnglish;
  for (const StatusRow& row : kStatusRows) {
    if (row.code == status) return english ? row.english : row.russian;
  }
  return (english ? "channel status " : "состояние канала ") + ByteHex(status);
}

}  // namespace kavo5000::host
