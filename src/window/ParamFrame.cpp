// ParamFrame.cpp — the parameter window's handlers: tabs, rows and editors
// over the grid, reads on a double click and in the background, writes after
// confirmation, and the status line.
#include "ParamFrame.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
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
#include "VM30.h"

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
    : QDialog(parent), reader_(ReaderHooks()), model_(new ParamGridModel(this)) {
  BuildControls();
}

TParamFrm::~TParamFrm() {
  StopReader();
  // The grid's model must not outlive the table it shows.
  model_->SetParams(nullptr);
}

const TReadParamsTread* TParamFrm::ReadThread() const {
  return reader_.Running() ? &reader_ : nullptr;
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

int TParamFrm::CalcRowHeight(int row) {
  const catalogue::CParameter& p = params_->Item(row - 1);
  const catalogue::NumberFormat format = SystemNumberFormat();
  return window::CalcRowHeight(
      CellText(p, kNameColumn, format), RxDGCommon->columnWidth(kNameColumn) - 2 * kCellMargin,
      CellText(p, kLimitsColumn, format), RxDGCommon->columnWidth(kLimitsColumn) - 2 * kCellMargin,
      [this](std::string_view text, int width) {
        return WrappedTextHeight(RxDGCommon->font(), text, width);
      });
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

void TParamFrm::DriverGone() {
  StopReader();
  Driver = nullptr;
  if (isVisible()) close();
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

LineTarget TParamFrm::Target() const {
  return LineTarget{Driver, ComPortEdit->value(), AddrEdit->value()};
}

void TParamFrm::RxDGCommonDblClick(const QPoint& viewportPos) {
  const QModelIndex cell = RxDGCommon->indexAt(viewportPos);
  if (!params_ || !cell.isValid() || cell.column() != kReadColumn) return;
  ReadParam(cell.row() + 1);
  model_->RowsChanged();
}

std::string TParamFrm::ReadParam(int row) {
  return ReadRowNow(params_->Item(row - 1), Target(), SystemNumberFormat());
}

TReadParamsTread::Hooks TParamFrm::ReaderHooks() {
  TReadParamsTread::Hooks hooks;
  // The port and address are taken afresh for every row.
  hooks.request = [this](int row) -> std::optional<ReadRequest> {
    if (!params_) return std::nullopt;
    return ReadRequestFor(params_->Item(row - 1), Target());
  };
  hooks.rowRead = [this](int row, std::int32_t raw) { ReaderRowRead(row, raw); };
  hooks.finished = [this] { ReaderFinished(); };
  // Dropped by Qt when the window is gone before the call comes round.
  hooks.post = [this](std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
  };
  return hooks;
}

void TParamFrm::Button1Click() {
  if (reader_.Running() || !params_) return;
  ReadProgress->setRange(0, params_->Count());
  ReadProgress->setValue(0);
  ReadProgress->setFormat(FromUtf8(ReadProgressText(0, params_->Count())));
  ReadProgress->show();
  reader_.Start(params_->Count());
}

void TParamFrm::ReaderRowRead(int row, std::int32_t raw) {
  if (!params_) return;
  ApplyRead(params_->Item(row - 1), raw, SystemNumberFormat(), FailedReadText::kKeep);
  model_->RowsChanged();
  ReadProgress->setValue(row);
  ReadProgress->setFormat(FromUtf8(ReadProgressText(row, ReadProgress->maximum())));
}

void TParamFrm::ReaderFinished() {
  ReadProgress->hide();
}

void TParamFrm::StopReader() {
  reader_.Stop();
  ReadProgress->hide();
}

EditorValues TParamFrm::TakeEditorValues() {
  EditorValues values;
  values.acceptable = TakeText(*WriteValueEdit) && TakeText(*WriteValueEdit2);
  values.edit = WriteValueEdit->value();
  values.edit2 = WriteValueEdit2->value();
  values.listIndex = WriteValueCB->currentIndex();
  return values;
}

void TParamFrm::WriteValueEditKeyDown(int key) {
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return;
  // What the box shows is what is written: a text that is no value in range
  // is not offered for writing at all.
  if (!TakeEditorValues().acceptable) {
    ShowStatus(QString::fromUtf8(kValueOutsideLimitsText));
    return;
  }
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(kConfirmCaption),
                  QString::fromUtf8(kConfirmQuestion), QMessageBox::Ok | QMessageBox::Cancel, this);
  box.setObjectName(QStringLiteral("WriteConfirmation"));
  if (box.exec() == QMessageBox::Ok && params_) WriteParam(CurrentRow());
  model_->RowsChanged();
}

void TParamFrm::WriteParam(int row) {
  if (!params_ || row < 1 || row > params_->Count()) return;
  const WriteTarget target{Target(), edIDNumber->value()};
  ShowStatus(QString::fromUtf8(
      WriteRow(params_->Item(row - 1), TakeEditorValues(), target, SystemNumberFormat())));
}

void TParamFrm::ShowStatus(const QString& text) {
  StatusBar1->showMessage(text);
  QPalette palette = StatusBar1->palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(layout::kStatusAlertRgb));
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
    AddrEdit->setValue(DialogAddress(*Driver, dialog.Dispenser(), dialog.Nozzle(),
                                     AddrEdit->minimum(), AddrEdit->maximum()));
  } catch (...) {
    // the address stays as it was
  }
}

}  // namespace kavo5000::window
