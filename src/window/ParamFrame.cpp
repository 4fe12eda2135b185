// ParamFrame.cpp — the Qt window as the presenter's view: the grid, the
// editors, the boxes, the status line and the progress as Qt widgets show
// them; showing and hiding, focus and keys routed to the presenter.
#include "ParamFrame.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include "AddrFrame.h"
#include "ParamFrameLayout.h"
#include "ParamGrid.h"

namespace kavo5000::window {

namespace {

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

// A shown box takes its text in; false when the text is no value in range.
bool TakeText(QDoubleSpinBox& box) {
  if (box.isHidden()) return true;
  if (!box.hasAcceptableInput()) return false;
  box.interpretText();
  return true;
}

}  // namespace

TParamFrm::TParamFrm(QWidget* parent)
    : QDialog(parent), model_(new ParamGridModel(this)), presenter_(*this) {
  BuildControls();
}

TParamFrm::~TParamFrm() {
  presenter_.StopReader();
  // The grid's model must not outlive the table it shows.
  model_->SetParams(nullptr);
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
  presenter_.FormShow();
}

void TParamFrm::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) presenter_.FormClose();
}

void TParamFrm::RxDGCommonDrawCell(QPainter& painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) {
  DrawParamCell(painter, option, index);
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

void TParamFrm::RxDGCommonDblClick(const QPoint& viewportPos) {
  const QModelIndex cell = RxDGCommon->indexAt(viewportPos);
  if (cell.isValid()) presenter_.RxDGCommonDblClick(cell.row() + 1, cell.column());
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
      presenter_.WriteValueEditExit(HoldsFocus(WriteValueEdit) || HoldsFocus(WriteValueEdit2));
  } else if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    // Enter is the editors' key for writing; it never reaches the window as
    // a default-button press.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      presenter_.WriteValueEditKeyDown();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

// ---- the view ----

catalogue::NumberFormat TParamFrm::Format() const {
  return SystemNumberFormat();
}

int TParamFrm::CurrentTab() const {
  return TabBar->currentIndex();
}

void TParamFrm::SetCurrentCell(int row, int column) {
  RxDGCommon->setCurrentIndex(model_->index(row - 1, column));
}

int TParamFrm::ColumnWidth(int column) const {
  return RxDGCommon->columnWidth(column);
}

int TParamFrm::MeasureText(std::string_view text, int width) const {
  return WrappedTextHeight(RxDGCommon->font(), text, width);
}

void TParamFrm::ShowTable(catalogue::CTRKParameters* params) {
  model_->SetParams(params);
}

void TParamFrm::SetRowHeights(const std::vector<int>& heights) {
  for (std::size_t i = 0; i < heights.size(); ++i) {
    const int row = static_cast<int>(i);
    RxDGCommon->setRowHidden(row, heights[i] == kHiddenRowHeight);
    if (heights[i] != kHiddenRowHeight) RxDGCommon->setRowHeight(row, heights[i]);
  }
}

int TParamFrm::VisibleRowHeight(int row) const {
  if (row < 1 || row > model_->rowCount() || RxDGCommon->isRowHidden(row - 1)) return 0;
  return RxDGCommon->rowHeight(row - 1);
}

void TParamFrm::RefreshRows() {
  model_->RowsChanged();
}

QWidget* TParamFrm::EditorWidget(Editor editor) const {
  switch (editor) {
    case Editor::kEdit:
      return WriteValueEdit;
    case Editor::kEdit2:
      return WriteValueEdit2;
    case Editor::kList:
      break;
  }
  return WriteValueCB;
}

void TParamFrm::SetUpEditors(const EditorSetup& setup) {
  WriteValueEdit->setValue(0);
  ApplySpin(*WriteValueEdit, setup.edit);
  ApplySpin(*WriteValueEdit2, setup.edit2);
  WriteValueCB->clear();
  if (setup.list) {
    for (const std::string& item : setup.items) WriteValueCB->addItem(FromUtf8(item));
    WriteValueCB->setEnabled(setup.listEnabled);
    WriteValueCB->setCurrentIndex(setup.listIndex);
  }
  WriteValueCB->setVisible(setup.list);
}

void TParamFrm::HideEditor(Editor editor) {
  EditorWidget(editor)->hide();
}

bool TParamFrm::EditorShown(Editor editor) const {
  return !EditorWidget(editor)->isHidden();
}

std::optional<Rect> TParamFrm::CellInView(int row, int column) const {
  const QRect visual = RxDGCommon->visualRect(model_->index(row - 1, column));
  if (!RxDGCommon->viewport()->rect().contains(visual)) return std::nullopt;
  const QPoint topLeft = RxDGCommon->viewport()->mapTo(TabControl1, visual.topLeft());
  return FromQRect(QRect(topLeft, visual.size()));
}

void TParamFrm::PlaceEditor(Editor editor, const Rect& where) {
  QWidget* widget = EditorWidget(editor);
  widget->setGeometry(ToQRect(where));
  widget->raise();
}

void TParamFrm::FocusEditor(Editor editor) {
  EditorWidget(editor)->setFocus();
}

EditorValues TParamFrm::TakeEditorValues() {
  EditorValues values;
  values.acceptable = TakeText(*WriteValueEdit) && TakeText(*WriteValueEdit2);
  values.edit = WriteValueEdit->value();
  values.edit2 = WriteValueEdit2->value();
  values.listIndex = WriteValueCB->currentIndex();
  return values;
}

// Qt's spin boxes hold their value: a text outside the range cannot be typed
// and is put back when the box is left.
int TParamFrm::ComPort() {
  return ComPortEdit->value();
}

int TParamFrm::Address() {
  return AddrEdit->value();
}

int TParamFrm::IdNumber() {
  return edIDNumber->value();
}

void TParamFrm::SetAddress(int address) {
  AddrEdit->setValue(address);
}

int TParamFrm::AddressMinimum() const {
  return AddrEdit->minimum();
}

int TParamFrm::AddressMaximum() const {
  return AddrEdit->maximum();
}

void TParamFrm::EnableAddressButton(bool enabled) {
  AddrBtn->setEnabled(enabled);
}

void TParamFrm::SetStatus(const std::string& text) {
  StatusBar1->showMessage(FromUtf8(text));
}

void TParamFrm::SetStatusAlert(bool alert) {
  QPalette palette = StatusBar1->palette();
  palette.setColor(QPalette::Window, alert ? QColor::fromRgb(layout::kStatusAlertRgb)
                                           : palette.color(QPalette::Button));
  StatusBar1->setPalette(palette);
}

bool TParamFrm::StatusTimerActive() const {
  return Timer1->isActive();
}

void TParamFrm::StartStatusTimer() {
  Timer1->start();
}

void TParamFrm::StopStatusTimer() {
  Timer1->stop();
}

void TParamFrm::StartEditorTimer() {
  Timer2->start();
}

void TParamFrm::StopEditorTimer() {
  Timer2->stop();
}

void TParamFrm::ShowProgress(int rows) {
  ReadProgress->setRange(0, rows);
  SetProgress(0, rows);
  ReadProgress->show();
}

void TParamFrm::SetProgress(int row, int rows) {
  ReadProgress->setValue(row);
  ReadProgress->setFormat(FromUtf8(ReadProgressText(row, rows)));
}

void TParamFrm::HideProgress() {
  ReadProgress->hide();
}

bool TParamFrm::ConfirmWrite() {
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(kConfirmCaption),
                  QString::fromUtf8(kConfirmQuestion), QMessageBox::Ok | QMessageBox::Cancel, this);
  box.setObjectName(QStringLiteral("WriteConfirmation"));
  return box.exec() == QMessageBox::Ok;
}

std::optional<DialogNozzle> TParamFrm::AskNozzle() {
  TAddrFrm dialog(this);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return DialogNozzle{dialog.Dispenser(), dialog.Nozzle()};
}

void TParamFrm::Close() {
  if (isVisible()) close();
}

void TParamFrm::Post(std::function<void()> call) {
  // Dropped by Qt when the window is gone before the call comes round.
  QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

}  // namespace kavo5000::window
