"""The game's sound effects, synthesised sample by sample."""

import math

from .colour import clamp
from .writers import wav_bytes, wav_layout


def envelope(i, n, attack, release):
    """Raised-cosine fade in and out, exactly zero at both ends."""
    if i <= 0 or i >= n - 1:
        return 0.0
    e = 1.0
    if i < attack:
        e *= 0.5 - 0.5 * math.cos(math.pi * i / attack)
    if n - 1 - i < release:
        e *= 0.5 - 0.5 * math.cos(math.pi * (n - 1 - i) / release)
    return e


def quantise(signal, width):
    if width == 2:
        return [int(round(clamp(v, -1.0, 1.0) * 32767)) for v in signal]
    return [int(round(128 + clamp(v, -1.0, 1.0) * 127)) for v in signal]


def note_env(t, start, attack, decay, stop=None, release=0.006):
    """Envelope of one note: raised-cosine attack, exponential decay and an
    optional raised-cosine cut-off ending at `stop`; zero outside."""
    lt = t - start
    if lt <= 0.0:
        return 0.0
    e = math.exp(-lt * decay)
    if lt < attack:
        e *= 0.5 - 0.5 * math.cos(math.pi * lt / attack)
    if stop is not None:
        left = stop - t
        if left <= 0.0:
            return 0.0
        if left < release:
            e *= 0.5 - 0.5 * math.cos(math.pi * left / release)
    return e


def synth_select(n, rate):
    """Rising two-note blip, bright but round: the tile is picked up."""
    out = []
    for i in range(n):
        t = i / rate
        # G5 leaning slightly upwards, handing over to D6; the notes overlap
        # and each has its own envelope, so the change carries no click
        p1 = 2 * math.pi * 784.0 * (t + 0.125 * t * t)
        a1 = note_env(t, 0.0, 0.004, 10.0, stop=0.056, release=0.010)
        p2 = 2 * math.pi * 1175.0 * t
        a2 = note_env(t, 0.046, 0.008, 13.0)
        v = 0.85 * a1 * (math.sin(p1) + 0.25 * math.sin(2 * p1) + 0.08 * math.sin(3 * p1))
        v += a2 * (math.sin(p2) + 0.25 * math.sin(2 * p2) + 0.08 * math.sin(3 * p2))
        out.append(0.40 * v * envelope(i, n, int(0.002 * rate), int(0.030 * rate)))
    return out


def synth_erase(n, rate):
    """A quick shimmering arpeggio over a soft pop: the run is gone."""
    notes = [1047.0, 1319.0, 1568.0, 2093.0]        # C6 E6 G6 C7
    gap = 0.017
    out = []
    for i in range(n):
        t = i / rate
        v = 0.0
        for k, f in enumerate(notes):
            a = note_env(t, k * gap, 0.003, 26.0)
            if a:
                lt = t - k * gap
                # a small bell: fundamental, octave and a faint inharmonic
                # partial, all well below the Nyquist limit
                v += a * (math.sin(2 * math.pi * f * lt) + 0.30 * math.sin(2 * math.pi * 2.0 * f * lt)
                          + 0.12 * math.sin(2 * math.pi * 2.76 * f * lt))
        # the pop: a short low thump with a falling pitch
        pop = math.exp(-t * 80.0) * math.sin(2 * math.pi * (300.0 * t - 700.0 * t * t))
        out.append((0.30 * v + 0.32 * pop) * envelope(i, n, int(0.002 * rate), int(0.020 * rate)))
    return out


def synth_un(n, rate):
    """A low bloop that falls away: the lift is cancelled."""
    out = []
    ph = 0.0
    dur = n / rate
    for i in range(n):
        t = i / rate
        f = 560.0 * (170.0 / 560.0) ** (t / dur)
        ph += 2 * math.pi * f / rate
        v = math.sin(ph) + 0.18 * math.sin(2 * ph)
        out.append(0.62 * v * envelope(i, n, int(0.005 * rate), int(0.030 * rate)))
    return out


def synth_move(n, rate):
    """A soft wooden tick; it repeats with every cursor step, so it stays mild."""
    out = []
    ph = 0.0
    for i in range(n):
        t = i / rate
        f = 1250.0 - 500.0 * min(1.0, t / 0.02)
        ph += 2 * math.pi * f / rate
        a = math.exp(-t * 140.0)
        v = math.sin(ph) + 0.2 * math.sin(0.5 * ph)
        out.append(0.34 * a * v * envelope(i, n, int(0.0015 * rate), int(0.012 * rate)))
    return out


SOUNDS = [
    # file, total bytes, rate, bytes per sample, seconds, synth
    ('select.wav', 7062, 22050, 2, 0.159, synth_select),
    ('erase.wav', 3414, 22050, 1, 0.128, synth_erase),
    ('un.wav', 944, 11025, 1, 0.081, synth_un),
    ('move.wav', 1092, 22050, 1, 0.039, synth_move),
]


def build_sound(name, total, rate, width, seconds, synth):
    n, extra = wav_layout(total, rate, width, seconds, name.split('.')[0])
    return wav_bytes(quantise(synth(n, rate), width), rate, width, extra)
