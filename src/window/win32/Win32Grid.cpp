// Win32Grid.cpp — the owner-painted grid: its window class, painting,
// scrolling, keyboard, mouse, header and hints.
#include "Win32Grid.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "ParamFrameIds.h"
#include "ParamFrameLayout.h"
#include "Win32Dialog.h"
#include "Win32Text.h"

namespace kavo5000::window::win32 {

namespace {

constexpr const wchar_t* kClassName = L"TRXDrawGrid";
constexpr int kLineStep = kMinRowHeight;       // a scroll-bar arrow moves one low row
constexpr int kNarrowestColumn = 16;           // pixels a column keeps when held in view
constexpr int kWheelStep = 3 * kMinRowHeight;  // a wheel notch three
constexpr UINT kTextFlags = DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX;

COLORREF ToColorRef(int rgb) {
  constexpr int kByte = 0xFF;
  constexpr int kRedShift = 16;
  constexpr int kGreenShift = 8;
  return RGB((rgb >> kRedShift) & kByte, (rgb >> kGreenShift) & kByte, rgb & kByte);
}

RECT ToRect(const Rect& r) {
  return RECT{r.left, r.top, r.right, r.bottom};
}

void DrawTextIn(HDC dc, const std::wstring& text, const Rect& place, UINT flags) {
  RECT r = ToRect(place);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
}

// The class, registered under the module's instance on first use and taken
// back when the module unloads (Windows keeps a DLL's classes otherwise).
struct GridClass {
  ATOM atom = 0;
  explicit GridClass(WNDPROC procedure) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = procedure;
    wc.hInstance = ModuleInstance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    atom = RegisterClassExW(&wc);
  }
  GridClass(const GridClass&) = delete;
  GridClass& operator=(const GridClass&) = delete;
  ~GridClass() {
    if (atom != 0) UnregisterClassW(kClassName, ModuleInstance());
  }
};

}  // namespace

TRXDrawGrid::TRXDrawGrid(Events events) : events_(std::move(events)) {
  for (const int width : layout::kColumnWidths) widths_.push_back(width);
}

TRXDrawGrid* TRXDrawGrid::Create(HWND parent, int id, const Rect& place, Events events) {
  static const GridClass registered(&Procedure);
  // The window takes the object at WM_NCCREATE and deletes it at
  // WM_NCDESTROY; until then, and if it never gets there, this does.
  std::unique_ptr<TRXDrawGrid> grid(new TRXDrawGrid(std::move(events)));
  TRXDrawGrid* made = grid.get();
  HWND window = CreateWindowExW(
      WS_EX_CLIENTEDGE, kClassName, L"",
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
      place.left, place.top, place.Width(), place.Height(), parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(), &grid);
  return window != nullptr ? made : nullptr;
}

LRESULT CALLBACK TRXDrawGrid::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* owner = static_cast<std::unique_ptr<TRXDrawGrid>*>(
        reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    TRXDrawGrid* grid = owner->release();
    grid->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(grid));
  }
  auto* grid = reinterpret_cast<TRXDrawGrid*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (grid == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    delete grid;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  // Nothing thrown may cross the system's frames back into the host.
  try {
    return grid->Message(message, wParam, lParam);
  } catch (...) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
}

void TRXDrawGrid::Created() {
  RECT client{};
  GetClientRect(window_, &client);
  header_ = MakeControl(window_, WC_HEADERW, "", WS_VISIBLE | HDS_HORZ | HDS_FULLDRAG,
                        Rect{0, 0, client.right, layout::kHeaderHeight}, 0);
  for (int column = 0; column < kColumnCount; ++column) {
    std::wstring text = Widen(HeaderText(column));
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
    item.pszText = text.data();
    item.cxy = widths_[static_cast<std::size_t>(column)];
    item.fmt = (column == kCodeColumn ? HDF_CENTER : HDF_LEFT) | HDF_STRING;
    SendMessageW(header_, HDM_INSERTITEMW, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&item));
  }
  hint_.Create(window_);
  UpdateScrollBar();
}

