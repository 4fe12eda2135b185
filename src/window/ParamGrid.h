// ParamGrid.h — the parameter window's grid: the model that turns catalogue
// rows into cell texts, the owner-drawn view that refuses hidden rows, and
// the drawing of its cells. The window (ParamFrame.h) owns one of each and
// applies what the plain functions of ParamFrameLogic.h compute.
#ifndef KAVO5000_WINDOW_PARAMGRID_H
#define KAVO5000_WINDOW_PARAMGRID_H

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <string_view>

#include "NumberFormat.h"
#include "ParamFrameLayout.h"
#include "ParamFrameLogic.h"
#include "ParameterUnit.h"

namespace kavo5000::window {

// The separators of displayed numbers, from the user's locale as Qt sees it.
catalogue::NumberFormat SystemNumberFormat();

QString FromUtf8(std::string_view text);
QRect ToQRect(const Rect& r);
Rect FromQRect(const QRect& r);

using layout::kCellMargin;

// Height in pixels of `text` word-wrapped to `width` in `font`.
int WrappedTextHeight(const QFont& font, std::string_view text, int width);

// The grid's rows: one per catalogue row (grid row r is model row r − 1; the
// header row is the view's header). DisplayRole holds what each cell draws.
class ParamGridModel : public QAbstractTableModel {
 public:
  explicit ParamGridModel(QObject* parent = nullptr);

  // The table shown, or none (no rows). Not owned.
  void SetParams(const catalogue::CTRKParameters* params);
  // The cells of every row changed (a read or write landed).
  void RowsChanged();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const catalogue::CTRKParameters* params_ = nullptr;
  catalogue::NumberFormat format_;
};

// The owner-drawn grid: refuses to make a cell of a hidden row current, and
// reports every cell selection, also a click on the current cell.
class TOpenedRXDrawGrid : public QTableView {
  Q_OBJECT
 public:
  explicit TOpenedRXDrawGrid(QWidget* parent = nullptr);

  // Whether a cell of model row `row` may become current: not in a hidden row.
  bool SelectCell(int row) const;
  // Typing letters does not jump to a row: it could land on another tab's.
  void keyboardSearch(const QString& search) override;

 signals:
  void CellSelected();
  void Entered();
  void MouseMoved(const QPoint& viewportPos);
  void DoubleClicked(const QPoint& viewportPos);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  bool viewportEvent(QEvent* event) override;
};

// The class under which the window's grid is created.
class TRXDrawGrid : public TOpenedRXDrawGrid {
 public:
  using TOpenedRXDrawGrid::TOpenedRXDrawGrid;
};

// Hands the painting of every cell to the window's draw handler.
class ParamCellDelegate : public QStyledItemDelegate {
 public:
  using DrawCell = std::function<void(QPainter&, const QStyleOptionViewItem&, const QModelIndex&)>;
  ParamCellDelegate(DrawCell draw, QObject* parent);
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  DrawCell draw_;
};

// One cell as the grid shows it: the header row's texts come from the view's
// header; the code centred; the name on its green ground, black also when
// selected; the limits wrapped; the read and write values boxed.
void DrawParamCell(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index);
// The framed value of the "Чтение" and "Запись" cells.
void DrawBoxedText(QPainter& painter, const QRect& cell, const QString& text);

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_PARAMGRID_H
