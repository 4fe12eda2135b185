// WindowMailbox.cpp — calls from the reader's thread to the window's.
#include "WindowMailbox.h"

#include <utility>

namespace kavo5000::window::win32 {

void WindowMailbox::Open(HWND window, UINT message) {
  const std::lock_guard lock(mutex_);
  calls_.clear();
  window_ = window;
  message_ = message;
}

void WindowMailbox::Close() {
  const std::lock_guard lock(mutex_);
  calls_.clear();
  window_ = nullptr;
}

void WindowMailbox::Post(std::function<void()> call) {
  const std::lock_guard lock(mutex_);
  if (window_ == nullptr) return;
  calls_.push_back(std::move(call));
  // One ring per call; a ring that finds the mailbox empty does nothing.
  PostMessageW(window_, message_, 0, 0);
}

void WindowMailbox::Deliver() {
  std::deque<std::function<void()>> waiting;
  {
    const std::lock_guard lock(mutex_);
    waiting.swap(calls_);
  }
  // Outside the lock: a call may post again (the reader asks for its next row).
  for (std::function<void()>& call : waiting) call();
}

}  // namespace kavo5000::window::win32
