// GridHint.h — the grid's hint: a tooltip that follows the pointer, shown at
// once over a cell that has a hint and moved with the pointer on every move,
// as the Qt window's is; hidden over a cell without one and when the pointer
// leaves the grid.
#ifndef KAVO5000_WINDOW_WIN32_GRIDHINT_H
#define KAVO5000_WINDOW_WIN32_GRIDHINT_H

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>

namespace kavo5000::window::win32 {

class GridHint {
 public:
  // The tip, owned by `grid` (destroyed with it).
  void Create(HWND grid);
  // The pointer is at `point` (the grid's client coordinates) over a cell
  // whose hint is `text`, none when empty.
  void Follow(POINT point, std::string_view text);
  void Hide();
  // The tip asking for its text: true when `header` was that, answered.
  bool AnswerText(NMHDR& header);

 private:
  HWND grid_ = nullptr;
  HWND tip_ = nullptr;
  std::wstring text_;
  bool shown_ = false;
};

}  // namespace kavo5000::window::win32

#endif  // KAVO5000_WINDOW_WIN32_GRIDHINT_H
