// ParamGrid.cpp — the parameter window's grid model, view and cell drawing.
#include "ParamGrid.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <optional>

namespace kavo5000::window {

namespace {

constexpr int kUnboundedHeight = 1 << 20;
const QColor kNameBackground = QColor::fromRgb(layout::kNameBackgroundRgb);

}  // namespace

catalogue::NumberFormat SystemNumberFormat() {
  const QLocale locale = QLocale::system();
  return catalogue::NumberFormat{QString(locale.decimalPoint()).toStdString(),
                                 QString(locale.groupSeparator()).toStdString()};
}

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

QRect ToQRect(const Rect& r) {
  return QRect(r.left, r.top, r.Width(), r.Height());
}

Rect FromQRect(const QRect& r) {
  return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

int WrappedTextHeight(const QFont& font, std::string_view text, int width) {
  return QFontMetrics(font)
      .boundingRect(QRect(0, 0, width, kUnboundedHeight),
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, FromUtf8(text))
      .height();
}

// ---- the model ----

ParamGridModel::ParamGridModel(QObject* parent)
    : QAbstractTableModel(parent), format_(SystemNumberFormat()) {}

void ParamGridModel::SetParams(const catalogue::CTRKParameters* params) {
  // Rows go and come without a reset, so that the columns keep their widths.
  if (const int old = rowCount(); old > 0) {
    beginRemoveRows(QModelIndex(), 0, old - 1);
    params_ = nullptr;
    endRemoveRows();
  }
  if (params != nullptr && params->Count() > 0) {
    beginInsertRows(QModelIndex(), 0, params->Count() - 1);
    params_ = params;
    endInsertRows();
  }
}

void ParamGridModel::RowsChanged() {
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
}

int ParamGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || params_ == nullptr ? 0 : params_->Count();
}

int ParamGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant ParamGridModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || params_ == nullptr || !index.isValid() ||
      index.row() >= params_->Count()) {
    return {};
  }
  return FromUtf8(CellText(params_->Item(index.row()), index.column(), format_));
}

QVariant ParamGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) return FromUtf8(HeaderText(section));
  if (role == Qt::TextAlignmentRole) {
    const Qt::Alignment horizontal = section == kCodeColumn ? Qt::AlignHCenter : Qt::AlignLeft;
    return QVariant::fromValue(static_cast<int>(horizontal | Qt::AlignVCenter));
  }
  return {};
}

// ---- the grid ----

TOpenedRXDrawGrid::TOpenedRXDrawGrid(QWidget* parent) : QTableView(parent) {}

bool TOpenedRXDrawGrid::SelectCell(int row) const {
  return row >= 0 && !isRowHidden(row) && rowHeight(row) >= 1;
}

QModelIndex TOpenedRXDrawGrid::moveCursor(CursorAction cursorAction,
                                          Qt::KeyboardModifiers modifiers) {
  const QModelIndex next = QTableView::moveCursor(cursorAction, modifiers);
  if (next.isValid() && !SelectCell(next.row())) return currentIndex();
  return next;
}

void TOpenedRXDrawGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  emit CellSelected();
}

void TOpenedRXDrawGrid::mousePressEvent(QMouseEvent* event) {
  QTableView::mousePressEvent(event);
  // A click on the current cell selects it again: its editor comes back.
  if (indexAt(event->pos()).isValid()) emit CellSelected();
}

void TOpenedRXDrawGrid::mouseMoveEvent(QMouseEvent* event) {
  QTableView::mouseMoveEvent(event);
  emit MouseMoved(event->pos());
}

void TOpenedRXDrawGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  emit DoubleClicked(event->pos());
}

void TOpenedRXDrawGrid::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  emit Entered();
}

bool TOpenedRXDrawGrid::viewportEvent(QEvent* event) {
  // The hints follow the pointer from mouse moves; the view's own tooltip
  // handling would hide them again.
  if (event->type() == QEvent::ToolTip) return true;
  return QTableView::viewportEvent(event);
}

void TOpenedRXDrawGrid::keyboardSearch(const QString& /*search*/) {}

ParamCellDelegate::ParamCellDelegate(DrawCell draw, QObject* parent)
    : QStyledItemDelegate(parent), draw_(std::move(draw)) {}

void ParamCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  draw_(*painter, option, index);
}

// ---- drawing ----

void DrawParamCell(QPainter& painter, const QStyleOptionViewItem& option,
                   const QModelIndex& index) {
  const bool selected = (option.state & QStyle::State_Selected) != 0;
  const QRect cell = option.rect;
  const QRect inner = cell.adjusted(kCellMargin, kCellMargin, -kCellMargin, -kCellMargin);
  const QString text = index.data(Qt::DisplayRole).toString();
  const int wrapped = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

  painter.save();
  painter.fillRect(cell, selected ? option.palette.highlight() : option.palette.base());
  painter.setPen(selected ? option.palette.highlightedText().color()
                          : option.palette.text().color());
  switch (index.column()) {
    case kCodeColumn:
      painter.drawText(cell, Qt::AlignCenter | Qt::TextSingleLine, text);
      break;
    case kNameColumn:
      // The name column stays green with black text, also in the selected row.
      painter.fillRect(cell, kNameBackground);
      painter.setPen(Qt::black);
      painter.drawText(inner, wrapped, text);
      break;
    case kLimitsColumn:
      painter.drawText(inner, wrapped, text);
      break;
    case kReadColumn:
    case kWriteColumn:
      DrawBoxedText(painter, cell, text);
      break;
    default:
      break;
  }
  painter.restore();
}

void DrawBoxedText(QPainter& painter, const QRect& cell, const QString& text) {
  const std::optional<BoxedText> box = BoxedTextRects(FromQRect(cell));
  if (!box) return;
  painter.drawText(ToQRect(box->text), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::NoBrush);
  // A one-pixel outline covers its rectangle's right and bottom lines too.
  painter.drawRect(ToQRect(box->frame).adjusted(0, 0, -1, -1));
}

}  // namespace kavo5000::window
