// InvalidValue.h — the one message the driver and the catalogue both raise
// for a value that nothing on the line can represent: an amount that is not a
// number or does not fit its digits, a negative parameter, a typed value
// without a raw value.
#ifndef KAVO5000_COMMON_INVALIDVALUE_H
#define KAVO5000_COMMON_INVALIDVALUE_H

namespace kavo5000 {

inline constexpr const char* kMsgInvalidValue = "Недопустимое значение";

}  // namespace kavo5000

#endif  // KAVO5000_COMMON_INVALIDVALUE_H
