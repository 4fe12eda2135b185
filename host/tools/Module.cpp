// Module.cpp — finding and loading libKavo5000.so with dlopen.
#include "Module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "Cli.h"

namespace kavo5000::tool {

namespace {
constexpr const char* kModuleFile = "libKavo5000.so";
constexpr const char* kModuleVariable = "KAVO5000_MODULE";
constexpr const char* kFactoryName = "GetVM30";

std::string ExecutableDirectory() {
  std::vector<char> buffer(4096);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  std::string path(buffer.data(), static_cast<std::size_t>(n));
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::vector<std::string> Candidates(const std::optional<std::string>& explicitPath) {
  if (explicitPath) return {*explicitPath};
  if (const char* env = std::getenv(kModuleVariable); env != nullptr && *env != '\0') return {env};
  const std::string here = ExecutableDirectory();
  std::vector<std::string> places = {here + "/" + kModuleFile};
#ifdef KAVO5000_INSTALLED_MODULE
  places.push_back(here + "/" + KAVO5000_INSTALLED_MODULE);
#endif
#ifdef KAVO5000_BUILD_MODULE
  places.emplace_back(KAVO5000_BUILD_MODULE);
#endif
  return places;
}
}  // namespace

Module::Module(const std::optional<std::string>& explicitPath) {
  std::string tried;
  for (const std::string& place : Candidates(explicitPath)) {
    if (access(place.c_str(), F_OK) != 0) {
      tried += (tried.empty() ? "" : ", ") + place;
      continue;
    }
    // The module stays mapped until the process ends, whatever becomes of
    // this object: an exception the driver raised keeps its code (what(), its
    // destructor) in the module, and it may still be in flight, or be
    // printed, after the driver and this object are gone.
    handle_ = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle_ == nullptr)
      throw ToolError("cannot load the driver module: " + std::string(dlerror()));
    factory_ = reinterpret_cast<Factory>(dlsym(handle_, kFactoryName));
    if (factory_ == nullptr) {
      dlclose(handle_);
      throw ToolError(place + " has no GetVM30: not a Kavo5000 module");
    }
    path_ = place;
    return;
  }
  throw ToolError("driver module not found (looked at " + tried + "); give --module PATH or set " +
                  kModuleVariable);
}

Module::~Module() {
  if (handle_ != nullptr) dlclose(handle_);
}

std::unique_ptr<kavo5000::TVM30> Module::Create(std::uint32_t config,
                                                kavo5000::HostPort* port) const {
  return std::unique_ptr<kavo5000::TVM30>(factory_(config, 0, port));
}

}  // namespace kavo5000::tool
