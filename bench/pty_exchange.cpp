// pty_exchange — how long one exchange over a pseudo-terminal takes, next to
// the time the line itself needs for it at 4800 baud (frame and reply at ten
// bits a byte, plus the controller's turnaround), and how soon after the
// reply's last byte LineHostPort hands the reply back. Prints figures; never
// fails a run.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "FrameStream.h"
#include "Frames.h"
#include "Line.h"
#include "LineHostPort.h"
#include "Server.h"
#include "WireCheck.h"

namespace {

using kavo5000::Byte;
using namespace kavo5000;

constexpr Byte kChannel = 1;
constexpr int kBaud = 4800;
constexpr int kRounds = 60;
// The port must hand a reply back as soon as its last byte is in, not when
// replySize bytes or a timeout have passed: within this much of the last byte.
constexpr double kAfterLastByteGoalMs = 0.5;

struct Figures {
  double median = 0;
  double p95 = 0;
  double worst = 0;
};

Figures Summarise(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return {v[v.size() / 2], v[v.size() * 95 / 100], v.back()};
}

double Ms(sim::Duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main() {
  sim::SteadyClock clock;
  sim::Line line(sim::DefaultLineConfig(2));
  sim::ServeOptions serve;
  serve.baud = kBaud;
  sim::Server server(line, clock, serve);
  const std::string slave = server.OpenPty();
  std::atomic<sim::Duration::rep> sentAt{-1};
  server.OnAnswerSent([&](sim::Instant t) { sentAt.store(t.time_since_epoch().count()); });
  std::atomic<bool> stop{false};
  std::thread serving([&] { server.Run(stop); });

  host::LineHostPort port;
  bench::WireCheck check{&port};
  port.Bind(kChannel, slave + ":4800:8N1");
  port.SetReplyCheck(kChannel, check.Ref());
  if (port.Open(kChannel, 42, kBaud) != 0) {
    std::fprintf(stderr, "pty_exchange: cannot open %s\n", slave.c_str());
    stop.store(true);
    serving.join();
    return 0;
  }

  struct Case {
    const char* name;
    wire::Bytes command;
    Byte replySize;
  };
  const Case cases[] = {
      {"'U' -> 06 (replySize 40)", {0x02, 0x21, 'U'}, 40},
      {"'1' -> state, 8 bytes", {0x02, 0x21, '1'}, 8},
      {"'6' -> totals, 52 bytes", {0x02, 0x21, '6'}, 52},
  };
  std::printf("exchange over a pseudo-terminal at %d baud, turnaround %.0f ms, %d rounds each\n",
              kBaud, Ms(serve.turnaround), kRounds);
  std::printf("%-28s %9s %9s %9s %9s | %-26s\n", "exchange", "wire ms", "median", "p95", "worst",
              "after last byte: median/p95/worst ms");
  bool goalMet = true;
  for (const Case& c : cases) {
    const wire::Bytes frame = wire::EncodeFrame(c.command);
    std::vector<double> total;
    std::vector<double> after;
    std::size_t replyBytes = 0;
    for (int i = 0; i < kRounds; ++i) {
      std::array<Byte, 256> reply{};
      sentAt.store(-1);
      const sim::Instant begin = clock.Now();
      port.Send(kChannel, frame.data(), static_cast<Byte>(frame.size()), reply.data(), c.replySize,
                0);
      const sim::Instant end = clock.Now();
      // The simulator reports its write a moment after the host may have
      // read it; the time it reports was taken before the write.
      for (int wait = 0; wait < 100 && sentAt.load() < 0; ++wait) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
      if (port.GetLineState(kChannel) != 1 || sentAt.load() < 0) continue;
      total.push_back(Ms(end - begin));
      after.push_back(Ms(end - sim::Instant(sim::Duration(sentAt.load()))));
      replyBytes = wire::ParseReply(reply).length;
    }
    if (total.empty()) {
      std::printf("%-28s no valid reply\n", c.name);
      continue;
    }
    const double wire = Ms(sim::WireTime(frame.size() + replyBytes, kBaud) + serve.turnaround);
    const Figures t = Summarise(total);
    const Figures a = Summarise(after);
    std::printf("%-28s %9.2f %9.2f %9.2f %9.2f | %.3f / %.3f / %.3f  (x%.2f of wire time)\n",
                c.name, wire, t.median, t.p95, t.worst, a.median, a.p95, a.worst, t.median / wire);
    goalMet = goalMet && a.median <= kAfterLastByteGoalMs;
  }
  std::printf("goal: reply handed back within %.1f ms of its last byte (median): %s\n",
              kAfterLastByteGoalMs, goalMet ? "met" : "not met");
  stop.store(true);
  serving.join();
  return 0;
}
