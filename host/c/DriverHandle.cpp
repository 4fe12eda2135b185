// DriverHandle.cpp — a C host's driver, and the table of live handles.
#include "DriverHandle.h"

#include <map>
#include <mutex>

#include "Simulation.h"

namespace kavo5000::c {

namespace {

constexpr std::int32_t kOpened = 0;  // what OpenChannel answers for a port that opened

std::mutex tableMutex;
std::map<const kavo5000_driver*, std::shared_ptr<Driver>> table;
const kavo5000_driver* newest = nullptr;
// Handles count up from here, a step apart (never 0, never a small number a
// host might pass by mistake).
constexpr std::uintptr_t kHandleStep = 16;
std::uintptr_t nextHandle = 0x10000;

// The host's menus ("&ТРК" alone) and the command the module added there:
// the module adds it once per process, for whichever driver is newest, so the
// menus outlive every driver.
std::mutex menuMutex;
PlainMenuItem* hostMenus = nullptr;
PlainMenuItem* command = nullptr;

PlainMenuItem& HostMenus() {
  if (hostMenus == nullptr) {
    hostMenus = new PlainMenuItem;  // never freed: the module may hold its items
    hostMenus->AddItem(-1).SetCaption(kHostMenuCaption);
  }
  return *hostMenus;
}

}  // namespace

Driver::Driver(const std::optional<std::string>& modulePath, std::uint32_t config,
               std::uintptr_t window)
    : module(modulePath) {
  driver = module.Create(config, &port, window);
  const std::lock_guard<std::mutex> lock(menuMutex);
  driver->AddDriverMenu(&HostMenus(), &MakePlainMenuItem);
  if (command == nullptr) command = HostMenus().FindCommand();
}

Driver::~Driver() {
  driver.reset();  // before the port it was lent, and the module that holds its code
}

std::optional<std::string> Driver::OpenChannel(const kavo5000_channel& c) {
  if (c.port == nullptr) {
    port.Bind(c.channel, *c.callbacks, c.context);
  } else if (std::string(c.port) == "sim") {
    port.line().Bind(c.channel, host::Simulation(host::SimulationSettings{}).MakeTransport());
  } else {
    port.line().Bind(c.channel, c.port);
  }
  const std::int32_t opened = driver->OpenChannel(c.channel);
  if (opened == kOpened) return std::nullopt;
  if (c.port == nullptr) return "the host's port did not open (" + std::to_string(opened) + ")";
  return port.line().ErrorText(c.channel);
}

kavo5000_driver* Register(std::shared_ptr<Driver> driver) {
  const std::lock_guard<std::mutex> lock(tableMutex);
  // A number never given before, not the object's address: a stale handle
  // kept after its close must not reach a driver opened later at that address.
  nextHandle += kHandleStep;
  // The handle is never dereferenced, only looked up: a number in pointer form.
  auto* handle =
      reinterpret_cast<kavo5000_driver*>(nextHandle);  // NOLINT(performance-no-int-to-ptr)
  table[handle] = std::move(driver);
  newest = handle;
  return handle;
}

std::shared_ptr<Driver> Find(const kavo5000_driver* handle) {
  const std::lock_guard<std::mutex> lock(tableMutex);
  const auto it = table.find(handle);
  return it == table.end() ? nullptr : it->second;
}

bool Unregister(const kavo5000_driver* handle) {
  std::shared_ptr<Driver> last;  // freed outside the lock
  const std::lock_guard<std::mutex> lock(tableMutex);
  const auto it = table.find(handle);
  if (it == table.end()) return false;
  last = std::move(it->second);
  table.erase(it);
  if (newest == handle) newest = nullptr;
  return true;
}

bool IsNewest(const kavo5000_driver* handle) {
  const std::lock_guard<std::mutex> lock(tableMutex);
  return handle != nullptr && handle == newest;
}

PlainMenuItem* MenuCommand() {
  const std::lock_guard<std::mutex> lock(menuMutex);
  return command;
}

}  // namespace kavo5000::c
