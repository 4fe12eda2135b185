// ParamFrame.cpp — the parameter window's controls, its grid and the editors
// over the "Запись" cell.
#include "ParamFrame.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFocusEvent>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <algorithm>
#include <array>
#include <limits>

#include "Controls.h"

#include "AddrFrame.h"
#include "VM30.h"

namespace kavo5000::window {

namespace {

// The window's layout, in pixels within each control's parent.
constexpr int kClientWidth = 817;
constexpr int kClientHeight = 696;
constexpr int kStatusHeight = 19;
constexpr const char* kCaption = "Программирование параметров ТРК";
// The controls are laid out in pixels for "MS Sans Serif" 8 pt; where it is
// missing, a sans serif of the same widths keeps the labels clear of the boxes.
constexpr std::array<const char*, 4> kFontFamilies = {"MS Sans Serif", "Microsoft Sans Serif",
                                                      "Arial", "Liberation Sans"};
constexpr int kFontPoints = 8;

constexpr int kComPortMax = 24;
constexpr int kAddressMax = 64;

constexpr int kTabStripHeight = 24;
constexpr QRect kGridPlace{4, kTabStripHeight, 807, 568};
constexpr int kHeaderHeight = 24;
constexpr std::array<int, kColumnCount> kColumnWidths = {38, 422, 76, 64, 169};
constexpr std::array<const char*, 3> kTabs = {"Общие команды", "Программирование адреса",
                                              "Программирование параметров"};

constexpr int kStatusDisplayMs = 2000;  // how long a write message stays red
constexpr int kEditorDelayMs = 50;
constexpr int kReadProgressWidth = 160;
const QColor kStatusAlert(255, 0, 0);  // lets the grid settle on its new current cell

// Wrapped cell text keeps this far from the cell's edges; rows are measured
// with the same margins, so that a row fits the text it draws.
constexpr int kCellMargin = 2;
constexpr int kUnboundedHeight = 1 << 20;
const QColor kNameBackground(192, 220, 192);

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

QRect ToQRect(const Rect& r) {
  return QRect(r.left, r.top, r.Width(), r.Height());
}

Rect FromQRect(const QRect& r) {
  return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

QDoubleSpinBox* ValueBox(QWidget* parent, const char* name) {
  auto* box = new QDoubleSpinBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->hide();
  return box;
}

void ApplySpin(QDoubleSpinBox& box, const std::optional<SpinSetup>& setup) {
  if (setup) {
    box.setDecimals(setup->decimals);
    box.setRange(setup->minimum, setup->maximum);
    box.setSingleStep(setup->step);
    box.setValue(setup->value);
  }
  box.setVisible(setup.has_value());
}

bool HoldsFocus(const QWidget* widget) {
  const QWidget* focus = QApplication::focusWidget();
  return focus != nullptr && (focus == widget || widget->isAncestorOf(focus));
}

}  // namespace

catalogue::NumberFormat SystemNumberFormat() {
  const QLocale locale = QLocale::system();
  return catalogue::NumberFormat{QString(locale.decimalPoint()).toStdString(),
                                 QString(locale.groupSeparator()).toStdString()};
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

ParamCellDelegate::ParamCellDelegate(TParamFrm& form) : QStyledItemDelegate(&form), form_(form) {}

void ParamCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  form_.RxDGCommonDrawCell(*painter, option, index);
}

// ---- the window ----

TParamFrm::TParamFrm(QWidget* parent) : QDialog(parent), model_(new ParamGridModel(this)) {
  BuildControls();
}

// ---- the reader ----

TReadParamsTread::TReadParamsTread(TParamFrm& form) : form_(form) {}

void TReadParamsTread::run() {
  // The table stays until the window has stopped this thread (FormClose).
  const int rows = form_.params_ ? form_.params_->Count() : 0;
  for (int row = 1; row <= rows && !stop_; ++row) {
    CurRow = row;
    form_.ReadRow(row);
    QMetaObject::invokeMethod(
        &form_, [form = &form_, row] { form->ReaderRowDone(row); }, Qt::QueuedConnection);
  }
  QMetaObject::invokeMethod(
      &form_, [form = &form_] { form->ReaderFinished(); }, Qt::QueuedConnection);
}

TParamFrm::~TParamFrm() {
  StopReader();
  // The grid's model must not outlive the table it shows.
  model_->SetParams(nullptr);
}

void TParamFrm::BuildControls() {
  setObjectName(QStringLiteral("ParamFrm"));
  setWindowTitle(QString::fromUtf8(kCaption));
  setFixedSize(kClientWidth, kClientHeight);
  QFont font(QString::fromLatin1(kFontFamilies[0]), kFontPoints);
  QStringList families;
  for (const char* family : kFontFamilies) families << QString::fromLatin1(family);
  font.setFamilies(families);
  setFont(font);

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(0, 0, kClientWidth, kClientHeight - kStatusHeight);

  Label1 = TextLabel(Panel1, "Label1", {8, 14}, "№ СОМ-порта");
  ComPortEdit = IntegerBox(Panel1, "ComPortEdit", {96, 8, 89, 22}, 1, kComPortMax, 1);
  Label2 = TextLabel(Panel1, "Label2", {224, 14}, "Адрес пистолета");
  AddrEdit = IntegerBox(Panel1, "AddrEdit", {320, 8, 89, 22}, 1, kAddressMax, 1);
  AddrBtn = new QToolButton(Panel1);
  AddrBtn->setObjectName(QStringLiteral("AddrBtn"));
  AddrBtn->setGeometry(408, 8, 23, 22);
  AddrBtn->setText(QStringLiteral("…"));
  AddrBtn->setEnabled(false);
  Label3 = TextLabel(Panel1, "Label3", {264, 38}, "ID-номер");
  // The ID number travels in the row's code, a 32-bit integer.
  edIDNumber = IntegerBox(Panel1, "edIDNumber", {320, 32, 89, 22}, 0,
                          std::numeric_limits<std::int32_t>::max(), 0);

  Button1 = new QPushButton(QString::fromUtf8("Прочитать все параметры"), Panel1);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(8, 48, 233, 25);
  QFont bold = Button1->font();
  bold.setBold(true);
  Button1->setFont(bold);

  TabControl1 = new QWidget(Panel1);
  TabControl1->setObjectName(QStringLiteral("TabControl1"));
  TabControl1->setGeometry(1, 80, 815, 596);
  TabBar = new QTabBar(TabControl1);
  TabBar->setObjectName(QStringLiteral("TabControl1Tabs"));
  TabBar->setExpanding(false);
  for (const char* tab : kTabs) TabBar->addTab(QString::fromUtf8(tab));
  TabBar->setGeometry(0, 0, TabControl1->width(), kTabStripHeight);
  TabBar->setCurrentIndex(catalogue::pgCommon);

  RxDGCommon = new TRXDrawGrid(TabControl1);
  RxDGCommon->setObjectName(QStringLiteral("RxDGCommon"));
  RxDGCommon->setGeometry(kGridPlace);
  RxDGCommon->setModel(model_);
  RxDGCommon->setItemDelegate(new ParamCellDelegate(*this));
  RxDGCommon->setSelectionBehavior(QAbstractItemView::SelectRows);
  RxDGCommon->setSelectionMode(QAbstractItemView::SingleSelection);
  RxDGCommon->setEditTriggers(QAbstractItemView::NoEditTriggers);
  RxDGCommon->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  RxDGCommon->setTabKeyNavigation(false);
  RxDGCommon->setMouseTracking(true);
  RxDGCommon->verticalHeader()->hide();
  RxDGCommon->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  RxDGCommon->verticalHeader()->setMinimumSectionSize(1);
  QHeaderView* header = RxDGCommon->horizontalHeader();
  header->setFixedHeight(kHeaderHeight);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::Interactive);
  for (int c = 0; c < kColumnCount; ++c)
    RxDGCommon->setColumnWidth(c, kColumnWidths[static_cast<std::size_t>(c)]);

