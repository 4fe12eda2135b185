// ParamFrameLayout.h — where the parameter window's and the address dialog's
// controls stand, in pixels within their parents, their captions and their
// ranges: the one layout every front-end of the window builds.
#ifndef KAVO5000_WINDOW_PARAMFRAMELAYOUT_H
#define KAVO5000_WINDOW_PARAMFRAMELAYOUT_H

#include <array>

#include "ParamFrameLogic.h"

namespace kavo5000::window::layout {

// A control's place from its top-left corner and size.
constexpr Rect Place(int x, int y, int width, int height) {
  return Rect{x, y, x + width, y + height};
}
// A label's top-left corner; labels take the size of their text.
struct Point {
  int x = 0;
  int y = 0;
};

// Laid out in pixels for "MS Sans Serif" 8 pt; where it is missing, a sans
// serif of the same widths keeps the labels clear of the boxes.
inline constexpr std::array<const char*, 4> kFontFamilies = {
    "MS Sans Serif", "Microsoft Sans Serif", "Arial", "Liberation Sans"};
inline constexpr int kFontPoints = 8;

// ---- TParamFrm ----
inline constexpr const char* kFormCaption = "Программирование параметров ТРК";
inline constexpr int kFormWidth = 817;  // client area
inline constexpr int kFormHeight = 696;
inline constexpr int kStatusHeight = 19;
inline constexpr Rect kPanel1 = Place(0, 0, kFormWidth, kFormHeight - kStatusHeight);
inline constexpr Rect kStatusBar1 =
    Place(0, kFormHeight - kStatusHeight, kFormWidth, kStatusHeight);

inline constexpr Point kLabel1{8, 14};
inline constexpr const char* kLabel1Text = "№ СОМ-порта";  // СОМ in Cyrillic letters
inline constexpr Rect kComPortEdit = Place(96, 8, 89, 22);
inline constexpr Point kLabel2{224, 14};
inline constexpr const char* kLabel2Text = "Адрес пистолета";
inline constexpr Rect kAddrEdit = Place(320, 8, 89, 22);
inline constexpr Rect kAddrBtn = Place(408, 8, 23, 22);
inline constexpr Point kLabel3{264, 38};
inline constexpr const char* kLabel3Text = "ID-номер";
inline constexpr Rect kEdIdNumber = Place(320, 32, 89, 22);
inline constexpr Rect kButton1 = Place(8, 48, 233, 25);
inline constexpr const char* kButton1Text = "Прочитать все параметры";
inline constexpr Rect kBitBtn1 = Place(680, 64, 121, 25);
inline constexpr const char* kBitBtn1Text = "Закрыть (Esc)";

// The ports the window offers and the addresses a line holds.
inline constexpr int kComPortMin = 1;
inline constexpr int kComPortMax = 24;
inline constexpr int kAddressMin = 1;
inline constexpr int kAddressMax = 64;

// The tab strip with its client area; the grid fills the area below the tabs.
inline constexpr Rect kTabControl1 = Place(1, 80, 815, 596);
inline constexpr int kTabStripHeight = 24;
inline constexpr Rect kRxDGCommon = Place(4, kTabStripHeight, 807, 568);  // within the tab area
inline constexpr std::array<const char*, 3> kTabs = {"Общие команды", "Программирование адреса",
                                                     "Программирование параметров"};
inline constexpr int kHeaderHeight = 24;
inline constexpr std::array<int, kColumnCount> kColumnWidths = {38, 422, 76, 64, 169};
// Wrapped cell text keeps this far from the cell's edges; rows are measured
// with the same margins, so that a row fits the text it draws.
inline constexpr int kCellMargin = 2;
inline constexpr int kNameBackgroundRgb = 0xC0DCC0;  // the name column's green
inline constexpr int kReadProgressWidth = 160;       // the status bar's progress part

inline constexpr int kStatusDisplayMs = 2000;     // Timer1: how long a write message stays red
inline constexpr int kEditorDelayMs = 50;         // Timer2: lets the grid settle on its new cell
inline constexpr int kStatusAlertRgb = 0xFF0000;  // the status line's red

// ---- TAddrFrm ----
inline constexpr const char* kAddrFormCaption = "Адрес пистолета";
inline constexpr int kAddrFormWidth = 226;  // client area
inline constexpr int kAddrFormHeight = 104;
inline constexpr Point kAddrLabel1{8, 8};
inline constexpr const char* kAddrLabel1Text = "№ ТРК";
inline constexpr Rect kNTrkEdit = Place(16, 24, 65, 22);
inline constexpr Point kAddrLabel2{103, 8};
inline constexpr const char* kAddrLabel2Text = "№ пистолета";
inline constexpr Rect kNPstEdit = Place(112, 24, 65, 22);
inline constexpr Rect kBevel1 = Place(0, 64, 225, 2);
inline constexpr Rect kAddrBitBtn1 = Place(48, 72, 83, 25);
inline constexpr const char* kAddrBitBtn1Text = "Вычислить";
inline constexpr Rect kAddrBitBtn2 = Place(136, 72, 83, 25);
inline constexpr const char* kAddrBitBtn2Text = "Отмена";

}  // namespace kavo5000::window::layout

#endif  // KAVO5000_WINDOW_PARAMFRAMELAYOUT_H
