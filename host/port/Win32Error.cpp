// Win32Error.cpp — Windows error codes in words, through FormatMessage.
#include "Win32Error.h"

#include <windows.h>

namespace kavo5000::host {

namespace {
constexpr DWORD kMessageCapacity = 512;
}  // namespace

std::string Win32ErrorText(unsigned long code) {
  char buffer[kMessageCapacity] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, buffer, kMessageCapacity, nullptr);
  while (n > 0 && (buffer[n - 1] == '\n' || buffer[n - 1] == '\r' || buffer[n - 1] == ' ')) --n;
  const std::string number = "error " + std::to_string(code);
  if (n == 0) return number;
  return std::string(buffer, n) + " (" + number + ")";
}

}  // namespace kavo5000::host
