"""The three sounds, synthesised: 8-bit unsigned mono PCM at 8000 Hz.

228 level cleared: a bright rising four-note jingle.
229 miss: a glassy crash over a falling "womp".
230 mug launched: a clink and a short slide along the wood."""

import io
import math
import wave

RATE = 8000


class Noise:
    """Our own repeatable noise (a linear congruential generator)."""

    def __init__(self, seed):
        self.s = seed

    def __call__(self):
        self.s = (self.s * 1103515245 + 12345) & 0x7FFFFFFF
        return ((self.s >> 8) & 0xFFFF) / 32768.0 - 1.0


def tone(freq, t, shape='sine'):
    ph = (freq * t) % 1.0
    if shape == 'sine':
        return math.sin(2 * math.pi * ph)
    if shape == 'tri':
        return 4 * abs(ph - 0.5) - 1
    # A soft square: the fundamental with a little of its odd harmonics,
    # only those below half the sample rate (the rest would fold back as
    # off-key whistles).
    w = 2 * math.pi * ph
    v = 0.0
    for k, gain in ((1, 1.0), (3, 1 / 3), (5, 1 / 8)):
        if k * freq < RATE * 0.45:
            v += math.sin(k * w) * gain
    return v


def envelope(t, length, attack=0.005, release=0.03):
    if t < attack:
        return t / attack
    if t > length - release:
        return max(0.0, (length - t) / release)
    return 1.0


def to_wav(samples):
    data = bytearray()
    for i, v in enumerate(samples):
        # Fade the first and last few milliseconds so nothing clicks.
        n = len(samples)
        f = min(1.0, i / 40, (n - 1 - i) / 40)
        x = int(round(128 + 110 * max(-1.0, min(1.0, v * f))))
        data.append(max(1, min(255, x)))
    buf = io.BytesIO()
    with wave.open(buf, 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(RATE)
        w.writeframes(bytes(data))
    return buf.getvalue()


def level_cleared():
    notes = [(523.25, 0.09), (659.25, 0.09), (783.99, 0.09), (1046.5, 0.38)]
    out = []
    for freq, length in notes:
        n = int(length * RATE)
        for i in range(n):
            t = i / RATE
            decay = math.exp(-t * (3.0 if length > 0.2 else 6.0))
            v = 0.55 * tone(freq, t, 'square') + 0.25 * tone(freq * 2, t)
            # A little vibrato on the long last note.
            if length > 0.2:
                v = 0.55 * tone(freq * (1 + 0.004 * math.sin(2 * math.pi * 6 * t)), t, 'square') + \
                    0.25 * tone(freq * 2, t)
            out.append(0.7 * v * decay * envelope(t, length))
    return to_wav(out)


def miss():
    noise = Noise(229)
    length = 0.55
    n = int(length * RATE)
    out = []
    phase = 0.0
    lp = 0.0
    for i in range(n):
        t = i / RATE
        # Glass: bright noise that dies within a tenth of a second, with two
        # ringing partials.
        crash = noise() * math.exp(-t * 30) * 0.6
        ring = (math.sin(2 * math.pi * 2350 * t) + math.sin(2 * math.pi * 3170 * t)) * 0.12 * math.exp(-t * 18)
        # The womp: a triangle falling from 330 Hz to 110 Hz.
        freq = 110 + 220 * math.exp(-t * 5)
        phase += freq / RATE
        ph = phase % 1.0
        womp = (4 * abs(ph - 0.5) - 1) * 0.75 * envelope(t, length, 0.02, 0.15)
        lp += 0.5 * (crash - lp)
        out.append(womp * min(1.0, t / 0.05) + crash - 0.5 * lp + ring)
    return to_wav(out)


def mug_launched():
    noise = Noise(230)
    length = 0.2
    n = int(length * RATE)
    out = []
    lp = 0.0
    for i in range(n):
        t = i / RATE
        clink = (math.sin(2 * math.pi * 1760 * t) + 0.6 * math.sin(2 * math.pi * 2640 * t)) * math.exp(-t * 45) * 0.5
        # The slide: low-passed noise, swelling and fading.
        lp += 0.18 * (noise() - lp)
        slide = lp * 2.2 * math.sin(math.pi * min(1.0, t / length))
        out.append(clink + slide)
    return to_wav(out)


def sounds():
    return {228: level_cleared(), 229: miss(), 230: mug_launched()}
