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

bool Driver::OpenChannel(Byte channel, const std::string& spec) {
  if (spec == "sim") {
    port.Bind(channel, host::Simulation(host::SimulationSettings{}).MakeTransport());
  } else {
    port.Bind(channel, spec);
  }
  return driver->OpenChannel(channel) == kOpened;
}

kavo5000_driver* Register(std::shared_ptr<Driver> driver) {
  // The handle is the object's address: unique while it is in the table.
  auto* handle = reinterpret_cast<kavo5000_driver*>(driver.get());
  const std::lock_guard<std::mutex> lock(tableMutex);
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
