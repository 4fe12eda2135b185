// minimal_host — the smallest station program: it loads the Kavo5000 module at
// run time through the kit's loader, lends it a port that prints every frame
// and answers like a contented controller, reads the driver's description,
// opens channel 1, runs one command and shows a refusal from inside the
// module caught by the host.
//
//   minimal_host [path/to/libKavo5000.so]
// Without a path the module is looked for as the kit's programs look for it:
// $KAVO5000_MODULE, next to this program, then in the build tree.
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "ModuleLoader.h"
#include "kavo5000/Kavo5000.h"

namespace {

using kavo5000::Byte;

constexpr Byte kAck = 0x06;  // a controller's "accepted"

void PrintHex(const char* label, const Byte* bytes, std::size_t length) {
  std::printf("%s", label);
  for (std::size_t i = 0; i < length; ++i) std::printf(" %02X", bytes[i]);
  std::printf("\n");
}

// Prints each frame and answers 0x06 through the driver's reply check.
class PrintingPort final : public kavo5000::HostPort {
 public:
  std::int32_t KAVO5000_CALL GetLastError(Byte) override { return 1; }
  void KAVO5000_CALL SetLineError(Byte, std::int32_t) override {}
  void KAVO5000_CALL SetLineState(Byte, Byte state) override { state_ = state; }
  Byte KAVO5000_CALL GetLineState(Byte) override { return state_; }
  std::int32_t KAVO5000_CALL Send(Byte channel, const Byte* frame, Byte frameLength, Byte* reply,
                                  Byte replySize, Byte) override {
    PrintHex("  frame  ->", frame, frameLength);
    state_ = 0;
    if (replySize == 0) return 0;
    reply[0] = kAck;
    Byte length = 1;
    if (check_.Code != nullptr) check_.Code(check_.Self, channel, reply, 0, &length, 0);
    PrintHex("  reply <-", reply, length);
    return 0;
  }
  std::int32_t KAVO5000_CALL Open(Byte channel, std::int32_t setting, std::int32_t baud) override {
    std::printf("  port: open channel %d (setting %d, %d baud)\n", channel, setting, baud);
    return 0;
  }
  void KAVO5000_CALL SetReplyCheck(Byte, kavo5000::ReplyCheckRef check) override { check_ = check; }

 private:
  kavo5000::ReplyCheckRef check_{};
  Byte state_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::string> path;
  if (argc > 1) path = argv[1];
  std::optional<kavo5000::loader::Module> module;
  try {
    module.emplace(path);
  } catch (const kavo5000::loader::ModuleError& e) {
    std::fprintf(stderr, "minimal_host: %s\n", e.what());
    return 1;
  }
  int status = 0;
  {
    PrintingPort port;
    std::unique_ptr<kavo5000::TVM30> driver = module->Create(0, &port);

    kavo5000::ShortString description;
    driver->Description(&description);
    std::printf(
        "description: %s\n",
        kavo5000::Cp1251ToUtf8(std::string_view(description.Text, description.Length)).c_str());
    PrintHex("  as bytes:", reinterpret_cast<const Byte*>(&description), 1u + description.Length);

    std::printf("open channel 1:\n");
    const std::int32_t opened = driver->OpenChannel(1);
    std::printf("  result %d\n", opened);

    try {
      std::printf("start the pump of dispenser 1, nozzle 1:\n");
      driver->StartPump(1, 1, 1);
      std::printf("  channel status %d\n", driver->GetChannelStatus(1));
      std::printf("start the pump of dispenser 33:\n");
      driver->StartPump(1, 33, 1);
      std::printf("  unexpectedly accepted\n");
      status = 1;
    } catch (const kavo5000::ESerialIO& e) {
      std::printf("  serial failure caught by the host: %s\n", e.what());
    } catch (const kavo5000::Exception& e) {
      std::printf("  refusal caught by the host: %s\n", e.what());
    }
  }
  // The loader never unloads the module: the code of the driver objects and
  // of the exceptions they raised lives in it, and stays until the process ends.
  return status;
}
