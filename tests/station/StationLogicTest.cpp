// The sample station's plain parts: what it polls, how it reads its channels
// off the command line, and what its rows and status line show as rounds
// come in.
#include <gtest/gtest.h>

#include "DriverProbe.h"
#include "OpenDeliveries.h"
#include "Poller.h"
#include "StationOptions.h"
#include "StationRows.h"
#include "StationText.h"
#include "VM30.h"

namespace kavo5000::station {
namespace {

TEST(StationPlanTest, PollsTheNozzlesTheDriverNumbers) {
  for (const std::uint32_t config : {0x00u, 0x10u, 0x40u, 0xC3u, 0x0Fu}) {
    driver::VM30Driver driver(static_cast<Byte>(config), 0, nullptr);
    const PollPlan plan = PlanFor(3, config, 5);
    EXPECT_EQ(plan.nozzles, driver::DriverProbe(driver).Config().NozzlesPerDispenser)
        << "config " << config;
    EXPECT_EQ(plan.channel, 3);
    EXPECT_EQ(plan.dispensers, 5);
  }
  EXPECT_EQ(ConfigWords(0x10), "Конфигурация 0x10: пистолетов на ТРК — 0");
  EXPECT_EQ(ConfigWords(0x14), "Конфигурация 0x14: пистолетов на ТРК — 4");
}

TEST(StationChannelsTest, OnePortPerChannelNumberedOnFromTheFirst) {
  struct Case {
    std::vector<std::string> ports;
    int first;
    std::vector<std::pair<int, std::string>> channels;  // empty: refused
  };
  const Case cases[] = {
      {{}, 3, {{3, "sim"}}},
      {{"sim", "tcp://10.0.0.5:4001"}, 1, {{1, "sim"}, {2, "tcp://10.0.0.5:4001"}}},
      {{"5=sim", "/dev/ttyUSB0:9600:8N1"}, 1, {{5, "sim"}, {6, "/dev/ttyUSB0:9600:8N1"}}},
      {{"sim", "1=sim"}, 1, {}},  // channel 1 twice
      {{"21=sim"}, 1, {}},        // beyond the last channel
      {{"sim", "sim"}, 20, {}},   // the second would be channel 21
      {{"4="}, 1, {}},            // no port
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ports.empty() ? std::string("(none)") : c.ports.front());
    if (c.channels.empty()) {
      EXPECT_THROW(ParseChannels(c.ports, c.first), ChannelListError);
      continue;
    }
    const std::vector<ChannelPort> got = ParseChannels(c.ports, c.first);
    ASSERT_EQ(got.size(), c.channels.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].channel, c.channels[i].first);
      EXPECT_EQ(got[i].port, c.channels[i].second);
    }
  }
}

DispenserView Answered(std::uint16_t summary, std::vector<std::uint16_t> nozzles) {
  DispenserView view;
  view.channel = 2;
  view.number = 3;
  view.answered = true;
  view.status = kLineValid;
  view.summary = summary;
  view.nozzles = std::move(nozzles);
  return view;
}

// A delivery as the rounds report it: the amounts run while fuel flows, the
// counters replace them at the end and stay after the nozzle is hung up; a
// close the controller refused and a delivery begun before the station
// started are running ones; a failed round shows why in red and keeps them.
TEST(StationRowsTest, ADeliveryStaysInViewUntilTheNextOne) {
  RowMemory memory;
  DispenserView running = Answered(kStateDelivering + 2, {kStateIdle, kStateDelivering + 2});
  running.running = Amounts{1.25, 65.5};
  DispenserView finished = Answered(kStateFinished, {kStateIdle, kStateIdle});
  finished.delivered = Amounts{2, 104.8};
  // The driver's close refused while fuel runs on nozzle 2; a delivery the
  // station did not start, read from its controller.
  DispenserView refused = Answered(kStateFinished, {kStateIdle, kStateFinished});
  refused.closeRefused = true;
  refused.summaryNozzle = 2;
  refused.running = Amounts{0.4, 20};
  DispenserView adopted = Answered(kStateDelivering + 2, {kStateIdle, kStateDelivering + 2});
  adopted.adoptedNozzle = 2;
  adopted.running = Amounts{1.5, 75};
  DispenserView failed;
  failed.channel = 2;
  failed.number = 3;
  failed.failure = "connection refused";

  struct Step {
    const DispenserView* view;
    std::vector<std::string> cells;
    bool failed;
  };
  const Step steps[] = {
      {&running,
       {"2", "3", "отпуск топлива", "2", "1.25", "65.50", "1: ожидание; 2: отпуск топлива"},
       false},
      {&finished,
       {"2", "3", "отпуск завершён драйвером", "—", "2.00", "104.80", "1: ожидание; 2: ожидание"},
       false},
      {&refused,
       {"2", "3", "отпуск идёт, закрытие отклонено", "2", "0.40", "20.00",
        "1: ожидание; 2: отпуск идёт, закрытие отклонено"},
       false},
      {&adopted,
       {"2", "3", "отпуск топлива (начат до запуска станции)", "2", "1.50", "75.00",
        "1: ожидание; 2: отпуск топлива"},
       false},
      {&failed, {"2", "3", "нет связи: connection refused", "", "1.50", "75.00", ""}, true},
  };
  for (const Step& s : steps) {
    const RowCells row = CellsFor(*s.view, memory);
    EXPECT_EQ(row.cells, s.cells);
    EXPECT_EQ(row.failed, s.failed);
  }
  // No nozzles numbered (a configuration byte such as 0x10) says so.
  RowMemory fresh;
  EXPECT_EQ(CellsFor(Answered(kStateIdle, {}), fresh).cells[kColNozzles], "нет");
}

