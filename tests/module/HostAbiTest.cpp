// The module as a station program meets it: loaded at run time with dlopen,
// driven through the header alone, its exceptions caught by type.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include "kavo5000/Kavo5000.h"

namespace {

using kavo5000::Byte;

// The smallest port a host could write: it answers every frame with 0x06
// through the driver's check, or fails the transport when told to.
class TinyPort final : public kavo5000::HostPort {
 public:
  std::int32_t sendResult = 0;
  int sends = 0;

  std::int32_t KAVO5000_CALL GetLastError(Byte) override { return 1; }
  void KAVO5000_CALL SetLineError(Byte, std::int32_t) override {}
  void KAVO5000_CALL SetLineState(Byte, Byte s) override { state_ = s; }
  Byte KAVO5000_CALL GetLineState(Byte) override { return state_; }
  std::int32_t KAVO5000_CALL Send(Byte ch, const Byte*, Byte, Byte* reply, Byte, Byte) override {
    ++sends;
    if (sendResult != 0) return sendResult;
    reply[0] = 0x06;
    Byte length = 1;
    check_.Code(check_.Self, ch, reply, 0, &length, 0);
    return 0;
  }
  std::int32_t KAVO5000_CALL Open(Byte, std::int32_t, std::int32_t) override { return 0; }
  void KAVO5000_CALL SetReplyCheck(Byte, kavo5000::ReplyCheckRef c) override { check_ = c; }

 private:
  kavo5000::ReplyCheckRef check_{};
  Byte state_ = 0;
};

using GetVM30Proc = kavo5000::TVM30*(KAVO5000_CALL*)(std::uint32_t, std::uintptr_t,
                                                     kavo5000::HostPort*);

class HostAbiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Mapped to the end of the process, as a host keeps it while anything of
    // it may live: the Qt libraries the window brings in would otherwise
    // unload with it, and what they allocate at load would read as leaked.
    module = dlopen(KAVO5000_MODULE_PATH, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(module, nullptr) << dlerror();
    getVM30 = reinterpret_cast<GetVM30Proc>(dlsym(module, "GetVM30"));
    ASSERT_NE(getVM30, nullptr);
    driver.reset(getVM30(0, 0, &port));
  }
  void TearDown() override {
    driver.reset();
    if (module != nullptr) dlclose(module);
  }

  void* module = nullptr;
  GetVM30Proc getVM30 = nullptr;
  TinyPort port;
  std::unique_ptr<kavo5000::TVM30> driver;
};

TEST_F(HostAbiTest, ReadsTheDescription) {
  kavo5000::ShortString s;
  std::memset(&s, 0, sizeof s);
  driver->Description(&s);
  // "v2.41#Протокол колонок Каво 5000" in Windows-1251.
  const char expected[] =
      "\x20v2.41#\xCF\xF0\xEE\xF2\xEE\xEA\xEE\xEB \xEA\xEE\xEB\xEE\xED\xEE\xEA "
      "\xCA\xE0\xE2\xEE 5000";
  ASSERT_EQ(sizeof expected - 1, 33u);
  EXPECT_EQ(std::memcmp(&s, expected, 33), 0);
}

TEST_F(HostAbiTest, CatchesTheModulesException) {
  try {
    driver->Abstract0();
    FAIL() << "slot 0 returned";
  } catch (const kavo5000::ESerialIO&) {
    FAIL() << "slot 0 raised the serial exception";
  } catch (const kavo5000::Exception& e) {
    EXPECT_STREQ(e.what(), "Abstract Error");
  }
}

TEST_F(HostAbiTest, CatchesARefusedChannelAndUsesTheDriverAfterwards) {
  try {
    driver->OpenChannel(21);
    FAIL() << "channel 21 opened";
  } catch (const kavo5000::Exception& e) {
    EXPECT_EQ(e.MessageCp1251().substr(0, 5), "\xCD\xEE\xEC\xE5\xF0");  // "Номер"
  }
  EXPECT_EQ(driver->OpenChannel(1), 0);
  driver->SetChannelStatus(1, 7);
  EXPECT_EQ(driver->GetChannelStatus(1), 7);
}

TEST_F(HostAbiTest, CatchesTheModulesSerialException) {
  port.sendResult = 5;
  try {
    driver->StartPump(1, 1, 1);
    FAIL() << "a failed exchange was reported as success";
  } catch (const kavo5000::ESerialIO& e) {
    EXPECT_STREQ(e.what(), "Can't START POMP");
  }
  // Still a kavo5000::Exception for a host that catches only the general class.
  try {
    driver->StopPump(1, 1, 1, true);
    FAIL();
  } catch (const kavo5000::Exception& e) {
    EXPECT_STREQ(e.what(), "Can't STOP POMP");
  }
  port.sendResult = 0;
  driver->StartPump(1, 1, 1);
  EXPECT_EQ(driver->GetChannelStatus(1), 1);
  EXPECT_EQ(port.sends, 3);
}

