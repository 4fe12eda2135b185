/* kavo5000_c.h — the dispenser driver for hosts of any language: plain C
 * functions over the driver module, each returning a status, with nothing of
 * C++ crossing (no exception, no class, no allocation one side frees on the
 * other). The library loads the module as the kit's programs do, lends it a
 * port of its own per driver, and catches every failure at its edge.
 *
 * Statuses. Every function returns one of KAVO5000_OK … KAVO5000_INTERNAL.
 * On any status but KAVO5000_OK, kavo5000_last_error() says why in UTF-8
 * (kavo5000_last_error_cp1251() in Windows-1251), for the calling thread,
 * until that thread's next call into this library.
 * What the controller made of an operation is not a status of this library:
 * it stays the driver's channel status, read with kavo5000_get_channel_status
 * after the operation (KAVO5000_LINE_VALID, or a KAVO5000_CHANNEL_… code).
 *
 * Threads. Calls on one driver may come from several threads as long as no
 * two of them use the same channel at once (one thread per channel, as a
 * station polls its lines); calls on different drivers never interfere.
 * kavo5000_close may come from any thread: a call still running on the
 * driver finishes first, and later calls with the closed handle return
 * KAVO5000_BAD_USE.
 *
 * Valid C99; every declaration is usable from C++ too. */
#ifndef KAVO5000_KAVO5000_C_H
#define KAVO5000_KAVO5000_C_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define KAVO5000_C_CALL __stdcall /* 32-bit Windows: what other languages call */
#else
#define KAVO5000_C_CALL
#endif

#if defined(_WIN32)
#if defined(KAVO5000_C_BUILDING)
#define KAVO5000_C_API __declspec(dllexport)
#else
#define KAVO5000_C_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define KAVO5000_C_API __attribute__((visibility("default")))
#else
#define KAVO5000_C_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* What a call came to. */
typedef int32_t kavo5000_status;
#define KAVO5000_OK 0 /* done; the channel status tells the controller's outcome */
#define KAVO5000_REFUSED                                                                    \
  1                          /* refused before sending: a number out of range, a bad value, \
                                no price; the driver's message */
#define KAVO5000_SERIAL_IO 2 /* the exchange failed in the transport; the operation's message */
#define KAVO5000_BAD_USE                                                                        \
  3                          /* a null pointer, a closed or foreign handle, a buffer too small, \
                                a channel bound twice */
#define KAVO5000_NOT_FOUND 4 /* the module, or a port, could not be found or opened */
#define KAVO5000_INTERNAL 5  /* an unforeseen failure inside the library; its message */

/* Channel statuses the driver and the port leave (kavo5000_get_channel_status). */
#define KAVO5000_CHANNEL_NO_EXCHANGE 0x00      /* no exchange yet */
#define KAVO5000_LINE_VALID 0x01               /* the controller's reply was valid */
#define KAVO5000_LINE_NO_REPLY 0x02            /* no reply in time */
#define KAVO5000_LINE_MALFORMED 0x03           /* a reply too short, or a volume total of 0 */
#define KAVO5000_LINE_INCOMPLETE 0x04          /* a reply cut short or failing its checksum */
#define KAVO5000_CHANNEL_START_REFUSED 0x10    /* start refused */
#define KAVO5000_CHANNEL_PREPARE_REFUSED 0x11  /* the preparation before a start refused */
#define KAVO5000_CHANNEL_VOLUME_REFUSED 0x12   /* volume preset refused */
#define KAVO5000_CHANNEL_MONEY_REFUSED 0x13    /* money preset refused */
#define KAVO5000_CHANNEL_STOP_REFUSED 0x14     /* stop refused */
#define KAVO5000_CHANNEL_PRICE_REFUSED 0x15    /* price refused (the nozzle was stopped) */
#define KAVO5000_CHANNEL_PARAM_REFUSED 0x17    /* parameter read or write refused */
#define KAVO5000_CHANNEL_ADDRESS_REFUSED 0x18  /* address programming refused */
#define KAVO5000_CHANNEL_DELIVERY_REFUSED 0x19 /* the delivery's volume query refused */

/* A nozzle's state code: its low byte AND KAVO5000_STATE_CLASS_MASK is the
 * class, AND KAVO5000_STATE_NOZZLE_MASK the nozzle it concerns. */
