// SimProcess.cpp — spawning a simulator process, reading its port spec, and
// stopping it by its pid.
#include "SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace kavo5000::host {

namespace {
// A sanitizer build of the tool takes its time to start.
constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kStopGrace = std::chrono::seconds(3);
constexpr auto kStopPoll = std::chrono::milliseconds(2);
constexpr int kExecFailed = 127;  // the shell's code for a program that did not start
}  // namespace

SimProcess::SimProcess(const std::string& tool, const std::vector<std::string>& args,
                       Banner banner) {
  std::vector<std::string> argv = {tool, "simulate"};
  argv.insert(argv.end(), args.begin(), args.end());
  Start(
      [&argv] {
        std::vector<char*> raw;
        raw.reserve(argv.size() + 1);
        for (std::string& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        execv(raw[0], raw.data());
      },
      banner);
}

SimProcess::SimProcess(const std::function<void()>& serve, Banner banner) {
  Start(serve, banner);
}

SimProcess::~SimProcess() {
  Stop();
}

void SimProcess::Start(const std::function<void()>& inChild, Banner banner) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork");
  if (pid_ == 0) {
    dup2(fds[1], STDOUT_FILENO);
    if (banner == Banner::kHidden) {
      const int null = open("/dev/null", O_WRONLY);
      if (null >= 0) dup2(null, STDERR_FILENO);
    }
    inChild();
    _exit(kExecFailed);
  }
  close(fds[1]);
  output_ = fds[0];
  // The first line is the port spec; read it byte by byte so nothing after it is taken.
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
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
  throw std::runtime_error("the simulator printed no port spec (got \"" + spec_ + "\")");
}

int SimProcess::Stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(kStopPoll);
  }
  pid_ = -1;
  if (output_ >= 0) close(output_);
  output_ = -1;
  return status;
}

}  // namespace kavo5000::host
