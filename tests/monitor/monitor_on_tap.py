#!/usr/bin/env python3
"""The tool's delivery against `kavo5000 simulate --pty --tap` while
`kavo5000 monitor --json` listens on the tap: every exchange of the tool's own
trace is found in the monitor's lines, in order, the reply paired with its
frame and decoded as `kavo5000 decode --trace` decodes it; with faults injected
each spoiled reply is reported as what it is.

Usage: monitor_on_tap.py KAVO5000
"""
import json
import os
import signal
import subprocess
import sys
import tempfile

from trace_decoded import decode_blocks

TOOL = sys.argv[1]
# Exchange numbers the simulator spoils, and what the monitor must call them.
FAULTS = "#3:corrupt,#6:mute,#9:truncate=3,#12:garbage"
EXPECTED = {"bad checksum", "unanswered command", "broken off", "stray bytes"}


def fail(message):
    print("monitor_on_tap: " + message, file=sys.stderr)
    sys.exit(1)


def main():
    work = tempfile.mkdtemp(prefix="kavo5000-tap-")
    trace = os.path.join(work, "trace.jsonl")
    sim = subprocess.Popen([TOOL, "simulate", "--pty", "--tap", "--faults", FAULTS],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        port = sim.stdout.readline().strip()
        tap = sim.stdout.readline().strip()
        if not port or not tap:
            fail("simulate --tap printed no port and tap")
        monitor = subprocess.Popen([TOOL, "monitor", "--json", "--port", tap],
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        # The monitor says so once it listens: nothing before is missed.
        banner = monitor.stderr.readline()
        if "listening" not in banner:
            fail("monitor did not start: " + banner)
        run = subprocess.run([TOOL, "--port", port, "--trace", trace, "deliver", "1", "1",
                              "--volume", "0.5"], capture_output=True, text=True, timeout=120)
        if run.returncode != 0:
            fail("the delivery failed: " + run.stderr)
        monitor.send_signal(signal.SIGINT)
        out, _ = monitor.communicate(timeout=30)
        if monitor.returncode != 0:
            fail("monitor exited %d" % monitor.returncode)
    finally:
        sim.terminate()
        sim.wait()

    lines = [json.loads(line) for line in out.splitlines()]
    summary = lines.pop()["summary"]
    records = [json.loads(line) for line in open(trace)]
    blocks = decode_blocks(TOOL, trace)
    seen = set()
    at = 0  # the monitor's events are searched forward only: in order
    for number, (record, block) in enumerate(zip(records, blocks), 1):
        frame = record["frame"]
        while at < len(lines) and not (lines[at]["kind"] == "frame" and lines[at]["bytes"] == frame):
            at += 1
        if at == len(lines):
            fail("exchange %d's frame %s is not in the monitor's output after the previous one"
                 % (number, frame))
        command = lines[at]
        decoded = list(command["decoded"])
        at += 1
        # What came back: the events up to the next frame, replies answering this one.
        heard, replies = [], []
        while at < len(lines) and lines[at]["kind"] != "frame":
            event = lines[at]
            seen.update(event["problems"])
            if event["kind"] == "unanswered":
                if event["number"] != command["number"]:
                    fail("an unanswered event names #%d, not #%d" % (event["number"], command["number"]))
            else:
                heard.append(event["bytes"])
                if event["kind"] == "reply":
                    if event.get("answers") != command["number"]:
                        fail("exchange %d: a reply answers %s, not #%d"
                             % (number, event.get("answers"), command["number"]))
                    replies.append(event)
                decoded += event["decoded"]
            at += 1
        received = record["received"]
        if " ".join(heard) != received:
            fail("exchange %d: the monitor heard [%s], the tool received [%s]"
                 % (number, " ".join(heard), received))
        if not received:
            decoded.append("no reply")
        # A reply with noise before it: the tool's decoder reads the bytes as
        # one, the monitor the noise and the reply apart.
        if len(heard) <= 1 and decoded != block:
            fail("exchange %d decoded differently:\n  monitor: %s\n  decode:  %s"
                 % (number, decoded, block))
    missing = EXPECTED - seen
    if missing:
        fail("the injected faults were not all reported: missing " + ", ".join(sorted(missing)))
    if summary["exchanges"] < len(records) - 2:
        fail("the summary counts %d exchanges for %d in the trace" % (summary["exchanges"], len(records)))
    print("monitor_on_tap: %d exchanges found in order, paired and decoded alike; faults seen: %s"
          % (len(records), ", ".join(sorted(seen))))


main()