TEST_F(HostAbiTest, SlotsSitAtTheirPlacesInTheTable) {
  std::int32_t value = 0;
  EXPECT_TRUE(driver->QueryOption(4, &value));
  EXPECT_EQ(value, 1);
  EXPECT_FALSE(driver->Reserved5(0));
}

// The header names every number of the host contract once; hosts compiled
// against it, and the tests' literal expectations, rely on these values.
TEST(HostContractTest, NamedNumbersKeepTheirValues) {
  struct Named {
    const char* name;
    std::int32_t value;
    std::int32_t expected;
  };
  const Named numbers[] = {
      {"kFirstChannel", kavo5000::kFirstChannel, 1},
      {"kLastChannel", kavo5000::kLastChannel, 20},
      {"kLastDispenser", kavo5000::kLastDispenser, 32},
      {"kLastNozzle", kavo5000::kLastNozzle, 15},
      {"kLineValid", kavo5000::kLineValid, 1},
      {"kLineMalformed", kavo5000::kLineMalformed, 3},
      {"kLineErrorNone", kavo5000::kLineErrorNone, 0},
      {"kLineErrorChecksum", kavo5000::kLineErrorChecksum, 222},
      {"kLineErrorNoStart", kavo5000::kLineErrorNoStart, 223},
      {"kLineErrorMalformed", kavo5000::kLineErrorMalformed, 246},
      {"kStatusNoExchange", kavo5000::kStatusNoExchange, 0x00},
      {"kStatusTotalsEmpty", kavo5000::kStatusTotalsEmpty, 0x03},
      {"kStatusStartRefused", kavo5000::kStatusStartRefused, 0x10},
      {"kStatusPrepareRefused", kavo5000::kStatusPrepareRefused, 0x11},
      {"kStatusVolumeRefused", kavo5000::kStatusVolumeRefused, 0x12},
      {"kStatusMoneyRefused", kavo5000::kStatusMoneyRefused, 0x13},
      {"kStatusStopRefused", kavo5000::kStatusStopRefused, 0x14},
      {"kStatusPriceRefused", kavo5000::kStatusPriceRefused, 0x15},
      {"kStatusParamRefused", kavo5000::kStatusParamRefused, 0x17},
      {"kStatusAddressRefused", kavo5000::kStatusAddressRefused, 0x18},
      {"kStatusDeliveryRefused", kavo5000::kStatusDeliveryRefused, 0x19},
      {"kStateIdle", kavo5000::kStateIdle, 0xC0},
      {"kStateBusy", kavo5000::kStateBusy, 0xC8},
      {"kStateDelivering", kavo5000::kStateDelivering, 0xD0},
      {"kStateFinished", kavo5000::kStateFinished, 0xD8},
      {"kStateLifted", kavo5000::kStateLifted, 0xE0},
      {"kStateClassMask", kavo5000::kStateClassMask, 0xF8},
      {"kStateNozzleMask", kavo5000::kStateNozzleMask, 0x07},
      {"kParamAddressProgramming", kavo5000::kParamAddressProgramming, 9},
      {"kParamAddressFactor", kavo5000::kParamAddressFactor, 100},
      {"kParamFirstNozzle", kavo5000::kParamFirstNozzle, 10},
      {"kParamsPerNozzle", kavo5000::kParamsPerNozzle, 60},
      {"kReplyBufferSize", static_cast<std::int32_t>(kavo5000::kReplyBufferSize), 256},
      {"kMaxReplyLength", static_cast<std::int32_t>(kavo5000::kMaxReplyLength), 255},
  };
  for (const Named& n : numbers) EXPECT_EQ(n.value, n.expected) << n.name;
  EXPECT_EQ(
      std::vector<std::int32_t>(std::begin(kavo5000::kOptionsOn), std::end(kavo5000::kOptionsOn)),
      (std::vector<std::int32_t>{1, 4, 5}));
  EXPECT_EQ(
      std::vector<std::int32_t>(std::begin(kavo5000::kOptionsOff), std::end(kavo5000::kOptionsOff)),
      (std::vector<std::int32_t>{2, 3}));
}

// The host's parameter numbers of nozzles 1, 2 and 15 at their first and last
// index, and back.
TEST(HostContractTest, ParamNumbersSplitIntoTheirNozzleAndIndex) {
  const struct {
    std::int32_t nozzle, index, number;
  } cases[] = {{1, 0, 10}, {1, 59, 69}, {2, 0, 70}, {2, 27, 97}, {15, 59, 909}};
  for (const auto& c : cases) {
    EXPECT_EQ(kavo5000::HostParamNumber(c.nozzle, c.index), c.number) << c.number;
    const kavo5000::NozzleParamNumber split = kavo5000::SplitHostParamNumber(c.number);
    EXPECT_EQ(split.Nozzle, c.nozzle) << c.number;
    EXPECT_EQ(split.Index, c.index) << c.number;
  }
}

}  // namespace
