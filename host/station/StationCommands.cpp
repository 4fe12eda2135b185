// StationCommands.cpp — one operator command through the driver's slots.
#include "StationCommands.h"

#include <exception>

#include "Frames.h"
#include "LineProtocol.h"
#include "StationText.h"

namespace kavo5000::station {

namespace {

using host::Refusals;

constexpr bool kStopFirst = true;  // stop and close: stop the pump before closing

// Calls the slot the action names; false when the transport failed outright.
bool Call(kavo5000::TVM30& driver, const Command& c) {
  switch (c.action) {
    case Action::kPrice:
      driver.SetPrice(c.channel, c.dispenser, c.nozzle, 0, 0, c.value);
      return true;
    case Action::kPresetVolume:
      driver.PresetVolume(c.channel, c.dispenser, c.nozzle, 0, c.value);
      return true;
    case Action::kPresetMoney:
      driver.PresetMoney(c.channel, c.dispenser, c.nozzle, 0, c.value);
      return true;
    case Action::kStart:
      driver.StartPump(c.channel, c.dispenser, c.nozzle);
      return true;
    case Action::kStop:
      driver.StopPump(c.channel, c.dispenser, c.nozzle, kStopFirst);
      return true;
    case Action::kClose:
      return driver.StopAndClose(c.channel, c.dispenser, c.nozzle, kStopFirst) == 0;
  }
  return false;
}

std::string Subject(const Command& c) {
  return "ТРК " + std::to_string(c.dispenser) + ", пистолет " + std::to_string(c.nozzle) + ", " +
         ActionWords(c.action);
}

std::string ValueWords(const Command& c) {
  switch (c.action) {
    case Action::kPrice:
    case Action::kPresetMoney:
      return " " + AmountText(c.value);
    case Action::kPresetVolume:
      return " " + AmountText(c.value) + " л";
    default:
      return "";
  }
}

// The port's reason, when it has one, says more than the driver's message.
std::string Failure(const std::string& driverText, const std::string& portText) {
  return portText.empty() ? driverText : portText + " (" + driverText + ")";
}

}  // namespace

std::string ActionWords(Action action) {
  switch (action) {
    case Action::kPrice:
      return "цена";
    case Action::kPresetVolume:
      return "доза по объёму";
    case Action::kPresetMoney:
      return "доза по сумме";
    case Action::kStart:
      return "пуск";
    case Action::kStop:
      return "остановка";
    case Action::kClose:
      return "закрытие отпуска";
  }
  return "";
}

std::string PortWords(const LineReason& reason, Byte channel) {
  return reason ? reason(channel) : std::string();
}

CommandOutcome Perform(kavo5000::TVM30& driver, const Command& command, const LineReason& reason,
                       const LastExchange& lastExchange, const CountersRead& counters) {
  CommandOutcome outcome;
  outcome.command = command;
  const std::string subject = Subject(command) + ValueWords(command);
  try {
    const bool sent = Call(driver, command);
    const Byte status = driver.GetChannelStatus(command.channel);
    if (!sent) {
      outcome.text =
          subject + " — ошибка: " +
          Failure("обмен с контроллером не состоялся", PortWords(reason, command.channel));
      return outcome;
    }
    std::vector<host::ExchangeRecord> last;
    if (lastExchange) {
      if (auto r = lastExchange(command.channel)) last.push_back(std::move(*r));
    }
    // The close is the last exchange; a refused one leaves the status valid.
    const host::OperationOutcome judged = host::JudgeOperation(
        status, last, command.action == Action::kClose ? Refusals::kFail : Refusals::kTolerate);
    if (judged.kind == host::OutcomeKind::kRefused && judged.command == wire::kCmdClose) {
      outcome.text = subject + " — ошибка: контроллер отказал в закрытии отпуска";
      return outcome;
    }
    if (judged.kind != host::OutcomeKind::kDone) {
      // A refusal or a silent controller: the status says which.
      outcome.text = subject + " — ошибка: " + StatusWords(status);
      return outcome;
    }
    if (command.action == Action::kClose) {
      if (counters) {
        outcome.counters = counters();
      } else {
        Amounts amounts;
        driver.GetDeliveryCounters(command.channel, command.dispenser, &amounts.litres,
                                   &amounts.money);
        if (driver.GetChannelStatus(command.channel) == kLineValid) outcome.counters = amounts;
      }
    }
  } catch (const std::exception& e) {
    // The driver's exception: a value out of range, or the line itself failed.
    outcome.text = subject + " — ошибка: " + Failure(e.what(), PortWords(reason, command.channel));
    return outcome;
  }
  outcome.ok = true;
  outcome.text = subject + " — выполнено";
  if (outcome.counters) {
    outcome.text += ": отпущено " + AmountText(outcome.counters->litres) + " л на сумму " +
                    AmountText(outcome.counters->money);
  } else if (command.action == Action::kClose) {
    outcome.text += ", но счётчики отпуска не прочитаны";
  }
  return outcome;
}

}  // namespace kavo5000::station
