"""kavo5000 — the dispenser driver for Python station programs and service
scripts, over the C interface (libkavo5000c) with ctypes.

    with kavo5000.Driver(ports={1: "sim"}) as driver:
        driver.set_price(1, 1, 1, 52.40)
        driver.preset_volume(1, 1, 1, 2.00)
        driver.start(1, 1, 1)

A refusal before sending raises Error, a failed transport SerialIOError; what
the controller made of an operation is the channel status
(Driver.channel_status), as in the driver itself. Calls release the
interpreter lock while the driver talks to the line, so one thread per
channel runs the channels side by side.
"""

from __future__ import annotations

import ctypes
import ctypes.util
import enum
import os
import sys
from dataclasses import dataclass
from typing import Mapping, Optional, Sequence

__all__ = [
    "Driver", "Error", "RefusedError", "SerialIOError", "UsageError", "NotFoundError",
    "ChannelStatus", "StateClass", "NozzleState", "DispenserState",
]

# What a call came to (kavo5000_c.h).
_OK, _REFUSED, _SERIAL_IO, _BAD_USE, _NOT_FOUND, _INTERNAL = range(6)
_DESCRIPTION_SIZE = 256
_NOZZLES_IN_RECORD = 6
_STATE_CLASS_MASK = 0xF8
_STATE_NOZZLE_MASK = 0x07


class Error(Exception):
    """A call the driver did not carry out; `status` is the C interface's code."""

    def __init__(self, message: str, status: int = _INTERNAL):
        super().__init__(message)
        self.status = status


class RefusedError(Error):
    """Refused before anything was sent: a number out of range, a bad value, no price."""


class SerialIOError(Error):
    """The exchange failed in the transport."""


class UsageError(Error, ValueError):
    """A bad argument: a closed driver, a channel out of range, a port that does not parse."""


class NotFoundError(Error):
    """The module, or a port, could not be found or opened."""


_ERRORS = {_REFUSED: RefusedError, _SERIAL_IO: SerialIOError, _BAD_USE: UsageError,
           _NOT_FOUND: NotFoundError}


class ChannelStatus(enum.IntEnum):
    """What the driver and the port left for a channel after an operation."""
    NO_EXCHANGE = 0x00
    VALID = 0x01
    NO_REPLY = 0x02
    MALFORMED = 0x03
    INCOMPLETE = 0x04
    START_REFUSED = 0x10
    PREPARE_REFUSED = 0x11
    VOLUME_REFUSED = 0x12
    MONEY_REFUSED = 0x13
    STOP_REFUSED = 0x14
    PRICE_REFUSED = 0x15
    PARAM_REFUSED = 0x17
    ADDRESS_REFUSED = 0x18
    DELIVERY_REFUSED = 0x19


class StateClass(enum.IntEnum):
    """The class of a nozzle's state code."""
    IDLE = 0xC0
    BUSY = 0xC8
    DELIVERING = 0xD0
    FINISHED = 0xD8
    LIFTED = 0xE0
    UNKNOWN = 0x00


@dataclass(frozen=True)
class NozzleState:
    """One nozzle's state code, its class and the nozzle it names (0: none)."""
    code: int

    @property
    def state_class(self) -> StateClass:
        try:
            return StateClass(self.code & _STATE_CLASS_MASK)
        except ValueError:
            return StateClass.UNKNOWN

    @property
    def nozzle(self) -> int:
        return self.code & _STATE_NOZZLE_MASK


@dataclass(frozen=True)
class DispenserState:
    """A dispenser's state record: the summary code, the nozzle it is of, each nozzle's."""
    summary: NozzleState
    summary_nozzle: int
    nozzles: tuple


class _State(ctypes.Structure):
    _fields_ = [("summary", ctypes.c_uint8), ("summary_nozzle", ctypes.c_uint8),
                ("nozzle", ctypes.c_uint16 * _NOZZLES_IN_RECORD)]


class _Channel(ctypes.Structure):
    _fields_ = [("channel", ctypes.c_uint8), ("port", ctypes.c_char_p),
                ("callbacks", ctypes.c_void_p), ("context", ctypes.c_void_p)]


