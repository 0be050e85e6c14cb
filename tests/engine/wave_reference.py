#!/usr/bin/env python3
"""A second, deliberately plain model of the wave synthesizer.

Written separately from engine/wave_*.cpp, sample by sample with Python's
unbounded integers and explicit truncations, to cross-check the golden
values in wave_synth_test.cpp. Run it to print them:

    python3 tests/engine/wave_reference.py
"""

SEMITONE_CONSTANTS = [32768, 34589, 36655, 38839, 40900, 43486,
                      46341, 48969, 52017, 54853, 57877, 61856]
TAP_DELAYS = [77, 293, 539, 1079, 1337, 1877, 2413, 3031]
SWEEP = list(range(16)) + list(range(15, -1, -1))
FALL = [1024, 512, 384, 320, 256, 192, 160, 128, 120, 116, 110, 105, 100, 90, 70, 64, 56, 48, 40, 32,
        31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 13,
        12, 12, 11, 11, 10, 10, 9, 9, 8, 8, 8, 8, 7, 7, 7, 7, 6, 6, 6, 6,
        5, 5, 5, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 3, 4, 4, 3, 4, 4,
        3, 4, 3, 4, 3, 4, 3, 4, 3, 3, 3, 3, 3, 3, 3, 3, 3, 2, 3, 3,
        3, 2, 3, 3, 2, 3, 3, 2, 3, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3,
        2, 2, 2, 2, 2, 2, 2, 2, 1, 2, 1, 2, 1, 2, 1, 2, 1, 1, 2, 1,
        1, 1, 2]
assert len(FALL) == 143


def s8(v):
    v &= 0xff
    return v - 256 if v >= 128 else v


def s16(v):
    v &= 0xffff
    return v - 65536 if v >= 32768 else v


def sat8(v):
    return max(-128, min(127, v))


def tdiv(a, b):
    """Division truncated toward zero (C semantics)."""
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def tmod(a, b):
    return a - b * tdiv(a, b)


