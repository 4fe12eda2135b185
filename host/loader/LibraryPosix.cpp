// LibraryPosix.cpp — the platform's part of loading the module on POSIX
// systems: dlopen, the program's folder from /proc/self/exe and the code's
// from dladdr.
#include <dlfcn.h>
#include <unistd.h>

#include <vector>

#include "Library.h"

namespace kavo5000::loader::platform {

namespace {
constexpr std::size_t kPathCapacity = 4096;  // Linux's PATH_MAX

// The folder a file's path names; "." for a bare name.
std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind(kSeparator);
  return slash == std::string::npos ? "." : path.substr(0, slash);
}
}  // namespace

std::string ProgramFolder() {
  std::vector<char> buffer(kPathCapacity);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  return FolderOf(std::string(buffer.data(), static_cast<std::size_t>(n)));
}

std::string CodeFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&CodeFolder), &info) == 0 || info.dli_fname == nullptr) {
    return ".";
  }
  return FolderOf(info.dli_fname);
}

bool FileExists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

void* LoadForever(const std::string& path, std::string& why) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (library == nullptr) why = dlerror();
  return library;
}

void* Symbol(void* library, const char* name) {
  return dlsym(library, name);
}

}  // namespace kavo5000::loader::platform
