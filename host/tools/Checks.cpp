// Checks.cpp — the tool's refusals and warnings before anything is sent.
#include "Checks.h"
#include "ExchangeOutcome.h"
#include "HostText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "LineProtocol.h"
#include "NozzleReadings.h"
#include "Text.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::tool {

namespace {

using host::kHundredths;
constexpr std::size_t kFramingLength = 3;  // data bits, parity, stop bits: 8N1
constexpr char kFirstDataBits = '5';
constexpr char kLastDataBits = '8';

constexpr std::string_view kNothingSent = "; nothing was sent";

int DigitsOf(AmountKind kind) {
  switch (kind) {
    case AmountKind::kPrice:
      return wire::kPriceDigits;
    case AmountKind::kVolume:
      return wire::kPresetVolumeDigits;
    case AmountKind::kMoney:
      return wire::kPresetMoneyDigits;
    case AmountKind::kTotal:
      return wire::kTotalVolumeDigits;
  }
  return 0;
}

const char* NameOf(AmountKind kind) {
  switch (kind) {
    case AmountKind::kPrice:
      return "price";
    case AmountKind::kVolume:
      return "volume";
    case AmountKind::kMoney:
      return "money";
    case AmountKind::kTotal:
      return "volume total";
  }
  return "amount";
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

bool IsFraming(std::string_view s) {
  if (s.size() != kFramingLength) return false;
  const char parity = static_cast<char>(std::toupper(static_cast<unsigned char>(s[1])));
  return s[0] >= kFirstDataBits && s[0] <= kLastDataBits &&
         (parity == 'N' || parity == 'E' || parity == 'O') && (s[2] == '1' || s[2] == '2');
}

}  // namespace

std::optional<std::string> PlaceRefusal(int dispenser, std::optional<int> nozzle,
                                        int perDispenser) {
  if (perDispenser < 1) return std::nullopt;
  if (dispenser == 0) {
    return "dispenser 0 has no nozzle address on the line (dispensers count from 1 with " +
           std::to_string(perDispenser) + " nozzles per dispenser)" + std::string(kNothingSent);
  }
  if (!nozzle || *nozzle <= perDispenser) return std::nullopt;
  const int linear = host::LinearAddress(perDispenser, dispenser, *nozzle);
  return "dispenser " + std::to_string(dispenser) + " has " + std::to_string(perDispenser) +
         " nozzles (--nozzles or --config set how many): its nozzle " + std::to_string(*nozzle) +
         " would be dispenser " + std::to_string((linear - 1) / perDispenser + 1) + " nozzle " +
         std::to_string((linear - 1) % perDispenser + 1) + " on the line" +
         std::string(kNothingSent);
}

std::optional<std::string> ParamNumberRefusal(int dispenser, std::int32_t number,
                                              int perDispenser) {
  if (number < kParamFirstNozzle) return std::nullopt;
  const int nozzle = SplitHostParamNumber(number).Nozzle;
  if (nozzle > kavo5000::kLastNozzle) return std::nullopt;  // the driver's own refusal
  if (auto refusal = PlaceRefusal(dispenser, nozzle, perDispenser)) {
    return "parameter " + std::to_string(number) + " belongs to nozzle " + std::to_string(nozzle) +
           ": " + *refusal;
  }
  return std::nullopt;
}

std::optional<std::string> AmountTextRefusal(std::string_view text) {
  // The widest field, the volume total, has 12 digits of hundredths.
  constexpr std::size_t kMostWholeDigits = 10;
  constexpr std::size_t kMostDecimals = 2;
  const std::string quoted = "\"" + std::string(text) + "\"";
  if (!text.empty() && text[0] == '-') return "must not be negative, not " + quoted;
  const auto point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view decimals =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  const auto digits = [](std::string_view part) {
    return std::all_of(part.begin(), part.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
  };
  if (whole.empty() || !digits(whole) || !digits(decimals)) {
    return "must be an amount in plain digits, e.g. 12.50, not " + quoted;
  }
  if (decimals.size() > kMostDecimals) {
    return "has more than two decimals (" + std::string(text) + "): amounts travel as hundredths";
  }
  if (whole.size() > kMostWholeDigits) {
    return "has more whole digits than any amount the line carries (" +
           std::to_string(kMostWholeDigits) + "), not " + quoted;
  }
  return std::nullopt;
}

double LargestAmount(AmountKind kind) {
  return (std::pow(10.0, DigitsOf(kind)) - 1.0) / kHundredths;
}

std::optional<std::string> AmountRefusal(AmountKind kind, double value) {
  const int digits = DigitsOf(kind);
  if (kavo5000::AmountFits(value, digits)) return std::nullopt;  // the driver's own rule
  return std::string(NameOf(kind)) + " " + AmountText(value) + " is outside 0.00 to " +
         AmountText(LargestAmount(kind)) + ", what " + std::to_string(digits) +
         " digits of hundredths carry" + std::string(kNothingSent);
}

double MoneyAsLitres(double money, double price) {
  if (price <= 0.0) return 0.0;
  return kavo5000::MoneyPresetLitres(money, price);  // the driver's own rule
}

std::optional<std::string> ConfigWarning(std::uint8_t config) {
  if (config == 0 || (config & kavo5000::kConfigNozzleMask) != 0) return std::nullopt;
  char text[160];
  std::snprintf(text, sizeof text,
                "configuration byte 0x%02X means 0 nozzles per dispenser (its low four bits): "
                "a nozzle number is then its line address and state polls nothing; "
                "0x%02X keeps 4",
                config, config | kavo5000::kConfigDefaultNozzles);
  return std::string(text);
}

std::optional<std::string> FramingRefusal(std::string_view port) {
  if (port == "sim" || port.substr(0, std::string_view("tcp://").size()) == "tcp://") {
    return std::nullopt;
  }
  const auto colon = port.rfind(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string_view before = port.substr(0, colon);
  const auto baudColon = before.rfind(':');
  if (baudColon == std::string_view::npos || !AllDigits(before.substr(baudColon + 1))) {
    return std::nullopt;
  }
  const std::string_view framing = port.substr(colon + 1);
  if (IsFraming(framing)) return std::nullopt;
  return "port \"" + std::string(port) + "\": framing \"" + std::string(framing) +
         "\" is not data bits 5-8, parity N, E or O, and stop bits 1 or 2 (e.g. 8N1)";
}

}  // namespace kavo5000::tool
