// The sample station's workflows from its own controls, against a driver on
// the in-process simulator (virtual clock): a delivery by volume and one by
// money from price to counters, a refused preset, and a line that drops and
// comes back. Every command is checked on the simulator's side. The poll
// timer is stopped and rounds are asked for by hand.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "Clock.h"
#include "Faults.h"
#include "Line.h"
#include "LineProtocol.h"
#include "SimTransport.h"
#include "StationText.h"
#include "StationWindow.h"
#include "Transport.h"
#include "VM30.h"

namespace kavo5000::station {
namespace {

// Answers take no time: the amounts depend on the clock the test moves alone.
constexpr host::SimPacing kInstant{0, host::Nanos::zero()};

// The simulator's line behind a plug the test can pull: while pulled, the
// transport fails as an unplugged adapter does and cannot be reopened.
class PluggedTransport : public host::Transport {
 public:
  PluggedTransport(std::unique_ptr<host::Transport> inner, std::atomic<bool>& plugged)
      : inner_(std::move(inner)), plugged_(plugged) {}
  std::int32_t Open() override {
    if (!plugged_) return Fail(host::kPortOpenFailed, "адаптер отключён");
    return inner_->Open();
  }
  void Close() override { inner_->Close(); }
  bool IsOpen() const override { return inner_->IsOpen(); }
  void DiscardInput() override { inner_->DiscardInput(); }
  std::int32_t Write(std::span<const Byte> bytes) override {
    if (!plugged_) return Fail(host::kPortWriteFailed, "адаптер отключён");
    return inner_->Write(bytes);
  }
  host::ReadResult Read(std::span<Byte> into, host::Nanos timeout) override {
    return inner_->Read(into, timeout);
  }
  host::Nanos Now() const override { return inner_->Now(); }
  host::Nanos WireTime(std::size_t bytes) const override { return inner_->WireTime(bytes); }
  std::string Describe() const override { return "sim"; }

 private:
  std::unique_ptr<host::Transport> inner_;
  std::atomic<bool>& plugged_;
};

class StationGuiTest : public ::testing::Test {
 protected:
  void SetUp() override { line->behaviour().customer.liftAfter = sim::Seconds(1); }
  void TearDown() override { window.reset(); }

