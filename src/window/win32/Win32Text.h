// Win32Text.h — texts between the window's UTF-8 and the Win32 API's UTF-16,
// a window's text both ways, and the module's own instance handle, under
// which its window class and dialogs are made.
#ifndef KAVO5000_WINDOW_WIN32_WIN32TEXT_H
#define KAVO5000_WINDOW_WIN32_WIN32TEXT_H

#include <windows.h>

#include <string>
#include <string_view>

namespace kavo5000::window::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

void SetText(HWND window, std::string_view utf8);
std::string GetText(HWND window);

// The module this code is linked into (Kavo5000.dll), not the host's program.
HINSTANCE ModuleInstance();

}  // namespace kavo5000::window::win32

#endif  // KAVO5000_WINDOW_WIN32_WIN32TEXT_H
