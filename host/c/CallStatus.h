// CallStatus.h — what a failed call into the C interface comes to: the status
// a C host receives and the message it reads, judged from the exception the
// driver, the loader or the port raised. Pure: an exception in, a verdict out;
// the one place the C interface maps C++ failures to C statuses.
#ifndef KAVO5000_C_CALLSTATUS_H
#define KAVO5000_C_CALLSTATUS_H

#include <exception>
#include <string>

#include "kavo5000/kavo5000_c.h"

namespace kavo5000::c {

struct CallFailure {
  kavo5000_status status = KAVO5000_INTERNAL;
  std::string message;  // UTF-8
};

// The verdict on a caught exception.
CallFailure FailureOf(const std::exception_ptr& failure);

}  // namespace kavo5000::c

#endif  // KAVO5000_C_CALLSTATUS_H
