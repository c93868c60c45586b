#!/usr/bin/env python3
"""Finds which tones a recording holds.

    tones.py RAW RATE EXPECTED [ABSENT]

RAW is mono signed 16-bit little-endian audio. EXPECTED is a comma-separated
list of frequencies in Hz that must each dominate some stretch of the
recording, in that order; ABSENT a list that must never dominate. For every
60 ms window (10 ms apart) the share of the window's power at a frequency is
measured with a Hann-windowed Goertzel filter: 1 for a pure tone, about 0.8
for a square wave's fundamental. Exit status 0 when all holds.
"""
import math
import struct
import sys

WINDOW_S = 0.060
HOP_S = 0.010
PRESENT = 0.55
ABSENT_MAX = 0.30
MIN_WINDOWS = 2


def share(samples, frequency, rate):
    n = len(samples)
    coeff = 2 * math.cos(2 * math.pi * frequency / rate)
    s1 = s2 = 0.0
    energy = 0.0
    for i, x in enumerate(samples):
        x *= 0.5 - 0.5 * math.cos(2 * math.pi * i / (n - 1))
        energy += x * x
        s0 = x + coeff * s1 - s2
        s2, s1 = s1, s0
    power = s1 * s1 + s2 * s2 - coeff * s1 * s2
    return 0.0 if energy < 1e-3 else 3 * power / (n * energy)


def main():
    raw, rate = sys.argv[1], int(sys.argv[2])
    expected = [int(f) for f in sys.argv[3].split(",") if f]
    absent = [int(f) for f in sys.argv[4].split(",") if f] if len(sys.argv) > 4 else []
    data = open(raw, "rb").read()
    count = len(data) // 2
    samples = [s / 32768.0 for s in struct.unpack("<%dh" % count, data[: count * 2])]
    window, hop = int(rate * WINDOW_S), int(rate * HOP_S)
    starts = range(0, max(0, count - window), hop)
    ok = True
    last_first = -1.0
    for f in expected + absent:
        hits = []
        best = 0.0
        for start in starts:
            value = share(samples[start:start + window], f, rate)
            best = max(best, value)
            if value >= PRESENT:
                hits.append(start / rate)
        first = hits[0] if hits else None
        if f in expected:
            good = len(hits) >= MIN_WINDOWS and first > last_first
            if good:
                last_first = first
        else:
            good = best < ABSENT_MAX
        print("%5d Hz: %s, best share %.2f, %d windows, first at %s s"
              % (f, "expected" if f in expected else "absent", best, len(hits),
                 "%.2f" % first if first is not None else "-"))
        ok = ok and good
    print("OK" if ok else "MISMATCH")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
