// SpinValue.h — the number boxes of a window front-end whose toolkit has none
// (an edit with up-down arrows, on Win32). The decimal value box: the text it
// shows for a value, the value a typed text stands for when it is one the box
// accepts, and a step of its arrows; it holds a row's range, step and
// decimals (SpinSetup) as PrepareEditor set it up. The whole-number boxes
// (COM port, address, ID number, the address dialog's): the number a typed
// text leaves them holding.
#ifndef KAVO5000_WINDOW_SPINVALUE_H
#define KAVO5000_WINDOW_SPINVALUE_H

#include <optional>
#include <string>
#include <string_view>

#include "NumberFormat.h"
#include "ParamFrameLogic.h"

namespace kavo5000::window {

// `value` with exactly the box's decimals, the user's decimal separator and
// no grouping ("12,5"); halves go to the even neighbour.
std::string SpinText(double value, const SpinSetup& setup, const catalogue::NumberFormat& format);

// The value `text` stands for, when the box accepts it: an optional sign,
// digits, and for a box with decimals the user's separator or '.' followed by
// at most that many digits; spaces around it are ignored; the value lies in
// the box's range. None for anything else, so that Enter never writes a value
// the technician does not see.
std::optional<double> SpinTextValue(std::string_view text, const SpinSetup& setup,
                                    const catalogue::NumberFormat& format);

// What a whole-number box holds once `text` was typed into it: the text's
// number when it is a whole number in [minimum, maximum], else `held` (the
// number it held before, brought into the range). The box shows the number
// it holds: its text is put back whenever it reads otherwise ("65", "7x", "",
// " 7"), so that what is sent is always what is shown.
struct HeldNumber {
  int value = 0;
  bool restoreText = false;
  bool operator==(const HeldNumber&) const = default;
};
HeldNumber HoldWholeNumber(std::string_view text, int minimum, int maximum, int held);

// `steps` arrow presses (negative: down) from `value`: by the box's step,
// rounded to its decimals and held to its range.
double SpinStep(double value, int steps, const SpinSetup& setup);

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_SPINVALUE_H
