// minimal_host — the smallest station program: it loads the Kavo5000 module at
// run time, lends it a port that prints every frame and answers like a
// contented controller, reads the driver's description, opens channel 1, runs
// one command and shows a refusal from inside the module caught by the host.
//
//   minimal_host [path/to/libKavo5000.so]
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

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

using GetVM30Proc = kavo5000::TVM30*(KAVO5000_CALL*)(std::uint32_t, std::uintptr_t,
                                                     kavo5000::HostPort*);

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "libKavo5000.so";
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::fprintf(stderr, "minimal_host: cannot load %s: %s\n", path, dlerror());
    return 1;
  }
  auto getVM30 = reinterpret_cast<GetVM30Proc>(dlsym(module, "GetVM30"));
  if (getVM30 == nullptr) {
    std::fprintf(stderr, "minimal_host: %s exports no GetVM30\n", path);
    return 1;
  }
  int status = 0;
  {
    PrintingPort port;
    std::unique_ptr<kavo5000::TVM30> driver(getVM30(0, 0, &port));

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
  // Only now: every driver object is deleted and every exception from the
  // module handled; their code lives in the module.
  dlclose(module);
  return status;
}
