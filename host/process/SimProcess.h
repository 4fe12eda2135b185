// SimProcess.h — a simulator served by a child process, for the tests and the
// benchmarks that reach it as a station reaches a line: `kavo5000 simulate`
// started with its options (or a function of the caller's that serves a line
// the tool does not offer), its port spec read from the first line it prints,
// and stopped by its own pid. POSIX: fork, pipes and signals.
#ifndef KAVO5000_HOST_SIMPROCESS_H
#define KAVO5000_HOST_SIMPROCESS_H

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace kavo5000::host {

class SimProcess {
 public:
  // Whether the child's banner on stderr reaches ours: a test's log wants it,
  // a benchmark's table does not.
  enum class Banner { kShown, kHidden };

  // Starts `tool simulate` with `args`. Throws std::runtime_error when it
  // prints no port spec within a few seconds.
  SimProcess(const std::string& tool, const std::vector<std::string>& args,
             Banner banner = Banner::kShown);
  // A child of this process that runs `serve`, which prints the port spec on
  // a line of its own and serves until it is stopped. Call it before this
  // process starts threads.
  explicit SimProcess(const std::function<void()>& serve, Banner banner = Banner::kShown);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  const std::string& spec() const { return spec_; }
  pid_t pid() const { return pid_; }
  // Stops it now (SIGTERM, then SIGKILL if it lingers); returns its exit
  // status, or -1 when it was stopped already.
  int Stop();

 private:
  void Start(const std::function<void()>& inChild, Banner banner);

  pid_t pid_ = -1;
  int output_ = -1;
  std::string spec_;
};

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_SIMPROCESS_H
