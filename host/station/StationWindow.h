// StationWindow.h — the sample station's main window: the "&Файл" and
// "&ТРК" menus the driver joins, and the dispensers of one channel as the
// poller last saw them.
#ifndef KAVO5000_STATION_STATIONWINDOW_H
#define KAVO5000_STATION_STATIONWINDOW_H

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "HostMenu.h"
#include "LineHostPort.h"
#include "Poller.h"

class QTableWidget;

namespace kavo5000::station {

// Creates a driver object lent a window handle and a port (GetVM30).
using DriverFactory = std::function<kavo5000::TVM30*(std::uint32_t config, std::uintptr_t window,
                                                     kavo5000::HostPort* port)>;

struct StationOptions {
  std::string port = "sim";
  Byte channel = 1;
  std::uint32_t config = 0;
  int dispensers = 2;
};

class StationWindow : public QMainWindow {
 public:
  // Throws kavo5000::host::PortSpecError for a port spec that does not parse.
  StationWindow(const StationOptions& options, const DriverFactory& factory);
  ~StationWindow() override;
  StationWindow(const StationWindow&) = delete;
  StationWindow& operator=(const StationWindow&) = delete;

  // Called on the window's thread after each poll has been shown.
  void OnPolled(std::function<void()> callback) { onPolled_ = std::move(callback); }
  HostMenuItem& Menus() { return menus_; }

 private:
  void Show(const std::vector<DispenserView>& views);

  host::LineHostPort port_;
  HostMenuItem menus_;
  QTableWidget* table_;
  std::unique_ptr<kavo5000::TVM30> driver_;
  std::unique_ptr<Poller> poller_;
  std::function<void()> onPolled_;
};

}  // namespace kavo5000::station

#endif  // KAVO5000_STATION_STATIONWINDOW_H
