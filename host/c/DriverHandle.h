// DriverHandle.h — what a C host's driver handle stands for: the loaded
// module, the port lent to the driver, and the driver object; the menus the
// module joins once per process; and the table of live handles, so that a closed or foreign
// handle is told from a driver without ever being read.
#ifndef KAVO5000_C_DRIVERHANDLE_H
#define KAVO5000_C_DRIVERHANDLE_H

#include <memory>
#include <optional>
#include <string>

#include "ChannelPorts.h"
#include "ModuleLoader.h"
#include "PlainMenu.h"
#include "kavo5000/Kavo5000.h"
#include "kavo5000/kavo5000_c.h"

namespace kavo5000::c {

struct Driver {
  Driver(const std::optional<std::string>& modulePath, std::uint32_t config, std::uintptr_t window);
  ~Driver();
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  // Binds a channel to a port spec ("sim": the kit's simulated line), or to
  // the host's callbacks, and opens it. Throws on a spec that does not parse;
  // why the port did not open, or nothing when it did.
  std::optional<std::string> OpenChannel(const kavo5000_channel& channel);

  loader::Module module;
  ChannelPorts port;
  std::unique_ptr<TVM30> driver;
};

// The handle a new driver is known by from now on.
kavo5000_driver* Register(std::shared_ptr<Driver> driver);
// The driver a handle stands for, kept alive while the caller holds it;
// none for a closed or foreign handle.
std::shared_ptr<Driver> Find(const kavo5000_driver* handle);
// Forgets a handle; the driver goes when the last call holding it returns.
bool Unregister(const kavo5000_driver* handle);
// Whether the handle is the driver opened last: the module's menu command
// serves that one.
bool IsNewest(const kavo5000_driver* handle);

// The driver's menu command, which the module adds once per process to the
// host's menus (kept by this library for the whole process); none when it
// has added none.
PlainMenuItem* MenuCommand();

}  // namespace kavo5000::c

#endif  // KAVO5000_C_DRIVERHANDLE_H
