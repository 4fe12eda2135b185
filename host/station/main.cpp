// kavo5000-station — a small station program: it loads the driver module at
// run time, offers the driver its "&ТРК" menu, shows the dispensers of its
// channels and runs deliveries on them; the driver's command there opens the
// technician's parameter window.
#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <optional>
#include <string>

#include "ModuleLoader.h"
#include "Simulation.h"
#include "StationWindow.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;
constexpr const char* kName = "kavo5000-station";

struct Options {
  QCommandLineOption port{
      QStringLiteral("port"),
      QStringLiteral("A channel's port: [N=]sim, [N=]DEVICE[:BAUD[:FRAMING]] or "
                     "[N=]tcp://HOST:PORT; once per channel (default sim). "
                     "Without N: the channel after the last."),
      QStringLiteral("PORT")};
  QCommandLineOption channel{QStringLiteral("channel"),
                             QStringLiteral("The first channel's number, 1..20 (default 1)."),
                             QStringLiteral("N"), QStringLiteral("1")};
  QCommandLineOption config{
      QStringLiteral("config"),
      QStringLiteral("Configuration byte for GetVM30 (default 0: four nozzles per dispenser)."),
      QStringLiteral("BYTE"), QStringLiteral("0")};
  QCommandLineOption dispensers{QStringLiteral("dispensers"),
                                QStringLiteral("Dispensers shown per channel, 1..32 (default 2)."),
                                QStringLiteral("N"), QStringLiteral("2")};
  QCommandLineOption module{QStringLiteral("module"), QStringLiteral("The driver module to load."),
                            QStringLiteral("PATH")};
  QCommandLineOption screenshot{
      QStringLiteral("screenshot"),
      QStringLiteral("Save a picture of the window once every channel has been polled, then quit."),
      QStringLiteral("FILE")};
};

// Each channel on the port its option names; `sim` is a simulated line with
// a customer who lifts the nozzle after a start, so a delivery runs.
void BindPort(kavo5000::host::LineHostPort& port, kavo5000::Byte channel, const std::string& name) {
  if (name == "sim") {
    port.Bind(channel,
              kavo5000::host::Simulation(kavo5000::host::SimulationSettings{}).MakeTransport());
  } else {
    port.Bind(channel, name);
  }
}

// Qt's own texts (the standard buttons of the module's message boxes) in the
// station's language, when the translations are installed.
void LoadQtTranslations(QApplication& app, QTranslator& translator) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
  const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
  const QString dir = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
  if (translator.load(QStringLiteral("qtbase_ru"), dir)) app.installTranslator(&translator);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setApplicationName(QString::fromLatin1(kName));
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

  // The command line is read before the application exists, so --help and a
  // usage error need no display.
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "A small station program: the dispensers of its channels, deliveries on them, and the "
      "driver's menu command."));
  const QCommandLineOption help = parser.addHelpOption();
  const Options o;
  parser.addOptions({o.port, o.channel, o.config, o.dispensers, o.module, o.screenshot});
  if (!parser.parse(arguments)) {
    std::fprintf(stderr, "%s: %s\n", kName, qPrintable(parser.errorText()));
    return kExitUsage;
  }
  if (parser.isSet(help)) {
    // Before the application exists the parser knows no program name.
    std::fputs(qPrintable(parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                    QString::fromLatin1(kName))),
               stdout);
    return 0;
  }

  bool channelOk = false;
  bool configOk = false;
  bool dispensersOk = false;
  const int channel = parser.value(o.channel).toInt(&channelOk);
  const uint config = parser.value(o.config).toUInt(&configOk, 0);
  const int dispensers = parser.value(o.dispensers).toInt(&dispensersOk);
  if (!channelOk || channel < kavo5000::kFirstChannel || channel > kavo5000::kLastChannel ||
      !configOk || config > kavo5000::kLastConfig || !dispensersOk || dispensers < 1 ||
      dispensers > kavo5000::kLastDispenser) {
    std::fprintf(stderr, "%s: --channel %d..%d, --config 0..%u, --dispensers 1..%d\n", kName,
                 kavo5000::kFirstChannel, kavo5000::kLastChannel, kavo5000::kLastConfig,
                 kavo5000::kLastDispenser);
    return kExitUsage;
  }
  kavo5000::station::StationOptions options;
  options.config = config;
  options.dispensers = dispensers;
  try {
    std::vector<std::string> ports;
    for (const QString& p : parser.values(o.port)) ports.push_back(p.toStdString());
    options.channels = kavo5000::station::ParseChannels(ports, channel);
  } catch (const kavo5000::station::ChannelListError& e) {
    std::fprintf(stderr, "%s: --port: %s\n", kName, e.what());
    return kExitUsage;
  }

  QApplication app(argc, argv);
  QTranslator qtTexts;
  LoadQtTranslations(app, qtTexts);

  // The loader keeps the module for the life of the process: its window may
  // outlive the station's own objects until the application ends.
  kavo5000::loader::GetVM30Proc factory = nullptr;
  try {
    const QString path = parser.value(o.module);
    factory =
        kavo5000::loader::Module(path.isEmpty() ? std::nullopt : std::optional(path.toStdString()))
            .factory();
  } catch (const kavo5000::loader::ModuleError& e) {
    std::fprintf(stderr, "%s: %s\n", kName, e.what());
    return kExitFailure;
  }

  try {
    kavo5000::station::StationWindow window(options, factory, &BindPort);
    bool taken = false;  // lives as long as the window that calls back
    if (parser.isSet(o.screenshot)) {
      const QString file = parser.value(o.screenshot);
      window.OnShown([&window, &taken, file] {
        if (taken || !window.AllPolled()) return;
        taken = true;
        const bool saved = window.grab().save(file);
        QCoreApplication::exit(saved ? 0 : kExitFailure);
      });
      window.PollNow();
    }
    window.show();
    return QApplication::exec();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", kName, e.what());
    return kExitUsage;
  }
}
