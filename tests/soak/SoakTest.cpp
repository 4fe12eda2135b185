// The noisy-line soak, short: the driver never takes a spoiled reply for a
// good one, never reports a wrong value as valid, and the line always
// recovers; and the soak itself tells each fault apart and sees a planted one.
#include <gtest/gtest.h>

#include "Soak.h"

namespace kavo5000::soak {
namespace {

constexpr std::uint64_t kShortRun = 4'000;

void ExpectNoDriverFault(const SoakTally& t) {
  EXPECT_EQ(t.mistakenDriverFault, 0u);
  EXPECT_EQ(t.wrongValuesDriverFault, 0u);
  EXPECT_EQ(t.operationsRaised, 0u);
  EXPECT_EQ(t.unrecovered, 0u);
  // Every spoiled exchange ends one way or another, and only those.
  EXPECT_EQ(t.detected + t.absorbed + t.mistakenUndetectable + t.mistakenDriverFault,
            t.faultyExchanges);
}

// Each seed lays out another line (parameter values, dispenser types) and
// another run of faults.
class SoakSeedTest : public ::testing::TestWithParam<std::uint64_t> {};

TEST_P(SoakSeedTest, NoisyLineMixedWorkload) {
  SoakSettings settings;
  settings.exchanges = kShortRun;
  settings.seed = settings.noise.seed = GetParam();
  const SoakTally t = RunSoak(settings);
  EXPECT_GE(t.exchanges, kShortRun);
  ExpectNoDriverFault(t);
  EXPECT_GT(t.faultyExchanges, kShortRun / 50);
  EXPECT_GT(t.detected, 0u);
  EXPECT_GT(t.absorbed, 0u);
  EXPECT_GT(t.valuesChecked, kShortRun / 20);
  for (unsigned k = 0; k < kFaultKinds; ++k) EXPECT_GT(t.byKind[k], 0u) << FaultName(k);
}

INSTANTIATE_TEST_SUITE_P(Seeds, SoakSeedTest, ::testing::Values(1, 2, 3, 4, 5));

TEST(SoakTest, QuietLineGivesEveryValueRight) {
  SoakSettings settings;
  settings.exchanges = kShortRun / 4;
  settings.noise = NoiseSettings{0, 0, 0, 0, 0, 0};
  const SoakTally t = RunSoak(settings);
  EXPECT_EQ(t.faultyExchanges, 0u);
  EXPECT_EQ(t.mistakenUndetectable, 0u);
  EXPECT_EQ(t.wrongValuesUndetectable, 0u);
  EXPECT_GT(t.valuesChecked, 0u);
  ExpectNoDriverFault(t);
}

// One fault on every exchange, and where each must end.
struct OnlyFault {
  const char* name;
  NoiseSettings noise;
  bool detected;  // else absorbed
};

class SoakOneFaultTest : public ::testing::TestWithParam<OnlyFault> {};

TEST_P(SoakOneFaultTest, EndsWhereItMust) {
  SoakSettings settings;
  settings.exchanges = kShortRun / 8;
  settings.noise = GetParam().noise;
  const SoakTally t = RunSoak(settings);
  ExpectNoDriverFault(t);
  EXPECT_EQ(t.mistakenUndetectable, 0u);
  EXPECT_GT(t.faultyExchanges, 0u);
  EXPECT_EQ(GetParam().detected ? t.detected : t.absorbed, t.faultyExchanges);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SoakOneFaultTest,
    ::testing::Values(OnlyFault{"dropped", NoiseSettings{0, 1, 0, 0, 0, 0}, true},
                      OnlyFault{"truncated", NoiseSettings{0, 0, 1, 0, 0, 0}, true},
                      OnlyFault{"lateBeyondTimeout", NoiseSettings{0, 0, 0, 0, 0, 1}, true},
                      OnlyFault{"lateInTime", NoiseSettings{0, 0, 0, 0, 1, 0}, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A port that changes a digit of every good data reply after the check has
// passed it: the driver then reports a wrong value as valid, and the soak
// must count it as a driver fault.
class DigitChangingPort final : public kavo5000::HostPort {
 public:
  explicit DigitChangingPort(kavo5000::HostPort& inner) : inner_(inner) {}
  std::int32_t KAVO5000_CALL GetLastError(Byte c) override { return inner_.GetLastError(c); }
  void KAVO5000_CALL SetLineError(Byte c, std::int32_t e) override { inner_.SetLineError(c, e); }
  void KAVO5000_CALL SetLineState(Byte c, Byte s) override { inner_.SetLineState(c, s); }
  Byte KAVO5000_CALL GetLineState(Byte c) override { return inner_.GetLineState(c); }
  std::int32_t KAVO5000_CALL Open(Byte c, std::int32_t s, std::int32_t b) override {
    return inner_.Open(c, s, b);
  }
  void KAVO5000_CALL SetReplyCheck(Byte c, kavo5000::ReplyCheckRef r) override {
    inner_.SetReplyCheck(c, r);
  }
  std::int32_t KAVO5000_CALL Send(Byte c, const Byte* frame, Byte length, Byte* reply, Byte size,
                                  Byte mode) override {
    const std::int32_t result = inner_.Send(c, frame, length, reply, size, mode);
    // Frame byte 4 is the command character; the last data byte of a reply
    // to 'N' is a digit of the value.
    constexpr std::size_t kReadParamAt = 4;
    if (length > kReadParamAt && frame[kReadParamAt] == 'N' && reply[0] == 0x02) {
      std::size_t end = 1;
      while (end + 1 < 256 && !(reply[end] == 0x03 && reply[end + 1] == 0x03)) ++end;
      if (end >= 3) reply[end - 2] = reply[end - 2] == '9' ? '8' : '9';
    }
    return result;
  }

 private:
  kavo5000::HostPort& inner_;
};

TEST(SoakTest, CountsAWrongValueThatThePortLetThrough) {
  SoakSettings settings;
  settings.exchanges = kShortRun / 8;
  settings.noise = NoiseSettings{0, 0, 0, 0, 0, 0};
  std::unique_ptr<DigitChangingPort> planted;
  settings.wrapPort = [&planted](kavo5000::HostPort& inner) {
    planted = std::make_unique<DigitChangingPort>(inner);
    return planted.get();
  };
  const SoakTally t = RunSoak(settings);
  EXPECT_GT(t.wrongValuesDriverFault, 0u);
  EXPECT_EQ(t.wrongValuesUndetectable, 0u);
}

}  // namespace
}  // namespace kavo5000::soak
