#!/usr/bin/env python3
"""Writes the default alarm sound "törö.wav": a soft two-note horn call
("tö-rö", D5 then G5), twice, with a short pause. Standard library only.

    python3 tools/make-toeroe-wav.py data/törö.wav
"""
import math
import struct
import sys
import wave

RATE = 44100
# Relative strengths of the harmonics: a mellow, horn-like timbre.
HARMONICS = (1.0, 0.35, 0.18, 0.08)


def note(frequency, seconds, volume=0.55):
    count = int(RATE * seconds)
    attack = int(RATE * 0.025)
    release = int(RATE * 0.12)
    norm = sum(HARMONICS)
    samples = []
    for i in range(count):
        t = i / RATE
        value = sum(a * math.sin(2 * math.pi * frequency * (k + 1) * t)
                    for k, a in enumerate(HARMONICS)) / norm
        if i < attack:
            envelope = i / attack
        elif i > count - release:
            envelope = (count - i) / release
        else:
            envelope = 1.0 - 0.25 * (i - attack) / count
        samples.append(value * envelope * volume)
    return samples


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "törö.wav"
    call = note(587.33, 0.28) + silence(0.04) + note(783.99, 0.5)
    samples = call + silence(0.25) + call + silence(0.1)
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", round(s * 32767)) for s in samples))


if __name__ == "__main__":
    main()
