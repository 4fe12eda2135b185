// GuiDriver.cpp — posting input to a dialog, reading it, picturing it.
#include "GuiDriver.h"

#include <cstdio>
#include <thread>
#include <vector>

namespace kavo5000::gui {

namespace {

constexpr std::chrono::milliseconds kPollPeriod{10};
constexpr LPARAM kAltDownBit = LPARAM{1} << 29;  // a key message's context code
constexpr LPARAM kKeyUpBits = LPARAM{3} << 30;   // previous state down, going up
constexpr WORD kBmpMagic = 0x4D42;               // "BM"
constexpr WORD kBitsPerPixel = 24;
constexpr int kRowAlignment = 4;
constexpr int kBytesPerPixel = 3;

LPARAM Point(POINT at) {
  return MAKELPARAM(at.x, at.y);
}

}  // namespace

std::wstring Wide(std::string_view utf8) {
  const int size = static_cast<int>(utf8.size());
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), size)));
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(kPollPeriod);
  }
  return true;
}

HWND WaitForDialog(std::string_view caption, std::chrono::milliseconds limit) {
  const std::wstring wide = Wide(caption);
  HWND found = nullptr;
  WaitFor(
      [&] {
        found = FindWindowW(L"#32770", wide.c_str());
        return found != nullptr && IsWindowVisible(found) != FALSE;
      },
      limit);
  return found != nullptr && IsWindowVisible(found) != FALSE ? found : nullptr;
}

std::string Text(HWND window) {
  const auto length = static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                            reinterpret_cast<LPARAM>(text.data()))));
  return Utf8(text);
}

void SetText(HWND window, std::string_view utf8) {
  const std::wstring wide = Wide(utf8);
  SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

bool Visible(HWND window) {
  return window != nullptr && IsWindowVisible(window) != FALSE;
}

void Press(HWND dialog, int buttonId) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

void Key(HWND window, UINT key, bool alt) {
  const UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
  const UINT up = alt ? WM_SYSKEYUP : WM_KEYUP;
  const LPARAM context = alt ? kAltDownBit : 0;
  PostMessageW(window, down, key, 1 | context);
  PostMessageW(window, up, key, 1 | context | kKeyUpBits);
}

void Click(HWND window, POINT at) {
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, Point(at));
  PostMessageW(window, WM_LBUTTONUP, 0, Point(at));
}

void DoubleClick(HWND window, POINT at) {
  Click(window, at);
  PostMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(at));
  PostMessageW(window, WM_LBUTTONUP, 0, Point(at));
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

bool Picture(HWND window, const std::wstring& path) {
  // Painted through, children and all, before the pixels are taken.
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = client.right;
  const int height = client.bottom;
  HDC source = GetWindowDC(window);
  HDC memory = CreateCompatibleDC(source);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files keep rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = kBitsPerPixel;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const BOOL copied = BitBlt(memory, 0, 0, width, height, source, origin.x - frame.left,
                             origin.y - frame.top, SRCCOPY);
  GdiFlush();
  const int stride = (width * kBytesPerPixel + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
  BITMAPFILEHEADER head{};
  head.bfType = kBmpMagic;
  head.bfOffBits = sizeof head + sizeof info.bmiHeader;
  head.bfSize = head.bfOffBits + static_cast<DWORD>(stride * height);
  bool written = false;
  if (copied != FALSE && bits != nullptr) {
    if (FILE* file = _wfopen(path.c_str(), L"wb")) {
      written = std::fwrite(&head, sizeof head, 1, file) == 1 &&
                std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, file) == 1 &&
                std::fwrite(bits, static_cast<std::size_t>(stride * height), 1, file) == 1;
      written = std::fclose(file) == 0 && written;
    }
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, source);
  return written;
}

}  // namespace kavo5000::gui
