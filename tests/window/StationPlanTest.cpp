// The sample station polls as many nozzles a dispenser as the driver it
// loads numbers for the same configuration byte.
#include <gtest/gtest.h>

#include "DriverProbe.h"
#include "Poller.h"
#include "VM30.h"

namespace kavo5000::station {
namespace {

TEST(StationPlanTest, PollsTheNozzlesTheDriverNumbers) {
  for (const std::uint32_t config : {0x00u, 0x10u, 0x40u, 0xC3u, 0x0Fu}) {
    driver::VM30Driver driver(static_cast<Byte>(config), 0, nullptr);
    const PollPlan plan = PlanFor(3, config, 5);
    EXPECT_EQ(plan.nozzles, driver::DriverProbe(driver).Config().NozzlesPerDispenser)
        << "config " << config;
    EXPECT_EQ(plan.channel, 3);
    EXPECT_EQ(plan.dispensers, 5);
  }
}

}  // namespace
}  // namespace kavo5000::station
