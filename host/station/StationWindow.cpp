// StationWindow.cpp — menus, the dispenser table and the poller's reports.
#include "StationWindow.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableWidget>

#include "Text.h"

namespace kavo5000::station {

namespace {

const QStringList kColumns = {"Dispenser", "State", "Nozzles", "Volume, l", "Money"};

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

StationWindow::StationWindow(const StationOptions& options, const DriverFactory& factory)
    : menus_(*menuBar()), table_(new QTableWidget(options.dispensers, kColumns.size(), this)) {
  setWindowTitle(QStringLiteral("kavo5000-station"));
  port_.Bind(options.channel, options.port);

  HostMenuItem& file = menus_.AddMenu("&Файл");
  HostMenuItem& quit = file.AddItem(-1);
  quit.SetCaption("&Выход");
  connect(quit.Action(), &QAction::triggered, this, &QWidget::close);
  menus_.AddMenu("&ТРК");

  table_->setHorizontalHeaderLabels(kColumns);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setColumnWidth(1, 220);
  table_->setColumnWidth(2, 420);
  setCentralWidget(table_);
  resize(980, 120 + 30 * options.dispensers);
  statusBar()->showMessage(Text("channel " + std::to_string(options.channel) + " on " +
                                port_.Describe(options.channel)));

  // The driver's windows belong to this one.
  driver_.reset(factory(options.config, static_cast<std::uintptr_t>(winId()), &port_));
  driver_->AddDriverMenu(&menus_, &MakeMenuItem);

  const PollPlan plan = PlanFor(options.channel, options.config, options.dispensers);
  poller_ = std::make_unique<Poller>(*driver_, plan, [this](std::vector<DispenserView> views) {
    // Handed to the window's thread; dropped if the window is gone by then.
    QMetaObject::invokeMethod(
        this, [this, views = std::move(views)] { Show(views); }, Qt::QueuedConnection);
  });
}

StationWindow::~StationWindow() {
  poller_.reset();  // no exchange runs once the driver goes
  driver_.reset();
}

void StationWindow::Show(const std::vector<DispenserView>& views) {
  for (const DispenserView& view : views) {
    const int row = view.number - 1;
    if (row < 0 || row >= table_->rowCount()) continue;
    QStringList nozzles;
    for (std::size_t n = 0; n < view.nozzles.size(); ++n)
      nozzles << Text(std::to_string(n + 1) + ": " + view.nozzles[n]);
    const QStringList cells = {QString::number(view.number), Text(view.state),
                               nozzles.join(QStringLiteral(", ")),
                               view.litres ? Text(tool::Amount(*view.litres)) : QString(),
                               view.money ? Text(tool::Amount(*view.money)) : QString()};
    for (int c = 0; c < cells.size(); ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (!view.answered) item->setForeground(Qt::red);
      table_->setItem(row, c, item);
    }
  }
  if (onPolled_) {
    const std::function<void()> callback = onPolled_;  // it may replace itself
    callback();
  }
}

}  // namespace kavo5000::station
