#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora under fuzz/corpus/<target>/ from the
byte vectors of the unit tests (replies of ReplyCheckTest, frames of
FramesTest and DecodeTest, the simulator's command frames), laid out as each
target reads its input. Run it again after changing a target's input layout;
the files are committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
MASK, END, SEED, BIT = 0x7F, 0x03, 0x03, 0x40


def checksum(data):
    s = SEED
    for b in data:
        s ^= b
    return s | BIT


def frame(command):
    out = [0x7F, command[0]]
    for b in command[1:]:
        out += [b, b ^ MASK]
    return out + [END, END, checksum(command[1:])]


def data_reply(data):
    out = [0x02]
    for b in data:
        out += [b, b ^ MASK]
    return out + [END, END, checksum(data)]


def ascii(text):
    return list(text.encode())


ADDR1 = [0x02, 0x21]  # linear nozzle 1
TWO_DIGITS = [0x02, 0x31, 0x4E, 0x30, 0x4F, 0x03, 0x03, 0x42]
REPLIES = {
    "ack": [0x06], "nak": [0x15], "refusal": [0x18], "ack_after_noise": [0xFF, 0xFF, 0x06],
    "empty_data": [0x02, 0x03, 0x03, 0x43], "two_digits": TWO_DIGITS,
    "noise_then_data": [0xFF, 0x00, 0x7F] + TWO_DIGITS,
    "bad_checksum": TWO_DIGITS[:-1] + [0x43],
    "bad_complement": [0x02, 0x31, 0x4F, 0x30, 0x4F, 0x03, 0x03, 0x42],
    "bad_end": [0x02, 0x31, 0x4E, 0x30, 0x4F, 0x04, 0x03, 0x42],
    "no_start": [0x01, 0x07, 0xFF, 0x7F], "only_start": [0x02], "start_and_end": [0x02, 0x03],
    "state_idle": data_reply(ascii("00")), "state_delivering": data_reply(ascii("40")),
    "param": data_reply([0x21] + ascii("7")),
    "totals": data_reply(ascii("001048235") + ascii("047290512") + ascii("000000")),
    "type": data_reply(ascii("@1")),
}
COMMANDS = {
    "state": ADDR1 + ascii("1"), "start": ADDR1 + ascii("2"), "type": ADDR1 + ascii("7"),
    "price": ADDR1 + ascii("Q4510"), "preset": ADDR1 + ascii("T01250"),
    "read_param": ADDR1 + [ord("N"), 0x30 + 10], "write_param": ADDR1 + [ord("O"), 0x30 + 4] + ascii("050"),
    "totals": ADDR1 + ascii("6"), "switch": [0x02, ord("W")] + ascii("31"),
    "program_address": [0x02, ord("]")] + ascii("1000101"),
    "group_two": [0x07, 0x21, ord("1")],
}


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(bytes(b & 0xFF for b in data))


def header(reply):
    return [len(reply)] + reply


def main():
    for name, reply in REPLIES.items():
        write("reply_check", name, [1, len(reply)] + reply)
    write("reply_check", "channel_0", [0, 8] + TWO_DIGITS)
    write("reply_check", "channel_21", [21, 8] + TWO_DIGITS)

    # host_slots: config, then per operation the operation byte, channel and
    # dispenser bytes, eight choices (0: a sound value), a flag, a raw number;
    # then per exchange a length byte and the reply.
    def op(number, choices=(0,) * 8, flag=0, raw=0, channel=1, dispenser=1):
        return [number, channel, dispenser] + list(choices) + [flag] + list(struct.pack("<i", raw))

    slots = {
        "get_param": [0] + op(13) + header(REPLIES["param"]),
        "get_sost": [0] + op(17, raw=2) + header(REPLIES["state_idle"]) + header(REPLIES["state_delivering"]),
        "totals": [0] + op(4) + header(REPLIES["totals"]),
        "set_price": [0] + op(8, choices=(0, 0, 0, 0, 0, 0, 0, 2)) + header([0x06]),
        "preset_refused": [0] + op(9, choices=(0, 0, 0, 0, 0, 0, 0, 1)) + header([0x18]),
        "start_ex": [0x41] + op(15) + header([0x06]) * 4,
        "counters": [0] + op(3) + header(REPLIES["type"]) + header(data_reply(ascii("0125000500000000"))),
        "transport_failure": [0] + op(11) + [0xFF],
        "port_throws": [0] + op(11) + [0xFE],
        "switch_value": [0] + op(14, choices=(0, 0, 0, 2, 3, 0, 0, 0)),
        "window_read": [0] + op(20, raw=3) + header(REPLIES["param"]),
        "window_write": [0] + op(21, choices=(0, 0, 0, 0, 1, 0, 1, 0), raw=1) + header([0x06]),
        "stop_and_close": [0] + op(19, flag=1) + header([0x06]) * 2,
        "description": [0] + op(22),
        "query_option": [0] + op(16, flag=1, raw=4),
    }
    for name, data in slots.items():
        write("host_slots", name, data)

    for name, command in COMMANDS.items():
        f = frame(command)
        write("sim_frames", name, [1, 1, len(f)] + f)
        write("sim_frames", name + "_split", [1, 1, 3] + f[:3] + [len(f)] + f[3:])
        write("wire_parsers", name, [len(f), 1, command[0], command[1]] + f + REPLIES["ack"])
        write("decode", name + "_hex", list(" ".join("%02X" % b for b in f).encode()))
        write("decode", name + "_raw", [len(f)] + f + REPLIES["state_idle"])
    write("sim_frames", "noise_then_frame", [0, 0, 20, 0xFF, 0x00, 0x7F] + frame(COMMANDS["state"]))
    write("wire_parsers", "totals_reply", [0, 1, 0x02, 0x21] + REPLIES["totals"])
    write("wire_parsers", "digits", [0, 1, 0x07, 0x20] + ascii("0123456789"))
    write("decode", "commas", list(b"0x7F,0x02,0x21"))

    # line_port: operation, a write byte, then read chunks (size, bytes).
    state = REPLIES["state_idle"]
    write("line_port", "sost_whole", [0, 1, len(state)] + state)
    write("line_port", "sost_bytewise", [0, 1] + [x for b in state for x in (1, b)])
    write("line_port", "param_timeout", [1, 10, 1, 0])
    write("line_port", "read_fails", [2, 1, 0xFF])
    write("line_port", "write_fails", [4, 0xFE])
    write("line_port", "garbage_first", [4, 1, 3, 0xFF, 0x00, 0x7E, 1, 0x06])

    # value_text: raw, kind, digits, decimals, min, max, separators, code.
    for kind in range(10):
        for raw in (0, 1234, -1, 2147483647):
            write("value_text", "kind%d_%d" % (kind, raw & 0xFFFFFFFF),
                  list(struct.pack("<i", raw)) + [kind, 4, 2] + list(struct.pack("<ii", 0, 9999)) +
                  [1, ord(","), 2, 0xC2, 0xA0, 7])


if __name__ == "__main__":
    main()