  // Over the empty end of the tab strip, as in the original layout.
  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                            QString::fromUtf8("Закрыть (Esc)"), Panel1);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(680, 64, 121, 25);
  // Enter belongs to the value editors: no button takes it.
  for (QPushButton* button : {Button1, BitBtn1}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setGeometry(0, kClientHeight - kStatusHeight, kClientWidth, kStatusHeight);
  StatusBar1->setAutoFillBackground(true);
  ReadProgress = new QProgressBar(StatusBar1);
  ReadProgress->setObjectName(QStringLiteral("ReadProgress"));
  ReadProgress->setMaximumHeight(kStatusHeight - 4);
  ReadProgress->setFixedWidth(kReadProgressWidth);
  ReadProgress->setFormat(QString::fromUtf8("Прочитано %v из %m"));
  StatusBar1->addPermanentWidget(ReadProgress);
  ReadProgress->hide();

  // The editors float over the grid, children of the tab area.
  WriteValueEdit = ValueBox(TabControl1, "WriteValueEdit");
  WriteValueEdit2 = ValueBox(TabControl1, "WriteValueEdit2");
  WriteValueCB = new QComboBox(TabControl1);
  WriteValueCB->setObjectName(QStringLiteral("WriteValueCB"));
  WriteValueCB->setEditable(false);
  WriteValueCB->hide();
  for (QWidget* editor :
       {static_cast<QWidget*>(WriteValueEdit), static_cast<QWidget*>(WriteValueEdit2),
        static_cast<QWidget*>(WriteValueCB)}) {
    editor->installEventFilter(this);
  }

  ActionExit = new QAction(this);
  ActionExit->setObjectName(QStringLiteral("ActionExit"));
  ActionExit->setShortcuts({QKeySequence(QStringLiteral("Alt+X")), QKeySequence(Qt::Key_Escape)});
  addAction(ActionExit);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kStatusDisplayMs);
  Timer2 = new QTimer(this);
  Timer2->setObjectName(QStringLiteral("Timer2"));
  Timer2->setInterval(kEditorDelayMs);

