// ChannelStress.h — many host threads on one driver object: one thread per
// channel on all twenty, and on channel 1 a second host thread and a reader
// that reads parameters through WindowReadParam as the window's background
// reader does. The port answers every frame through the installed check and
// counts every exchange that begins while another is running on the same
// channel; each thread checks that the answers it gets are its channel's.
#ifndef KAVO5000_TESTS_STRESS_CHANNELSTRESS_H
#define KAVO5000_TESTS_STRESS_CHANNELSTRESS_H

#include <chrono>
#include <cstdint>

namespace kavo5000::stress {

struct StressResult {
  int threads = 0;
  std::uint64_t operations = 0;
  std::uint64_t exchanges = 0;
  std::uint64_t overlaps = 0;      // exchanges that met another on their channel
  std::uint64_t wrongAnswers = 0;  // a value that was not the asking channel's
  std::uint64_t raised = 0;        // operations that raised
  std::chrono::milliseconds elapsed{};
};

// Runs `operations` operations in all, shared among the threads.
StressResult RunStress(std::uint64_t operations);

}  // namespace kavo5000::stress

#endif  // KAVO5000_TESTS_STRESS_CHANNELSTRESS_H
