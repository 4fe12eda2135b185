// CallStatus.cpp — C++ failures judged as C statuses.
#include "CallStatus.h"

#include <new>

#include "LineHostPort.h"
#include "ModuleLoader.h"
#include "PortSpec.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::c {

CallFailure FailureOf(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const kavo5000::ESerialIO& e) {
    // Before Exception: a transport failure is one of the driver's exceptions.
    return {KAVO5000_SERIAL_IO, e.what()};
  } catch (const kavo5000::Exception& e) {
    return {KAVO5000_REFUSED, e.what()};
  } catch (const loader::ModuleError& e) {
    return {KAVO5000_NOT_FOUND, e.what()};
  } catch (const host::PortSpecError& e) {
    return {KAVO5000_BAD_USE, e.what()};
  } catch (const std::bad_alloc&) {
    return {KAVO5000_INTERNAL, "out of memory"};
  } catch (const std::exception& e) {
    return {KAVO5000_INTERNAL, e.what()};
  } catch (...) {
    return {KAVO5000_INTERNAL, "an unknown failure"};
  }
}

}  // namespace kavo5000::c