  connect(TabBar, &QTabBar::currentChanged, this, [this](int tab) { TabControl1Change(tab); });
  connect(header, &QHeaderView::sectionResized, this, [this] { RxDGCommonColumnSized(); });
  connect(RxDGCommon, &TOpenedRXDrawGrid::CellSelected, this, [this] { RxDGCommonSelectCell(); });
  connect(RxDGCommon, &TOpenedRXDrawGrid::Entered, this, [this] { RxDGCommonEnter(); });
  connect(RxDGCommon, &TOpenedRXDrawGrid::MouseMoved, this,
          [this](const QPoint& pos) { RxDGCommonMouseMove(pos); });
  connect(RxDGCommon->verticalScrollBar(), &QScrollBar::valueChanged, this,
          [this] { FollowEditorCell(); });
  connect(RxDGCommon->horizontalScrollBar(), &QScrollBar::valueChanged, this,
          [this] { FollowEditorCell(); });
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });
  connect(RxDGCommon, &TOpenedRXDrawGrid::DoubleClicked, this,
          [this](const QPoint& pos) { RxDGCommonDblClick(pos); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(AddrBtn, &QToolButton::clicked, this, [this] { AddrBtnClick(); });
  connect(ComPortEdit, qOverload<int>(&QSpinBox::valueChanged), this,
          [this](int value) { comPort_ = value; });
  connect(AddrEdit, qOverload<int>(&QSpinBox::valueChanged), this,
          [this](int value) { address_ = value; });
  connect(ActionExit, &QAction::triggered, this, [this] { ActionExitExecute(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { ActionExitExecute(); });
}

int TParamFrm::CurrentRow() const {
  const QModelIndex current = RxDGCommon->currentIndex();
  return current.isValid() ? current.row() + 1 : 0;
}

int TParamFrm::CurrentColumn() const {
  const QModelIndex current = RxDGCommon->currentIndex();
  return current.isValid() ? current.column() : 0;
}

void TParamFrm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  if (const QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());
  FormShow();
}

void TParamFrm::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) FormClose();
}

void TParamFrm::FormShow() {
  LoadParams();
  AddrBtn->setEnabled(Driver != nullptr);
}

void TParamFrm::FormClose() {
  // The reader walks the table: it ends before the table goes.
  StopReader();
  FreeParams();
}

void TParamFrm::LoadParams() {
  try {
    auto params = std::make_unique<catalogue::CTRKParameters>();
    params->Fill();
    model_->SetParams(nullptr);
    params_ = std::move(params);
    model_->SetParams(params_.get());
    paramsLoaded_ = true;
    RxDGCommonColumnSized();
  } catch (...) {
    // The window stays up with what it has; the next showing tries again.
  }
}

void TParamFrm::FreeParams() {
  Timer2->stop();
  HideEditors();
  model_->SetParams(nullptr);
  params_.reset();
}

