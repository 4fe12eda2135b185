// ValueBox.h — WriteValueEdit and WriteValueEdit2 on Win32: an edit with
// up-down arrows that holds a row's value with its range, step and decimals
// (SpinValue.h computes; this only applies). The arrows and the arrow keys
// step the value; Enter takes the text as it stands.
#ifndef KAVO5000_WINDOW_WIN32_VALUEBOX_H
#define KAVO5000_WINDOW_WIN32_VALUEBOX_H

#include <windows.h>

#include <optional>

#include "NumberFormat.h"
#include "ParamFrameLogic.h"

namespace kavo5000::window::win32 {

class ValueBox {
 public:
  // Made hidden; the arrows get the edit's ID plus the arrows' offset.
  void Create(HWND parent, int id);
  // Set up for a row and shown, or hidden when the row has no such box.
  void Apply(const std::optional<SpinSetup>& setup, const catalogue::NumberFormat& format);
  void Hide();
  bool Shown() const;
  // The edit over `place` (the parent's client coordinates), the arrows
  // inside its right edge, both above their siblings.
  void Place(const Rect& place);
  // An arrow press, or an arrow key: `steps` steps up (negative: down) from
  // the value shown, or from the last one when the text is none.
  void Step(int steps);
  // What the text stands for, when it is a value in range; also kept as the
  // box's value.
  std::optional<double> Take();
  double Value() const { return value_; }
  bool Owns(HWND window) const {
    return window != nullptr && (window == edit_ || window == arrows_);
  }
  HWND Edit() const { return edit_; }
  HWND Arrows() const { return arrows_; }

 private:
  HWND edit_ = nullptr;
  HWND arrows_ = nullptr;
  SpinSetup setup_;
  catalogue::NumberFormat format_ = catalogue::NumberFormat::C();
  double value_ = 0;
};

}  // namespace kavo5000::window::win32

#endif  // KAVO5000_WINDOW_WIN32_VALUEBOX_H
