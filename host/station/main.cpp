// kavo5000-station — a small station program: it loads the driver module at
// run time, offers the driver its "&ТРК" menu, and shows the dispensers of one
// channel; the driver's command there opens the technician's parameter window.
#include <dlfcn.h>
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "StationWindow.h"

namespace {

using Factory = kavo5000::TVM30*(KAVO5000_CALL*)(std::uint32_t, std::uintptr_t,
                                                 kavo5000::HostPort*);

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

std::string ExecutableDirectory() {
  std::vector<char> buffer(4096);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  const std::string path(buffer.data(), static_cast<std::size_t>(n));
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

// The module stays loaded for the life of the process: its window may outlive
// the station's own objects until the application ends.
Factory LoadModule(const QString& explicitPath, std::string& error) {
  std::vector<std::string> places;
  if (!explicitPath.isEmpty()) {
    places.push_back(explicitPath.toStdString());
  } else if (const char* env = std::getenv("KAVO5000_MODULE"); env != nullptr && *env != '\0') {
    places.emplace_back(env);
  } else {
    const std::string here = ExecutableDirectory();
    places.push_back(here + "/libKavo5000.so");
    places.push_back(here + "/" + KAVO5000_INSTALLED_MODULE);  // an installed station's
    places.emplace_back(KAVO5000_BUILD_MODULE);
  }
  for (const std::string& place : places) {
    if (access(place.c_str(), F_OK) != 0) continue;
    void* handle = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      error = dlerror();
      return nullptr;
    }
    if (auto factory = reinterpret_cast<Factory>(dlsym(handle, "GetVM30"))) return factory;
    error = place + " has no GetVM30: not a Kavo5000 module";
    return nullptr;
  }
  error = "driver module not found; give --module PATH or set KAVO5000_MODULE";
  return nullptr;
}

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

  std::string error;
  const Factory factory = LoadModule(parser.value(moduleOption), error);
  if (factory == nullptr) {
    std::fprintf(stderr, "kavo5000-station: %s\n", error.c_str());
    return kExitFailure;
  }

  kavo5000::station::StationOptions options;
  options.port = parser.value(portOption).toStdString();
  options.channel = static_cast<kavo5000::Byte>(channel);
  options.config = config;
  options.dispensers = dispensers;
  try {
    kavo5000::station::StationWindow window(
        options, [factory](std::uint32_t c, std::uintptr_t w, kavo5000::HostPort* p) {
          return factory(c, w, p);
        });
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
