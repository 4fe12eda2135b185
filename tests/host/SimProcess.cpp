// SimProcess.cpp — spawning and stopping a simulator process by its pid.
#include "SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace kavo5000::testing {

namespace {
constexpr int kStartTimeoutMs = 5000;
constexpr auto kStopGrace = std::chrono::seconds(3);
}  // namespace

SimProcess::SimProcess(const std::string& tool, const std::vector<std::string>& args) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  std::vector<std::string> argv = {tool, "simulate"};
  argv.insert(argv.end(), args.begin(), args.end());
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork");
  if (pid_ == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    std::vector<char*> raw;
    raw.reserve(argv.size() + 1);
    for (std::string& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    execv(tool.c_str(), raw.data());
    _exit(127);
  }
  close(pipeFds[1]);
  output_ = pipeFds[0];
  // The first line is the port spec; read it byte by byte so nothing after it is taken.
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
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
  throw std::runtime_error("kavo5000 simulate printed no port spec (got \"" + spec_ + "\")");
}

SimProcess::~SimProcess() {
  Stop();
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
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  pid_ = -1;
  if (output_ >= 0) close(output_);
  output_ = -1;
  return status;
}

}  // namespace kavo5000::testing