def tables():
    blocks = []
    for c in SEMITONE_CONSTANTS:
        L = 4194304 // c
        inc = 65280 // L
        saw = [0] * 128
        sq = [0] * 128
        tri = [0] * 128
        for i in range(L):
            a = i * inc
            saw[i] = s8(127 - (a >> 8))
            sq[i] = 127 if i < L // 2 else -128
            v = a >> 7
            t = (v | 1) + 127 if i <= L // 2 else 127 - (v & 254)
            tri[(i - L // 4) % L] = s8(t)
        blocks.append((saw, sq, tri, L))
    return blocks


TABLES = tables()


class Wave:
    """Field names follow the editor captions."""

    def __init__(self, **kw):
        self.chord = [0, 0, 0]
        self.shift = 0
        self.phase_spd = 0
        self.osc = 0
        self.boost = 0
        self.linear = 0
        self.env_sync = 0
        self.copies = 0
        self.phase_min = 0
        self.phase_max = 255
        self.basenote = 0
        self.gain = 64
        self.len_index = 0
        self.mix = 0
        self.attack = 0
        self.delay = 0
        self.decay = 0
        self.sustain = 255
        self.filter = 0
        self.resonance = 0
        self.ramp = 0
        self.f_start = 0
        self.f_min = 0
        self.f_max = 255
        self.f_speed = 0
        self.wet = 0
        self.mod_len = 1
        self.predelay = 0
        self.density = 1
        self.unisono = 0
        self.mod_sync = 0
        for k, v in kw.items():
            assert hasattr(self, k), k
            setattr(self, k, v)


def ramp_of(w, o):
    r = w.ramp * w.ramp if w.ramp > 0 else w.ramp
    if w.linear:
        r *= s16(2 << o) if o >= 0 else 0
    return r * 1024


def table_osc(w, out, v, j, chordless, pas):
    o = v // 12  # Python floors
    s = v - 12 * o
    saw, sq, tri, L = TABLES[s]
    table = [saw, tri, sq][w.osc]
    W = L * 32768
    base = 32768 << o if o >= 0 else 32768 >> -o
    step = base + (base >> (9 - w.unisono)) if pas == 1 else base
    r = ramp_of(w, o)
    acc = 0
    scale = (15 - o) * 8
    pmin = (w.phase_min * 16384 * scale) >> 8
    pmax = (w.phase_max * 16384 * scale) >> 8
    lo, hi = min(pmin, pmax), max(pmin, pmax)
    phase = pmin
    vel = w.phase_spd * 2048
    if pmin > pmax:
        vel = -vel
    pos = ((w.shift * (chordless + j) + w.phase_min) * base) % W
    for i in range(len(out)):
        d = pos - phase
        t = table[0] if d < 0 else table[d >> 15]
        out[i] = sat8(s16(out[i] + ((t * w.gain) >> 7)))
        pos += step
        if pos >= W:
            pos %= W
            n = phase + vel
            phase = min(n, hi)
            if n >= hi:
                vel = -vel
            if phase <= lo:
                phase = lo
                vel = -vel
        if r != 0:
            acc += r
            step = (acc >> 10) + base
            if w.linear:
                r -= r >> 7
            if step < 0 or step >= W:
                step = 0
                r = 0


def noise_osc(w, out, v):
    o = v // 12
    seed = (w.shift + w.phase_min + 1) % 65536
    if o >= 0:
        R = 32768
    else:
        k = 1 - tdiv(v, 12)
        R = 32768 >> k
        R = R + (12 - tmod(-v, 12)) * tdiv(R, 12)
    r = ramp_of(w, o)
    acc = 0
    a = 32768
    h = 0
    n = R
    for i in range(len(out)):
        if a >= 32768:
            t = (seed ^ (seed << 13)) & 0xffff
            t = (t ^ (t >> 9)) & 0xffff
            seed = (t ^ (t << 7)) & 0xffff
            x = s8(seed)
            if a > 32768:
                a = ((a - 32769) % 32768) + 1
            h = s8(out[i] + sat8((x * w.gain) >> 7))
        out[i] = h
        a += n
        if r != 0:
            acc += r
            n = (acc >> 10) + R
            if w.linear:
                r -= r >> 7
            if n < 512:
                n = 512
                r = 0
                a = 0


def filt(w, out):
    if w.filter < 1 or w.filter > 4:
        return
    s0 = s1 = s2 = s3 = 0
    c = w.f_start * 256
    v = w.f_speed * 128
    m = w.f_min * 256
    M = w.f_max * 256
    for b in range(0, len(out), 64):
        n = c + v
        if v <= 0:
            if c >= m and n <= m:
                n = m
                if M != m and v < 0:
                    v = -v
            elif c >= 0 and n <= 0:
                n = 0
                if v < 0:
                    v = -v
        else:
            if c <= M and n >= M:
                n = M
                if M != m:
                    v = -v
            elif c <= 65280 and n >= 65280:
                n = 65280
                v = -v
        c = n
        q = 255 - (c >> 8)
        f = q if w.filter in (1, 3) else 255 - q
        if w.resonance == 0:
            k = f + f
        else:
            k = f + tdiv(f * 256, max(s16(182 - 2 * w.resonance), 54))
        k = s16(k)
        for i in range(b, b + 64):
            x = out[i]
            s0 = s16(s0 + ((s16(((s16(s0 - s1) * k) >> 8) - s0 + x) * f) >> 8))
            s1 = s16(s1 + ((s16(s0 - s1) * f) >> 8))
            s2 = s16(s2 + ((s16(s1 - s2) * f) >> 8))
            s3 = s16(s3 + ((s16(s2 - s3) * f) >> 8))
            y = {1: s3, 2: s3 - x, 3: (s3 - s2 - s1 - s0) >> 1, 4: s0 - s3}[w.filter]
            out[i] = sat8(s16(y))


def modulate(w, out):
    if w.wet == 0:
        return
    for t in range(w.density):
        base = TAP_DELAYS[t] * w.mod_len
        if not w.mod_sync:
            base >>= 2
        pd = w.predelay * (256 if w.mod_sync else 64)
        u = 8 + t
        acc = 0
        for i in range(len(out)):
            acc += u
            D = s16((SWEEP[(acc >> 11) & 31] * 32 + base + pd) >> 6)
            src = out[i - D] if i - D >= 0 else 0
            if t % 2 == 1:
                src = -src
            out[i] = sat8(out[i] + ((src * w.wet) >> 8))


def envelope(w, out):
    if w.attack == 0 and w.sustain == 255:
        return

    def sc(x):
        return sat8(x >> 6) if w.boost else s8(x >> 8)

    N = len(out)
    i = 0
    a = 131072 // w.attack if w.attack else 131072
    rate = a * 16 if w.env_sync else a
    p = 0 if w.attack else 16777216
    while i < N:
        p += rate
        if p > 16777215:
            out[i] = sc(out[i] * 255)
            p = 16777215
            i += 1
            break
        out[i] = sc(out[i] * (p >> 16))
        i += 1
    for _ in range(w.delay * 16 + 1):
        if i >= N:
            break
        out[i] = sc(out[i] * (p >> 16))
        i += 1
    S = w.sustain
    if w.decay == 0:
        while i < N:
            out[i] = sc(out[i] * S)
            i += 1
        return
    d = w.decay
    u = 0 if w.env_sync else d * 4096
    i0 = u >> 16
    lower, upper = FALL[i0], FALL[i0 + 1]
    E = p >> 8
    inc = ((d * d) >> 2) + d
    rate = 0
    sustained = False
    while i < N:
        if not sustained:
            u += inc
            j = (u >> 16) & 0xffff
            if j < 143:
                if j > i0:
                    lower, upper, i0 = upper, FALL[j], j
                rate = s16(lower + (((upper - lower) * ((u >> 8) & 255)) >> 8))
            E -= rate
            if E < S * 256:
                sustained = True
        out[i] = sc(out[i] * (S if sustained else (E >> 8)))
        i += 1


def generate(w):
    N = (w.len_index + 1) * 128
    out = [0] * N
    b = w.basenote
    notes = [b] + [s8(b + c) for c in w.chord]
    chordless = 1 if w.chord == [0, 0, 0] else 0
    passes = 2 if (w.unisono and w.osc != 3) else 1
    for pas in range(passes):
        for j, v in enumerate(notes):
            if j >= 1 and v == b:
                continue
            if w.osc == 3:
                noise_osc(w, out, v)
            else:
                table_osc(w, out, v, j, chordless, pas)
    filt(w, out)
    if w.mod_sync:
        envelope(w, out)
        modulate(w, out)
    else:
        modulate(w, out)
        envelope(w, out)
    return out


def fnv1a(values):
    h = 0x811C9DC5
    for v in values:
        h ^= v & 0xff
        h = (h * 0x01000193) & 0xffffffff
    return h


# The crafted records of wave_synth_test.cpp, in the same order.
GOLDEN = {
    "ChordSawWithRampAndFilter": Wave(chord=[4, 7, 12], shift=9, ramp=-3, filter=1, resonance=40,
                                      f_start=200, f_min=40, f_max=220, f_speed=-20, len_index=3),
    "UnisonoTrianglePhaseSweep": Wave(osc=1, unisono=2, phase_min=10, phase_max=200, phase_spd=90,
                                      basenote=-5, gain=150, len_index=1),
    "NoiseLinearRampEnvelope": Wave(osc=3, basenote=-20, ramp=50, linear=1, shift=3, phase_min=7,
                                    attack=30, delay=2, decay=40, sustain=90, boost=1, len_index=5),
    "SquareModulatorSyncBandpass": Wave(osc=2, chord=[-12, 3, 0], basenote=30, filter=3,
                                        resonance=200, f_start=10, f_speed=127, wet=180,
                                        mod_len=3, predelay=5, density=7, mod_sync=1,
                                        attack=4, env_sync=1, decay=200, sustain=0, len_index=7),
    "HighNotesNotch": Wave(basenote=100, chord=[20, 27, -100], unisono=3, filter=4, f_start=128,
                           f_speed=-128, f_min=100, f_max=100, shift=77, len_index=0),
}


def bench_record(osc_type, lowest):
    """Every stage on at the longest length: the benchmark's record."""
    return Wave(osc=osc_type, chord=[3, 7, 12], unisono=3, ramp=-2, linear=1, basenote=lowest,
                phase_min=20, phase_max=180, phase_spd=30, shift=5, filter=1 + osc_type,
                resonance=60, f_start=30, f_min=10, f_max=240, f_speed=40, wet=120,
                mod_len=2, predelay=3, density=7, attack=20, delay=1, decay=30, sustain=120,
                len_index=255)




def xorshift32(state):
    state ^= (state << 13) & 0xffffffff
    state ^= state >> 17
    state ^= (state << 5) & 0xffffffff
    return state


def random_records(count, seed=2463534242):
    """The random records of the golden sweep: 42 xorshift bytes each, with
    the length index cut to 0..7 so this model stays quick."""
    state = seed
    for _ in range(count):
        raw = []
        for _ in range(42):
            state = xorshift32(state)
            raw.append(state & 0xff)
        raw[25] &= 7
        yield raw


def wave_from_bytes(b):
    sb = s8
    return Wave(chord=[sb(b[14]), sb(b[15]), sb(b[16])], shift=b[17], phase_spd=b[19],
                osc=b[20] & 3, copies=(b[20] >> 2) & 1, boost=(b[20] >> 3) & 1,
                linear=(b[20] >> 4) & 1, env_sync=(b[20] >> 5) & 1, phase_min=b[21],
                phase_max=b[22], basenote=sb(b[23]), gain=b[24], len_index=b[25], mix=b[26],
                attack=b[27], delay=b[28], decay=b[29], sustain=b[30], filter=b[31],
                resonance=b[32], ramp=sb(b[33]), f_start=b[34], f_min=b[35], f_max=b[36],
                f_speed=sb(b[37]), wet=b[38], mod_len=b[39], predelay=b[40], density=b[41] & 7,
                unisono=(b[41] >> 3) & 3, mod_sync=(b[41] >> 5) & 1)


def sweep_hash(count):
    values = []
    for raw in random_records(count):
        values.extend(generate(wave_from_bytes(raw)))
    return fnv1a(values)


if __name__ == "__main__":
    for name, w in GOLDEN.items():
        out = generate(w)
        print(name, len(out), hex(fnv1a(out)), out[:16])
    print("random sweep of 300 records", hex(sweep_hash(300)))
