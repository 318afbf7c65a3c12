#!/usr/bin/env python3
"""Synthesises Sonnelith's bundled sample sound: seven seconds of a soft, rich
tone (two voices a fifth apart, each a few detuned partials that swell slowly,
with a breath of filtered noise) as 16-bit stereo 44100 Hz PCM WAV.

Standard library only, and a fixed random seed: running it again gives the
same file. Usage: tools/make-sample-sound.py [OUTPUT.wav]
(default resources/sample/sonnelith-sample.wav).
"""

import math
import os
import random
import struct
import sys
import wave

RATE = 44100
SECONDS = 7.0
ATTACK = 1.2    # seconds of gentle rise
RELEASE = 2.2   # seconds of gentle decay
PEAK = 0.6      # of full scale: soft, with room to spare
NOISE_LEVEL = 0.035
SEED = 20240611

# (fundamental in Hz, level) of the two voices: G3 and the D4 above it.
VOICES = [(196.0, 1.0), (293.66, 0.55)]
PARTIALS = 6


def make_oscillators(rng):
    """Each partial of each voice is a pair of oscillators, one leaning left and
    one right, detuned against each other so the pair beats slowly."""
    oscillators = []
    for fundamental, level in VOICES:
        for n in range(1, PARTIALS + 1):
            amplitude = level / n ** 1.4
            detune = 0.12 * n + rng.uniform(0.0, 0.1)
            for side, sign in ((0, -1.0), (1, 1.0)):
                oscillators.append({
                    "step": 2 * math.pi * (fundamental * n + sign * detune) / RATE,
                    "phase": rng.uniform(0.0, 2 * math.pi),
                    "amplitude": amplitude,
                    "pan": 0.7 if side == 0 else 0.3,  # share sent to the left
                    "swell_step": 2 * math.pi * rng.uniform(0.06, 0.35) / RATE,
                    "swell_phase": rng.uniform(0.0, 2 * math.pi),
                })
    return oscillators


def envelope(t):
    """Raised-cosine attack and release around a flat middle."""
    if t < ATTACK:
        return 0.5 - 0.5 * math.cos(math.pi * t / ATTACK)
    if t > SECONDS - RELEASE:
        return 0.5 + 0.5 * math.cos(math.pi * (t - (SECONDS - RELEASE)) / RELEASE)
    return 1.0


class Breath:
    """White noise through a gentle band-pass (two one-pole filters)."""

    def __init__(self, rng):
        self.rng = rng
        self.low = 0.0
        self.slow = 0.0

    def next(self):
        white = self.rng.uniform(-1.0, 1.0)
        self.low += 0.12 * (white - self.low)      # tames the hiss
        self.slow += 0.004 * (self.low - self.slow)  # removes the rumble
        return (self.low - self.slow) * 2.5


def synthesise():
    rng = random.Random(SEED)
    oscillators = make_oscillators(rng)
    breaths = [Breath(rng), Breath(rng)]
    frames = int(RATE * SECONDS)
    left, right = [], []
    for i in range(frames):
        t = i / RATE
        l = r = 0.0
        for osc in oscillators:
            swell = 0.75 + 0.25 * math.sin(osc["swell_phase"] + osc["swell_step"] * i)
            value = osc["amplitude"] * swell * math.sin(osc["phase"] + osc["step"] * i)
            l += value * osc["pan"]
            r += value * (1.0 - osc["pan"])
        breath_swell = 0.6 + 0.4 * math.sin(2 * math.pi * 0.23 * t)
        l += NOISE_LEVEL * breath_swell * breaths[0].next()
        r += NOISE_LEVEL * breath_swell * breaths[1].next()
        gain = envelope(t)
        left.append(l * gain)
        right.append(r * gain)
    return left, right


def write_wav(path, left, right):
    peak = max(max(abs(v) for v in left), max(abs(v) for v in right))
    scale = PEAK * 32767 / peak
    data = bytearray()
    for l, r in zip(left, right):
        data += struct.pack("<hh", int(round(l * scale)), int(round(r * scale)))
    with wave.open(path, "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(bytes(data))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    default = os.path.join(root, "resources", "sample", "sonnelith-sample.wav")
    path = sys.argv[1] if len(sys.argv) > 1 else default
    left, right = synthesise()
    write_wav(path, left, right)
    print(f"wrote {path}")


if __name__ == "__main__":
    main()
