// ParamDigits.h — how many digits each of a controller's 60 per-nozzle
// parameters has on the line: the size of an 'N' reply and, on the host's
// path, the digit count of an 'O' write.
#ifndef KAVO5000_DRIVER_PARAMDIGITS_H
#define KAVO5000_DRIVER_PARAMDIGITS_H

#include <array>
#include <cstdint>

namespace kavo5000::driver {

inline constexpr int kParamCount = 60;  // per-nozzle parameter indices 0..59

// Index 26: written, the calibration password that opens index 27 for the
// coefficient; read, the controller's confirmation code. Also cleared before a
// total counter is written.
inline constexpr std::int32_t kPasswordIndex = 26;
inline constexpr std::int32_t kCoefficientIndex = 27;

inline constexpr std::array<std::uint8_t, kParamCount> ParamDigits = {
    1, 1, 1, 1, 3, 3, 1, 2, 1, 3,  // 0..9
    3, 3, 2, 2, 1, 2, 2, 2, 5, 3,  // 10..19
    3, 2, 1, 3, 6, 8, 4, 5, 5, 5,  // 20..29
    1, 1, 3, 2, 3, 1, 3, 3, 3, 2,  // 30..39
    2, 3, 2, 2, 8, 1, 2, 1, 2, 2,  // 40..49
    1, 1, 0, 0, 0, 0, 0, 0, 0, 0,  // 50..59
};

}  // namespace kavo5000::driver

#endif  // KAVO5000_DRIVER_PARAMDIGITS_H