#define KAVO5000_STATE_IDLE 0xC0       /* nozzle hung, nothing going on */
#define KAVO5000_STATE_BUSY 0xC8       /* authorised, waiting for the nozzle */
#define KAVO5000_STATE_DELIVERING 0xD0 /* fuel flowing */
#define KAVO5000_STATE_FINISHED 0xD8   /* stopped; without a nozzle: closed by the driver */
#define KAVO5000_STATE_LIFTED 0xE0     /* nozzle lifted, not authorised */
#define KAVO5000_STATE_CLASS_MASK 0xF8
#define KAVO5000_STATE_NOZZLE_MASK 0x07

/* The driver; opaque. */
typedef struct kavo5000_driver kavo5000_driver;

/* The driver's judgement of the reply bytes received so far, for a port of
 * the host's own: 1 when they are a whole reply (*length then says how many
 * bytes it is), 0 to read on. */
typedef int32_t(KAVO5000_C_CALL* kavo5000_reply_check)(void* check_context, uint8_t* reply,
                                                       int32_t* length);

/* A port of the host's own, for a station that keeps its serial layer.
 * open: opens the channel's line at `baud`; 0 when it is open.
 * send: writes the frame, then reads the reply into reply[0..capacity),
 *   calling check(check_context, reply, &length) after each arrival and
 *   stopping when it returns 1 or the host's own timeout passes; returns 0
 *   when the exchange took place (a silent controller included), any other
 *   number for a failed transport (the driver then raises its transport
 *   failure). Both are called on the thread that called the operation. */
typedef struct kavo5000_port_callbacks {
  int32_t(KAVO5000_C_CALL* open)(void* context, uint8_t channel, int32_t baud);
  int32_t(KAVO5000_C_CALL* send)(void* context, uint8_t channel, const uint8_t* frame,
                                 int32_t frame_length, uint8_t* reply, int32_t capacity,
                                 kavo5000_reply_check check, void* check_context);
} kavo5000_port_callbacks;

/* One channel of a driver: the channel number (1..20) and its port, either
 * a port spec as the kavo5000 tool takes one ("/dev/ttyUSB0:4800:8E1",
 * "COM3", "tcp://HOST:PORT", or "sim": a simulated line of eight controllers
 * in this process), or, with port NULL, the host's own callbacks and the
 * context they are called with. */
typedef struct kavo5000_channel {
  uint8_t channel;
  const char* port;
  const kavo5000_port_callbacks* callbacks;
  void* context;
} kavo5000_channel;

/* What kavo5000_get_state hands back for one dispenser: the summary state
 * code, the nozzle whose code it is, and each nozzle's state code. */
typedef struct kavo5000_state {
  uint8_t summary;
  uint8_t summary_nozzle;
  uint16_t nozzle[6];
} kavo5000_state;

/* The size a description buffer needs at most, its terminating 0 included. */
#define KAVO5000_DESCRIPTION_SIZE 256

/* Why the last call on this thread failed ("" after a success); UTF-8, or
 * Windows-1251. Valid until this thread's next call into the library. */
KAVO5000_C_API const char* KAVO5000_C_CALL kavo5000_last_error(void);
KAVO5000_C_API const char* KAVO5000_C_CALL kavo5000_last_error_cp1251(void);

/* Loads the module (at module_path, or NULL: where the kit's programs look:
 * $KAVO5000_MODULE, beside the program, the installed one), creates a
 * driver with the configuration byte, binds each channel to its port and
 * opens it. window: the host's main window (HWND on Windows, a native window
 * id elsewhere, 0 for none), the parent of the technician's window. */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL
kavo5000_open(const char* module_path, uint32_t config, const kavo5000_channel* channels,
              int32_t channel_count, uintptr_t window, kavo5000_driver** driver);
/* Deletes the driver and closes its ports. NULL is allowed. */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_close(kavo5000_driver* driver);

/* The driver's description, 0-terminated, in Windows-1251 as the driver
 * keeps it; size at least KAVO5000_DESCRIPTION_SIZE is always enough. */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_description(kavo5000_driver* driver,
                                                                    char* text, size_t size);
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_get_channel_status(kavo5000_driver* driver,
                                                                           uint8_t channel,
                                                                           uint8_t* status);
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_set_channel_status(kavo5000_driver* driver,
                                                                           uint8_t channel,
                                                                           uint8_t status);