def _library_path() -> str:
    explicit = os.environ.get("KAVO5000_C_LIBRARY")
    if explicit:
        return explicit
    found = ctypes.util.find_library("kavo5000c" if os.name != "nt" else "Kavo5000C")
    if found:
        return found
    return "Kavo5000C.dll" if os.name == "nt" else "libkavo5000c.so"


_lib = None


def _library():
    global _lib
    if _lib is None:
        # 32-bit Windows: the functions are __stdcall.
        loader = ctypes.WinDLL if sys.platform == "win32" and ctypes.sizeof(ctypes.c_void_p) == 4 \
            else ctypes.CDLL
        lib = loader(_library_path())
        lib.kavo5000_last_error.restype = ctypes.c_char_p
        lib.kavo5000_last_error.argtypes = []
        lib.kavo5000_open.argtypes = [ctypes.c_char_p, ctypes.c_uint32, ctypes.POINTER(_Channel),
                                      ctypes.c_int32, ctypes.c_size_t, ctypes.POINTER(ctypes.c_void_p)]
        lib.kavo5000_close.argtypes = [ctypes.c_void_p]
        _lib = lib
    return _lib


_i32, _u8, _dbl = ctypes.c_int32, ctypes.c_uint8, ctypes.c_double


class Driver:
    """A driver with its channels open: ports maps a channel (1..20) to a port
    spec ("sim", "/dev/ttyUSB0:4800:8E1", "COM3", "tcp://HOST:PORT")."""

    def __init__(self, config: int = 0, ports: Optional[Mapping[int, str]] = None,
                 module: Optional[str] = None, window: int = 0):
        self._lib = _library()
        ports = {1: "sim"} if ports is None else ports
        lines = (_Channel * max(len(ports), 1))()
        for i, (channel, spec) in enumerate(ports.items()):
            if not 0 <= channel <= 255:
                raise UsageError(f"channel {channel} is not a channel byte (1..20)", _BAD_USE)
            lines[i] = _Channel(channel, spec.encode(), None, None)
        handle = ctypes.c_void_p()
        self._check(self._lib.kavo5000_open(module.encode() if module else None, config, lines,
                                            len(ports), window, ctypes.byref(handle)))
        self._handle = handle

    def __enter__(self) -> "Driver":
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def close(self) -> None:
        if self._handle is not None:
            self._check(self._lib.kavo5000_close(self._handle))
            self._handle = None

    def _check(self, status: int) -> None:
        if status != _OK:
            message = (self._lib.kavo5000_last_error() or b"").decode("utf-8", "replace")
            raise _ERRORS.get(status, Error)(message, status)

    def _call(self, name: str, *args) -> None:
        if self._handle is None:
            raise UsageError("the driver is closed", _BAD_USE)
        self._check(getattr(self._lib, name)(self._handle, *args))

    # The driver and its channels.
    def description(self) -> str:
        text = ctypes.create_string_buffer(_DESCRIPTION_SIZE)
        self._call("kavo5000_description", text, ctypes.c_size_t(_DESCRIPTION_SIZE))
        return text.value.decode("cp1251")

    def channel_status(self, channel: int) -> ChannelStatus | int:
        status = _u8()
        self._call("kavo5000_get_channel_status", _u8(channel), ctypes.byref(status))
        try:
            return ChannelStatus(status.value)
        except ValueError:
            return status.value

    def set_channel_status(self, channel: int, status: int) -> None:
        self._call("kavo5000_set_channel_status", _u8(channel), _u8(status))

    def open_channel(self, channel: int) -> int:
        result = _i32()
        self._call("kavo5000_open_channel", _u8(channel), ctypes.byref(result))
        return result.value

    # What the dispensers are doing.
    def state(self, channel: int, dispenser: int, nozzles: int = 0) -> DispenserState:
        """The dispenser's state, its first `nozzles` nozzles polled (0: as
        many as the configuration byte numbers)."""
        r = _State()
        self._call("kavo5000_get_state", _u8(channel), _u8(dispenser), _u8(nozzles),
                   ctypes.byref(r))
        return DispenserState(NozzleState(r.summary), r.summary_nozzle,
                              tuple(NozzleState(code) for code in r.nozzle))

    def dispenser_state(self, channel: int, dispenser: int) -> NozzleState:
        code = ctypes.c_uint16()
        self._call("kavo5000_get_dispenser_state", _u8(channel), _u8(dispenser), ctypes.byref(code))
        return NozzleState(code.value)

    def _pair(self, name: str, *args) -> tuple:
        first, second = _dbl(), _dbl()
        self._call(name, *args, ctypes.byref(first), ctypes.byref(second))
        return first.value, second.value

    def delivered_volume(self, channel: int, dispenser: int) -> tuple:
        """The running delivery's (litres, money)."""
        return self._pair("kavo5000_get_delivered_volume", _i32(channel), _i32(dispenser))

    def delivery_counters(self, channel: int, dispenser: int) -> tuple:
        """The closed delivery's (litres, money)."""
        return self._pair("kavo5000_get_delivery_counters", _i32(channel), _i32(dispenser))

    def total_counters(self, channel: int, dispenser: int, nozzle: int) -> tuple:
        """The nozzle's totals (volume, money)."""
        return self._pair("kavo5000_get_total_counters", _i32(channel), _i32(dispenser),
                          _i32(nozzle))

    def set_total_counter(self, channel: int, dispenser: int, nozzle: int, volume: float) -> None:
        self._call("kavo5000_set_total_counter", _i32(channel), _i32(dispenser), _i32(nozzle),
                   _dbl(volume))

    # A delivery.
    def set_price(self, channel: int, dispenser: int, nozzle: int, price: float) -> None:
        self._call("kavo5000_set_price", _i32(channel), _i32(dispenser), _i32(nozzle), _dbl(price))

    def preset_volume(self, channel: int, dispenser: int, nozzle: int, litres: float) -> None:
        self._call("kavo5000_preset_volume", _i32(channel), _i32(dispenser), _i32(nozzle),
                   _dbl(litres))

    def preset_money(self, channel: int, dispenser: int, nozzle: int, money: float) -> None:
        self._call("kavo5000_preset_money", _i32(channel), _i32(dispenser), _i32(nozzle),
                   _dbl(money))

    def start(self, channel: int, dispenser: int, nozzle: int) -> None:
        self._call("kavo5000_start", _i32(channel), _i32(dispenser), _i32(nozzle))

    def start_ex(self, channel: int, dispenser: int, nozzle: int,
                 skip_preparation: bool = False) -> None:
        self._call("kavo5000_start_ex", _i32(channel), _i32(dispenser), _i32(nozzle),
                   _i32(int(skip_preparation)))

    def stop(self, channel: int, dispenser: int, nozzle: int, for_good: bool = True) -> None:
        self._call("kavo5000_stop", _i32(channel), _i32(dispenser), _i32(nozzle),
                   _i32(int(for_good)))

    def stop_and_close(self, channel: int, dispenser: int, nozzle: int,
                       for_good: bool = True) -> int:
        result = _i32()
        self._call("kavo5000_stop_and_close", _i32(channel), _i32(dispenser), _i32(nozzle),
                   _i32(int(for_good)), ctypes.byref(result))
        return result.value

    def stop_active_nozzle(self, channel: int, dispenser: int, for_good: bool = True) -> bool:
        stopped = _i32()
        self._call("kavo5000_stop_active_nozzle", _i32(channel), _i32(dispenser),
                   _i32(int(for_good)), ctypes.byref(stopped))
        return bool(stopped.value)

    # Controller parameters and the driver's options.
    def get_param(self, channel: int, dispenser: int, number: int) -> int:
        value = _i32()
        self._call("kavo5000_get_param", _i32(channel), _i32(dispenser), _i32(number),
                   ctypes.byref(value))
        return value.value

    def set_param(self, channel: int, dispenser: int, number: int, value: int) -> None:
        self._call("kavo5000_set_param", _i32(channel), _i32(dispenser), _i32(number), _i32(value))

    def query_option(self, code: int) -> Optional[int]:
        value, known = _i32(), _i32()
        self._call("kavo5000_query_option", _i32(code), ctypes.byref(value), ctypes.byref(known))
        return value.value if known.value else None

    def show_parameter_window(self) -> None:
        self._call("kavo5000_show_parameter_window")
