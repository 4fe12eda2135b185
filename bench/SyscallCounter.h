// SyscallCounter.h — how many system calls the calling thread makes, counted
// by the kernel at its raw_syscalls:sys_enter tracepoint through
// perf_event_open: each one a trip into the kernel that a station of twenty
// lines pays for in CPU. Counting needs the tracepoint's number from tracefs
// and the right to count kernel events (root, or perf_event_paranoid at most
// 1); where either is missing the counter says so and counts nothing.
#ifndef KAVO5000_BENCH_SYSCALLCOUNTER_H
#define KAVO5000_BENCH_SYSCALLCOUNTER_H

#include <linux/perf_event.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <optional>

namespace kavo5000::bench {

class SyscallCounter {
 public:
  // Starts counting the calling thread's system calls.
  SyscallCounter() {
    const std::optional<std::uint64_t> id = TracepointId();
    if (!id) return;
    perf_event_attr attr{};
    attr.type = PERF_TYPE_TRACEPOINT;
    attr.size = sizeof attr;
    attr.config = *id;
    // This thread, on whichever CPU it runs.
    fd_ = static_cast<int>(syscall(SYS_perf_event_open, &attr, 0, -1, -1, PERF_FLAG_FD_CLOEXEC));
  }
  ~SyscallCounter() {
    if (fd_ >= 0) close(fd_);
  }
  SyscallCounter(const SyscallCounter&) = delete;
  SyscallCounter& operator=(const SyscallCounter&) = delete;

  // The calls since construction (the read that asks included), or nothing
  // when this machine does not let us count.
  std::optional<std::uint64_t> Count() const {
    std::uint64_t count = 0;
    if (fd_ < 0 || read(fd_, &count, sizeof count) != sizeof count) return std::nullopt;
    return count;
  }

 private:
  static std::optional<std::uint64_t> TracepointId() {
    for (const char* path : {"/sys/kernel/tracing/events/raw_syscalls/sys_enter/id",
                             "/sys/kernel/debug/tracing/events/raw_syscalls/sys_enter/id"}) {
      std::ifstream in(path);
      std::uint64_t id = 0;
      if (in >> id) return id;
    }
    return std::nullopt;
  }

  int fd_ = -1;
};

}  // namespace kavo5000::bench

#endif  // KAVO5000_BENCH_SYSCALLCOUNTER_H
