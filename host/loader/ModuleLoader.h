// ModuleLoader.h — the driver module loaded at run time, as every host
// program of the kit loads it (the tool, the station, the benchmarks, the
// example): looked for at the path given, else at $KAVO5000_MODULE, else next
// to the running program, else (on Linux) where an installed program finds
// the installed module and in the build tree the program was built in;
// GetVM30 found by its plain name; and the module kept loaded until the
// process ends.
#ifndef KAVO5000_LOADER_MODULELOADER_H
#define KAVO5000_LOADER_MODULELOADER_H

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "kavo5000/Kavo5000.h"

namespace kavo5000::loader {

// The module is not where it was looked for, or is not a driver module.
class ModuleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using GetVM30Proc = TVM30*(KAVO5000_CALL*)(std::uint32_t config, std::uintptr_t window,
                                           HostPort* port);

class Module {
 public:
  // Finds and loads the module; `explicitPath` is the only place looked at
  // when given. Throws ModuleError naming every place it looked, or why the
  // file found there cannot serve.
  explicit Module(const std::optional<std::string>& explicitPath = std::nullopt);

  // A new driver object lent `port` (and the host's window, 0 for none).
  std::unique_ptr<TVM30> Create(std::uint32_t config, HostPort* port,
                                std::uintptr_t window = 0) const;
  GetVM30Proc factory() const { return factory_; }
  const std::string& path() const { return path_; }

 private:
  // Loads the module at `place`, which is there. Throws ModuleError.
  void Load(const std::string& place);

  GetVM30Proc factory_ = nullptr;
  std::string path_;
};

}  // namespace kavo5000::loader

#endif  // KAVO5000_LOADER_MODULELOADER_H
