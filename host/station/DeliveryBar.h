// DeliveryBar.h — the station's toolbar for a delivery on the selected
// dispenser: the nozzle, the price, the preset (litres or money) and the
// buttons for price, preset, start, stop and close. It only collects what
// the operator chose; the window turns it into a command for the poller.
#ifndef KAVO5000_STATION_DELIVERYBAR_H
#define KAVO5000_STATION_DELIVERYBAR_H

#include <QToolBar>
#include <functional>

#include "StationCommands.h"

class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace kavo5000::station {

class DeliveryBar : public QToolBar {
 public:
  // What the operator asked for: the action, on a nozzle, with a value.
  using Request = std::function<void(Action action, int nozzle, double value)>;

  // `nozzles`: nozzles per dispenser (at least one is offered).
  DeliveryBar(int nozzles, Request request, QWidget* parent);

 private:
  void Ask(Action action, double value);

  Request request_;
  QSpinBox* nozzle_;
  QDoubleSpinBox* price_;
  QDoubleSpinBox* amount_;
  QComboBox* unit_;
};

}  // namespace kavo5000::station

#endif  // KAVO5000_STATION_DELIVERYBAR_H
