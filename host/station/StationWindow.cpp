// StationWindow.cpp — menus, the dispenser table, the delivery toolbar and
// the status line, fed by the pollers' reports.
#include "StationWindow.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTime>
#include <QTimer>
#include <algorithm>

#include "DeliveryBar.h"
#include "StationText.h"

namespace kavo5000::station {

namespace {

constexpr int kStateWidth = 340;
constexpr int kNozzlesWidth = 330;
constexpr int kWindowWidth = 1100;
constexpr int kChromeHeight = 150;  // menus, toolbar, header and status line
constexpr int kRowHeight = 30;

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

std::string TimeOfDay() {
  return QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString();
}

}  // namespace

StationWindow::StationWindow(const StationOptions& options, const DriverFactory& factory,
                             const PortBinder& bind)
    : menus_(*menuBar()),
      table_(new QTableWidget(static_cast<int>(options.channels.size()) * options.dispensers,
                              static_cast<int>(ColumnTitles().size()), this)),
      message_(new QLabel(this)),
      lines_(new QLabel(this)),
      pollTimer_(new QTimer(this)),
      dispensers_(options.dispensers) {
  setWindowTitle(QStringLiteral("Станция — kavo5000-station"));
  for (const ChannelPort& channel : options.channels) {
    bind(port_, channel.channel, channel.port);
    channels_.push_back(Line{channel, port_.Describe(channel.channel), {}, nullptr});
  }

  HostMenuItem& file = menus_.AddMenu("&Файл");
  HostMenuItem& quit = file.AddItem(-1);
  quit.SetCaption("&Выход");
  connect(quit.Action(), &QAction::triggered, this, &QWidget::close);
  menus_.AddMenu(kavo5000::kHostMenuCaption);

  QStringList titles;
  for (const std::string& title : ColumnTitles()) titles << Text(title);
  table_->setObjectName(QStringLiteral("dispensers"));
  table_->setHorizontalHeaderLabels(titles);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->resizeColumnsToContents();
  table_->setColumnWidth(kColState, kStateWidth);
  table_->setColumnWidth(kColNozzles, kNozzlesWidth);
  for (std::size_t c = 0; c < channels_.size(); ++c) {
    for (int d = 1; d <= dispensers_; ++d) {
      const int row = static_cast<int>(c) * dispensers_ + d - 1;
      table_->setItem(row, kColChannel,
                      new QTableWidgetItem(QString::number(channels_[c].port.channel)));
      table_->setItem(row, kColDispenser, new QTableWidgetItem(QString::number(d)));
    }
  }
  table_->selectRow(0);
  setCentralWidget(table_);

  addToolBar(new DeliveryBar(
      kavo5000::NozzlesPerDispenser(options.config),
      [this](Action action, int nozzle, double value) { Ask(action, nozzle, value); }, this));

  // Widgets, not a message: a menu's hint shown over them does not wipe them.
  message_->setObjectName(QStringLiteral("message"));
  lines_->setObjectName(QStringLiteral("lines"));
  // A long outcome (a close with its amounts, a line's reason) wraps
  // rather than being cut off at the window's edge.
  message_->setWordWrap(true);
  lines_->setWordWrap(true);
  auto* config = new QLabel(Text(ConfigWords(options.config)), this);
  config->setObjectName(QStringLiteral("config"));
  statusBar()->addWidget(message_, 1);
  statusBar()->addPermanentWidget(lines_, 1);
  statusBar()->addPermanentWidget(config);
  ShowLines();
  resize(kWindowWidth, kChromeHeight + kRowHeight * table_->rowCount());

  // The driver's windows belong to this one.
  driver_.reset(factory(options.config, static_cast<std::uintptr_t>(winId()), &port_));
  driver_->AddDriverMenu(&menus_, &MakeMenuItem);

  port_.AddObserver([this](const host::ExchangeRecord& exchange) {
    {
      const std::lock_guard<std::mutex> lock(lastMutex_);
      lastExchange_[exchange.channel] = exchange;
    }
    if (IsRefusedClose(exchange)) refusedCloses_[exchange.channel].fetch_add(1);
  });
  for (Line& line : channels_) {
    Poller::Hooks hooks;
    // Handed to the window's thread; dropped if the window is gone by then.
    hooks.polled = [this](Round round) {
      QMetaObject::invokeMethod(
          this, [this, round = std::move(round)] { Show(round); }, Qt::QueuedConnection);
    };
    hooks.performed = [this](CommandOutcome outcome) {
      QMetaObject::invokeMethod(
          this, [this, outcome = std::move(outcome)] { Show(outcome); }, Qt::QueuedConnection);
    };
    hooks.reason = [this](Byte channel) { return PortReasonWords(port_.ErrorText(channel)); };
    hooks.lastExchange = [this](Byte channel) {
      const std::lock_guard<std::mutex> lock(lastMutex_);
      return lastExchange_[channel];
    };
    hooks.refusedCloses = [this](Byte channel) { return refusedCloses_[channel].load(); };
    hooks.port = &port_;
    line.poller = std::make_unique<Poller>(
        *driver_, PlanFor(line.port.channel, options.config, dispensers_), std::move(hooks));
  }

  pollTimer_->setObjectName(QStringLiteral("pollTimer"));
  pollTimer_->setInterval(kPollIntervalMs);
  connect(pollTimer_, &QTimer::timeout, this, &StationWindow::PollNow);
  pollTimer_->start();
}

StationWindow::~StationWindow() {
  for (Line& line : channels_) line.poller.reset();  // no exchange runs once the driver goes
  driver_.reset();
}

void StationWindow::PollNow() {
  for (Line& line : channels_) line.poller->PollSoon();
}

bool StationWindow::AllPolled() const {
  return std::all_of(channels_.begin(), channels_.end(),
                     [](const Line& line) { return line.watch.known; });
}

void StationWindow::Ask(Action action, int nozzle, double value) {
  const int row = table_->currentRow();
  if (row < 0) {
    message_->setText(QStringLiteral("Выберите ТРК в таблице"));
    return;
  }
  Line& line = channels_[static_cast<std::size_t>(row / dispensers_)];
  Command command;
  command.action = action;
  command.channel = line.port.channel;
  command.dispenser = row % dispensers_ + 1;
  command.nozzle = nozzle;
  command.value = value;
  line.poller->Perform(command);
}

void StationWindow::Show(const Round& round) {
  for (std::size_t c = 0; c < channels_.size(); ++c) {
    Line& line = channels_[c];
    if (line.port.channel != round.channel) continue;
    Observe(line.watch, round, TimeOfDay());
    for (const DispenserView& view : round.dispensers) {
      if (view.number < 1 || view.number > dispensers_) continue;
      const int row = static_cast<int>(c) * dispensers_ + view.number - 1;
      const RowCells cells = CellsFor(view, memory_[{view.channel, view.number}]);
      for (int col = 0; col < static_cast<int>(cells.cells.size()); ++col) {
        auto* item = new QTableWidgetItem(Text(cells.cells[static_cast<std::size_t>(col)]));
        if (cells.failed) item->setForeground(Qt::red);
        table_->setItem(row, col, item);
      }
    }
  }
  ShowLines();
  Shown();
}

void StationWindow::Show(const CommandOutcome& outcome) {
  message_->setText(Text(outcome.text));
  message_->setStyleSheet(outcome.ok ? QString() : QStringLiteral("color: red"));
  if (outcome.counters) {
    memory_[{outcome.command.channel, outcome.command.dispenser}].amounts = outcome.counters;
  }
  Shown();
}

void StationWindow::ShowLines() {
  QStringList texts;
  QStringList reasons;
  for (const Line& line : channels_) {
    texts << Text(LineWords(line.watch, line.port.channel, line.described));
    if (!line.watch.reason.empty()) reasons << Text(line.watch.reason);
  }
  lines_->setText(texts.join(QStringLiteral("; ")));
  lines_->setToolTip(reasons.join(QLatin1Char('\n')));
}

void StationWindow::Shown() {
  if (onShown_) {
    const std::function<void()> callback = onShown_;  // it may replace itself
    callback();
  }
}

}  // namespace kavo5000::station
