// Pictures of the parameter window for docs/WINDOW.md: each tab with a driver on
// the in-process simulator (virtual clock) after "Прочитать все параметры"
// for nozzle address 1, the status line after a write nobody answered, and
// the address dialog, written as PNGs into the build tree.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QSpinBox>
#include <QTabBar>
#include <memory>
#include <string>

#include "AddrFrame.h"
#include "Clock.h"
#include "FormControls.h"
#include "Line.h"
#include "LineHostPort.h"
#include "ParamFrame.h"
#include "SimTransport.h"
#include "Transport.h"
#include "VM30.h"

namespace kavo5000::window {
namespace {

constexpr Byte kChannel = 1;
constexpr std::int32_t kAddress = 1;

TEST(ScreenshotTest, EachTabOfTheWindowWithParametersRead) {
  sim::VirtualClock clock;
  host::LineHostPort port;
  const auto line = std::make_shared<sim::Line>(sim::DefaultLineConfig(8));
  port.Bind(kChannel, host::MakeSimTransport(line, clock, host::SimPacing{}));
  driver::VM30Driver vm30(0, 0, &port);
  ASSERT_EQ(vm30.OpenChannel(kChannel), 0);

  TParamFrm form;
  form.Presenter().Driver = &vm30;
  form.show();
  const FormControls c(form);
  // Everything read as the technician does it: "Прочитать все параметры".
  form.Presenter().Button1Click();
  ASSERT_NE(form.Presenter().ReadThread(), nullptr);
  while (form.Presenter().ReadThread() != nullptr)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  int read = 0;
  for (int i = 0; i < form.Presenter().Params()->Count(); ++i)
    if (!form.Presenter().Params()->Item(i).ReadError) ++read;
  EXPECT_EQ(read, 46);  // the controller parameters; commands are not read back
  // The last message of a write, as after the technician's write.
  form.Presenter().ShowStatus(kWriteDoneText);
  form.Presenter().Timer1Timer();

  const QDir dir(QStringLiteral(KAVO5000_SCREENSHOT_DIR));
  ASSERT_TRUE(dir.mkpath(QStringLiteral(".")));
  const char* names[] = {"window-common.png", "window-address.png", "window-parameters.png"};
  for (int tab = 0; tab < 3; ++tab) {
    c.tabs->setCurrentIndex(tab);
    c.grid->setFocus();
    form.Presenter()
        .RxDGCommonEnter();  // the first tab is current already: no change moves the row in
    // The editor of the tab's first row, as the technician sees it.
    c.grid->setCurrentIndex(c.grid->model()->index(form.CurrentRow() - 1, kWriteColumn));
    form.Presenter().Timer2Timer();
    const QString path = dir.filePath(QString::fromLatin1(names[tab]));
    ASSERT_TRUE(form.grab().save(path)) << path.toStdString();
  }

  // A write the controller never answered: the status line says so, red.
  line->SetFaults(sim::FaultPlan::Parse("O:drop"));
  c.edit->setValue(c.edit->maximum());
  form.Presenter().WriteParam(form.CurrentRow());
  EXPECT_EQ(c.status->currentMessage().toStdString(), kWriteFailedText);
  const QString failed = dir.filePath(QStringLiteral("window-write-failed.png"));
  ASSERT_TRUE(form.grab().save(failed)) << failed.toStdString();

  // The address dialog, as it opens beside the window.
  TAddrFrm dialog(&form);
  Control<QSpinBox>(dialog, "NTrkEdit")->setValue(2);
  Control<QSpinBox>(dialog, "NPstEdit")->setValue(1);
  dialog.show();
  QCoreApplication::processEvents();
  const QString path = dir.filePath(QStringLiteral("address-dialog.png"));
  ASSERT_TRUE(dialog.grab().save(path)) << path.toStdString();
  dialog.hide();
  form.hide();
}

}  // namespace
}  // namespace kavo5000::window
