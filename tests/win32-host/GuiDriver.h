// GuiDriver.h — how the window test works a dialog from a second thread, as a
// technician at the screen would: waits for windows and conditions, presses
// keys and buttons and clicks by posting the messages input would bring,
// reads controls, and pictures a window into a BMP file.
#ifndef KAVO5000_TESTS_WINDOWS_GUIDRIVER_H
#define KAVO5000_TESTS_WINDOWS_GUIDRIVER_H

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace kavo5000::gui {

inline constexpr std::chrono::milliseconds kPatience{15000};

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// Polls `condition` until it holds or `limit` has passed; whether it held.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = kPatience);
// A shown dialog of the system's class with this caption, or none in time.
HWND WaitForDialog(std::string_view caption, std::chrono::milliseconds limit = kPatience);

std::string Text(HWND window);
void SetText(HWND window, std::string_view utf8);
bool Visible(HWND window);

// A button's click as its dialog receives it.
void Press(HWND dialog, int buttonId);
// A key going down and up at `window`, with Alt held when `alt`.
void Key(HWND window, UINT key, bool alt = false);
// A click, or a double click, at a point of `window`'s client area.
void Click(HWND window, POINT at);
void DoubleClick(HWND window, POINT at);

// The focus of the thread that owns `window`.
HWND FocusOf(HWND window);

// The window's client area as a 24-bit BMP file, once it has painted.
bool Picture(HWND window, const std::wstring& path);

}  // namespace kavo5000::gui

#endif  // KAVO5000_TESTS_WINDOWS_GUIDRIVER_H
