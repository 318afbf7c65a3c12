#!/usr/bin/env python3
"""Synthesises Sonnelith's bundled sample sound: three seconds, 16-bit stereo
44100 Hz PCM WAV, made to show what each slider does. Its parts follow one
another, so a grain's place in the file decides what it sounds like:

  0.00 s  a low plucked string (G3), ringing on under what follows
  0.25 s  a singing voice gliding up an octave (D4 to D5) and back to G4,
          with vibrato, moving from the left to the right
  1.40 s  a breath: noise through a resonant band-pass whose centre sweeps
          from 500 Hz up to 3.5 kHz and back, wide in stereo
  1.95 s  two higher plucks (B4, then E5) over the breath

A small scanning range keeps the grains in one of these parts, a large one
mixes them; long grains keep the glide and the plucks recognisable, short ones
turn them into a shimmer; few grains let single attacks through, many blur
them into a texture; the segment length sets how often the track moves on.

Standard library only, and fixed random seeds: running it again gives the
same bytes. Usage: tools/make-sample-sound.py [OUTPUT.wav]
(default resources/sample/sonnelith-sample.wav).
"""

import math
import os
import random
import struct
import sys
import wave

RATE = 44100
SECONDS = 3.0
FRAMES = int(RATE * SECONDS)
PEAK = 0.7          # of full scale: room to spare, never clipped
END_FADE = 0.08     # seconds: the file ends in silence, without a click
SEED = 20261207
BREATH_LEVEL = 0.14
PLUCK_LEVEL = 1.3  # the two late plucks, so they stand out of the breath


def seconds_to_frame(t):
    return int(round(t * RATE))


def raised_cosine(x):
    """0 at x <= 0, 1 at x >= 1, a smooth S between."""
    x = min(max(x, 0.0), 1.0)
    return 0.5 - 0.5 * math.cos(math.pi * x)


class Track:
    """A stereo mix buffer; parts are added into it at a time and a pan."""

    def __init__(self):
        self.left = [0.0] * FRAMES
        self.right = [0.0] * FRAMES

    def add(self, start, values, pan):
        """Adds mono values from frame `start`; pan -1 is left, +1 right
        (a number or a per-value list), with equal-power panning."""
        for i, value in enumerate(values):
            at = start + i
            if at >= FRAMES:
                break
            p = pan[i] if isinstance(pan, list) else pan
            angle = (p + 1.0) * math.pi / 4
            self.left[at] += value * math.cos(angle)
            self.right[at] += value * math.sin(angle)


def pluck(rng, frequency, seconds, brightness, decay):
    """A plucked string (Karplus-Strong): a burst of noise circulating in a
    delay line one period long, softened a little on every pass."""
    period = max(2, int(round(RATE / frequency)))
    # The burst, smoothed by `brightness` (1 keeps it raw, lower is duller).
    line, smooth = [], 0.0
    for _ in range(period):
        smooth += brightness * (rng.uniform(-1.0, 1.0) - smooth)
        line.append(smooth)
    mean = sum(line) / period
    line = [v - mean for v in line]
    out = []
    previous = line[-1]
    for i in range(seconds_to_frame(seconds)):
        value = line[i % period]
        line[i % period] = decay * 0.5 * (value + previous)
        previous = value
        out.append(value)
    return out


def glide_pitch(t):
    """The voice's pitch in Hz, t seconds into it: up an octave from D4 to D5,
    a short hold, then down to G4; vibrato once it has settled in."""
    d4, d5, g4 = 293.66, 587.33, 392.0
    if t < 0.75:
        semitones = 12.0 * raised_cosine(t / 0.75)
        base = d4 * 2 ** (semitones / 12)
    elif t < 0.9:
        base = d5
    else:
        base = d5 * (g4 / d5) ** raised_cosine((t - 0.9) / 0.35)
    vibrato = 0.006 * raised_cosine((t - 0.2) / 0.3) * math.sin(2 * math.pi * 5.5 * t)
    return base * (1.0 + vibrato)


def voice(seconds):
    """A soft, reedy singing voice on the glide: a few harmonics, each
    weaker than the one below, with a gentle swell in and out."""
    out, phase = [], 0.0
    frames = seconds_to_frame(seconds)
    harmonics = [(k, 1.0 / k ** 1.3) for k in range(1, 9)]
    for i in range(frames):
        t = i / RATE
        phase += 2 * math.pi * glide_pitch(t) / RATE
        value = sum(a * math.sin(k * phase) for k, a in harmonics)
        swell = raised_cosine(t / 0.15) * raised_cosine((seconds - t) / 0.3)
        out.append(0.22 * swell * value)
    return out


class BandPass:
    """A state-variable filter's band-pass output, resonance Q 3: airy, but
    clearly pitched."""

    DAMPING = 1.0 / 3.0

    def __init__(self):
        self.low = 0.0
        self.band = 0.0

    def next(self, value, tune):
        high = value - self.low - self.DAMPING * self.band
        self.band += tune * high
        self.low += tune * self.band
        return self.band


def breath(rng, seconds, centre_of):
    """Noise through two band-passes in a row (steep sides, so no hiss far
    from the centre) whose centre frequency follows centre_of(t), with a
    slow swell in and out."""
    out = []
    first, second = BandPass(), BandPass()
    frames = seconds_to_frame(seconds)
    for i in range(frames):
        t = i / RATE
        tune = 2.0 * math.sin(math.pi * centre_of(t) / RATE)
        value = second.next(first.next(rng.uniform(-1.0, 1.0), tune), tune)
        swell = raised_cosine(t / 0.35) * raised_cosine((seconds - t) / 0.45)
        out.append(BREATH_LEVEL * swell * value)
    return out


def breath_centre(t):
    """Up from 500 Hz to 3.5 kHz over 0.8 s, then back down."""
    rise = raised_cosine(t / 0.8) - raised_cosine((t - 0.8) / 0.7)
    return 500.0 * (7.0 ** rise)


def scaled(values, gain):
    return [gain * v for v in values]


def synthesise():
    rng = random.Random(SEED)
    track = Track()

    track.add(seconds_to_frame(0.02), pluck(rng, 196.0, 2.6, 0.6, 0.997), -0.3)

    glide = voice(1.55)
    pan = [-0.6 + 1.2 * i / len(glide) for i in range(len(glide))]
    track.add(seconds_to_frame(0.25), glide, pan)

    # The breath differs between the channels: two noises on one sweep.
    for side in (-0.7, 0.7):
        track.add(seconds_to_frame(1.4), breath(rng, 1.55, breath_centre), side)

    track.add(seconds_to_frame(1.95), scaled(pluck(rng, 493.88, 1.05, 0.8, 0.995), PLUCK_LEVEL), 0.45)
    track.add(seconds_to_frame(2.35), scaled(pluck(rng, 659.26, 0.65, 0.9, 0.994), PLUCK_LEVEL), -0.2)

    end = FRAMES - seconds_to_frame(END_FADE)
    for i in range(end, FRAMES):
        gain = raised_cosine((FRAMES - 1 - i) / (FRAMES - 1 - end))
        track.left[i] *= gain
        track.right[i] *= gain
    return track.left, track.right


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