/* (Re)opens a channel's port; *result is the driver's answer (0: open). */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_open_channel(kavo5000_driver* driver,
                                                                     uint8_t channel,
                                                                     int32_t* result);

/* A dispenser's state, its first `nozzles` nozzles (at most 6) polled, or
 * with 0 as many as the configuration byte numbers. */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_get_state(kavo5000_driver* driver,
                                                                  uint8_t channel,
                                                                  uint8_t dispenser,
                                                                  uint8_t nozzles,
                                                                  kavo5000_state* state);
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_get_dispenser_state(kavo5000_driver* driver,
                                                                            uint8_t channel,
                                                                            uint8_t dispenser,
                                                                            uint16_t* state);
/* The running delivery's litres and money. */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_get_delivered_volume(
    kavo5000_driver* driver, int32_t channel, int32_t dispenser, double* litres, double* money);
/* A closed delivery's counters. */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_get_delivery_counters(
    kavo5000_driver* driver, int32_t channel, int32_t dispenser, double* litres, double* money);
/* A nozzle's totals. */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL
kavo5000_get_total_counters(kavo5000_driver* driver, int32_t channel, int32_t dispenser,
                            int32_t nozzle, double* volume, double* money);
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_set_total_counter(
    kavo5000_driver* driver, int32_t channel, int32_t dispenser, int32_t nozzle, double volume);

KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_set_price(kavo5000_driver* driver,
                                                                  int32_t channel,
                                                                  int32_t dispenser, int32_t nozzle,
                                                                  double price);
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_preset_volume(
    kavo5000_driver* driver, int32_t channel, int32_t dispenser, int32_t nozzle, double litres);
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_preset_money(kavo5000_driver* driver,
                                                                     int32_t channel,
                                                                     int32_t dispenser,
                                                                     int32_t nozzle, double money);
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_start(kavo5000_driver* driver,
                                                              int32_t channel, int32_t dispenser,
                                                              int32_t nozzle);
/* skip_preparation: 0 sends the preparation step first. */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_start_ex(kavo5000_driver* driver,
                                                                 int32_t channel, int32_t dispenser,
                                                                 int32_t nozzle,
                                                                 int32_t skip_preparation);
/* do_stop: 0 pauses the delivery, otherwise it stops for good. */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_stop(kavo5000_driver* driver,
                                                             int32_t channel, int32_t dispenser,
                                                             int32_t nozzle, int32_t do_stop);
/* *result is the driver's answer (0: the exchanges took place). */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL
kavo5000_stop_and_close(kavo5000_driver* driver, int32_t channel, int32_t dispenser, int32_t nozzle,
                        int32_t do_stop, int32_t* result);
/* *stopped: 1 when a nozzle was delivering and was stopped, else 0. */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_stop_active_nozzle(
    kavo5000_driver* driver, int32_t channel, int32_t dispenser, int32_t do_stop, int32_t* stopped);

/* A parameter by the host's number (9: address programming, 10 and up: a
 * nozzle's parameters, 60 each). */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_get_param(kavo5000_driver* driver,
                                                                  int32_t channel,
                                                                  int32_t dispenser, int32_t number,
                                                                  int32_t* value);
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_set_param(kavo5000_driver* driver,
                                                                  int32_t channel,
                                                                  int32_t dispenser, int32_t number,
                                                                  int32_t value);
/* *known: 1 when the driver knows the option and set *value, else 0. */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL kavo5000_query_option(kavo5000_driver* driver,
                                                                     int32_t code, int32_t* value,
                                                                     int32_t* known);

/* The technician's parameter window, as the driver's menu command opens it,
 * over the window given to kavo5000_open; returns when it is closed. The
 * module keeps one menu command per process, for the driver opened last:
 * any other driver gets KAVO5000_BAD_USE. */
KAVO5000_C_API kavo5000_status KAVO5000_C_CALL
kavo5000_show_parameter_window(kavo5000_driver* driver);

#ifdef __cplusplus
}
#endif

#endif /* KAVO5000_KAVO5000_C_H */