TEST(StationRowsTest, TheLineSaysSinceWhenItIsDownAndWhenItCameBack) {
  LineWatch watch;
  EXPECT_EQ(LineWords(watch, 1, "sim"), "Канал 1 (sim): опрос…");
  Round up;
  up.lineUp = true;
  Round down;
  down.reason = "connection refused";
  struct Step {
    const Round* round;
    const char* now;
    const char* words;
  };
  const Step steps[] = {
      {&up, "12:00:00", "Канал 1 (sim): связь есть"},
      {&down, "12:00:01", "Канал 1 (sim): нет связи с 12:00:01"},
      {&down, "12:00:02", "Канал 1 (sim): нет связи с 12:00:01"},
      {&up, "12:00:03", "Канал 1 (sim): связь восстановлена в 12:00:03"},
      {&up, "12:00:04", "Канал 1 (sim): связь восстановлена в 12:00:03"},
  };
  for (const Step& s : steps) {
    Observe(watch, *s.round, s.now);
    EXPECT_EQ(LineWords(watch, 1, "sim"), s.words) << s.now;
    EXPECT_EQ(watch.reason, s.round->lineUp ? "" : "connection refused");
  }
}

// A delivery found open is judged from its controller alone: running while
// fuel flows, ended once it stops, whatever the driver's tables hold.
TEST(StationOpenDeliveriesTest, TheControllerSaysWhatTheDeliveryIs) {
  struct Case {
    wire::StateBytes state;
    std::uint16_t code;  // for nozzle 3
  };
  const Case cases[] = {
      {{'0', '0'}, kStateIdle},
      {{'1', '0'}, kStateLifted + 3},
      {{'2', '0'}, kStateBusy},
      {{'3', '0'}, kStateFinished + 3},
      {{'4', '0'}, kStateDelivering + 3},
      {{'6', '0'}, kStateDelivering + 3},
      {{'4', '1'}, kStateFinished + 3},
      {{'5', wire::kEndByte}, kStateBusy},
      {{'9', '0'}, '9'},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ControllerCode(c.state, 3), c.code) << c.state.r1 << c.state.r2;
  }
  EXPECT_EQ(OpenNozzle({{'0', '0'}, {'1', '0'}}), 0);
  EXPECT_EQ(OpenNozzle({{'0', '0'}, {'4', '0'}, {'2', '0'}}), 2);
  EXPECT_EQ(OpenNozzle({{'3', '0'}}), 1);
}

TEST(StationTextTest, TheLinesReasonIsSaidInRussian) {
  const std::pair<const char*, const char*> cases[] = {
      {"tcp://127.0.0.1:4001: Connection refused", "tcp://127.0.0.1:4001: соединение отвергнуто"},
      {"tcp://10.0.0.5:4001: Connection timed out",
       "tcp://10.0.0.5:4001: соединение не установлено вовремя"},
      {"write: timed out", "запись: время ожидания истекло"},
      {"/dev/ttyUSB0: No such file or directory", "/dev/ttyUSB0: нет такого устройства"},
      {"/dev/ttyUSB0: port in use by PID 412", "/dev/ttyUSB0: порт занят процессом 412"},
      {"/dev/ttyS0: cannot set 4800 baud (Invalid argument)",
       "/dev/ttyS0: не удаётся установить 4800 бод (Invalid argument)"},
      {"channel 3 is not open", "канал 3 не открыт"},
      {"connection closed by the server", "сервер закрыл соединение"},
      {"COM3: Доступ запрещён.", "COM3: Доступ запрещён."},
  };
  for (const auto& [english, russian] : cases) EXPECT_EQ(PortReasonWords(english), russian);
}

}  // namespace
}  // namespace kavo5000::station
