// kavo5000-station — a small station program: it loads the driver module at
// run time, offers the driver its "&ТРК" menu, and shows the dispensers of one
// channel; the driver's command there opens the technician's parameter window.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <string>

#include "ModuleLoader.h"
#include "StationWindow.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("kavo5000-station"));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "A small station program: dispensers of one channel, and the driver's menu command."));
  parser.addHelpOption();
  const QCommandLineOption portOption(QStringLiteral("port"),
                                      QStringLiteral("Port spec: sim, DEVICE[:BAUD[:FRAMING]] or "
                                                     "tcp://HOST:PORT (default sim)."),
                                      QStringLiteral("SPEC"), QStringLiteral("sim"));
  const QCommandLineOption channelOption(QStringLiteral("channel"),
                                         QStringLiteral("Channel number, 1..20 (default 1)."),
                                         QStringLiteral("N"), QStringLiteral("1"));
  const QCommandLineOption configOption(
      QStringLiteral("config"),
      QStringLiteral("Configuration byte for GetVM30 (default 0: four nozzles per dispenser)."),
      QStringLiteral("BYTE"), QStringLiteral("0"));
  const QCommandLineOption dispensersOption(QStringLiteral("dispensers"),
                                            QStringLiteral("Dispensers shown, 1..32 (default 2)."),
                                            QStringLiteral("N"), QStringLiteral("2"));
  const QCommandLineOption moduleOption(QStringLiteral("module"),
                                        QStringLiteral("The driver module to load."),
                                        QStringLiteral("PATH"));
  const QCommandLineOption screenshotOption(
      QStringLiteral("screenshot"),
      QStringLiteral("Save a picture of the window after the first poll, then quit."),
      QStringLiteral("FILE"));
  parser.addOptions(
      {portOption, channelOption, configOption, dispensersOption, moduleOption, screenshotOption});
  parser.process(app);

  bool channelOk = false;
  bool configOk = false;
  bool dispensersOk = false;
  const int channel = parser.value(channelOption).toInt(&channelOk);
  const uint config = parser.value(configOption).toUInt(&configOk, 0);
  const int dispensers = parser.value(dispensersOption).toInt(&dispensersOk);
  if (!channelOk || channel < kavo5000::kFirstChannel || channel > kavo5000::kLastChannel ||
      !configOk || config > kavo5000::kLastConfig || !dispensersOk || dispensers < 1 ||
      dispensers > kavo5000::kLastDispenser) {
    std::fprintf(stderr, "kavo5000-station: --channel %d..%d, --config 0..%u, --dispensers 1..%d\n",
                 kavo5000::kFirstChannel, kavo5000::kLastChannel, kavo5000::kLastConfig,
                 kavo5000::kLastDispenser);
    return kExitUsage;
  }

  // The loader keeps the module for the life of the process: its window may
  // outlive the station's own objects until the application ends.
  kavo5000::loader::GetVM30Proc factory = nullptr;
  try {
    const QString path = parser.value(moduleOption);
    factory =
        kavo5000::loader::Module(path.isEmpty() ? std::nullopt : std::optional(path.toStdString()))
            .factory();
  } catch (const kavo5000::loader::ModuleError& e) {
    std::fprintf(stderr, "kavo5000-station: %s\n", e.what());
    return kExitFailure;
  }

  kavo5000::station::StationOptions options;
  options.port = parser.value(portOption).toStdString();
  options.channel = static_cast<kavo5000::Byte>(channel);
  options.config = config;
  options.dispensers = dispensers;
  try {
    kavo5000::station::StationWindow window(options, factory);
    if (parser.isSet(screenshotOption)) {
      const QString file = parser.value(screenshotOption);
      window.OnPolled([&window, file] {
        window.OnPolled(nullptr);
        const bool saved = window.grab().save(file);
        QCoreApplication::exit(saved ? 0 : kExitFailure);
      });
    }
    window.show();
    return QApplication::exec();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kavo5000-station: %s\n", e.what());
    return kExitUsage;
  }
}