void TRXDrawGrid::SetRowHeights(grid::RowHeights heights) {
  heights_ = std::move(heights);
  const Rect area = RowsArea();
  scrollTop_ = grid::ClampScroll(heights_, scrollTop_, area.Height());
  UpdateScrollBar();
  InvalidateRect(window_, nullptr, FALSE);
}

int TRXDrawGrid::RowHeight(int row) const {
  return grid::RowShown(heights_, row) ? heights_[static_cast<std::size_t>(row - 1)]
                                       : kHiddenRowHeight;
}

int TRXDrawGrid::ColumnWidth(int column) const {
  return column >= 0 && column < kColumnCount ? widths_[static_cast<std::size_t>(column)] : 0;
}

bool TRXDrawGrid::SetCurrent(int row, int column) {
  if (!grid::RowShown(heights_, row) || column < 0 || column >= kColumnCount) return false;
  row_ = row;
  column_ = column;
  ScrollTo(grid::ScrollToShow(heights_, row, scrollTop_, RowsArea().Height()));
  InvalidateRect(window_, nullptr, FALSE);
  if (events_.cellSelected) events_.cellSelected();
  return true;
}

Rect TRXDrawGrid::CellRect(int row, int column) const {
  return grid::CellRect(heights_, widths_, row, column, scrollTop_, layout::kHeaderHeight);
}

Rect TRXDrawGrid::RowsArea() const {
  RECT client{};
  GetClientRect(window_, &client);
  return Rect{0, layout::kHeaderHeight, client.right,
              std::max<int>(client.bottom, layout::kHeaderHeight)};
}

int TRXDrawGrid::MeasureText(std::string_view text, int width) const {
  const std::wstring wide = Widen(text);
  HDC dc = GetDC(window_);
  HGDIOBJ old = SelectObject(dc, DialogFont());
  RECT r{0, 0, width, 0};
  DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r, kTextFlags | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(window_, dc);
  return r.bottom - r.top;
}

void TRXDrawGrid::Refresh() const {
  InvalidateRect(window_, nullptr, FALSE);
}

void TRXDrawGrid::ScrollTo(int top) {
  const Rect area = RowsArea();
  top = grid::ClampScroll(heights_, top, area.Height());
  if (top == scrollTop_) return;
  scrollTop_ = top;
  UpdateScrollBar();
  const RECT rows = ToRect(area);
  InvalidateRect(window_, &rows, FALSE);
  if (events_.scrolled) events_.scrolled();
}

void TRXDrawGrid::UpdateScrollBar() {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = std::max(0, grid::ContentHeight(heights_) - 1);
  info.nPage = static_cast<UINT>(RowsArea().Height());
  info.nPos = scrollTop_;
  SetScrollInfo(window_, SB_VERT, &info, TRUE);
}

void TRXDrawGrid::Paint() {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(window_, &ps);
  const Rect area = RowsArea();
  HRGN clip = CreateRectRgn(area.left, area.top, area.right, area.bottom);
  SelectClipRgn(dc, clip);
  HGDIOBJ oldFont = SelectObject(dc, DialogFont());
  SetBkMode(dc, TRANSPARENT);
  const RECT all = ToRect(area);
  FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
  for (int row = 1; row <= RowCount(); ++row) {
    if (!grid::RowShown(heights_, row)) continue;
    const Rect first = CellRect(row, 0);
    if (first.bottom <= area.top) continue;
    if (first.top >= area.bottom) break;
    for (int column = 0; column < kColumnCount; ++column)
      PaintCell(dc, row, column, CellRect(row, column));
  }
  SelectObject(dc, oldFont);
  SelectClipRgn(dc, nullptr);
  DeleteObject(clip);
  EndPaint(window_, &ps);
}

