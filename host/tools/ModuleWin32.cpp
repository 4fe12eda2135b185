// ModuleWin32.cpp — finding and loading Kavo5000.dll with LoadLibrary, as a
// Windows station program loads it.
#include <windows.h>

#include <cstdlib>
#include <vector>

#include "Cli.h"
#include "Module.h"
#include "Win32Error.h"

namespace kavo5000::tool {

namespace {
constexpr const char* kModuleFile = "Kavo5000.dll";
constexpr const char* kModuleVariable = "KAVO5000_MODULE";
constexpr const char* kFactoryName = "GetVM30";
constexpr DWORD kPathCapacity = 32768;  // the longest path Windows hands out

std::string ExecutableDirectory() {
  std::vector<char> buffer(kPathCapacity);
  const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), kPathCapacity);
  if (n == 0 || n >= kPathCapacity) return ".";
  std::string path(buffer.data(), n);
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::vector<std::string> Candidates(const std::optional<std::string>& explicitPath) {
  if (explicitPath) return {*explicitPath};
  if (const char* env = std::getenv(kModuleVariable); env != nullptr && *env != '\0') return {env};
  return {ExecutableDirectory() + "\\" + kModuleFile};
}
}  // namespace

Module::Module(const std::optional<std::string>& explicitPath) {
  std::string tried;
  for (const std::string& place : Candidates(explicitPath)) {
    if (GetFileAttributesA(place.c_str()) == INVALID_FILE_ATTRIBUTES) {
      tried += (tried.empty() ? "" : ", ") + place;
      continue;
    }
    // The module is never unloaded: an exception the driver raised keeps its
    // code (what(), its destructor) in the module, and it may still be in
    // flight, or be printed, after the driver and this object are gone.
    HMODULE module = LoadLibraryA(place.c_str());
    if (module == nullptr)
      throw ToolError("cannot load the driver module " + place + ": " +
                      host::Win32ErrorText(GetLastError()));
    factory_ =
        reinterpret_cast<Factory>(reinterpret_cast<void*>(GetProcAddress(module, kFactoryName)));
    if (factory_ == nullptr) {
      FreeLibrary(module);
      throw ToolError(place + " has no GetVM30: not a Kavo5000 module");
    }
    handle_ = module;
    path_ = place;
    return;
  }
  throw ToolError("driver module not found (looked at " + tried + "); give --module PATH or set " +
                  kModuleVariable);
}

Module::~Module() = default;

std::unique_ptr<kavo5000::TVM30> Module::Create(std::uint32_t config,
                                                kavo5000::HostPort* port) const {
  return std::unique_ptr<kavo5000::TVM30>(factory_(config, 0, port));
}

}  // namespace kavo5000::tool
