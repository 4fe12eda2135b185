// Pictures of the parameter window for the README: each tab with a driver on
// the in-process simulator (virtual clock), its controller parameters read
// from nozzle address 1, written as PNGs into the build tree.
#include <gtest/gtest.h>

#include <QDir>
#include <QTabBar>
#include <memory>
#include <string>

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
  const catalogue::NumberFormat format = SystemNumberFormat();
  int read = 0;
  for (int i = 0; i < form.Params()->Count(); ++i) {
    catalogue::CParameter& p = form.Params()->Item(i);
    if (p.Kind > catalogue::pkHeaterTemperature) continue;  // controller parameters only
    const std::int32_t raw = vm30.WindowReadParam(0, kChannel, kAddress, p.Code, p.Digits);
    ASSERT_GE(raw, 0) << "parameter " << p.Code;
    p.RecordRead(raw, p.ValueToText(raw, format));
    ++read;
  }
  EXPECT_EQ(read, 46);

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
  form.hide();
}

}  // namespace
}  // namespace kavo5000::window