void TRXDrawGrid::PaintCell(HDC dc, int row, int column, const Rect& cell) const {
  const bool selected = row == row_;
  const std::wstring text = Widen(events_.cellText ? events_.cellText(row, column) : std::string());
  RECT r = ToRect(cell);
  FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const Rect inner{cell.left + layout::kCellMargin, cell.top + layout::kCellMargin,
                   cell.right - layout::kCellMargin, cell.bottom - layout::kCellMargin};
  switch (column) {
    case kCodeColumn:
      DrawTextIn(dc, text, cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      break;
    case kNameColumn: {
      // The name column stays green with black text, also in the selected row.
      HBRUSH green = CreateSolidBrush(ToColorRef(layout::kNameBackgroundRgb));
      FillRect(dc, &r, green);
      DeleteObject(green);
      SetTextColor(dc, RGB(0, 0, 0));
      DrawTextIn(dc, text, inner, kTextFlags);
      break;
    }
    case kLimitsColumn:
      DrawTextIn(dc, text, inner, kTextFlags);
      break;
    case kReadColumn:
    case kWriteColumn:
      if (const std::optional<BoxedText> box = BoxedTextRects(cell)) {
        DrawTextIn(dc, text, box->text, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        const RECT frame = ToRect(box->frame);
        FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      }
      break;
    default:
      break;
  }
  // The grid's lines: right and bottom edges of every cell.
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  MoveToEx(dc, cell.right - 1, cell.top, nullptr);
  LineTo(dc, cell.right - 1, cell.bottom - 1);
  LineTo(dc, cell.left - 1, cell.bottom - 1);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  if (selected && column == column_ && GetFocus() == window_) DrawFocusRect(dc, &r);
}

void TRXDrawGrid::Key(WPARAM key) {
  const int page = RowsArea().Height();
  int row = row_;
  int column = column_;
  switch (key) {
    case VK_UP:
      row = grid::MoveRow(heights_, row_, grid::Move::kUp, page);
      break;
    case VK_DOWN:
      row = grid::MoveRow(heights_, row_, grid::Move::kDown, page);
      break;
    case VK_PRIOR:
      row = grid::MoveRow(heights_, row_, grid::Move::kPageUp, page);
      break;
    case VK_NEXT:
      row = grid::MoveRow(heights_, row_, grid::Move::kPageDown, page);
      break;
    case VK_HOME:
      row = grid::MoveRow(heights_, row_, grid::Move::kFirst, page);
      break;
    case VK_END:
      row = grid::MoveRow(heights_, row_, grid::Move::kLast, page);
      break;
    case VK_LEFT:
      column = std::max(column_ - 1, 0);
      break;
    case VK_RIGHT:
      column = std::min(column_ + 1, kColumnCount - 1);
      break;
    default:
      return;
  }
  if (row != row_ || column != column_) SetCurrent(row, column);
}

void TRXDrawGrid::Press(LPARAM point, bool twice) {
  SetFocus(window_);
  const int x = GET_X_LPARAM(point);
  const int y = GET_Y_LPARAM(point);
  if (y < layout::kHeaderHeight) return;
  const int row = grid::RowAt(heights_, y - layout::kHeaderHeight + scrollTop_);
  const int column = grid::ColumnAt(widths_, x);
  // A click on the current cell chooses it again: its editor comes back.
  if (!SetCurrent(row, column)) return;
  if (twice && events_.doubleClicked) events_.doubleClicked(row, column);
}

void TRXDrawGrid::HeaderChanged() {
  grid::ColumnWidths widths = widths_;
  int resized = -1;
  for (int column = 0; column < kColumnCount; ++column) {
    HDITEMW item{};
    item.mask = HDI_WIDTH;
    SendMessageW(header_, HDM_GETITEMW, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&item));
    if (item.cxy != widths[static_cast<std::size_t>(column)]) resized = column;
    widths[static_cast<std::size_t>(column)] = item.cxy;
  }
  // Every column stays in view: a column dragged wider than the view leaves
  // gives back the difference (the header is told, and tells again).
  widths_ = grid::HoldColumnsInView(widths, resized, RowsArea().Width(), kNarrowestColumn);
  if (resized >= 0 && widths_ != widths) {
    HDITEMW item{};
    item.mask = HDI_WIDTH;
    item.cxy = widths_[static_cast<std::size_t>(resized)];
    SendMessageW(header_, HDM_SETITEMW, static_cast<WPARAM>(resized),
                 reinterpret_cast<LPARAM>(&item));
  }
  if (events_.columnSized) events_.columnSized();
  InvalidateRect(window_, nullptr, FALSE);
}

void TRXDrawGrid::PointerMoved(LPARAM point) {
  const int y = GET_Y_LPARAM(point) - layout::kHeaderHeight;
  const int row = y < 0 ? 0 : grid::RowAt(heights_, y + scrollTop_);
  const int column = row == 0 ? -1 : grid::ColumnAt(widths_, GET_X_LPARAM(point));
  hint_.Follow(POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)}, HintText(row, column));
}

