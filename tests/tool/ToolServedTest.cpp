// The kavo5000 tool driving a `kavo5000 simulate` process over a
// pseudo-terminal and over TCP, one command per invocation, as a technician
// would; and the parameter table read through the catalogue.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <utility>

#include "SimProcess.h"
#include "ToolRun.h"

namespace kavo5000::testing {
namespace {

using host::SimProcess;

class ToolServed : public ::testing::TestWithParam<const char*> {};

TEST_P(ToolServed, CommandsReachTheServedLineAndItRemembers) {
  SimProcess server(KAVO5000_TOOL_PATH, {GetParam(), "--no-customer"});
  const std::string port = " --port " + server.spec();
  const ToolRun price = Tool("price 1 1 50" + port);
  EXPECT_EQ(price.exitCode, 0) << price.out;
  const ToolRun preset = Tool("preset-volume 1 1 3" + port);
  EXPECT_EQ(preset.exitCode, 0) << preset.out;
  const ToolRun start = Tool("start 1 1" + port);
  EXPECT_EQ(start.exitCode, 0) << start.out;
  // Another invocation, the same controller: still authorised.
  const ToolRun state = Tool("state 1" + port);
  EXPECT_EQ(state.exitCode, 0) << state.out;
  EXPECT_NE(state.out.find("nozzle 1  0xC8  authorised"), std::string::npos) << state.out;
  const ToolRun stop = Tool("stop 1 1" + port);
  EXPECT_EQ(stop.exitCode, 0) << stop.out;
  const ToolRun type = Tool("type 1" + port);
  EXPECT_EQ(type.exitCode, 0) << type.out;
  EXPECT_NE(type.out.find("dispenser 1: type 1"), std::string::npos) << type.out;
}

TEST_P(ToolServed, AFaultyServedLineGivesOneErrorLine) {
  SimProcess server(KAVO5000_TOOL_PATH, {GetParam(), "--faults", "Q:refuse"});
  const ToolRun price = Tool("price 1 1 50 --port " + server.spec());
  EXPECT_EQ(price.exitCode, 1) << price.out;
  EXPECT_EQ(price.out, "kavo5000: price: the controller refused the price (status 0x15)\n");
}

INSTANTIATE_TEST_SUITE_P(Served, ToolServed, ::testing::Values("--pty", "--tcp=0"));

// A delivery preset and started by earlier runs, watched by a later one: its
// driver knows no preset, so it closes the running delivery, and the
// controller refuses the close while fuel flows. The watch fails and shows
// the delivery still running, never "delivery done".
TEST(ToolServedWatch, AWatchInAnotherRunReportsTheRefusedClose) {
  SimProcess server(KAVO5000_TOOL_PATH, {"--pty", "--lift-after", "0"});
  const std::string port = " --port " + server.spec();
  ASSERT_EQ(Tool("preset-volume 1 1 10" + port).exitCode, 0);
  ASSERT_EQ(Tool("start 1 1" + port).exitCode, 0);
  const ToolRun watch = Tool("watch 1 --once" + port);
  EXPECT_EQ(watch.exitCode, 1) << watch.out;
  EXPECT_NE(watch.out.find("1      0xD8   delivering (close refused)"), std::string::npos)
      << watch.out;
  EXPECT_NE(watch.out.find("refused the close ('8')"), std::string::npos) << watch.out;
  EXPECT_EQ(watch.out.find("delivery done"), std::string::npos) << watch.out;
}

// The two figures after `label` in a line of the tool's ("sale 1.50 l, 75.00").
std::pair<double, double> FiguresAfter(const std::string& out, const std::string& label) {
  const auto at = out.find(label);
  if (at == std::string::npos) return {-1, -1};
  double litres = -1;
  double money = -1;
  std::sscanf(out.c_str() + at + label.size(), "%lf l, %lf", &litres, &money);
  return {litres, money};
}

// A `deliver` killed mid-flow (the process, as a crash or kill -9 ends it)
// leaves its delivery open; `recover` in a new process finishes it: waiting
// for its end or stopping the pump, it bills what the controller's delivery
// counters say, and the totals grew by exactly that.
class ToolRecover : public ::testing::TestWithParam<bool> {};

TEST_P(ToolRecover, FinishesTheSaleOfAKilledDeliver) {
  const bool stop = GetParam();
  SimProcess server(KAVO5000_TOOL_PATH,
                    {"--tcp=0", "--flow", "1", "--lift-after", "0.2", "--hang-after", "30"});
  const std::string port = " --port " + server.spec();
  const auto before = FiguresAfter(Tool("totals 1 2" + port).out, "totals ");
  ASSERT_GT(before.first, 0);

  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t deliver = fork();
  if (deliver == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    const std::string spec = server.spec();
    execl(KAVO5000_TOOL_PATH, KAVO5000_TOOL_PATH, "--port", spec.c_str(), "deliver", "1", "2",
          "--volume", "3.00", "--price", "50.00", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  FILE* lines = fdopen(out[0], "r");
  char line[256];
  bool flowing = false;
  while (!flowing && std::fgets(line, sizeof line, lines) != nullptr) {
    flowing = std::string(line).find("delivering (nozzle 2)") != std::string::npos;
  }
  kill(deliver, SIGKILL);
  waitpid(deliver, nullptr, 0);
  std::fclose(lines);
  ASSERT_TRUE(flowing);

  const ToolRun recover = Tool("recover 1" + port + (stop ? " --stop" : ""));
  ASSERT_EQ(recover.exitCode, 0) << recover.out;
  EXPECT_NE(recover.out.find("dispenser 1 nozzle 2: transaction closed"), std::string::npos)
      << recover.out;
  const auto sale = FiguresAfter(recover.out, "nozzle 2: sale ");
  if (stop) {
    EXPECT_GT(sale.first, 0) << recover.out;
    EXPECT_LT(sale.first, 3.0) << recover.out;
  } else {
    EXPECT_EQ(sale.first, 3.0) << recover.out;
  }
  EXPECT_NEAR(sale.second, sale.first * 50.0, 0.005) << recover.out;
  const ToolRun counters = Tool("counters 1 2" + port);
  EXPECT_EQ(FiguresAfter(counters.out, "nozzle 2: delivery "), sale) << counters.out;
  const auto after = FiguresAfter(Tool("totals 1 2" + port).out, "totals ");
  EXPECT_NEAR(after.first - before.first, sale.first, 0.005);
  EXPECT_NEAR(after.second - before.second, sale.second, 0.005);
  // The sale is closed: nothing is left to recover.
  const ToolRun again = Tool("recover 1" + port);
  EXPECT_EQ(again.exitCode, 1) << again.out;
  EXPECT_NE(again.out.find("no delivery is open on dispenser 1"), std::string::npos) << again.out;
}

INSTANTIATE_TEST_SUITE_P(WaitOrStop, ToolRecover, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("Stopped") : std::string("Awaited");
                         });

TEST(ToolParams, ReadsEveryParameterWithTheCataloguesTexts) {
  const ToolRun r = Tool("params read --address 1");
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("46 parameters"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  19  107 "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Номер версии ПО контроллера ТРК"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1-Последовательный интерфейс - данный протокол"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("  38  -5 "), std::string::npos) << r.out;  // 205: −5 °C
}

TEST(ToolParams, ReportsTheParametersItCouldNotRead) {
  const ToolRun r = Tool("params read --address 1 --faults N:drop*2");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("read failed: parameter read: no reply from the controller"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("kavo5000: 2 of 46 parameters could not be read"), std::string::npos)
      << r.out;
}

TEST(ToolParams, ADeadAddressStopsAfterThreeSilentRows) {
  const ToolRun dead = Tool("params read --address 40 --timeout 20");
  EXPECT_EQ(dead.exitCode, 1);
  EXPECT_NE(dead.out.find("no controller answers at nozzle address 40 (3 silent rows"),
            std::string::npos)
      << dead.out;
  EXPECT_EQ(dead.out.find("\n   3  "), std::string::npos) << dead.out;  // row 3 was not asked
}

// An adapter unplugged while parameters are read: the port's own error
// names it, not a silent controller. The line hangs up as the first frame
// arrives.
TEST(ToolServedPort, AnUnpluggedLineIsNamedByThePortsError) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  // Only this process may hold the line's other end, or closing it hangs up nothing.
  ASSERT_EQ(fcntl(master, F_SETFD, FD_CLOEXEC), 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string slave = ptsname(master);
  auto reading = std::async(std::launch::async,
                            [&] { return Tool("params read --address 1 --port " + slave); });
  char first = 0;
  const bool framed = read(master, &first, 1) == 1;
  close(master);
  const ToolRun r = reading.get();
  ASSERT_TRUE(framed);
  EXPECT_EQ(r.exitCode, 1) << r.out;
  EXPECT_NE(r.out.find("kavo5000: the line failed at code 0 ("), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("no controller answers"), std::string::npos) << r.out;
}

// A second program on a port another one holds fails at once, naming the
// holder, instead of mixing its frames into the first one's conversation.
TEST(ToolServedPort, ASecondProgramOnTheSamePortFailsAtOnce) {
  SimProcess server(KAVO5000_TOOL_PATH, {"--pty", "--no-customer"});
  // The holder: a shell on the port, fed through a pipe it reads its lines from.
  int lines[2];
  ASSERT_EQ(pipe(lines), 0);
  const std::string out = ::testing::TempDir() + "kavo5000-holder.txt";
  const pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    dup2(lines[0], STDIN_FILENO);
    close(lines[1]);
    std::freopen(out.c_str(), "w", stdout);
    execl(KAVO5000_TOOL_PATH, KAVO5000_TOOL_PATH, "shell", "--port", server.spec().c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(lines[0]);
  const std::string first = "state 1\n";
  ASSERT_EQ(write(lines[1], first.data(), first.size()), static_cast<ssize_t>(first.size()));
  // Once the holder has answered a line, it holds the port.
  std::string held;
  for (int tries = 0; tries < 100 && held.find("dispenser 1:") == std::string::npos; ++tries) {
    usleep(50000);
    std::ifstream in(out);
    held.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  ASSERT_NE(held.find("dispenser 1:"), std::string::npos) << held;

  const ToolRun second = Tool("state 1 --port " + server.spec());
  EXPECT_EQ(second.exitCode, 1) << second.out;
  EXPECT_NE(second.out.find("port in use by PID " + std::to_string(holder)), std::string::npos)
      << second.out;

  close(lines[1]);  // the holder's shell reads its end and quits
  int status = 0;
  waitpid(holder, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << held;
}

}  // namespace
}  // namespace kavo5000::testing
