// ParamReader.h — "Прочитать все параметры": the background reader. Its
// thread only performs exchanges. The rows belong to the window's thread,
// which applies each result as it comes back and only then asks for the next
// row, with the COM port and address its boxes show at that moment. A run is
// over when the window's thread has applied the last row, whatever the
// thread is doing then, so a new run can start at once; the thread then ends
// on its own. Written without a
// toolkit: each window front-end lends it a way to post calls to its thread.
#ifndef KAVO5000_WINDOW_PARAMREADER_H
#define KAVO5000_WINDOW_PARAMREADER_H

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "ParamIo.h"

namespace kavo5000::window {

class TReadParamsTread {
 public:
  // What the reader needs of its window. All but `post` are called on the
  // window's thread.
  struct Hooks {
    // The read of grid row `row` as the window's controls say now; none when
    // the row cannot be read (it fails without an exchange).
    std::function<std::optional<ReadRequest>(int row)> request;
    // A row's result, kFailedRead when nothing was read.
    std::function<void(int row, std::int32_t raw)> rowRead;
    // The run is over: every row has its result.
    std::function<void()> finished;
    // Called on the reader's thread: runs `call` on the window's thread
    // later. Calls posted to a window that is gone are dropped.
    std::function<void(std::function<void()> call)> post;
  };

  explicit TReadParamsTread(Hooks hooks);
  // Stops, waiting for the exchange in progress.
  ~TReadParamsTread();
  TReadParamsTread(const TReadParamsTread&) = delete;
  TReadParamsTread& operator=(const TReadParamsTread&) = delete;

  // Window's thread: a run over grid rows 1..rows, in order; false, and
  // nothing changes, while a run goes on.
  bool Start(int rows);
  bool Running() const { return curRow_ != 0; }
  // The grid row being read; 0 when no run goes on.
  int CurRow() const { return curRow_; }
  // Window's thread: ends the run, if any, after the exchange in progress,
  // and waits for the thread to end. Results still on their way are dropped.
  void Stop();
  // Whether the reader's thread is there: from a Start until the run's last
  // row is answered (or Stop), not while the window merely stays open.
  bool ThreadServing();

 private:
  struct Job {
    std::uint64_t run = 0;
    int row = 0;
    ReadRequest request;
  };

  // Asks for the rows after CurRow until one goes to the thread, or ends the run.
  void AskNext();
  void Answered(std::uint64_t run, int row, std::int32_t raw);
  void Serve();

  Hooks hooks_;
  // The run, on the window's thread alone.
  std::uint64_t run_ = 0;  // counts runs, so that a stopped run's late answers are known
  int rows_ = 0;
  int curRow_ = 0;
  // Shared with the thread.
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Job> job_;
  bool quit_ = false;
  bool serving_ = false;  // the thread has not yet left Serve
  std::thread thread_;
};

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_PARAMREADER_H
