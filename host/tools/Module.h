// Module.h — the driver module loaded at run time, as a station program loads
// it: found by --module, then $KAVO5000_MODULE, then next to the tool; on
// POSIX systems then where an install puts it for an installed tool
// (../lib/), then in the build tree the tool was built in.
#ifndef KAVO5000_TOOL_MODULE_H
#define KAVO5000_TOOL_MODULE_H

#include <memory>
#include <optional>
#include <string>

#include "kavo5000/Kavo5000.h"

namespace kavo5000::tool {

class Module {
 public:
  // Throws ToolError naming every place it looked.
  explicit Module(const std::optional<std::string>& explicitPath);
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // A new driver object lent `port`; the caller deletes it before the module goes.
  std::unique_ptr<kavo5000::TVM30> Create(std::uint32_t config, kavo5000::HostPort* port) const;
  const std::string& path() const { return path_; }

 private:
  using Factory = kavo5000::TVM30*(KAVO5000_CALL*)(std::uint32_t, std::uintptr_t,
                                                   kavo5000::HostPort*);
  void* handle_ = nullptr;
  Factory factory_ = nullptr;
  std::string path_;
};

}  // namespace kavo5000::tool

#endif  // KAVO5000_TOOL_MODULE_H
