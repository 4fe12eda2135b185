// ParamFrame.h — the technician's parameter window on Qt, TParamFrm: the
// grid of the whole parameter catalogue on three tabs, the editors that float
// over the "Запись" cell of the current row, and the status line, as Qt
// widgets. What the window does lives in ParamFramePresenter.h, for which
// this class is the view; its grid in ParamGrid.h. The controls are its own:
// hosts and tests find them by their Qt object names, which are the
// controls' names.
#ifndef KAVO5000_WINDOW_PARAMFRAME_H
#define KAVO5000_WINDOW_PARAMFRAME_H

#include <QDialog>
#include <memory>
#include <string>

#include "ParamFrameLogic.h"
#include "ParamFramePresenter.h"
#include "ParamFrameView.h"
#include "ParameterUnit.h"

class QAction;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QModelIndex;
class QPainter;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QStyleOptionViewItem;
class QTabBar;
class QTimer;
class QToolButton;

namespace kavo5000::driver {
class VM30Driver;
}

namespace kavo5000::window {

class ParamGridModel;
class TRXDrawGrid;

class TParamFrm : public QDialog, private ParamFrameView {
  Q_OBJECT
 public:
  explicit TParamFrm(QWidget* parent = nullptr);
  ~TParamFrm() override;
  TParamFrm(const TParamFrm&) = delete;
  TParamFrm& operator=(const TParamFrm&) = delete;

  // The window's sequencing, and the driver it works for (Presenter().Driver).
  ParamFramePresenter& Presenter() { return presenter_; }

  // The grid's current row (0 when none) and column.
  int CurrentRow() const override;
  int CurrentColumn() const override;

  // Qt's own handlers: the cells drawn, the hint at the pointer, a double
  // click on a cell, and Alt+X, Esc and "Закрыть (Esc)".
  void RxDGCommonDrawCell(QPainter& painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index);
  void RxDGCommonMouseMove(const QPoint& viewportPos);
  void RxDGCommonDblClick(const QPoint& viewportPos);
  void ActionExitExecute();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();  // ParamFrameControls.cpp
  void ConnectControls();
  QWidget* EditorWidget(Editor editor) const;

  // ParamFrameView
  catalogue::NumberFormat Format() const override;
  int CurrentTab() const override;
  void SetCurrentCell(int row, int column) override;
  int ColumnWidth(int column) const override;
  int MeasureText(std::string_view text, int width) const override;
  void ShowTable(catalogue::CTRKParameters* params) override;
  void SetRowHeights(const std::vector<int>& heights) override;
  int VisibleRowHeight(int row) const override;
  void RefreshRows() override;
  void SetUpEditors(const EditorSetup& setup) override;
  void HideEditor(Editor editor) override;
  bool EditorShown(Editor editor) const override;
  std::optional<Rect> CellInView(int row, int column) const override;
  void PlaceEditor(Editor editor, const Rect& where) override;
  void FocusEditor(Editor editor) override;
  EditorValues TakeEditorValues() override;
  int ComPort() override;
  int Address() override;
  int IdNumber() override;
  void SetAddress(int address) override;
  int AddressMinimum() const override;
  int AddressMaximum() const override;
  void EnableAddressButton(bool enabled) override;
  void SetStatus(const std::string& text) override;
  void SetStatusAlert(bool alert) override;
  bool StatusTimerActive() const override;
  void StartStatusTimer() override;
  void StopStatusTimer() override;
  void StartEditorTimer() override;
  void StopEditorTimer() override;
  void ShowProgress(int rows) override;
  void SetProgress(int row, int rows) override;
  void HideProgress() override;
  bool ConfirmWrite() override;
  std::optional<DialogNozzle> AskNozzle() override;
  void Close() override;
  void Post(std::function<void()> call) override;

  // Controls, with their object names.
  QFrame* Panel1 = nullptr;
  QLabel* Label1 = nullptr;
  QSpinBox* ComPortEdit = nullptr;
  QLabel* Label2 = nullptr;
  QSpinBox* AddrEdit = nullptr;
  QToolButton* AddrBtn = nullptr;
  QLabel* Label3 = nullptr;
  QSpinBox* edIDNumber = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QWidget* TabControl1 = nullptr;  // the tab strip with its client area
  QTabBar* TabBar = nullptr;       // the strip's tabs ("TabControl1Tabs")
  TRXDrawGrid* RxDGCommon = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QProgressBar* ReadProgress = nullptr;  // rows read so far, while the reader runs
  QDoubleSpinBox* WriteValueEdit = nullptr;
  QDoubleSpinBox* WriteValueEdit2 = nullptr;
  QComboBox* WriteValueCB = nullptr;
  QAction* ActionExit = nullptr;
  QTimer* Timer1 = nullptr;
  QTimer* Timer2 = nullptr;

  ParamGridModel* model_ = nullptr;
  // Last: its reader stops before the controls it reports to go.
  ParamFramePresenter presenter_;
};

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_PARAMFRAME_H
