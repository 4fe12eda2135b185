// Checks.h — what the tool refuses or warns about before anything is sent,
// each worded for the technician: a nozzle beyond its dispenser (on the line
// it would be another dispenser's), a dispenser without nozzle addresses, an
// amount its digit field cannot carry, a port whose framing is unreadable, and
// a configuration byte that numbers no nozzles. Pure: numbers in, a sentence
// or nothing out.
#ifndef KAVO5000_TOOL_CHECKS_H
#define KAVO5000_TOOL_CHECKS_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavo5000::tool {

// Why dispenser D (and nozzle N, when given) has no place of its own on the
// line with `perDispenser` nozzles per dispenser, or nothing. With 0 nozzles
// per dispenser a nozzle number is its address whatever the dispenser, and
// nothing is refused here.
std::optional<std::string> PlaceRefusal(int dispenser, std::optional<int> nozzle, int perDispenser);

// The same for the nozzle a host parameter number (10 and up) names.
std::optional<std::string> ParamNumberRefusal(int dispenser, std::int32_t number, int perDispenser);

// The amounts that travel as hundredths in a field of fixed digits.
enum class AmountKind { kPrice, kVolume, kMoney, kTotal };
// The largest amount of its kind the line carries.
double LargestAmount(AmountKind kind);
// Why `value` cannot travel, naming the limit, or nothing.
std::optional<std::string> AmountRefusal(AmountKind kind, double value);

// Why an amount's text is not one the line carries as typed (a sign, an
// exponent, more than two decimals, more digits than any field has), or
// nothing: a number accepted is echoed and sent exactly as typed.
std::optional<std::string> AmountTextRefusal(std::string_view text);

// The litres a money preset travels as when the configuration byte sends money
// as volume: the money over the price, cut to hundredths.
double MoneyAsLitres(double money, double price);

// A warning for a configuration byte whose low four bits number no nozzles
// although the byte is not 0 (0 means four), or nothing.
std::optional<std::string> ConfigWarning(std::uint8_t config);

// Why a serial port's text cannot be opened as meant: a framing after the
// baud rate that is no framing would otherwise be read as part of the
// device's path. Nothing for any other text.
std::optional<std::string> FramingRefusal(std::string_view port);

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_CHECKS_H