LRESULT TRXDrawGrid::GetCellText(WPARAM cell, LPARAM into) const {
  const int column = LOWORD(cell);
  const int row = HIWORD(cell);
  if (row < 1 || row > RowCount() || column >= kColumnCount || !events_.cellText) return 0;
  const std::wstring text = Widen(events_.cellText(row, column));
  if (auto* out = reinterpret_cast<ids::GridCellText*>(into); out != nullptr && out->size > 0) {
    const std::size_t fits = std::min(text.size(), static_cast<std::size_t>(out->size - 1));
    text.copy(out->buffer, fits);
    out->buffer[fits] = L'\0';
  }
  return static_cast<LRESULT>(text.size());
}

LRESULT TRXDrawGrid::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      Created();
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
      Key(wParam);
      return 0;
    case WM_LBUTTONDOWN:
      Press(lParam, false);
      return 0;
    case WM_LBUTTONDBLCLK:
      Press(lParam, true);
      return 0;
    case WM_MOUSEMOVE:
      PointerMoved(lParam);
      return 0;
    case WM_MOUSELEAVE:
      hint_.Hide();
      return 0;
    case WM_MOUSEWHEEL:
      ScrollTo(scrollTop_ - GET_WHEEL_DELTA_WPARAM(wParam) * kWheelStep / WHEEL_DELTA);
      return 0;
    case WM_VSCROLL: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_ALL;
      GetScrollInfo(window_, SB_VERT, &info);
      const int page = RowsArea().Height();
      switch (LOWORD(wParam)) {
        case SB_LINEUP:
          ScrollTo(scrollTop_ - kLineStep);
          break;
        case SB_LINEDOWN:
          ScrollTo(scrollTop_ + kLineStep);
          break;
        case SB_PAGEUP:
          ScrollTo(scrollTop_ - page);
          break;
        case SB_PAGEDOWN:
          ScrollTo(scrollTop_ + page);
          break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
          ScrollTo(info.nTrackPos);
          break;
        case SB_TOP:
          ScrollTo(0);
          break;
        case SB_BOTTOM:
          ScrollTo(grid::MaxScroll(heights_, page));
          break;
        default:
          break;
      }
      return 0;
    }
    case WM_SETFOCUS:
      InvalidateRect(window_, nullptr, FALSE);
      if (events_.entered) events_.entered();
      return 0;
    case WM_KILLFOCUS:
      InvalidateRect(window_, nullptr, FALSE);
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == header_ &&
          (header->code == HDN_ITEMCHANGEDW || header->code == HDN_ITEMCHANGEDA)) {
        HeaderChanged();
      } else {
        hint_.AnswerText(*reinterpret_cast<NMHDR*>(lParam));
      }
      return 0;
    }
    case ids::GM_GETCURRENT:
      return MAKELRESULT(column_, row_);
    case ids::GM_SETCURRENT:
      return SetCurrent(static_cast<int>(wParam), static_cast<int>(lParam)) ? TRUE : FALSE;
    case ids::GM_GETROWCOUNT:
      return RowCount();
    case ids::GM_GETROWHEIGHT:
      return RowHeight(static_cast<int>(wParam));
    case ids::GM_GETCELLRECT: {
      const int row = HIWORD(wParam);
      if (!grid::RowShown(heights_, row)) return FALSE;
      *reinterpret_cast<RECT*>(lParam) = ToRect(CellRect(row, LOWORD(wParam)));
      return TRUE;
    }
    case ids::GM_GETCELLTEXT:
      return GetCellText(wParam, lParam);
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

}  // namespace kavo5000::window::win32
