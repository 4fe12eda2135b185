// LibraryWin32.cpp — the platform's part of loading the module on Windows:
// LoadLibrary, and the program's folder from GetModuleFileName.
#include <windows.h>

#include <vector>

#include "Library.h"
#include "Win32Error.h"

namespace kavo5000::loader::platform {

namespace {
constexpr DWORD kPathCapacity = 32768;  // the longest path Windows hands out
}  // namespace

std::string ProgramFolder() {
  std::vector<char> buffer(kPathCapacity);
  const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), kPathCapacity);
  if (n == 0 || n >= kPathCapacity) return ".";
  const std::string path(buffer.data(), n);
  // A path handed in may use either separator.
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void* LoadForever(const std::string& path, std::string& why) {
  HMODULE library = LoadLibraryA(path.c_str());
  if (library == nullptr) why = host::Win32ErrorText(GetLastError());
  return reinterpret_cast<void*>(library);
}

void* Symbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

}  // namespace kavo5000::loader::platform
