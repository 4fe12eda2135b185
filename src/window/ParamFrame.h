// ParamFrame.h — the technician's parameter window: TParamFrm with its grid
// of the whole parameter catalogue on three tabs, and the editors that float
// over the "Запись" cell of the current row. What the window computes lives in
// ParamFrameLogic.h; these classes apply it to Qt widgets. Every control
// carries its name as its Qt object name, so that hosts and tests find it.
#ifndef KAVO5000_WINDOW_PARAMFRAME_H
#define KAVO5000_WINDOW_PARAMFRAME_H

#include <QAbstractTableModel>
#include <QDialog>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QThread>
#include <atomic>
#include <memory>
#include <string>

#include "NumberFormat.h"
#include "ParamFrameLogic.h"
#include "ParameterUnit.h"

class QAction;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTabBar;
class QTimer;
class QToolButton;

namespace kavo5000::driver {
class VM30Driver;
}

namespace kavo5000::window {

// The separators of displayed numbers, from the user's locale as Qt sees it.
catalogue::NumberFormat SystemNumberFormat();

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

 public:
  // Typing letters does not jump to a row: it could land on another tab's.
  void keyboardSearch(const QString& search) override;
};

// The class under which the window's grid is created.
class TRXDrawGrid : public TOpenedRXDrawGrid {
 public:
  using TOpenedRXDrawGrid::TOpenedRXDrawGrid;
};

class TParamFrm;

// Hands the painting of every cell to the window.
class ParamCellDelegate : public QStyledItemDelegate {
 public:
  explicit ParamCellDelegate(TParamFrm& form);
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  TParamFrm& form_;
};

// The background reader: reads every row of the table, in order, on a thread
// of its own. It stops after the row in hand once it is told to.
class TReadParamsTread : public QThread {
 public:
  explicit TReadParamsTread(TParamFrm& form);
  // Ends the run after the exchange in progress.
  void Stop() { stop_ = true; }
  bool StopRequested() const { return stop_; }

  std::atomic<int> CurRow{0};  // the grid row being read

 protected:
  void run() override;

 private:
  TParamFrm& form_;
  std::atomic<bool> stop_{false};
};

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

  // Operations.
  // Reads grid row `row` on the calling thread: its text, empty on failure.
  std::string ReadParam(int row);
  // What the reader does for its current row: on success the row takes value
  // and text, on failure only the error mark.
  void ReadRow(int row);
  void WriteParam(int row);
  void ShowStatus(const QString& text);
  // The running reader, none when no reader runs.
  TReadParamsTread* ReadThread() const { return readThread_.get(); }
  // Stops the reader and waits for it to end.
  void StopReader();
  void LoadParams();
  void FreeParams();
  int CalcRowHeight(int row);
  void ShowTabRows(int tab);
  void DrawBoxedText(QPainter& painter, const QRect& cell, const QString& text);
  void PrepareEditor(int row);
  void PlaceEditor(int row, int column);

  // Controls, with their object names.
  QFrame* Panel1;
  QLabel* Label1;
  QSpinBox* ComPortEdit;
  QLabel* Label2;
  QSpinBox* AddrEdit;
  QToolButton* AddrBtn;
  QLabel* Label3;
  QSpinBox* edIDNumber;
  QPushButton* Button1;
  QPushButton* BitBtn1;
  QWidget* TabControl1;  // the tab strip with its client area
  QTabBar* TabBar;       // the strip's tabs
  TRXDrawGrid* RxDGCommon;
  QStatusBar* StatusBar1;
  QProgressBar* ReadProgress;  // rows read so far, while the reader runs
  QDoubleSpinBox* WriteValueEdit;
  QDoubleSpinBox* WriteValueEdit2;
  QComboBox* WriteValueCB;
  QAction* ActionExit;
  QTimer* Timer1;
  QTimer* Timer2;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void HideEditors();
  // Keeps the shown editors over their cell when the grid scrolls or its
  // columns change, and hides them when the cell leaves the view.
  void FollowEditorCell();
  int VisibleRowHeight(int row) const;
  int TextHeight(std::string_view text, int width) const;

  friend class TReadParamsTread;
  // The reader's row done: the grid is repainted and the progress moves on.
  void ReaderRowDone(int row);
  void ReaderFinished();

  std::unique_ptr<catalogue::CTRKParameters> params_;
  std::unique_ptr<TReadParamsTread> readThread_;
  // The port and address boxes as the reader sees them, kept up to date on
  // the window's thread.
  std::atomic<int> comPort_{1};
  std::atomic<int> address_{1};
  bool paramsLoaded_ = false;
  ParamGridModel* model_;
  EditorSetup editorSetup_;  // of the row the editors were last prepared for
  int editorRow_ = 0;        // the cell the editors were last placed over
  int editorColumn_ = 0;
};

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_PARAMFRAME_H
