// ParamReader.cpp — the background reader's run and its thread.
#include "ParamReader.h"

#include <utility>

namespace kavo5000::window {

TReadParamsTread::TReadParamsTread(Hooks hooks) : hooks_(std::move(hooks)) {}

TReadParamsTread::~TReadParamsTread() {
  Stop();
}

bool TReadParamsTread::Start(int rows) {
  if (Running()) return false;
  bool ended = false;
  {
    // A thread still serving (the last run's end told it to go, and it has
    // not yet) is kept; one that has gone is joined, at once, and replaced.
    const std::lock_guard lock(mutex_);
    quit_ = false;
    ended = thread_.joinable() && !serving_;
    if (!thread_.joinable() || ended) serving_ = true;
  }
  if (ended) thread_.join();
  if (!thread_.joinable()) thread_ = std::thread([this] { Serve(); });
  ++run_;
  rows_ = rows;
  curRow_ = 0;
  AskNext();
  return true;
}

void TReadParamsTread::Stop() {
  ++run_;  // whatever is still on its way belongs to no run
  rows_ = 0;
  curRow_ = 0;
  {
    const std::lock_guard lock(mutex_);
    quit_ = true;
    job_.reset();
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TReadParamsTread::AskNext() {
  const std::uint64_t run = run_;
  for (int row = curRow_ + 1; row <= rows_; ++row) {
    curRow_ = row;
    std::optional<ReadRequest> request = hooks_.request(row);
    if (request) {
      {
        const std::lock_guard lock(mutex_);
        job_ = Job{run, row, *request};
      }
      wake_.notify_all();
      return;
    }
    hooks_.rowRead(row, kFailedRead);
    if (run != run_) return;  // the window stopped the run meanwhile
  }
  rows_ = 0;
  curRow_ = 0;
  // Every row is answered: the thread goes, without being waited for (it
  // may still be handing back the last answer), until the next run.
  {
    const std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  if (hooks_.finished) hooks_.finished();
}

bool TReadParamsTread::ThreadServing() {
  const std::lock_guard lock(mutex_);
  return serving_;
}

void TReadParamsTread::Answered(std::uint64_t run, int row, std::int32_t raw) {
  if (run != run_ || row != curRow_) return;  // a stopped run's late answer
  hooks_.rowRead(row, raw);
  if (run == run_) AskNext();
}

void TReadParamsTread::Serve() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return quit_ || job_.has_value(); });
      if (quit_) {
        serving_ = false;
        return;
      }
      job = *job_;
      job_.reset();
    }
    const std::int32_t raw = PerformRead(job.request);
    hooks_.post([this, run = job.run, row = job.row, raw] { Answered(run, row, raw); });
  }
}

}  // namespace kavo5000::window
