// WindowMailbox.h — how the background reader's thread hands calls to the
// window's thread: a call goes into the mailbox, and a message posted to the
// window rings for it; the window's thread runs what waits when the message
// comes. Once the window closes the mailbox, waiting and later calls are
// dropped: none runs against a window that is gone, and none is lost in a
// destroyed window's queue holding memory.
#ifndef KAVO5000_WINDOW_WIN32_WINDOWMAILBOX_H
#define KAVO5000_WINDOW_WIN32_WINDOWMAILBOX_H

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

namespace kavo5000::window::win32 {

class WindowMailbox {
 public:
  // Window's thread: calls from now on ring `window` with `message`.
  void Open(HWND window, UINT message);
  // Window's thread: drops what waits and every later call.
  void Close();
  // Any thread.
  void Post(std::function<void()> call);
  // Window's thread, on the message: runs the calls waiting, in order.
  void Deliver();

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> calls_;
  HWND window_ = nullptr;
  UINT message_ = 0;
};

}  // namespace kavo5000::window::win32

#endif  // KAVO5000_WINDOW_WIN32_WINDOWMAILBOX_H