void TParamFrm::TabControl1Change(int tab) {
  ShowTabRows(tab);
  PlaceEditor(0, 0);
  RxDGCommonEnter();
}

void TParamFrm::RxDGCommonColumnSized() {
  ShowTabRows(TabBar->currentIndex());
  FollowEditorCell();
}

int TParamFrm::TextHeight(std::string_view text, int width) const {
  const QFontMetrics metrics(RxDGCommon->font());
  const QString qtext = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
  return metrics
      .boundingRect(QRect(0, 0, width, kUnboundedHeight),
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, qtext)
      .height();
}

int TParamFrm::CalcRowHeight(int row) {
  const catalogue::CParameter& p = params_->Item(row - 1);
  const catalogue::NumberFormat format = SystemNumberFormat();
  return window::CalcRowHeight(
      CellText(p, kNameColumn, format), RxDGCommon->columnWidth(kNameColumn) - 2 * kCellMargin,
      CellText(p, kLimitsColumn, format), RxDGCommon->columnWidth(kLimitsColumn) - 2 * kCellMargin,
      [this](std::string_view text, int width) { return TextHeight(text, width); });
}

void TParamFrm::ShowTabRows(int tab) {
  if (!paramsLoaded_ || !params_) return;
  const std::vector<int> heights =
      TabRowHeights(*params_, tab, [this](int row) { return CalcRowHeight(row); });
  for (std::size_t i = 0; i < heights.size(); ++i) {
    const int row = static_cast<int>(i);
    if (heights[i] == kHiddenRowHeight) {
      RxDGCommon->setRowHidden(row, true);
    } else {
      RxDGCommon->setRowHidden(row, false);
      RxDGCommon->setRowHeight(row, heights[i]);
    }
  }
}

