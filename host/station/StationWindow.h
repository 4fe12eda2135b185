// StationWindow.h — the sample station's main window: the "&Файл" and
// "&ТРК" menus the driver joins, the dispensers of every channel as their
// pollers last saw them, a toolbar that runs a delivery on the selected
// dispenser, and a status line with the last command's outcome and each
// channel's line.
#ifndef KAVO5000_STATION_STATIONWINDOW_H
#define KAVO5000_STATION_STATIONWINDOW_H

#include <QMainWindow>
#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "HostMenu.h"
#include "LineHostPort.h"
#include "Poller.h"
#include "StationOptions.h"
#include "StationRows.h"

class QLabel;
class QTableWidget;
class QTimer;

namespace kavo5000::station {

// Creates a driver object lent a window handle and a port (GetVM30).
using DriverFactory = std::function<kavo5000::TVM30*(std::uint32_t config, std::uintptr_t window,
                                                     kavo5000::HostPort* port)>;
// Binds a channel of the station's port to the port its options name.
using PortBinder =
    std::function<void(host::LineHostPort& port, Byte channel, const std::string& name)>;

class StationWindow : public QMainWindow {
 public:
  static constexpr std::size_t kChannelSlots = 256;  // a Byte's worth of channel numbers
  // How often the dispensers are polled.
  static constexpr int kPollIntervalMs = 500;

  // Throws what `bind` throws for a port that cannot be bound.
  StationWindow(const StationOptions& options, const DriverFactory& factory,
                const PortBinder& bind);
  ~StationWindow() override;
  StationWindow(const StationWindow&) = delete;
  StationWindow& operator=(const StationWindow&) = delete;

  // A round on every channel now, as the poll timer asks for one.
  void PollNow();
  // Called on the window's thread after each round or command result shown.
  void OnShown(std::function<void()> callback) { onShown_ = std::move(callback); }
  HostMenuItem& Menus() { return menus_; }
  // Whether every channel has reported a round.
  bool AllPolled() const;

 private:
  struct Line {
    ChannelPort port;
    std::string described;  // the port's own description, taken once bound
    LineWatch watch;
    std::unique_ptr<Poller> poller;
  };
  void Show(const Round& round);
  void Show(const CommandOutcome& outcome);
  void Ask(Action action, int nozzle, double value);
  void ShowLines();
  void Shown();

  host::LineHostPort port_;
  HostMenuItem menus_;
  QTableWidget* table_;
  QLabel* message_;
  QLabel* lines_;
  QTimer* pollTimer_;
  int dispensers_;
  std::vector<Line> channels_;
  std::map<std::pair<Byte, int>, RowMemory> memory_;
  // Per channel: the last exchange (written by the port's observer).
  std::mutex lastMutex_;
  std::array<std::optional<host::ExchangeRecord>, kChannelSlots> lastExchange_{};
  // Per channel: the closes refused so far (written by the port's observer).
  std::array<std::atomic<std::uint32_t>, kChannelSlots> refusedCloses_{};
  std::unique_ptr<kavo5000::TVM30> driver_;
  std::function<void()> onShown_;
};

}  // namespace kavo5000::station

#endif  // KAVO5000_STATION_STATIONWINDOW_H
