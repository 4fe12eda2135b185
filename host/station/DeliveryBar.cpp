// DeliveryBar.cpp — the delivery toolbar's controls.
#include "DeliveryBar.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSpinBox>
#include <algorithm>

namespace kavo5000::station {

namespace {

constexpr int kMaxNozzle = 6;             // nozzle words in a state record
constexpr double kMaxAmount = 999999.99;  // the driver refuses what its fields cannot carry
constexpr double kDefaultPrice = 52.40;
constexpr double kDefaultPreset = 10.00;
constexpr int kDecimals = 2;
enum Unit { kLitres, kMoney };  // the preset's unit, as the combo box lists them

QDoubleSpinBox* AmountBox(const QString& name, double value, QWidget* parent) {
  auto* box = new QDoubleSpinBox(parent);
  box->setObjectName(name);
  box->setDecimals(kDecimals);
  box->setRange(0, kMaxAmount);
  box->setValue(value);
  return box;
}

}  // namespace

DeliveryBar::DeliveryBar(int nozzles, Request request, QWidget* parent)
    : QToolBar(QStringLiteral("Отпуск"), parent),
      request_(std::move(request)),
      nozzle_(new QSpinBox(this)),
      price_(AmountBox(QStringLiteral("price"), kDefaultPrice, this)),
      amount_(AmountBox(QStringLiteral("amount"), kDefaultPreset, this)),
      unit_(new QComboBox(this)) {
  setObjectName(QStringLiteral("deliveryBar"));
  setMovable(false);
  nozzle_->setObjectName(QStringLiteral("nozzle"));
  nozzle_->setRange(1, std::clamp(nozzles, 1, kMaxNozzle));
  unit_->setObjectName(QStringLiteral("unit"));
  unit_->addItems({QStringLiteral("литров"), QStringLiteral("рублей")});

  const auto button = [this](const QString& name, const QString& text, auto handler) {
    QAction* action = addAction(text);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, handler);
  };
  addWidget(new QLabel(QStringLiteral(" Пистолет "), this));
  addWidget(nozzle_);
  addSeparator();
  addWidget(new QLabel(QStringLiteral(" Цена "), this));
  addWidget(price_);
  button(QStringLiteral("setPrice"), QStringLiteral("Установить"),
         [this] { Ask(Action::kPrice, price_->value()); });
  addSeparator();
  addWidget(new QLabel(QStringLiteral(" Доза "), this));
  addWidget(amount_);
  addWidget(unit_);
  button(QStringLiteral("preset"), QStringLiteral("Задать"), [this] {
    const bool money = unit_->currentIndex() == kMoney;
    Ask(money ? Action::kPresetMoney : Action::kPresetVolume, amount_->value());
  });
  addSeparator();
  button(QStringLiteral("start"), QStringLiteral("Пуск"), [this] { Ask(Action::kStart, 0); });
  button(QStringLiteral("stop"), QStringLiteral("Стоп"), [this] { Ask(Action::kStop, 0); });
  button(QStringLiteral("close"), QStringLiteral("Закрыть"), [this] { Ask(Action::kClose, 0); });
}

void DeliveryBar::Ask(Action action, double value) {
  if (request_) request_(action, nozzle_->value(), value);
}

}  // namespace kavo5000::station
