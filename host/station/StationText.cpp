// StationText.cpp — the station's Russian wording of codes and amounts.
#include "StationText.h"

#include "HostText.h"
#include "LineHostPort.h"
#include "StatusWords.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::station {

namespace {

// What the port and the system's own error texts say, in the station's
// words; longer phrases before the shorter ones they contain.
struct Phrase {
  const char* english;
  const char* russian;
};
constexpr Phrase kPortPhrases[] = {
    {"port in use by another program (held exclusively, no lock names the holder)",
     "порт занят другой программой (открыт монопольно, ни одна блокировка не называет её)"},
    {"port in use by another program", "порт занят другой программой"},
    {"port in use by PID", "порт занят процессом"},
    {"connection closed by the server", "сервер закрыл соединение"},
    {"Connection refused", "соединение отвергнуто"},
    {"Connection reset by peer", "соединение сброшено сервером"},
    {"Connection timed out", "соединение не установлено вовремя"},
    {"timed out", "время ожидания истекло"},
    {"Broken pipe", "соединение разорвано"},
    {"No route to host", "нет пути до узла"},
    {"Network is unreachable", "сеть недоступна"},
    {"Name or service not known", "имя узла не найдено"},
    {"Temporary failure in name resolution", "имя узла пока не находится"},
    {"no address", "нет адреса"},
    {"No such file or directory", "нет такого устройства"},
    {"No such device", "нет такого устройства"},
    {"Permission denied", "нет доступа"},
    {"Device or resource busy", "устройство занято"},
    {"Input/output error", "ошибка ввода-вывода"},
    {"Inappropriate ioctl for device", "устройство не настраивается как порт"},
    {"not a serial line", "не последовательный порт"},
    {"the line hung up", "линия отключилась"},
    {"cannot set", "не удаётся установить"},
    {" baud", " бод"},
    {"is not open", "не открыт"},
    {"not open", "порт не открыт"},
    {"channel ", "канал "},
    {"write: ", "запись: "},
    {"read: ", "чтение: "},
};

}  // namespace

std::string PortReasonWords(const std::string& text) {
  std::string out = text;
  for (const Phrase& phrase : kPortPhrases) {
    const std::string english = phrase.english;
    // Each phrase once over the text as the port wrote it: a Russian word
    // put in is not looked at again.
    for (std::size_t at = out.find(english); at != std::string::npos;
         at = out.find(english, at + std::char_traits<char>::length(phrase.russian))) {
      out.replace(at, english.size(), phrase.russian);
    }
  }
  return out;
}

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
      // Without a nozzle: the driver has closed the transaction itself (the
      // poll says when the controller refused that close).
      return StateNozzle(code) != 0 ? "отпуск окончен" : "отпуск завершён драйвером";
    case kStateLifted:
      return "пистолет снят";
    default:
      return "состояние контроллера " + host::ByteHex(static_cast<std::uint8_t>(code));
  }
}

std::string StatusWords(std::uint8_t status) {
  return host::StatusText(status, host::Language::kRussian);
}

}  // namespace kavo5000::station