  void Open(std::uint32_t config) {
    StationOptions options;
    options.config = config;
    options.dispensers = 2;
    window = std::make_unique<StationWindow>(
        options,
        [](std::uint32_t c, std::uintptr_t handle, HostPort* port) -> TVM30* {
          return new driver::VM30Driver(c, handle, port);
        },
        [this](host::LineHostPort& port, Byte channel, const std::string&) {
          port.Bind(channel, std::make_unique<PluggedTransport>(
                                 host::MakeSimTransport(line, clock, kInstant), plugged));
        });
    window->findChild<QTimer*>(QStringLiteral("pollTimer"))->stop();
    window->OnShown([this] { ++shown; });
    window->show();
  }
  // Lets the poller's answer reach the window.
  void AwaitShown(int before) {
    while (shown == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  void Poll() {
    const int before = shown;
    window->PollNow();
    AwaitShown(before);
  }
  // Sets the toolbar's box `name` to `value` and triggers the action `button`.
  void Click(const char* button, const char* box = nullptr, double value = 0) {
    if (box != nullptr)
      window->findChild<QDoubleSpinBox*>(QString::fromLatin1(box))->setValue(value);
    const int before = shown;
    window->findChild<QAction*>(QString::fromLatin1(button))->trigger();
    AwaitShown(before);
  }
  void PresetIn(int unit) {
    window->findChild<QComboBox*>(QStringLiteral("unit"))->setCurrentIndex(unit);
  }
  std::string Cell(int column) const {
    const QTableWidgetItem* item =
        window->findChild<QTableWidget*>(QStringLiteral("dispensers"))->item(0, column);
    return item != nullptr ? item->text().toStdString() : std::string();
  }
  std::string Label(const char* name) const {
    return window->findChild<QLabel*>(QString::fromLatin1(name))->text().toStdString();
  }
  // The window as it stands, for the documentation's pictures.
  void Picture(const char* name) {
    const QDir dir(QStringLiteral(KAVO5000_SCREENSHOT_DIR));
    ASSERT_TRUE(dir.mkpath(QStringLiteral(".")));
    const QString path = dir.filePath(QString::fromLatin1(name));
    ASSERT_TRUE(window->grab().save(path)) << path.toStdString();
  }
  double Litres() const { return std::stod(Cell(kColLitres)); }
  sim::Controller& Nozzle1() { return *line->Find(1); }

  // Runs the delivery started on nozzle 1 of dispenser 1 to its end: the
  // customer lifts the nozzle a second after the start, fuel runs at half a
  // litre a second, and the row shows the amount growing.
  void FollowDelivery() {
    clock.Advance(sim::Seconds(1.5));
    Poll();
    EXPECT_EQ(Cell(kColState), "отпуск топлива");
    EXPECT_EQ(Cell(kColNozzle), "1");
    const double first = Litres();
    EXPECT_GT(first, 0);
    clock.Advance(sim::Seconds(1));
    Poll();
    EXPECT_GT(Litres(), first);
    Picture("station-delivery.png");
    clock.Advance(sim::Seconds(30));
    Poll();
  }

  sim::VirtualClock clock;
  std::shared_ptr<sim::Line> line = std::make_shared<sim::Line>(sim::DefaultLineConfig(8));
  std::atomic<bool> plugged{true};
  std::unique_ptr<StationWindow> window;
  int shown = 0;
};

constexpr int kLitres = 0;  // the preset's units, as the toolbar lists them
constexpr int kMoney = 1;

TEST_F(StationGuiTest, ADeliveryByVolumeFromPriceToCounters) {
  Open(0);
  Poll();
  EXPECT_EQ(Cell(kColState), "ожидание");
  Click("setPrice", "price", 52.40);
  EXPECT_EQ(Nozzle1().price(), 5240);
  EXPECT_EQ(Label("message"), "ТРК 1, пистолет 1, цена 52.40 — выполнено");
  PresetIn(kLitres);
  Click("preset", "amount", 2);
  EXPECT_EQ(Nozzle1().presetVolume(), 200);
  Click("start");
  EXPECT_EQ(Nozzle1().phase(), sim::Phase::kAuthorised);

  FollowDelivery();
  EXPECT_EQ(Nozzle1().deliveryVolume(), 200);
  EXPECT_EQ(Cell(kColLitres), "2.00");
  EXPECT_EQ(Cell(kColMoney), "104.80");
  Picture("station-delivered.png");
}

TEST_F(StationGuiTest, ADeliveryByMoneyStoppedAndClosedByHand) {
  Open(kConfigMoneyAsMoney | kConfigDefaultNozzles);
  Click("setPrice", "price", 50);
  PresetIn(kMoney);
  Click("preset", "amount", 100);
  EXPECT_EQ(Nozzle1().presetMoney(), 10000);
  Click("start");
  // The customer lifts the nozzle a second after the start: the driver takes
  // a delivery with nothing dispensed for an ended one and tries to close
  // it, which the controller refuses while fuel runs.
  clock.Advance(sim::Seconds(1));
  Poll();
  EXPECT_EQ(Cell(kColState), "отпуск идёт, закрытие отклонено");
  EXPECT_EQ(Cell(kColNozzle), "1");
  clock.Advance(sim::Seconds(1));
  Poll();
  EXPECT_EQ(Cell(kColState), "отпуск топлива");
  Click("stop");
  EXPECT_EQ(Nozzle1().phase(), sim::Phase::kFinished);
  Click("close");
  EXPECT_EQ(Nozzle1().phase(), sim::Phase::kLifted);
  const std::string litres = Cell(kColLitres);
  EXPECT_NE(Label("message").find("закрытие отпуска — выполнено: отпущено 0.50 л на сумму 25.00"),
            std::string::npos)
      << Label("message");
  Poll();
  EXPECT_EQ(Cell(kColLitres), "0.50");
  EXPECT_EQ(Cell(kColMoney), "25.00");
}

// A station restarted while fuel runs on nozzle 2: it finds the delivery at
// start, shows it running with its nozzle and volume, and stops and closes it
// on that nozzle whatever nozzle the toolbar names; the sale is the
// controller's own counters.
TEST_F(StationGuiTest, ADeliveryOpenBeforeTheStartRunsOnAndIsClosedOnItsNozzle) {
  sim::Controller& nozzle2 = *line->Find(2);
  const std::string price = "5000";  // 50.00, as another run of the station set it
  std::vector<Byte> setPrice{wire::kCmdPrice};
  setPrice.insert(setPrice.end(), price.begin(), price.end());
  nozzle2.Execute(setPrice, clock.Now());
  const Byte start[] = {wire::kCmdStart};
  nozzle2.Execute(start, clock.Now());
  clock.Advance(sim::Seconds(3));  // lifted after a second, fuel runs since
  line->Advance(clock.Now());
  ASSERT_EQ(nozzle2.phase(), sim::Phase::kDelivering);

  Open(0);
  Poll();
  EXPECT_EQ(Cell(kColState), "отпуск топлива (начат до запуска станции)");
  EXPECT_EQ(Cell(kColNozzle), "2");
  const double first = Litres();
  EXPECT_EQ(first, static_cast<double>(nozzle2.deliveryVolume()) / 100);
  clock.Advance(sim::Seconds(1));
  Poll();
  EXPECT_GT(Litres(), first);
  EXPECT_EQ(nozzle2.phase(), sim::Phase::kDelivering);  // nothing tried to cut it short
  Picture("station-restarted.png");

  Click("stop");
  EXPECT_EQ(nozzle2.phase(), sim::Phase::kFinished);
  Poll();
  EXPECT_EQ(Cell(kColState), "отпуск окончен (начат до запуска станции)");
  Click("close");
  EXPECT_EQ(nozzle2.phase(), sim::Phase::kLifted);
  const std::string sale = "пистолет 2, закрытие отпуска — выполнено: отпущено " +
                           AmountText(static_cast<double>(nozzle2.deliveryVolume()) / 100) +
                           " л на сумму " +
                           AmountText(static_cast<double>(nozzle2.deliveryMoney()) / 100);
  EXPECT_NE(Label("message").find(sale), std::string::npos) << Label("message");
  Picture("station-restarted-closed.png");
  Poll();
  EXPECT_EQ(Cell(kColState), "пистолет снят");  // the driver's own poll again
  EXPECT_EQ(Cell(kColNozzle), "2");
}

TEST_F(StationGuiTest, ARefusedPresetAndARefusedCloseAreShownInWords) {
  Open(0);
  Click("setPrice", "price", 52.40);
  line->SetFaults(sim::FaultPlan::Parse("T:refuse*1"));
  PresetIn(kLitres);
  Click("preset", "amount", 2);
  EXPECT_FALSE(Nozzle1().presetVolume().has_value());
  EXPECT_EQ(Label("message"),
            "ТРК 1, пистолет 1, доза по объёму 2.00 л — ошибка: контроллер отказал в дозе по "
            "объёму");
  // The driver keeps no code for a refused close; the station sees the reply.
  line->SetFaults(sim::FaultPlan::Parse("8:refuse*1"));
  Click("close");
  EXPECT_EQ(Label("message"),
            "ТРК 1, пистолет 1, закрытие отпуска — ошибка: контроллер отказал в закрытии отпуска");
}

TEST_F(StationGuiTest, TheRowRecoversWhenTheLineComesBack) {
  Open(0);
  Poll();
  EXPECT_NE(Label("lines").find("связь есть"), std::string::npos) << Label("lines");
  plugged = false;
  Poll();
  EXPECT_NE(Cell(kColState).find("адаптер отключён"), std::string::npos) << Cell(kColState);
  EXPECT_NE(Label("lines").find("нет связи с"), std::string::npos) << Label("lines");
  plugged = true;
  clock.Advance(sim::Seconds(2));  // past the port's wait between reopening attempts
  Poll();
  EXPECT_EQ(Cell(kColState), "ожидание");
  EXPECT_NE(Label("lines").find("связь восстановлена в"), std::string::npos) << Label("lines");
}

}  // namespace
}  // namespace kavo5000::station
