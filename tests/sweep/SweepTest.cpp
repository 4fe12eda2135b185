// The bad-input sweep as a test: every input of every slot answered as
// documented, and the sweep's own judgement able to tell a wrong answer.
#include <gtest/gtest.h>

#include "BadInputSweep.h"
#include "DriverProbe.h"

namespace kavo5000::sweep {
namespace {

constexpr std::uint64_t kSeed = 13;
constexpr int kRandomPerSlot = 100;

TEST(BadInputSweepTest, EveryInputIsAnsweredAsDocumented) {
  const SweepResult r = RunSweep(kSeed, kRandomPerSlot);
  for (const std::string& f : r.failures) ADD_FAILURE() << f;
  EXPECT_EQ(r.refused + r.handled, r.inputs);
  // The grid alone holds thousands of refusals and of inputs carried out.
  EXPECT_GT(r.refused, 5000u);
  EXPECT_GT(r.handled, 500u);
}

constexpr const char* kChannelRange = "Номер канала выходит за допустимый диапазон";

// Answers that break the documentation in one way each; the sweep must
// report every one.
struct WrongAnswer {
  const char* name;
  std::function<void(driver::VM30Driver&)> call;
  const char* refusal;
};

class SweepJudgementTest : public ::testing::TestWithParam<WrongAnswer> {};

TEST_P(SweepJudgementTest, ReportsTheInput) {
  const WrongAnswer& w = GetParam();
  const SweepResult r = CheckInputs({Input{w.name, 0, w.call, w.refusal}});
  ASSERT_EQ(r.failures.size(), 1u);
  EXPECT_EQ(r.refused + r.handled, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SweepJudgementTest,
    ::testing::Values(WrongAnswer{"otherMessage",
                                  [](driver::VM30Driver& d) { d.StartPump(1, 33, 1); },
                                  kChannelRange},
                      WrongAnswer{"noRefusal", [](driver::VM30Driver& d) { d.StartPump(1, 1, 1); },
                                  kChannelRange},
                      WrongAnswer{"refusedWithoutDocument",
                                  [](driver::VM30Driver& d) { d.StartPump(21, 1, 1); }, nullptr},
                      WrongAnswer{"sentBeforeRefusing",
                                  [](driver::VM30Driver& d) {
                                    d.GetParam(1, 1, 10);
                                    d.StartPump(21, 1, 1);
                                  },
                                  kChannelRange},
                      WrongAnswer{"tableChangedBeforeRefusing",
                                  [](driver::VM30Driver& d) {
                                    driver::DriverProbe(d).Tables().ActiveNozzles[1][2] = 3;
                                    d.StartPump(21, 1, 1);
                                  },
                                  kChannelRange},
                      WrongAnswer{"statusChangedBeforeRefusing",
                                  [](driver::VM30Driver& d) {
                                    d.SetChannelStatus(5, 0);
                                    d.StartPump(21, 1, 1);
                                  },
                                  kChannelRange}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kavo5000::sweep
