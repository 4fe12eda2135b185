// tcp_bench — the driver on TCP lines, as a station meets them. Sections:
//   peer     our state query through the module against the simulator's TCP
//            server, beside libmodbus's register read against its own TCP
//            server, each server in a process of its own (as a device server
//            is), in turn, round after round
//   servers  every parameter of a nozzle address read through Debian's
//            ser2net as it comes configured, beside the same read on the
//            simulator's own TCP server
//   smoke    a few exchanges of the peer section, to show the binary runs
// Each section prints its figures and "ROW" lines for bench/table.sh.
// Prints figures; never fails a run (the exit code is 0 unless it cannot start).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "LineHostPort.h"
#include "ModuleLoader.h"
#include "SimProcess.h"

#ifdef KAVO5000_WITH_MODBUS
#include <modbus.h>
#endif

namespace {

using kavo5000::Byte;
using namespace kavo5000;
using Clock = std::chrono::steady_clock;

constexpr double kPeerGoal = 1.0;  // our round trip over libmodbus's
constexpr int kPeerRounds = 5000;
constexpr double kServerGoal = 0.95;  // speed through ser2net over direct TCP
constexpr int kParamRuns = 5;         // params read runs of each kind, in turn
constexpr int kParamRows = 46;        // the catalogue's rows a params read asks

double MsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// Ties the calling thread (and what it starts from now on) to one CPU; on a
// one-CPU machine, or where that fails, it stays where it was.
void PinTo(int cpu) {
  if (std::thread::hardware_concurrency() < 2) return;
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(cpu, &set);
  pthread_setaffinity_np(pthread_self(), sizeof set, &set);
}

// Where the two ends of a loopback exchange run. Left to the scheduler, a
// server woken on the client's CPU answers in about 25 us on the 2-core
// machine the project is developed on, one woken on the other CPU in about
// 115 us, and which of the two servers lands where changes from run to run
// (one run's medians: ours 0.12 ms, libmodbus's 0.04 ms; the next run the
// other way round). Pinned, both stacks meet the same arrangement: the
// clients on CPU 0, the servers on CPU 1 or on CPU 0 too.
struct Arrangement {
  const char* name;
  int clientCpu;
  int serverCpu;
};
constexpr Arrangement kArrangements[] = {{"two CPUs", 0, 1}, {"one CPU", 0, 0}};

#ifdef KAVO5000_WITH_MODBUS
// A libmodbus TCP server in a process of its own, holding 16 registers: it
// prints its port spec and answers one client until it goes away.
void ServeModbus() {
  modbus_t* server = modbus_new_tcp("127.0.0.1", 0);
  constexpr int kRegisters = 16;
  modbus_mapping_t* mapping = modbus_mapping_new(0, 0, kRegisters, 0);
  if (server == nullptr || mapping == nullptr) return;
  int listening = modbus_tcp_listen(server, 1);
  if (listening < 0) return;
  sockaddr_in address{};
  socklen_t size = sizeof address;
  getsockname(listening, reinterpret_cast<sockaddr*>(&address), &size);
  std::printf("tcp://127.0.0.1:%d\n", ntohs(address.sin_port));
  std::fflush(stdout);
  if (modbus_tcp_accept(server, &listening) < 0) return;
  std::uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
  for (;;) {
    const int rc = modbus_receive(server, query);
    if (rc > 0) modbus_reply(server, query, rc, mapping);
    if (rc < 0) break;
  }
  _exit(0);
}

// A libmodbus client of that server, reading one holding register.
class ModbusClient {
 public:
  explicit ModbusClient(int port) : client_(modbus_new_tcp("127.0.0.1", port)) {
    connected_ = client_ != nullptr && modbus_connect(client_) == 0;
  }
  ~ModbusClient() {
    if (client_ == nullptr) return;
    modbus_close(client_);
    modbus_free(client_);
  }
  ModbusClient(const ModbusClient&) = delete;
  ModbusClient& operator=(const ModbusClient&) = delete;

  bool Read() {
    std::uint16_t value = 0;
    return connected_ && modbus_read_registers(client_, 0, 1, &value) == 1;
  }

