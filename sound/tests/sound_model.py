#!/usr/bin/env python3
"""A second, deliberately plain model of the camera sound conversion.

Written straight from the formulas, with none of the shortcuts of
SoundConvert.cpp: single-precision roundings are done on exact rationals,
the accumulator wraps by arithmetic modulo 2^32, the phase is a 64-bit
quotient. SoundConvertTest.cpp holds the figures this prints; run it again
(python3 sound_model.py) to see where they come from.
"""
import math
import struct
from fractions import Fraction


def f32(x):
    """Rounds a double to single precision (one rounding, to nearest even)."""
    return struct.unpack('<f', struct.pack('<f', x))[0]


def f32_exact(q):
    """Rounds an exact rational to single precision (normal range)."""
    if q == 0:
        return 0.0
    sign = -1 if q < 0 else 1
    q = abs(q)
    e = q.numerator.bit_length() - q.denominator.bit_length()
    if Fraction(2) ** e > q:
        e -= 1
    scale = Fraction(2) ** (23 - e)
    m = round(q * scale)  # half to even
    return sign * float(Fraction(m) / scale)


def trunc_to_int16(x):
    v = int(x)  # toward zero
    v &= 0xFFFF
    return v - 0x10000 if v >= 0x8000 else v


# ---- resampler ----

def sinc_table(taps, s, d):
    L = -(-4 * s // d) * d
    M = L // s
    N = (taps + 2) * L // s
    if N % 2 == 0:
        N += 1
    c = (N - 1) // 2
    fc = min(s, d)
    omega = 3.1415925 * fc / L
    h = []
    for k in range(N):
        w = 0.54 - 0.46 * math.cos(k * 6.283185 / (N - 1))
        if k == c:
            v = w / s * fc * 32767
        else:
            t = (k - c) * omega
            turns = math.trunc(t * 0.15915495087284556)
            v = w * math.sin(t - turns * 6.283185) / (s * t) * fc * 32767
        v16 = trunc_to_int16(v)
        h.append(2 * v16)
    return L, M, N, h


def resample(taps, s, d, x):
    L, M, N, h = sinc_table(taps, s, d)
    n = len(x)
    m = n * d // s
    H = taps // 2
    step = (s << 32) // d
    P = 0
    out = []
    for j in range(m):
        I = P >> 32
        F = P & 0xFFFFFFFF
        p = ((F * L) // s) >> 32
        J = M - p
        acc = 0
        for k in range(max(0, I - H), min(n - 1, I + H - 1) + 1):
            acc += x[k] * h[J + (k - I + H) * M]
        acc &= 0xFFFFFFFF
        if acc >= 0x80000000:
            acc -= 0x100000000
        v = acc >> 16  # arithmetic
        if j > 0 and abs(v - out[-1]) > 36864:
            v = -v
            if v == 32768:
                v = -32768
        out.append(v)
        P += step
    return out


# ---- fixed filter ----

def filter_taps():
    centre = struct.unpack('<f', struct.pack('<I', 0x40490FDC))[0]
    raw = []
    for k in range(102):
        if k == 50:
            r = centre
        else:
            r = f32(15 * math.sin(3.141593 * (k - 50)) / (k - 50))
        w = 0.54 - 0.46 * math.cos(0.06220976237623762 * k)
        raw.append(f32(r * w))
    total = 0.0
    for r in raw:
        total += r
    return [f32(r / total) for r in raw]


TAPS = filter_taps()


def fixed_filter(y):
    m = len(y)
    z = [0] * m
    for k in range(101, m):
        acc = 0
        for j in range(101):
            product = f32(float(y[k - j]) * TAPS[j])  # exact in double, one rounding
            acc = trunc_to_int16(f32_exact(Fraction(acc) + Fraction(product)))
        z[k] = acc
    return z


# ---- whole conversion ----

def convert(rate, x, limit=10):
    n = min(len(x), rate * limit)
    x = x[:n]
    y = x if rate == 8000 else resample(64, rate, 8000, x)
    if len(y) % 2:
        y = y + [0]
    z = fixed_filter(y)
    u = [((v + 32768) >> 8) for v in z]
    m = len(u)
    if m >= 80000:
        for j in range(m - 3000, m):
            level = u[j] - 128
            q = abs(level) * (m - j) // 3000
            u[j] = 128 + (q if level >= 0 else -q)
    return u


# ---- sources shared with the C++ tests ----

def lcg_noise(count, seed, amplitude_shift=0):
    out = []
    state = seed
    for _ in range(count):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        v = (state >> 15) & 0xFFFF
        v = v - 0x10000 if v >= 0x8000 else v
        out.append(v >> amplitude_shift)
    return out


def square(count, period, low, high):
    return [high if (i % period) < period // 2 else low for i in range(count)]


def fnv1a(values):
    h = 0x811C9DC5
    for v in values:
        h ^= v & 0xFF
        h = (h * 0x01000193) & 0xFFFFFFFF
    return h


def report(name, rate, x):
    u = convert(rate, x)
    picks = [u[i] for i in (101, 150, 200, 333, len(u) - 2, len(u) - 1)]
    print(f'{name}: count {len(u)} fnv 0x{fnv1a(u):08X} samples {picks}')


if __name__ == '__main__':
    for s in (44100, 48000, 22050, 11025, 16000, 4000, 518):
        L, M, N, h = sinc_table(64, s, 8000)
        print(f'table {s}: L {L} M {M} N {N} centre h {h[(N - 1) // 2]} h[0] {h[0]} h[1] {h[1]}')
    print('filter taps 50/51/49 bits:', ' '.join(
        f'{struct.unpack("<I", struct.pack("<f", TAPS[k]))[0]:08X}' for k in (50, 51, 49)))
    print('filter taps fnv', hex(fnv1a(
        b for t in TAPS for b in struct.pack('<f', t))))
    report('noise 22050', 22050, lcg_noise(11025, 7, 2))
    report('noise 44100', 44100, lcg_noise(22050, 11))
    report('square 44100', 44100, square(22050, 50, -32768, 32767))
    report('noise 11025', 11025, lcg_noise(5513, 3, 4))
    report('noise 8000', 8000, lcg_noise(4000, 5, 1))
    report('square 8000', 8000, square(4000, 16, -30000, 30000))
