// SimProcess.h — a `kavo5000 simulate` server started by a test: spawned with
// its options, its port spec read from the first line it prints, and stopped
// by its own pid when the test is done with it.
#ifndef KAVO5000_TESTS_SIMPROCESS_H
#define KAVO5000_TESTS_SIMPROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

namespace kavo5000::testing {

class SimProcess {
 public:
  // Starts `tool simulate` with `args`; throws std::runtime_error when it
  // prints no port spec within a few seconds.
  SimProcess(const std::string& tool, const std::vector<std::string>& args);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  const std::string& spec() const { return spec_; }
  pid_t pid() const { return pid_; }
  // Stops it now (SIGTERM, then SIGKILL if it lingers); returns its exit status.
  int Stop();

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  std::string spec_;
};

}  // namespace kavo5000::testing

#endif  // KAVO5000_TESTS_SIMPROCESS_H
