// ParamWindow.cpp — the module's single parameter window and its launch from
// the driver's menu command.
#include "ParamWindow.h"

#include <QApplication>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include "Menu.h"
#include "ParamFrame.h"
#include "VM30.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::window {

namespace {

// Raised when the host runs a Qt application without widgets: the window
// cannot be shown there, and a second application cannot be made.
constexpr const char* kMsgNoWidgetApplication = "Нет графического приложения для окна параметров";

// The module's single window; declared before its remover, which must go
// first at unload.
QPointer<TParamFrm> frame;

// The host's application, or the module's own, made on first need and kept
// for the life of the process (it may own the window until then).
void EnsureApplication() {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) return;
  if (QCoreApplication::instance() != nullptr) throw kavo5000::Exception(kMsgNoWidgetApplication);
  static int argc = 1;
  static char name[] = "Kavo5000";
  static char* argv[] = {name, nullptr};
  static QApplication* own = new QApplication(argc, argv);
  (void)own;
}

// The host's main window as handed to GetVM30: a widget of this process
// becomes the window's parent (and owner); another native window only its
// transient parent.
QWidget* HostWidget() {
  const std::uintptr_t handle = driver::ApplicationHandle();
  return handle == 0 ? nullptr : QWidget::find(static_cast<WId>(handle));
}

void AttachToForeignHost(TParamFrm& frame) {
  const std::uintptr_t handle = driver::ApplicationHandle();
  if (handle == 0 || frame.parentWidget() != nullptr) return;
  const auto id = static_cast<WId>(handle);
  QWindow* host = nullptr;
  for (QWindow* window : QGuiApplication::allWindows()) {
    if (window->handle() != nullptr && window->winId() == id) host = window;
  }
  if (host == nullptr) {
    static QWindow* foreign = QWindow::fromWinId(id);  // kept, as the window is
    host = foreign;
  }
  if (host == nullptr) return;  // the platform knows no foreign windows
  frame.winId();                // gives the window its native handle
  if (QWindow* own = frame.windowHandle()) own->setTransientParent(host);
}

// Unloading the module must not leave the window behind with its code gone.
struct FrameRemover {
  FrameRemover() = default;
  FrameRemover(const FrameRemover&) = delete;
  FrameRemover& operator=(const FrameRemover&) = delete;
  ~FrameRemover() {
    const QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && app->thread() == QThread::currentThread()) delete frame.data();
  }
};
FrameRemover frameRemover;

}  // namespace

void InstallParamWindowLauncher() {
  driver::SetParamWindowLauncher(&ShowParamWindow);
  driver::SetParamWindowCloser(&CloseParamWindowOf);
}

void CloseParamWindowOf(driver::VM30Driver* driver) {
  if (frame.isNull() || frame->Presenter().Driver != driver) return;
  TParamFrm* window = frame.data();
  // The window lives on the application's thread; a driver deleted on
  // another one waits there until the window has let it go.
  if (window->thread() == QThread::currentThread()) {
    window->Presenter().DriverGone();
  } else {
    QMetaObject::invokeMethod(
        window, [window] { window->Presenter().DriverGone(); }, Qt::BlockingQueuedConnection);
  }
}

void ShowParamWindow(driver::VM30Driver* driver) {
  EnsureApplication();
  if (frame.isNull()) {
    frame = new TParamFrm(HostWidget());
    AttachToForeignHost(*frame);
  }
  if (driver == nullptr || frame->isVisible()) return;
  frame->Presenter().Driver = driver;
  frame->exec();
}

TParamFrm* ParamFrm() {
  return frame.data();
}

}  // namespace kavo5000::window
