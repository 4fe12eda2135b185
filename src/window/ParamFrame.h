// ParamFrame.h — the technician's parameter window, TParamFrm: the grid of
// the whole parameter catalogue on three tabs, the editors that float over
// the "Запись" cell of the current row, the reads and writes, and the status
// line. What it computes lives in plain functions (ParamFrameLogic.h,
// ParamIo.h), its reads in the background in ParamReader.h, its grid in
// ParamGrid.h; this class applies them to Qt widgets. The controls are its
// own: hosts and tests find them by their Qt object names, which are the
// controls' names.
#ifndef KAVO5000_WINDOW_PARAMFRAME_H
#define KAVO5000_WINDOW_PARAMFRAME_H

#include <QDialog>
#include <memory>
#include <string>

#include "ParamFrameLogic.h"
#include "ParamReader.h"
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

class TParamFrm : public QDialog {
  Q_OBJECT
 public:
  explicit TParamFrm(QWidget* parent = nullptr);
  ~TParamFrm() override;
  TParamFrm(const TParamFrm&) = delete;
  TParamFrm& operator=(const TParamFrm&) = delete;

  // The driver object the window works for; not owned. The launcher sets it
  // before every showing.
  driver::VM30Driver* Driver = nullptr;

  // Set the first time the table was built, never cleared.
  bool ParamsLoaded() const { return paramsLoaded_; }
  // The table shown, between a showing and its closing; none otherwise.
  catalogue::CTRKParameters* Params() const { return params_.get(); }
  // The background reader while "Прочитать все параметры" runs; none otherwise.
  const TReadParamsTread* ReadThread() const;

  // The grid's current row (0 when none) and column.
  int CurrentRow() const;
  int CurrentColumn() const;

  // Handlers, named after their control and event.
  void FormShow();
  void FormClose();
  void TabControl1Change(int tab);
  void RxDGCommonColumnSized();
  void RxDGCommonDrawCell(QPainter& painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index);
  void RxDGCommonMouseMove(const QPoint& viewportPos);
  void RxDGCommonSelectCell();
  void Timer2Timer();
  void RxDGCommonEnter();
  void WriteValueEditExit();
  void ActionExitExecute();
  void RxDGCommonDblClick(const QPoint& viewportPos);
  void Button1Click();
  void WriteValueEditKeyDown(int key);
  void Timer1Timer();
  void AddrBtnClick();
  // The driver is being destroyed: the reader stops, the driver is
  // forgotten, and the window closes.
  void DriverGone();

  // Operations.
  // Reads grid row `row` on the window's thread: its text, empty on failure.
  std::string ReadParam(int row);
  void WriteParam(int row);
  void ShowStatus(const QString& text);
  void LoadParams();
  void FreeParams();
  int CalcRowHeight(int row);
  void ShowTabRows(int tab);
  void PrepareEditor(int row);
  void PlaceEditor(int row, int column);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();  // ParamFrameControls.cpp
  void ConnectControls();
  void HideEditors();
  // Keeps the shown editors over their cell when the grid scrolls or its
  // columns change, and hides them when the cell leaves the view.
  void FollowEditorCell();
  int VisibleRowHeight(int row) const;
  // Where exchanges go now: the driver, the COM port and the address typed.
  LineTarget Target() const;
  // What the shown editors hold, their texts taken in first.
  EditorValues TakeEditorValues();
  // The reader's hooks.
  TReadParamsTread::Hooks ReaderHooks();
  void ReaderRowRead(int row, std::int32_t raw);
  void ReaderFinished();
  // Ends a run of the reader, waiting for its exchange in progress.
  void StopReader();

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

  std::unique_ptr<catalogue::CTRKParameters> params_;
  TReadParamsTread reader_;
  bool paramsLoaded_ = false;
  ParamGridModel* model_ = nullptr;
  EditorSetup editorSetup_;  // of the row the editors were last prepared for
  int editorRow_ = 0;        // the cell the editors were last placed over
  int editorColumn_ = 0;
};

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_PARAMFRAME_H
