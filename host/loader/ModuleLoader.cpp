// ModuleLoader.cpp — where the module is looked for, in order, and what is
// said when it is not there or is not a driver module.
#include "ModuleLoader.h"

#include <cstdlib>
#include <vector>

#include "Library.h"

namespace kavo5000::loader {

namespace {
constexpr const char* kModuleVariable = "KAVO5000_MODULE";
constexpr const char* kFactoryName = "GetVM30";

std::vector<std::string> Candidates(const std::optional<std::string>& explicitPath) {
  if (explicitPath) return {*explicitPath};
  if (const char* env = std::getenv(kModuleVariable); env != nullptr && *env != '\0') return {env};
  const std::string here = platform::ProgramFolder() + platform::kSeparator;
  std::vector<std::string> places = {here + platform::kModuleFile};
#ifdef KAVO5000_INSTALLED_MODULE
  places.push_back(here + KAVO5000_INSTALLED_MODULE);  // an installed program's
#endif
#ifdef KAVO5000_LIBRARY_MODULE
  // The installed C interface's, whatever program loaded it (python3, say).
  places.push_back(platform::CodeFolder() + platform::kSeparator + KAVO5000_LIBRARY_MODULE);
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
    if (platform::FileExists(place)) {
      Load(place);
      return;
    }
    tried += (tried.empty() ? "" : ", ") + place;
  }
  throw ModuleError("driver module not found (looked at " + tried +
                    "); give --module PATH or set " + kModuleVariable);
}

void Module::Load(const std::string& place) {
  std::string why;
  void* library = platform::LoadForever(place, why);
  if (library == nullptr) throw ModuleError("cannot load the driver module " + place + ": " + why);
  factory_ = reinterpret_cast<GetVM30Proc>(platform::Symbol(library, kFactoryName));
  if (factory_ == nullptr) throw ModuleError(place + " has no GetVM30: not a Kavo5000 module");
  path_ = place;
}

std::unique_ptr<TVM30> Module::Create(std::uint32_t config, HostPort* port,
                                      std::uintptr_t window) const {
  return std::unique_ptr<TVM30>(factory_(config, window, port));
}

}  // namespace kavo5000::loader
