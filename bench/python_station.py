#!/usr/bin/python3
"""python_station — a station loop written in Python over the C interface:
one thread per line, 20 simulated lines paced at 4800 baud with a 5 ms
turnaround, each polling its two dispensers' four nozzles a cycle at a time.
ctypes lets go of the interpreter lock inside each call, so the lines must
overlap: the slowest line's cycles against the wire limit of its exchanges.
Prints the figures and a row of the table (tab-separated after "ROW")."""

import os
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "python"))
import kavo5000  # noqa: E402

LINES = 20
DISPENSERS = 2            # the simulated line's eight controllers, four nozzles each
NOZZLES = 4
CYCLES = int(sys.argv[1]) if len(sys.argv) > 1 else 5
BAUD = 4800
TURNAROUND_MS = 5
STATE_EXCHANGE_BYTES = 9 + 8  # a state query's frame and its reply
GOAL = 0.97


def exchange_ms(size):
    return size * 10 * 1000 / BAUD


def main():
    limit = DISPENSERS * NOZZLES * (exchange_ms(STATE_EXCHANGE_BYTES) + TURNAROUND_MS)
    with kavo5000.Driver(config=NOZZLES, ports={ch: "sim" for ch in range(1, LINES + 1)}) as d:
        took = {}

        def line(ch):
            d.state(ch, 1, NOZZLES)  # the first exchange of each line warms it up
            start = time.perf_counter()
            for _ in range(CYCLES):
                for dispenser in range(1, DISPENSERS + 1):
                    d.state(ch, dispenser, NOZZLES)
            took[ch] = (time.perf_counter() - start) * 1000 / CYCLES

        threads = [threading.Thread(target=line, args=(ch,)) for ch in range(1, LINES + 1)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        bad = [ch for ch in range(1, LINES + 1) if d.channel_status(ch) != kavo5000.ChannelStatus.VALID]
    worst = max(took.values())
    ratio = limit / worst
    print(f"python station: {LINES} lines x {DISPENSERS * NOZZLES} nozzles, {CYCLES} cycles; "
          f"slowest line's cycle {worst:.1f} ms, limit {limit:.1f} ms: {ratio:.4f}"
          + (f"; lines without a valid reply: {bad}" if bad else ""))
    met = ratio >= GOAL and not bad
    print(f"ROW\tpython station: cycle, slowest of {LINES} lines\t{worst:.1f} ms\t{limit:.1f} ms\t"
          f"{ratio:.4g}\t>= {GOAL} (limit/cycle)\t{'met' if met else 'not met'}")


if __name__ == "__main__":
    main()