void TParamFrm::RxDGCommonDrawCell(QPainter& painter, const QStyleOptionViewItem& option,
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

void TParamFrm::DrawBoxedText(QPainter& painter, const QRect& cell, const QString& text) {
  const std::optional<BoxedText> box = BoxedTextRects(FromQRect(cell));
  if (!box) return;
  painter.drawText(ToQRect(box->text), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::NoBrush);
  // A one-pixel outline covers its rectangle's right and bottom lines too.
  painter.drawRect(ToQRect(box->frame).adjusted(0, 0, -1, -1));
}

void TParamFrm::RxDGCommonMouseMove(const QPoint& viewportPos) {
  RxDGCommon->setToolTip(QString());
  const QModelIndex cell = RxDGCommon->indexAt(viewportPos);
  const QString hint =
      cell.isValid() ? FromUtf8(HintText(cell.row() + 1, cell.column())) : QString();
  RxDGCommon->setToolTip(hint);
  if (hint.isEmpty()) {
    QToolTip::hideText();
  } else {
    QToolTip::showText(RxDGCommon->viewport()->mapToGlobal(viewportPos), hint,
                       RxDGCommon->viewport());
  }
}

void TParamFrm::RxDGCommonSelectCell() {
  Timer2->start();
}

void TParamFrm::Timer2Timer() {
  Timer2->stop();
  PlaceEditor(CurrentRow(), CurrentColumn());
}

void TParamFrm::RxDGCommonEnter() {
  if (!params_) return;
  const int current = CurrentRow();
  const int row = EnterRow(*params_, TabBar->currentIndex(), current);
  if (row != current && row >= 1)
    RxDGCommon->setCurrentIndex(model_->index(row - 1, CurrentColumn()));
}

int TParamFrm::VisibleRowHeight(int row) const {
  if (row < 1 || row > model_->rowCount() || RxDGCommon->isRowHidden(row - 1)) return 0;
  return RxDGCommon->rowHeight(row - 1);
}

void TParamFrm::HideEditors() {
  WriteValueEdit->hide();
  WriteValueEdit2->hide();
  WriteValueCB->hide();
}

void TParamFrm::PrepareEditor(int row) {
  WriteValueEdit->setValue(0);
  editorSetup_ = window::PrepareEditor(params_->Item(row - 1));
  ApplySpin(*WriteValueEdit, editorSetup_.edit);
  ApplySpin(*WriteValueEdit2, editorSetup_.edit2);
  WriteValueCB->clear();
  if (editorSetup_.list) {
    for (const std::string& item : editorSetup_.items) WriteValueCB->addItem(FromUtf8(item));
    WriteValueCB->setEnabled(editorSetup_.listEnabled);
    WriteValueCB->setCurrentIndex(editorSetup_.listIndex);
  }
  WriteValueCB->setVisible(editorSetup_.list);
}

void TParamFrm::PlaceEditor(int row, int column) {
  if (!params_ || !TakesEditor(row, column, VisibleRowHeight(row))) {
    HideEditors();
    return;
  }
  editorRow_ = row;
  editorColumn_ = column;
  PrepareEditor(row);
  FollowEditorCell();
  if (!WriteValueCB->isHidden()) {
    WriteValueCB->setFocus();
  } else if (!WriteValueEdit->isHidden()) {
    WriteValueEdit->setFocus();
  }
}

void TParamFrm::FollowEditorCell() {
  if (WriteValueEdit->isHidden() && WriteValueEdit2->isHidden() && WriteValueCB->isHidden()) return;
  const QRect visual = RxDGCommon->visualRect(model_->index(editorRow_ - 1, editorColumn_));
  if (!params_ || VisibleRowHeight(editorRow_) <= 0 ||
      !RxDGCommon->viewport()->rect().contains(visual)) {
    HideEditors();
    return;
  }
  const QPoint topLeft = RxDGCommon->viewport()->mapTo(TabControl1, visual.topLeft());
  const std::optional<EditorPlacement> placement =
      window::PlaceEditor(editorSetup_, FromQRect(QRect(topLeft, visual.size())));
  if (!placement) {
    HideEditors();
    return;
  }
  QWidget* first = editorSetup_.list ? static_cast<QWidget*>(WriteValueCB)
                                     : static_cast<QWidget*>(WriteValueEdit);
  first->setGeometry(ToQRect(placement->first));
  first->raise();
  if (placement->second) {
    WriteValueEdit2->setGeometry(ToQRect(*placement->second));
    WriteValueEdit2->raise();
  }
}

void TParamFrm::WriteValueEditExit() {
  const bool focusOnABox = HoldsFocus(WriteValueEdit) || HoldsFocus(WriteValueEdit2);
  switch (LeaveEditor(!WriteValueCB->isHidden(), !WriteValueEdit->isHidden(),
                      !WriteValueEdit2->isHidden(), focusOnABox)) {
    case EditorExit::kHideList:
      WriteValueCB->hide();
      break;
    case EditorExit::kHideBoth:
      WriteValueEdit->hide();
      WriteValueEdit2->hide();
      break;
    case EditorExit::kHideEdit:
      WriteValueEdit->hide();
      break;
    case EditorExit::kNothing:
      break;
  }
}

void TParamFrm::ActionExitExecute() {
  close();
}

bool TParamFrm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    // The list's own popup and another window taking the focus do not leave
    // the editor: the technician is still at it.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
      WriteValueEditExit();
  } else if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    // Enter is the editors' key for writing; it never reaches the window as
    // a default-button press.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      WriteValueEditKeyDown(key);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

// ---- reading and writing ----

void TParamFrm::RxDGCommonDblClick(const QPoint& viewportPos) {
  const QModelIndex cell = RxDGCommon->indexAt(viewportPos);
  if (!params_ || !cell.isValid() || cell.column() != kReadColumn) return;
  const int row = cell.row() + 1;
  const std::string text = ReadParam(row);
  params_->Item(row - 1).SetReadText(text);
  model_->RowsChanged();
}

std::string TParamFrm::ReadParam(int row) {
  catalogue::CParameter& p = params_->Item(row - 1);
  const std::optional<catalogue::CommandFamily> family = catalogue::CommandFamilyOf(p.Kind);
  if (Driver == nullptr || !family) {
    p.SetReadError(true);
    return {};
  }
  std::string text;
  std::int32_t raw = -1;
  try {
    raw = Driver->WindowReadParam(static_cast<Byte>(*family), comPort_, address_, p.Code, p.Digits);
    text = p.ValueToText(raw, SystemNumberFormat());
  } catch (...) {
    text.clear();  // nothing read: the row is marked below
  }
  if (text.empty()) {
    p.SetReadError(true);
  } else {
    p.RecordRead(raw, text);
  }
  return text;
}

