// Pictures of the parameter window for the README: each tab with a driver on
// the in-process simulator (virtual clock) after "Прочитать все параметры"
// for nozzle address 1, and the address dialog, written as PNGs into the
// build tree.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QSpinBox>
#include <QTabBar>
#include <memory>
#include <string>

#include "AddrFrame.h"
#include "Clock.h"
#include "Line.h"
#include "LineHostPort.h"
#include "ParamFrame.h"
#include "Transport.h"
#include "VM30.h"

namespace kavo5000::window {
namespace {

constexpr Byte kChannel = 1;
constexpr std::int32_t kAddress = 1;

TEST(ScreenshotTest, EachTabOfTheWindowWithParametersRead) {
  sim::VirtualClock clock;
  host::LineHostPort port;
  port.Bind(kChannel, host::MakeSimTransport(std::make_shared<sim::Line>(sim::DefaultLineConfig(8)),
                                             clock, host::SimPacing{}));
  driver::VM30Driver vm30(0, 0, &port);
  ASSERT_EQ(vm30.OpenChannel(kChannel), 0);

  TParamFrm form;
  form.Driver = &vm30;
  form.show();
  // Everything read as the technician does it: "Прочитать все параметры".
  form.Button1Click();
  ASSERT_NE(form.ReadThread(), nullptr);
  form.ReadThread()->wait();
  QCoreApplication::processEvents();
  ASSERT_EQ(form.ReadThread(), nullptr);
  int read = 0;
  for (int i = 0; i < form.Params()->Count(); ++i)
    if (!form.Params()->Item(i).ReadError()) ++read;
  EXPECT_EQ(read, 46);  // the controller parameters; commands are not read back
  // The last message of a write, as after the technician's write.
  form.ShowStatus(QString::fromUtf8(kWriteDoneText));
  form.Timer1Timer();

  const QDir dir(QStringLiteral(KAVO5000_SCREENSHOT_DIR));
  ASSERT_TRUE(dir.mkpath(QStringLiteral(".")));
  const char* names[] = {"window-common.png", "window-address.png", "window-parameters.png"};
  for (int tab = 0; tab < 3; ++tab) {
    form.TabBar->setCurrentIndex(tab);
    form.RxDGCommon->setFocus();
    form.RxDGCommonEnter();  // the first tab is current already: no change moves the row in
    // The editor of the tab's first row, as the technician sees it.
    form.RxDGCommon->setCurrentIndex(
        form.RxDGCommon->model()->index(form.CurrentRow() - 1, kWriteColumn));
    form.Timer2Timer();
    const QString path = dir.filePath(QString::fromLatin1(names[tab]));
    ASSERT_TRUE(form.grab().save(path)) << path.toStdString();
  }

  // The address dialog, as it opens beside the window.
  TAddrFrm dialog(&form);
  dialog.NTrkEdit->setValue(2);
  dialog.NPstEdit->setValue(1);
  dialog.show();
  QCoreApplication::processEvents();
  const QString path = dir.filePath(QStringLiteral("address-dialog.png"));
  ASSERT_TRUE(dialog.grab().save(path)) << path.toStdString();
  dialog.hide();
  form.hide();
}

}  // namespace
}  // namespace kavo5000::window
