// c_api_fuzz.cpp — the C interface called as a careless host of another
// language calls it: a handle that is the open driver, a closed one, a
// foreign pointer or null; numbers at their boundaries or raw; result
// pointers present or null; description buffers of any size. The driver has
// no port on any channel, so every exchange fails at once in the transport
// and the run stays quick.
//
// Beyond the sanitizers' findings (leaks included) it insists that every call
// returns one of the documented statuses, that a failure leaves a message
// and a success none, and that a call on a handle that is not an open driver
// is refused as bad use.
//
// Input layout: the configuration byte; then per call the function byte, the
// handle byte, a flag byte (which result pointers are null), the numbers'
// choices and a buffer size byte.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "FuzzInput.h"
#include "kavo5000/kavo5000_c.h"

namespace {

using kavo5000::fuzz::FuzzInput;
using kavo5000::fuzz::Violation;

constexpr int kMaxCalls = 24;   // per input, so that one input stays quick
constexpr int kFunctions = 22;  // the functions below that take a handle
constexpr std::int32_t kNumbers[] = {0,
                                     1,
                                     2,
                                     4,
                                     15,
                                     16,
                                     20,
                                     21,
                                     32,
                                     33,
                                     59,
                                     60,
                                     69,
                                     255,
                                     256,
                                     -1,
                                     std::numeric_limits<std::int32_t>::max(),
                                     std::numeric_limits<std::int32_t>::min()};
constexpr double kAmounts[] = {0.0,
                               0.01,
                               52.40,
                               99.99,
                               100.0,
                               999.99,
                               1e12,
                               -0.01,
                               std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN()};

void CheckStatus(kavo5000_status status) {
  if (status < KAVO5000_OK || status > KAVO5000_INTERNAL) Violation("an undocumented status");
  const char* message = kavo5000_last_error();
  const char* cp1251 = kavo5000_last_error_cp1251();
  if (message == nullptr || cp1251 == nullptr) Violation("a null message");
  if ((status == KAVO5000_OK) != (message[0] == '\0')) {
    Violation("a failure without a message, or a success with one");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  kavo5000_driver* driver = nullptr;
  CheckStatus(kavo5000_open(KAVO5000_MODULE_PATH, in.Byte(), nullptr, 0, 0, &driver));
  if (driver == nullptr) Violation("no driver without a channel");
  kavo5000_driver* closed = nullptr;
  CheckStatus(kavo5000_open(KAVO5000_MODULE_PATH, 0, nullptr, 0, 0, &closed));
  CheckStatus(kavo5000_close(closed));
  int local = 0;
  kavo5000_driver* const handles[] = {driver, closed, nullptr,
                                      reinterpret_cast<kavo5000_driver*>(&local)};

  for (int call = 0; call < kMaxCalls && !in.Empty(); ++call) {
    const int function = in.Byte() % kFunctions;
    kavo5000_driver* h = handles[in.Byte() % std::size(handles)];
    const std::uint8_t nulls = in.Byte();
    const auto ch = in.Pick(kNumbers);
    const auto disp = in.Pick(kNumbers);
    const auto noz = in.Pick(kNumbers);
    const auto number = in.Pick(kNumbers);
    const double amount = in.Pick(kAmounts);
    std::vector<char> text(in.Byte());
    std::int32_t i32 = 0;
    std::int32_t j32 = 0;
    std::uint8_t u8 = 0;
    std::uint16_t u16 = 0;
    double a = 0;
    double b = 0;
    kavo5000_state states{};
    auto* pi = (nulls & 1) != 0 ? nullptr : &i32;
    auto* pj = (nulls & 2) != 0 ? nullptr : &j32;
    auto* pa = (nulls & 4) != 0 ? nullptr : &a;
    auto* pb = (nulls & 8) != 0 ? nullptr : &b;
    const auto c8 = static_cast<std::uint8_t>(ch);
    const auto d8 = static_cast<std::uint8_t>(disp);
    kavo5000_status s = KAVO5000_OK;
    switch (function) {
      case 0:
        s = kavo5000_description(h, (nulls & 16) != 0 ? nullptr : text.data(), text.size());
        break;
      case 1:
        s = kavo5000_get_channel_status(h, c8, (nulls & 1) != 0 ? nullptr : &u8);
        break;
      case 2:
        s = kavo5000_set_channel_status(h, c8, static_cast<std::uint8_t>(number));
        break;
      case 3:
        s = kavo5000_open_channel(h, c8, pi);
        break;
      case 4:
        s = kavo5000_get_state(h, c8, d8, static_cast<std::uint8_t>(noz),
                               (nulls & 16) != 0 ? nullptr : &states);
        break;
      case 5:
        s = kavo5000_get_dispenser_state(h, c8, d8, (nulls & 1) != 0 ? nullptr : &u16);
        break;
      case 6:
        s = kavo5000_get_delivered_volume(h, ch, disp, pa, pb);
        break;
      case 7:
        s = kavo5000_get_delivery_counters(h, ch, disp, pa, pb);
        break;
      case 8:
        s = kavo5000_get_total_counters(h, ch, disp, noz, pa, pb);
        break;
      case 9:
        s = kavo5000_set_total_counter(h, ch, disp, noz, amount);
        break;
      case 10:
        s = kavo5000_set_price(h, ch, disp, noz, amount);
        break;
      case 11:
        s = kavo5000_preset_volume(h, ch, disp, noz, amount);
        break;
      case 12:
        s = kavo5000_preset_money(h, ch, disp, noz, amount);
        break;
      case 13:
        s = kavo5000_start(h, ch, disp, noz);
        break;
      case 14:
        s = kavo5000_start_ex(h, ch, disp, noz, number);
        break;
      case 15:
        s = kavo5000_stop(h, ch, disp, noz, number);
        break;
      case 16:
        s = kavo5000_stop_and_close(h, ch, disp, noz, number, pi);
        break;
      case 17:
        s = kavo5000_stop_active_nozzle(h, ch, disp, number, pi);
        break;
      case 18:
        s = kavo5000_get_param(h, ch, disp, number, pi);
        break;
      case 19:
        s = kavo5000_set_param(h, ch, disp, number, noz);
        break;
      case 20:
        s = kavo5000_query_option(h, number, pi, pj);
        break;
      default:
        s = kavo5000_set_price(h, ch, disp, noz, std::nextafter(amount, 0.0));
        break;
    }
    CheckStatus(s);
    if (h != driver && s != KAVO5000_BAD_USE) Violation("a call on no open driver was not refused");
  }
  CheckStatus(kavo5000_close(driver));
  return 0;
}
