// BenchSupport.h — what the benchmarks share: the line's yardstick (ten bits
// a byte at the line rate), the module loaded with dlopen as a station
// program loads it, a `kavo5000 simulate` process started for a run and
// stopped by its pid, and the rows of the table `make bench` prints.
#ifndef KAVO5000_BENCH_BENCHSUPPORT_H
#define KAVO5000_BENCH_BENCHSUPPORT_H

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "kavo5000/Kavo5000.h"

namespace kavo5000::bench {

inline constexpr int kBaud = 4800;
// Nozzles per dispenser, the low bits of the configuration byte GetVM30 takes.
inline constexpr std::uint32_t kConfigFourNozzles = 4;

// Milliseconds `bytes` bytes take on the line at `baud`, ten bits each.
inline double WireMs(std::size_t bytes, int baud = kBaud) {
  return static_cast<double>(bytes) * 10.0 * 1000.0 / baud;
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One row of the table: tab-separated after "ROW", gathered by
// bench/table.sh. Milliseconds; "-" where a column does not apply.
inline void Row(const std::string& operation, const std::string& median, const std::string& wire,
                double ratio, const std::string& goal, bool met) {
  std::printf("ROW\t%s\t%s\t%s\t%.4g\t%s\t%s\n", operation.c_str(), median.c_str(), wire.c_str(),
              ratio, goal.c_str(), met ? "met" : "not met");
  std::fflush(stdout);
}

inline std::string Ms(double ms) {
  char text[32];
  if (ms >= 100) {
    std::snprintf(text, sizeof text, "%.1f ms", ms);
  } else if (ms >= 0.01) {
    std::snprintf(text, sizeof text, "%.3f ms", ms);
  } else {
    std::snprintf(text, sizeof text, "%.1f ns", ms * 1e6);
  }
  return text;
}

using GetVM30Proc = TVM30*(KAVO5000_CALL*)(std::uint32_t, std::uintptr_t, HostPort*);

// The module, loaded once for the process and kept mapped to its end, as a
// station program keeps it: what it allocates for its lifetime stays reachable.
class Module {
 public:
  explicit Module(const char* path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {
    if (handle_ == nullptr) throw std::runtime_error(dlerror());
    proc_ = reinterpret_cast<GetVM30Proc>(dlsym(handle_, "GetVM30"));
    if (proc_ == nullptr) throw std::runtime_error("the module exports no GetVM30");
  }
  ~Module() { dlclose(handle_); }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  std::unique_ptr<TVM30> Driver(HostPort* port, std::uint32_t config = kConfigFourNozzles) const {
    return std::unique_ptr<TVM30>(proc_(config, 0, port));
  }

 private:
  void* handle_;
  GetVM30Proc proc_ = nullptr;
};

// `kavo5000 simulate` with the given options; its first output line is the
// port spec to bind. Stopped by its own pid.
class SimProcess {
 public:
  SimProcess(const std::string& tool, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {tool, "simulate"};
    argv.insert(argv.end(), args.begin(), args.end());
    Start([&argv] {
      std::vector<char*> raw;
      for (std::string& a : argv) raw.push_back(a.data());
      raw.push_back(nullptr);
      execv(raw[0], raw.data());
    });
  }
  // A child of this process that runs `serve`, which prints the port spec on
  // a line of its own and serves until it is stopped. For a line the tool
  // does not offer (more controllers than its command line takes). Call it
  // before this process starts threads.
  explicit SimProcess(const std::function<void()>& serve) { Start(serve); }
  ~SimProcess() { Stop(); }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  const std::string& spec() const { return spec_; }

  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    pid_ = -1;
    if (output_ >= 0) close(output_);
    output_ = -1;
  }

 private:
  void Start(const std::function<void()>& inChild) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      // Its banner on stderr would only clutter the figures.
      const int null = open("/dev/null", O_WRONLY);
      if (null >= 0) dup2(null, STDERR_FILENO);
      inChild();
      _exit(127);
    }
    close(fds[1]);
    output_ = fds[0];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd p{output_, POLLIN, 0};
      if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char c = 0;
      if (read(output_, &c, 1) != 1) break;
      if (c == '\n') return;
      spec_ += c;
    }
    Stop();
    throw std::runtime_error("kavo5000 simulate printed no port spec");
  }

  pid_t pid_ = -1;
  int output_ = -1;
  std::string spec_;
};

}  // namespace kavo5000::bench

#endif  // KAVO5000_BENCH_BENCHSUPPORT_H
