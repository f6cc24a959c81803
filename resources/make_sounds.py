#!/usr/bin/env python3
"""Makes the program's sounds as WAVE files.

Usage: make_sounds.py OUTPUT_DIR

All four are 22050 Hz, mono, 16-bit PCM and last between 0.2 and 0.35 s, so
they can be told apart without looking at the screen:

  ok.wav    a rising two-note chime (fix regained, port opened, arrival)
  err2.wav  a falling two-note tone, harsher (fix lost, port closed)
  spd.wav   three quick high beeps (outside the speed limits)
  turn.wav  two middle beeps (a turn ahead)

Every note fades in and out over a few milliseconds: a tone cut off at full
amplitude clicks. Only the standard library is used and nothing random goes
in, so every build produces the same bytes.
"""

import math
import os
import struct
import sys
import wave

RATE = 22050
AMPLITUDE = 0.5 * 32767
FADE_SECONDS = 0.006


def note(freq, seconds, overtone=0.0):
    """One tone with a raised-cosine fade at both ends.

    overtone adds that share of the third harmonic, which makes the tone
    sound sharper without changing its pitch.
    """
    count = int(RATE * seconds)
    fade = max(1, int(RATE * FADE_SECONDS))
    samples = []
    for i in range(count):
        t = i / RATE
        v = math.sin(2 * math.pi * freq * t)
        if overtone:
            v = (v + overtone * math.sin(2 * math.pi * 3 * freq * t)) / (1 + overtone)
        if i < fade:
            v *= 0.5 - 0.5 * math.cos(math.pi * i / fade)
        elif i >= count - fade:
            v *= 0.5 - 0.5 * math.cos(math.pi * (count - 1 - i) / fade)
        samples.append(v)
    return samples


def silence(seconds):
    return [0.0] * int(RATE * seconds)


SOUNDS = {
    "ok.wav": lambda: note(660, 0.10) + note(880, 0.14),
    "err2.wav": lambda: note(494, 0.14, 0.3) + note(330, 0.18, 0.3),
    "spd.wav": lambda: (note(1320, 0.06) + silence(0.04) + note(1320, 0.06)
                        + silence(0.04) + note(1320, 0.06)),
    "turn.wav": lambda: note(1047, 0.09) + silence(0.05) + note(1047, 0.09),
}


def write_wave(path, samples):
    frames = b"".join(struct.pack("<h", int(round(v * AMPLITUDE))) for v in samples)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_sounds.py OUTPUT_DIR\n")
        return 2
    out_dir = argv[1]
    os.makedirs(out_dir, exist_ok=True)
    for name, make in SOUNDS.items():
        write_wave(os.path.join(out_dir, name), make())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
