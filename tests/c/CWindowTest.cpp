// The technician's window opened by the C interface's one call, as a host of
// another language opens it: the module's own window comes up modal, for the
// driver opened last, and the call returns once the window is closed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <string>

#include "kavo5000/kavo5000_c.h"

namespace {

TEST(CWindow, TheMenuCommandsWindowComesUpAndTheCallReturnsWhenItCloses) {
  const kavo5000_channel line{1, "sim", nullptr, nullptr};
  kavo5000_driver* driver = nullptr;
  ASSERT_EQ(kavo5000_open(KAVO5000_MODULE_PATH, 0, &line, 1, 0, &driver), KAVO5000_OK)
      << kavo5000_last_error();
  std::string shown;
  // Runs inside the window's modal loop: note what is up, then close it.
  QTimer::singleShot(0, [&shown] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    shown = modal->objectName().toStdString();
    modal->close();
  });
  EXPECT_EQ(kavo5000_show_parameter_window(driver), KAVO5000_OK) << kavo5000_last_error();
  EXPECT_EQ(shown, "ParamFrm");
  EXPECT_EQ(kavo5000_close(driver), KAVO5000_OK);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
