// GridHint.cpp — the tracking tooltip over the grid's cells.
#include "GridHint.h"

#include "Win32Text.h"

namespace kavo5000::window::win32 {

namespace {
constexpr UINT_PTR kHintTool = 1;
constexpr int kBelowPointer = 20;  // pixels the tip keeps below and right of the pointer's tip
constexpr int kRightOfPointer = 12;

TTTOOLINFOW Tool(HWND grid) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  tool.hwnd = grid;
  tool.uId = kHintTool;
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  return tool;
}
}  // namespace

void GridHint::Create(HWND grid) {
  grid_ = grid;
  tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                         WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, grid, nullptr, ModuleInstance(), nullptr);
  TTTOOLINFOW tool = Tool(grid);
  SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void GridHint::Follow(POINT point, std::string_view text) {
  if (tip_ == nullptr) return;
  if (text.empty()) {
    Hide();
    return;
  }
  const std::wstring wide = Widen(text);
  if (wide != text_) {
    text_ = wide;
    TTTOOLINFOW tool = Tool(grid_);
    SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  ClientToScreen(grid_, &point);
  SendMessageW(tip_, TTM_TRACKPOSITION, 0,
               MAKELPARAM(point.x + kRightOfPointer, point.y + kBelowPointer));
  if (!shown_) {
    TTTOOLINFOW tool = Tool(grid_);
    SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    shown_ = true;
    // Told when the pointer leaves the grid, to hide the tip then.
    TRACKMOUSEEVENT leave{sizeof leave, TME_LEAVE, grid_, 0};
    TrackMouseEvent(&leave);
  }
}

void GridHint::Hide() {
  if (tip_ == nullptr || !shown_) return;
  TTTOOLINFOW tool = Tool(grid_);
  SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
  shown_ = false;
}

bool GridHint::AnswerText(NMHDR& header) {
  if (header.hwndFrom != tip_ || header.code != TTN_GETDISPINFOW) return false;
  reinterpret_cast<NMTTDISPINFOW&>(header).lpszText = text_.data();
  return true;
}

}  // namespace kavo5000::window::win32
