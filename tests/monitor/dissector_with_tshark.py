#!/usr/bin/env python3
"""The Wireshark dissector read by Debian's tshark on a capture the project
writes: a scripted session on the built-in simulator (a price, a parameter read
and a delivery, one reply spoiled, one controller mute) traced by the tool, turned into a capture by
`kavo5000 decode --trace FILE --pcap OUT`, and dissected. Every record must be
dissected without a Lua error, and each field must equal what
`kavo5000 decode --trace` says of the same bytes.

Usage: dissector_with_tshark.py KAVO5000 DISSECTOR.lua
"""
import json
import os
import re
import subprocess
import sys
import tempfile

from trace_decoded import decode_blocks

TOOL, DISSECTOR = sys.argv[1], sys.argv[2]
FAULTS = "#5:corrupt,#8:mute"
FIELDS = ["kind", "nozzle", "command", "amount", "param_index", "checksum_status", "control",
          "data", "state_r1", "state_r2", "volume", "money", "volume_total", "money_total",
          "type", "param_value", "response_to"]

# What decode --trace's lines say, as the dissector's fields.
FRAME_RULES = [
    ("nozzle", r"^nozzle address (\d+) "),
    ("command", r"^command '(.)'"),
    ("amount", r"^digits \d+ \((\d+\.\d\d)\)"),
    ("param_index", r"^parameter index (\d+)"),
    ("checksum_status", r"^checksum [0-9A-F]{2}: (good|bad)"),
]
REPLY_RULES = [
    ("control", r"^control reply ([0-9A-F]{2}):"),
    ("data", r"^\d+ data bytes: ([0-9A-F ]+?)  \""),
    ("checksum_status", r"^checksum [0-9A-F]{2}: (good|bad)"),
    ("state_r1", r"^state r1 '(.)'"),
    ("state_r2", r"^state r1 '.' \([0-9A-F]{2}\) r2 '(.)'"),
    ("volume", r"^(?:state r1 .*; )?volume (\d+\.\d\d) l"),
    ("money", r"^volume \d+\.\d\d l, money (\d+\.\d\d)"),
    ("volume_total", r"^volume total (\d+\.\d\d) l"),
    ("money_total", r"money total (\d+\.\d\d)"),
    ("type", r"^dispenser type (\d)"),
    ("param_value", r"^parameter \d+ = (\d+)"),
]


def fail(message):
    print("dissector_with_tshark: " + message, file=sys.stderr)
    sys.exit(1)


def read_fields(lines, rules):
    found = {}
    for line in lines:
        for name, pattern in rules:
            m = re.search(pattern, line)
            if m and name not in found:
                found[name] = m.group(1)
    return found


def expected_packets(trace):
    """Each record's fields by decode --trace, in capture order."""
    packets = []
    for block in decode_blocks(TOOL, trace):
        split = next(i for i, l in enumerate(block)
                     if l.startswith(("control reply", "data reply", "no reply", "neither")))
        frame = read_fields(block[:split], FRAME_RULES)
        frame["kind"] = "command frame"
        packets.append(frame)
        if block[split] == "no reply":
            continue
        reply = read_fields(block[split:], REPLY_RULES)
        reply["kind"] = "control reply" if "control" in reply else "data reply"
        if "control" in reply:
            reply["control"] = "0x%02x" % int(reply["control"], 16)
        reply["response_to"] = str(len(packets))
        packets.append(reply)
    return packets


def main():
    work = tempfile.mkdtemp(prefix="kavo5000-tshark-")
    trace, capture = os.path.join(work, "trace.jsonl"), os.path.join(work, "delivery.pcap")
    # A shell on one line: a price, a parameter read, then the delivery.
    script = "price 1 1 45.50\nparam get 1 14\ndeliver 1 1 --volume 0.5\n"
    run = subprocess.run([TOOL, "--trace", trace, "--faults", FAULTS, "shell"], input=script,
                         capture_output=True, text=True, timeout=120)
    if run.returncode != 0:
        fail("the scripted delivery failed: " + run.stdout + run.stderr)
    subprocess.run([TOOL, "decode", "--trace", trace, "--pcap", capture], check=True,
                   capture_output=True)
    args = ["tshark", "-n", "-X", "lua_script:" + DISSECTOR, "-r", capture, "-T", "fields",
            "-E", "separator=\t", "-E", "occurrence=f", "-e", "_ws.lua.error"]
    for name in FIELDS:
        args += ["-e", "kavo5000." + name]
    shark = subprocess.run(args, capture_output=True, text=True, env=dict(os.environ, HOME=work))
    if shark.returncode != 0:
        fail("tshark failed: " + shark.stderr)
    rows = [line.split("\t") for line in shark.stdout.splitlines()]
    want = expected_packets(trace)
    if len(rows) != len(want):
        fail("tshark read %d records, the trace gives %d" % (len(rows), len(want)))
    for name in ("amount", "param_index", "param_value", "volume", "money", "type"):
        if not any(name in w for w in want):
            fail("the script gave no record with a field %s to compare" % name)
    bad_checksums = 0
    for number, (row, expected) in enumerate(zip(rows, want), 1):
        if row[0]:
            fail("record %d: Lua error: %s" % (number, row[0]))
        got = {name: value for name, value in zip(FIELDS, row[1:]) if value}
        if got != expected:
            fail("record %d: the dissector says %s, decode says %s" % (number, got, expected))
        bad_checksums += got.get("checksum_status") == "bad"
    if bad_checksums == 0:
        fail("the spoiled reply's checksum was not found bad")
    print("dissector_with_tshark: %d records dissected, every field as decode says" % len(rows))


main()
