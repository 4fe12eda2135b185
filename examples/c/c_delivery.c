/* c_delivery.c — a station program in C: it drives one delivery on the
 * built-in simulator (or the port given) through the C interface alone,
 * shows a refused value caught as a status, and prints the delivery's
 * counters and the nozzle's totals.
 *   c_delivery [PORT [MODULE]]     PORT: "sim" (the default), "tcp://HOST:PORT" … */
#if !defined(_WIN32) && !defined(_POSIX_C_SOURCE)
#define _POSIX_C_SOURCE 200809L /* nanosleep */
#endif
#include <stdio.h>
#include <stdlib.h>

#include "kavo5000/kavo5000_c.h"

#ifdef _WIN32
#include <windows.h>
static void Pause(void) { Sleep(200); }
#else
#include <time.h>
static void Pause(void) {
  const struct timespec fifth = {0, 200000000L};
  nanosleep(&fifth, NULL);
}
#endif

enum { kChannel = 1, kDispenser = 1, kNozzle = 1, kMostPolls = 150 };
static const double kPrice = 52.40;
static const double kPreset = 1.00;
static const double kTooDear = 1000.00; /* the price field holds 99.99 at most */

/* Says why a call failed and ends the program. */
static void Check(kavo5000_status status, const char* what) {
  if (status == KAVO5000_OK) return;
  fprintf(stderr, "c_delivery: %s: %s (status %d)\n", what, kavo5000_last_error(), (int)status);
  exit(1);
}

/* The channel status the driver left, checked to be a valid reply. */
static void Expect(kavo5000_driver* driver, const char* what) {
  uint8_t status = 0;
  Check(kavo5000_get_channel_status(driver, kChannel, &status), what);
  if (status != KAVO5000_LINE_VALID) {
    fprintf(stderr, "c_delivery: %s: channel status 0x%02X\n", what, status);
    exit(1);
  }
}

int main(int argc, char** argv) {
  kavo5000_channel line;
  kavo5000_driver* driver = NULL;
  char description[KAVO5000_DESCRIPTION_SIZE];
  kavo5000_status refused;
  int closed = 0;
  int finished = 0;
  int polls;
  double litres = 0;
  double money = 0;
  double volume = 0;
  double total = 0;

  line.channel = kChannel;
  line.port = argc > 1 ? argv[1] : "sim";
  line.callbacks = NULL;
  line.context = NULL;
  Check(kavo5000_open(argc > 2 ? argv[2] : NULL, 0, &line, 1, 0, &driver), "open");
  Check(kavo5000_description(driver, description, sizeof description), "description");
  printf("driver open on %s\n", line.port);

  refused = kavo5000_set_price(driver, kChannel, kDispenser, kNozzle, kTooDear);
  printf("price %.2f: status %d, %s\n", kTooDear, (int)refused,
         refused == KAVO5000_REFUSED ? "refused before sending" : "not refused");
  if (refused != KAVO5000_REFUSED) return 1;

  Check(kavo5000_set_price(driver, kChannel, kDispenser, kNozzle, kPrice), "price");
  Expect(driver, "price");
  Check(kavo5000_preset_volume(driver, kChannel, kDispenser, kNozzle, kPreset), "preset");
  Expect(driver, "preset");
  Check(kavo5000_start(driver, kChannel, kDispenser, kNozzle), "start");
  Expect(driver, "start");
  printf("price %.2f, preset %.2f l, started\n", kPrice, kPreset);

  /* The driver closes the delivery itself: the nozzle's class goes to
   * "finished", then back to idle or lifted once the close went through. */
  for (polls = 0; polls < kMostPolls && !closed; ++polls) {
    kavo5000_state state;
    int cls;
    Pause();
    Check(kavo5000_get_state(driver, kChannel, kDispenser, 1, &state), "state");
    Expect(driver, "state");
    cls = state.nozzle[0] & KAVO5000_STATE_CLASS_MASK;
    if (cls == KAVO5000_STATE_FINISHED) finished = 1;
    closed = finished && (cls == KAVO5000_STATE_IDLE || cls == KAVO5000_STATE_LIFTED);
  }
  if (!closed) {
    fprintf(stderr, "c_delivery: the delivery did not end\n");
    return 1;
  }
  Check(kavo5000_get_delivery_counters(driver, kChannel, kDispenser, &litres, &money),
        "delivery counters");
  Expect(driver, "delivery counters");
  printf("delivery counters: %.2f l, %.2f\n", litres, money);
  Check(kavo5000_get_total_counters(driver, kChannel, kDispenser, kNozzle, &volume, &total),
        "total counters");
  Expect(driver, "total counters");
  printf("totals of nozzle %d: %.2f l, %.2f\n", kNozzle, volume, total);
  Check(kavo5000_close(driver), "close");
  return 0;
}
