// ParamIo.h — the parameter window's traffic with a controller, apart from
// its widgets: what a row's read asks of the driver, what the answer does to
// the row, and a whole write from the editors' values to the status line's
// message. The double click and the background reader read through the same
// functions; every front-end of the window writes through WriteRow.
#ifndef KAVO5000_WINDOW_PARAMIO_H
#define KAVO5000_WINDOW_PARAMIO_H

#include <cstdint>
#include <optional>
#include <string>

#include "NumberFormat.h"
#include "ParamFrameLogic.h"
#include "ParameterUnit.h"

namespace kavo5000::driver {
class VM30Driver;
}

namespace kavo5000::window {

// The raw value of a read that brought nothing.
inline constexpr std::int32_t kFailedRead = -1;

// Where the window's exchanges go: its driver, the COM port number (the
// driver's channel) and the nozzle address typed in the window.
struct LineTarget {
  driver::VM30Driver* driver = nullptr;
  std::int32_t channel = 0;
  std::int32_t address = 0;
};

// One row's read as the driver is asked for it; a plain value, so that it
// can travel to the reader's thread.
struct ReadRequest {
  driver::VM30Driver* driver = nullptr;
  catalogue::CommandFamily family = catalogue::CommandFamily::Parameter;
  std::int32_t channel = 0;
  std::int32_t address = 0;
  std::int32_t code = 0;
  std::int32_t digits = 0;
};

// The request for a row; none without a driver or for a kind without a
// command family: such a row fails without an exchange.
std::optional<ReadRequest> ReadRequestFor(const catalogue::CParameter& row,
                                          const LineTarget& target);

// The exchange itself, on whichever thread calls it: the raw value, or
// kFailedRead when nothing could be read, also when the driver raised.
std::int32_t PerformRead(const ReadRequest& request) noexcept;

// What a failed read does to the row's last text: the double click shows
// the failure alone; the reader leaves the old text under the error mark.
enum class FailedReadText { kClear, kKeep };

// Applies a read's raw value to its row and gives the text read, empty when
// the read failed. A value with a text sets Value and ReadText and clears
// ReadError; anything else only sets ReadError (and clears the text when
// asked to).
std::string ApplyRead(catalogue::CParameter& row, std::int32_t raw,
                      const catalogue::NumberFormat& format, FailedReadText onFailure);

// A double click's read, start to end on the calling thread: the row's
// request, the exchange, and its result applied (a failure clears the text).
// Gives the text read, empty when the read failed.
std::string ReadRowNow(catalogue::CParameter& row, const LineTarget& target,
                       const catalogue::NumberFormat& format);

// Where a write goes: the line, and the ID number the address row programs.
struct WriteTarget {
  LineTarget line;
  std::int32_t idNumber = 0;
};

// Writes a row from what its editors hold and gives the status line's
// message. Written means the controller took the value: only then do the
// row's Value and ReadText take it; a silent or refusing controller or
// anything raised on the way leave the row as it was and give
// kWriteFailedText; editors holding no value within the row's limits send
// nothing and give kValueOutsideLimitsText. Without a driver: kNoDriverText.
// The address
// row carries the ID number as its code from the attempt on.
const char* WriteRow(catalogue::CParameter& row, const EditorValues& values,
                     const WriteTarget& target, const catalogue::NumberFormat& format);

// The nozzle address the address dialog's numbers give, held to the address
// box's range.
std::int32_t DialogAddress(const driver::VM30Driver& driver, std::int32_t dispenser,
                           std::int32_t nozzle, std::int32_t minimum, std::int32_t maximum);

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_PARAMIO_H
