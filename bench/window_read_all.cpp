// window_read_all — how long the parameter window's "Прочитать все
// параметры" takes for nozzle address 1 on a pseudo-terminal served by the
// simulator at 4800 baud with a 5 ms turnaround, next to the time the line
// itself needs for those exchanges (frame and reply bytes at 2.083 ms each
// plus the turnaround per exchange). Prints figures; never fails a run.
#include <QApplication>
#include <QSpinBox>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <thread>

#include "Clock.h"
#include "Line.h"
#include "LineHostPort.h"
#include "ParamFrame.h"
#include "PortSpec.h"
#include "Server.h"
#include "Transport.h"
#include "VM30.h"

namespace {

using namespace kavo5000;

constexpr Byte kChannel = 1;
constexpr int kBaud = 4800;
constexpr double kByteMs = 10.0 * 1000.0 / kBaud;  // ten bits a byte: 2.083 ms
constexpr double kGoal = 0.05;                     // within 5 % of the wire time

// Counts the bytes each way and the exchanges (one frame written each).
class CountingTransport : public host::Transport {
 public:
  explicit CountingTransport(std::unique_ptr<host::Transport> inner) : inner_(std::move(inner)) {}
  std::int32_t Open() override { return inner_->Open(); }
  void Close() override { inner_->Close(); }
  bool IsOpen() const override { return inner_->IsOpen(); }
  void DiscardInput() override { inner_->DiscardInput(); }
  std::int32_t Write(std::span<const Byte> bytes) override {
    ++exchanges;
    bytesOut += bytes.size();
    return inner_->Write(bytes);
  }
  host::ReadResult Read(std::span<Byte> into, host::Nanos timeout) override {
    const host::ReadResult r = inner_->Read(into, timeout);
    if (r.status == host::ReadStatus::kData) bytesIn += r.count;
    return r;
  }
  host::Nanos Now() const override { return inner_->Now(); }
  host::Nanos WireTime(std::size_t bytes) const override { return inner_->WireTime(bytes); }
  std::string Describe() const override { return inner_->Describe(); }

  std::atomic<std::size_t> exchanges{0};
  std::atomic<std::size_t> bytesOut{0};
  std::atomic<std::size_t> bytesIn{0};

 private:
  std::unique_ptr<host::Transport> inner_;
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  sim::SteadyClock clock;
  sim::Line line(sim::DefaultLineConfig(2));
  sim::ServeOptions serve;
  serve.baud = kBaud;
  serve.turnaround = std::chrono::milliseconds(5);
  sim::Server server(line, clock, serve);
  const std::string slave = server.OpenPty();
  std::atomic<bool> stop{false};
  std::thread serving([&] { server.Run(stop); });

  host::LineHostPort port;
  const host::PortSpec spec = host::ParsePortSpec(slave + ":4800:8N1");
  auto counting = std::make_unique<CountingTransport>(host::MakeSerialTransport(spec));
  CountingTransport& counted = *counting;
  port.Bind(kChannel, std::move(counting));
  driver::VM30Driver vm30(0, 0, &port);
  if (vm30.OpenChannel(kChannel) != 0) {
    std::fprintf(stderr, "window_read_all: cannot open %s\n", slave.c_str());
    stop.store(true);
    serving.join();
    return 0;
  }

  window::TParamFrm form;
  form.Presenter().Driver = &vm30;
  form.show();
  form.findChild<QSpinBox*>(QStringLiteral("ComPortEdit"))->setValue(kChannel);
  form.findChild<QSpinBox*>(QStringLiteral("AddrEdit"))->setValue(1);
  QCoreApplication::processEvents();

  // The window's thread applies each row and asks for the next, as it does
  // for the technician.
  const auto begin = std::chrono::steady_clock::now();
  form.Presenter().Button1Click();
  while (form.Presenter().ReadThread() != nullptr)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const auto end = std::chrono::steady_clock::now();

  int failed = 0;
  for (int i = 0; i < form.Presenter().Params()->Count(); ++i) {
    const catalogue::CParameter& p = form.Presenter().Params()->Item(i);
    if (p.Kind <= catalogue::pkHeaterTemperature && p.ReadError) ++failed;
  }
  const double took = std::chrono::duration<double, std::milli>(end - begin).count();
  const double wire = static_cast<double>(counted.bytesOut + counted.bytesIn) * kByteMs +
                      static_cast<double>(counted.exchanges) *
                          std::chrono::duration<double, std::milli>(serve.turnaround).count();
  std::printf("read all parameters of nozzle address 1 at %d baud, turnaround 5 ms\n", kBaud);
  std::printf("exchanges %zu, bytes out %zu, in %zu, parameters failed %d\n",
              counted.exchanges.load(), counted.bytesOut.load(), counted.bytesIn.load(), failed);
  std::printf("took %.1f ms, wire time %.1f ms (x%.3f): goal within %.0f %%: %s\n", took, wire,
              took / wire, kGoal * 100, took <= wire * (1 + kGoal) ? "met" : "not met");
  form.hide();
  stop.store(true);
  serving.join();
  return 0;
}