 private:
  modbus_t* client_ = nullptr;
  bool connected_ = false;
};

int PortOf(const std::string& spec) {
  return std::stoi(spec.substr(spec.rfind(':') + 1));
}
#endif

// Our state query and libmodbus's register read in turn, round after round,
// so that both meet the same machine at the same moments; each server a
// process of its own on the server CPU, both clients on this thread.
void Peer(int rounds, const Arrangement& where) {
  cpu_set_t before;
  pthread_getaffinity_np(pthread_self(), sizeof before, &before);
  PinTo(where.serverCpu);  // the server processes inherit it
  host::SimProcess sim(KAVO5000_TOOL_PATH,
                       {"--tcp", "0", "--baud", "0", "--turnaround", "0", "--controllers", "4"},
                       host::SimProcess::Banner::kHidden);
#ifdef KAVO5000_WITH_MODBUS
  host::SimProcess modbusServer(ServeModbus, host::SimProcess::Banner::kHidden);
#endif
  PinTo(where.clientCpu);
  loader::Module module{std::string(KAVO5000_MODULE_PATH)};
  host::LineHostPort port;
  port.Bind(1, sim.spec());
  const std::unique_ptr<TVM30> driver = module.Create(bench::kConfigFourNozzles, &port);
  driver->OpenChannel(1);
  StateRecord record{};
  std::vector<double> ourTimes;
#ifdef KAVO5000_WITH_MODBUS
  ModbusClient modbus(PortOf(modbusServer.spec()));
  std::vector<double> theirTimes;
#endif
  for (int i = -(rounds / 10 + 1); i < rounds; ++i) {
    auto begin = Clock::now();
    try {
      driver->GetSost(1, 1, 1, &record);
    } catch (const std::exception&) {
    }
    if (i >= 0) ourTimes.push_back(MsSince(begin));
#ifdef KAVO5000_WITH_MODBUS
    begin = Clock::now();
    if (modbus.Read() && i >= 0) theirTimes.push_back(MsSince(begin));
#endif
  }
  pthread_setaffinity_np(pthread_self(), sizeof before, &before);
  const double mine = bench::Median(ourTimes);
  const std::string ours = std::string("peer: TCP state query, ") + where.name;
  std::printf(
      "peer: TCP loopback, ends on %s, servers in processes of their own, no pacing, %d rounds "
      "in turn: state query %.4f ms",
      where.name, rounds, mine);
#ifdef KAVO5000_WITH_MODBUS
  const double theirs = bench::Median(theirTimes);
  const double ratio = theirs > 0 ? mine / theirs : 0;
  std::printf(", libmodbus register read %.4f ms, ratio %.3f\n", theirs, ratio);
  bench::Row(ours, bench::Ms(mine), bench::Ms(theirs) + " (libmodbus)", ratio, "<= 1 x libmodbus",
             theirs > 0 && ratio <= kPeerGoal);
#else
  std::printf(" (libmodbus not found at configure time: no comparison)\n");
  bench::Row(ours, bench::Ms(mine), "-", 0, "<= 1 x libmodbus", false);
#endif
}

// A free TCP port on loopback, as the kernel hands one out.
int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

bool Listening(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool up = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return up;
}

bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// ser2net in front of a pseudo-terminal, with nothing in its configuration
// but the accepter and the connector (and the options given), in a process
// of its own, stopped by its pid.
class Ser2net {
 public:
  Ser2net(const std::string& pty, const std::string& options) : port_(FreePort()) {
    char dir[] = "/tmp/kavo5000-ser2net-XXXXXX";
    if (mkdtemp(dir) == nullptr) throw std::runtime_error("mkdtemp");
    dir_ = dir;
    std::ofstream(dir_ + "/ser2net.yaml")
        << "connection: &line\n"
        << "    accepter: tcp,127.0.0.1," << port_ << "\n"
        << "    connector: serialdev," << pty << ",4800n81,local\n"
        << options;
    const std::string config = dir_ + "/ser2net.yaml";
    const std::string pidFile = dir_ + "/ser2net.pid";
    pid_ = fork();
    if (pid_ == 0) {
      std::freopen("/dev/null", "w", stderr);
      execlp("ser2net", "ser2net", "-n", "-c", config.c_str(), "-P", pidFile.c_str(), nullptr);
      _exit(1);
    }
    for (int i = 0; i < 200 && !Listening(port_); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~Ser2net() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    std::filesystem::remove_all(dir_);
  }
  Ser2net(const Ser2net&) = delete;
  Ser2net& operator=(const Ser2net&) = delete;

  std::string spec() const { return "tcp://127.0.0.1:" + std::to_string(port_); }

 private:
  int port_;
  std::string dir_;
  pid_t pid_ = -1;
};

// One `kavo5000 params read` of a nozzle address, as a technician runs it:
// its time and the rows it could not read.
struct ParamsRead {
  double ms = 0;
  int failed = 0;
};

ParamsRead ReadParams(const std::string& spec) {
  const std::string command = std::string(KAVO5000_TOOL_PATH) + " --port " + spec +
                              " params read --address 3 --keep-going 2>&1";
  const auto begin = Clock::now();
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) throw std::runtime_error("popen");
  ParamsRead r;
  char line[512];
  while (std::fgets(line, sizeof line, p) != nullptr) {
    if (std::strstr(line, "read failed") != nullptr) ++r.failed;
  }
  const int status = pclose(p);
  r.ms = MsSince(begin);
  if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && r.failed == 0)) r.failed = kParamRows;
  return r;
}

