#!/usr/bin/env python3
"""Where each step of a square-wave melody starts in a recording.

    steps.py RAW RATE F1/D1,F2/D2,...

RAW is signed 16-bit mono. Frequency 1 is a rest. Prints, per step, its
start in the recording and its deviation from the written time line
(the sum of the durations before it, counted from the first step), and the
delay of the first step from the start of the recording."""
import struct
import sys


def main():
    raw, rate, spec = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    steps = [tuple(int(x) for x in s.split("/")) for s in spec.split(",")]
    data = open(raw, "rb").read()
    samples = struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2])
    threshold = 2000
    crossings = []
    previous = 0
    for i, v in enumerate(samples):
        sign = 1 if v > threshold else (-1 if v < -threshold else 0)
        if sign and sign != previous:
            if previous:
                crossings.append(i)
            previous = sign
    # Half periods between crossings, classified by the nearest step frequency.
    starts = []
    k = 0
    i = 0
    while k < len(steps) and i < len(crossings) - 2:
        f, d = steps[k]
        if f == 1:
            starts.append(None)
            k += 1
            continue
        half = rate / (2.0 * f)
        a, b = crossings[i], crossings[i + 1]
        if abs((b - a) - half) <= max(2, half * 0.1) and abs((crossings[i + 2] - b) - half) <= max(2, half * 0.1):
            # One half period before the first matching crossing is the start.
            starts.append(a - half)
            # Skip to beyond this step's expected end.
            end = a + d * rate / 1000.0 - 3 * half
            while i < len(crossings) and crossings[i] < end:
                i += 1
            k += 1
        else:
            i += 1
    first = starts[0]
    print("first step at %.1f ms into the recording" % (first * 1000.0 / rate))
    worst = 0.0
    elapsed = 0
    for (f, d), s in zip(steps, starts):
        if s is not None:
            dev = (s - first) * 1000.0 / rate - elapsed
            worst = max(worst, abs(dev))
            print("%5d Hz %5d ms  start %8.1f ms  deviation %+6.1f ms" % (f, d, (s - first) * 1000.0 / rate, dev))
        elapsed += d
    if len(starts) < len(steps):
        print("only %d of %d steps found" % (len(starts), len(steps)))
        return 1
    print("worst deviation %.1f ms" % worst)
    return 0


if __name__ == "__main__":
    sys.exit(main())