void TParamFrm::ReadRow(int row) {
  catalogue::CParameter& p = params_->Item(row - 1);
  const std::optional<catalogue::CommandFamily> family = catalogue::CommandFamilyOf(p.Kind);
  if (Driver == nullptr || !family) {
    p.SetReadError(true);
    return;
  }
  try {
    const std::int32_t raw =
        Driver->WindowReadParam(static_cast<Byte>(*family), comPort_, address_, p.Code, p.Digits);
    std::string text = p.ValueToText(raw, SystemNumberFormat());
    if (!text.empty()) {
      p.RecordRead(raw, std::move(text));
      return;
    }
  } catch (...) {
    // a failed read: only the mark below
  }
  p.SetReadError(true);
}

void TParamFrm::Button1Click() {
  if (readThread_ || !params_) return;
  ReadProgress->setRange(0, params_->Count());
  ReadProgress->setValue(0);
  ReadProgress->show();
  readThread_ = std::make_unique<TReadParamsTread>(*this);
  readThread_->start();
}

void TParamFrm::ReaderRowDone(int row) {
  model_->RowsChanged();
  if (readThread_) ReadProgress->setValue(row);
}

void TParamFrm::ReaderFinished() {
  // Also reached after StopReader already waited: then nothing is left to do.
  if (readThread_ && readThread_->isFinished()) {
    readThread_->wait();
    readThread_.reset();
    ReadProgress->hide();
  }
}

void TParamFrm::StopReader() {
  if (!readThread_) return;
  readThread_->Stop();
  readThread_->wait();
  readThread_.reset();
  ReadProgress->hide();
}

void TParamFrm::WriteValueEditKeyDown(int key) {
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return;
  QMessageBox box(QMessageBox::Question, QString::fromUtf8("Подтверждение записи"),
                  QString::fromUtf8("Вы действительно хотите записать параметр"),
                  QMessageBox::Ok | QMessageBox::Cancel, this);
  box.setObjectName(QStringLiteral("WriteConfirmation"));
  if (box.exec() == QMessageBox::Ok && params_) WriteParam(CurrentRow());
  model_->RowsChanged();
  RxDGCommon->viewport()->update();
}

void TParamFrm::WriteParam(int row) {
  if (!params_ || row < 1 || row > params_->Count()) return;
  if (Driver == nullptr) {
    ShowStatus(QString::fromUtf8(kNoDriverText));
    return;
  }
  catalogue::CParameter& p = params_->Item(row - 1);
  const std::optional<catalogue::CommandFamily> family = catalogue::CommandFamilyOf(p.Kind);
  // Whatever goes wrong on the way is a failed write, never a silent one.
  QString message = QString::fromUtf8(kWriteFailedText);
  if (family) {
    try {
      const EditorValues values{WriteValueEdit->value(), WriteValueEdit2->value(),
                                WriteValueCB->currentIndex()};
      const std::int32_t raw = WriteRawValue(p, values);
      if (*family == catalogue::CommandFamily::AddressProgramming) p.Code = edIDNumber->value();
      if (Driver->WindowWriteParam(static_cast<Byte>(*family), comPort_, address_, p.Code, p.Digits,
                                   raw)) {
        message = QString::fromUtf8(kWriteDoneText);
        p.RecordWrite(raw, p.ValueToText(raw, SystemNumberFormat()));
      }
    } catch (...) {
      // announced below as it stands
    }
  }
  ShowStatus(message);
}

void TParamFrm::ShowStatus(const QString& text) {
  StatusBar1->showMessage(text);
  QPalette palette = StatusBar1->palette();
  palette.setColor(QPalette::Window, kStatusAlert);
  StatusBar1->setPalette(palette);
  if (!Timer1->isActive()) Timer1->start();
}

void TParamFrm::Timer1Timer() {
  QPalette palette = StatusBar1->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  StatusBar1->setPalette(palette);
  Timer1->stop();
}

void TParamFrm::AddrBtnClick() {
  try {
    TAddrFrm dialog(this);
    if (dialog.exec() != QDialog::Accepted || Driver == nullptr) return;
    const std::int32_t address =
        Driver->LinearNozzleNumber(dialog.NTrkEdit->value(), dialog.NPstEdit->value());
    AddrEdit->setValue(std::clamp(address, AddrEdit->minimum(), AddrEdit->maximum()));
  } catch (...) {
    // the address stays as it was
  }
}

}  // namespace kavo5000::window