// Every parameter of a nozzle address read through ser2net as it comes, and
// with its character delay off, each beside the same read on the
// simulator's own TCP server, in turn.
void Servers() {
  if (!OnPath("ser2net")) {
    std::printf("servers: ser2net is not installed (apt-get install ser2net): not measured\n");
    bench::Row("servers: params read via ser2net", "-", "-", 0, ">= 0.95 x direct, 0 failed",
               false);
    return;
  }
  const std::vector<std::string> line = {"--baud", "4800", "--turnaround", "5"};
  std::vector<std::string> ptyArgs = {"--pty"};
  ptyArgs.insert(ptyArgs.end(), line.begin(), line.end());
  std::vector<std::string> tcpArgs = {"--tcp", "0"};
  tcpArgs.insert(tcpArgs.end(), line.begin(), line.end());
  host::SimProcess behind(KAVO5000_TOOL_PATH, ptyArgs, host::SimProcess::Banner::kHidden);
  host::SimProcess direct(KAVO5000_TOOL_PATH, tcpArgs, host::SimProcess::Banner::kHidden);
  struct Setting {
    const char* name;
    const char* options;
  };
  const Setting settings[] = {
      {"defaults", ""},
      {"chardelay off", "    options:\n      chardelay: false\n"},
  };
  for (const Setting& setting : settings) {
    const Ser2net server(behind.spec(), setting.options);
    std::vector<double> viaServer;
    std::vector<double> viaDirect;
    int failed = 0;
    for (int run = 0; run < kParamRuns; ++run) {
      const ParamsRead a = ReadParams(server.spec());
      const ParamsRead b = ReadParams(direct.spec());
      viaServer.push_back(a.ms);
      viaDirect.push_back(b.ms);
      failed += a.failed + b.failed;
    }
    const double through = bench::Median(viaServer);
    const double straight = bench::Median(viaDirect);
    const double speed = through > 0 ? straight / through : 0;
    std::printf(
        "servers: params read of %d rows, %d runs in turn: ser2net (%s) %.1f ms, direct "
        "TCP %.1f ms, speed %.3f of direct, %d rows failed\n",
        kParamRows, kParamRuns, setting.name, through, straight, speed, failed);
    bench::Row(std::string("servers: params read, ser2net ") + setting.name, bench::Ms(through),
               bench::Ms(straight) + " (direct)", speed,
               ">= 0.95 x direct, " + std::to_string(failed) + " failed",
               speed >= kServerGoal && failed == 0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string section = argc > 1 ? argv[1] : "all";
  const bool all = section == "all";
  try {
    if (section == "smoke") {
      Peer(5, kArrangements[0]);
      return 0;
    }
    if (all || section == "peer") {
      for (const Arrangement& where : kArrangements) Peer(kPeerRounds, where);
    }
    if (all || section == "servers") Servers();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tcp_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
