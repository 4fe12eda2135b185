// ParamFrameControls.cpp — the parameter window's controls: each made with
// its object name at its place of the layout, and wired to its handler.
#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <limits>

#include "Controls.h"
#include "ParamFrame.h"
#include "ParamFrameLayout.h"
#include "ParamGrid.h"

namespace kavo5000::window {

namespace {

using layout::kReadProgressWidth;

QDoubleSpinBox* ValueBox(QWidget* parent, const char* name) {
  auto* box = new QDoubleSpinBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->hide();
  return box;
}

QPushButton* Button(QWidget* parent, const char* name, const Rect& place, const char* text,
                    const QIcon& icon = QIcon()) {
  auto* button = new QPushButton(icon, QString::fromUtf8(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(ToQRect(place));
  // Enter belongs to the value editors: no button takes it.
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

}  // namespace

void TParamFrm::BuildControls() {
  setObjectName(QStringLiteral("ParamFrm"));
  setWindowTitle(QString::fromUtf8(layout::kFormCaption));
  setFixedSize(layout::kFormWidth, layout::kFormHeight);
  QFont font(QString::fromLatin1(layout::kFontFamilies[0]), layout::kFontPoints);
  QStringList families;
  for (const char* family : layout::kFontFamilies) families << QString::fromLatin1(family);
  font.setFamilies(families);
  setFont(font);

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(ToQRect(layout::kPanel1));

  Label1 = TextLabel(Panel1, "Label1", {layout::kLabel1.x, layout::kLabel1.y}, layout::kLabel1Text);
  ComPortEdit = IntegerBox(Panel1, "ComPortEdit", ToQRect(layout::kComPortEdit),
                           layout::kComPortMin, layout::kComPortMax, layout::kComPortMin);
  Label2 = TextLabel(Panel1, "Label2", {layout::kLabel2.x, layout::kLabel2.y}, layout::kLabel2Text);
  AddrEdit = IntegerBox(Panel1, "AddrEdit", ToQRect(layout::kAddrEdit), layout::kAddressMin,
                        layout::kAddressMax, layout::kAddressMin);
  AddrBtn = new QToolButton(Panel1);
  AddrBtn->setObjectName(QStringLiteral("AddrBtn"));
  AddrBtn->setGeometry(ToQRect(layout::kAddrBtn));
  AddrBtn->setText(QStringLiteral("…"));
  AddrBtn->setEnabled(false);
  Label3 = TextLabel(Panel1, "Label3", {layout::kLabel3.x, layout::kLabel3.y}, layout::kLabel3Text);
  // The ID number travels in the row's code, a 32-bit integer.
  edIDNumber = IntegerBox(Panel1, "edIDNumber", ToQRect(layout::kEdIdNumber), 0,
                          std::numeric_limits<std::int32_t>::max(), 0);

  Button1 = Button(Panel1, "Button1", layout::kButton1, layout::kButton1Text);
  QFont bold = Button1->font();
  bold.setBold(true);
  Button1->setFont(bold);

  TabControl1 = new QWidget(Panel1);
  TabControl1->setObjectName(QStringLiteral("TabControl1"));
  TabControl1->setGeometry(ToQRect(layout::kTabControl1));
  TabBar = new QTabBar(TabControl1);
  TabBar->setObjectName(QStringLiteral("TabControl1Tabs"));
  TabBar->setExpanding(false);
  for (const char* tab : layout::kTabs) TabBar->addTab(QString::fromUtf8(tab));
  TabBar->setGeometry(0, 0, TabControl1->width(), layout::kTabStripHeight);
  TabBar->setCurrentIndex(catalogue::pgCommon);

  RxDGCommon = new TRXDrawGrid(TabControl1);
  RxDGCommon->setObjectName(QStringLiteral("RxDGCommon"));
  RxDGCommon->setGeometry(ToQRect(layout::kRxDGCommon));
  RxDGCommon->setModel(model_);
  RxDGCommon->setItemDelegate(new ParamCellDelegate(
      [this](QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index) {
        RxDGCommonDrawCell(painter, option, index);
      },
      this));
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
  header->setFixedHeight(layout::kHeaderHeight);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::Interactive);
  for (int c = 0; c < kColumnCount; ++c)
    RxDGCommon->setColumnWidth(c, layout::kColumnWidths[static_cast<std::size_t>(c)]);

  // Over the empty end of the tab strip, as in the original layout.
  BitBtn1 = Button(Panel1, "BitBtn1", layout::kBitBtn1, layout::kBitBtn1Text,
                   style()->standardIcon(QStyle::SP_DialogCloseButton));

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setGeometry(ToQRect(layout::kStatusBar1));
  StatusBar1->setAutoFillBackground(true);
  ReadProgress = new QProgressBar(StatusBar1);
  ReadProgress->setObjectName(QStringLiteral("ReadProgress"));
  ReadProgress->setMaximumHeight(layout::kStatusHeight - 4);
  ReadProgress->setFixedWidth(kReadProgressWidth);
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
  Timer1->setInterval(layout::kStatusDisplayMs);
  Timer2 = new QTimer(this);
  Timer2->setObjectName(QStringLiteral("Timer2"));
  Timer2->setInterval(layout::kEditorDelayMs);
  ConnectControls();
}

void TParamFrm::ConnectControls() {
  ParamFramePresenter& p = presenter_;
  connect(TabBar, &QTabBar::currentChanged, this, [&p](int tab) { p.TabControl1Change(tab); });
  connect(RxDGCommon->horizontalHeader(), &QHeaderView::sectionResized, this,
          [&p] { p.RxDGCommonColumnSized(); });
  connect(RxDGCommon, &TOpenedRXDrawGrid::CellSelected, this, [&p] { p.RxDGCommonSelectCell(); });
  connect(RxDGCommon, &TOpenedRXDrawGrid::Entered, this, [&p] { p.RxDGCommonEnter(); });
  connect(RxDGCommon, &TOpenedRXDrawGrid::MouseMoved, this,
          [this](const QPoint& pos) { RxDGCommonMouseMove(pos); });
  connect(RxDGCommon, &TOpenedRXDrawGrid::DoubleClicked, this,
          [this](const QPoint& pos) { RxDGCommonDblClick(pos); });
  connect(RxDGCommon->verticalScrollBar(), &QScrollBar::valueChanged, this,
          [&p] { p.RxDGCommonScrolled(); });
  connect(RxDGCommon->horizontalScrollBar(), &QScrollBar::valueChanged, this,
          [&p] { p.RxDGCommonScrolled(); });
  connect(Timer1, &QTimer::timeout, this, [&p] { p.Timer1Timer(); });
  connect(Timer2, &QTimer::timeout, this, [&p] { p.Timer2Timer(); });
  connect(Button1, &QPushButton::clicked, this, [&p] { p.Button1Click(); });
  connect(AddrBtn, &QToolButton::clicked, this, [&p] { p.AddrBtnClick(); });
  connect(ActionExit, &QAction::triggered, this, [this] { ActionExitExecute(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { ActionExitExecute(); });
}

}  // namespace kavo5000::window
