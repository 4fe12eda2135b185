// What a C host receives for each failure the driver, the loader or the port
// raises: the status, and the message carried over unchanged.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

#include "CallStatus.h"
#include "ModuleLoader.h"
#include "PortSpec.h"

namespace kavo5000::c {
namespace {

TEST(CallStatus, EachFailureHasItsStatus) {
  struct Case {
    const char* name;
    std::function<void()> raise;
    kavo5000_status status;
    const char* message;
  };
  const Case cases[] = {
      {"refusedByTheDriver", [] { throw kavo5000::Exception("Недопустимое значение"); },
       KAVO5000_REFUSED, "Недопустимое значение"},
      {"transportFailed", [] { throw kavo5000::ESerialIO("Ошибка задания цены"); },
       KAVO5000_SERIAL_IO, "Ошибка задания цены"},
      {"moduleNotFound", [] { throw loader::ModuleError("no module at /x"); }, KAVO5000_NOT_FOUND,
       "no module at /x"},
      {"portSpecUnreadable", [] { throw host::PortSpecError("port \"x:\": no baud"); },
       KAVO5000_BAD_USE, "port \"x:\": no baud"},
      {"outOfMemory", [] { throw std::bad_alloc(); }, KAVO5000_INTERNAL, "out of memory"},
      {"anyOther", [] { throw std::runtime_error("odd"); }, KAVO5000_INTERNAL, "odd"},
      {"notAnException", [] { throw 7; }, KAVO5000_INTERNAL, "an unknown failure"},
  };
  for (const Case& c : cases) {
    std::exception_ptr caught;
    try {
      c.raise();
    } catch (...) {
      caught = std::current_exception();
    }
    const CallFailure failure = FailureOf(caught);
    EXPECT_EQ(failure.status, c.status) << c.name;
    EXPECT_EQ(failure.message, c.message) << c.name;
  }
}

}  // namespace
}  // namespace kavo5000::c
