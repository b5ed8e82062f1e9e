#!/usr/bin/env python3
"""Writes the expected export files for the small test patterns.

Kept apart from the program on purpose: the layouts are rebuilt here from
the formats' own rules with Python's % conversions, so a fault in the C++
writer does not carry over into what it is compared with. The patterns must
match MakePattern() in tests/export/export_fixtures.cpp (single-precision
arithmetic, rounded after every operation as the C++ float code does).
"""
import struct
import os

def f32(v):
    return struct.unpack('f', struct.pack('f', v))[0]

def pattern(n):
    obs = [None]
    for i in range(1, n + 1):
        x = f32(f32(10.0) + f32(f32(0.02) * f32(i - 1)))
        y = f32(float((i * 7919) % 5000) + (0.5 if i % 2 else 0.25))
        obs.append((x, y))
    smoothed = [None] + [(x, f32(y + f32(0.75))) for (x, y) in obs[1:]]
    step = f32(obs[2][0] - obs[1][0])
    return obs, smoothed, step

def select(n, data_type):
    obs, smoothed, step = pattern(n)
    if data_type in (0, 1):
        pts, first, last = obs, 1, n
    else:
        pts, first, last = smoothed, 3, n - 2   # smoothFirst, smoothLast of the fixture
    count = last - first + 1
    x1, xn = pts[first][0], pts[last][0]
    if data_type in (1, 3):
        sel = [pts[first + 2 * k] for k in range(count // 2)]
        step = f32(2 * step)
    else:
        sel = [pts[k] for k in range(first, last + 1)]
    return sel, x1, xn, step

CRLF = '\r\n'

def lines_of(vals, per, fmt):
    out = ''
    for k, v in enumerate(vals):
        out += fmt % v
        if (k + 1) % per == 0:
            out += CRLF
    return out

def rietan_normal(sel, x1, xn, step, dt):
    return ('%4d     %8.4f    %8.4f' % (len(sel), x1, step) + CRLF +
            lines_of([y for _, y in sel], 10, '%8.0f') + CRLF)

def rietan_general(sel, x1, xn, step, dt):
    return 'GENERAL' + CRLF + '%d' % len(sel) + CRLF + ''.join(
        '%8.4f    %8.0f' % p + CRLF for p in sel)

def gsas(sel, x1, xn, step, dt):
    n = len(sel)
    r = n // 10 + (1 if n % 10 else 0)
    bank = 'BANK 1 ' + '%5d' % n + ' ' + '%4d' % r + ' CONST ' + '%5.0f' % f32(x1 * 100) + \
        ' ' + '%4.1f' % f32(step * 100) + ' ' + '0 0 STD'
    bank = bank.ljust(80)
    ys = [y for _, y in sel] + [0.0] * (r * 10 - n)
    return 'GSAS Intensity Data ' + '*' * 60 + CRLF + bank + CRLF + lines_of(ys, 10, '%8.0f')

def fullprof(sel, x1, xn, step, dt):
    return '%8.4f  %8.4f  %8.4f' % (x1, step, xn) + CRLF + lines_of([y for _, y in sel], 10, '%8.0f')

def dbw(sel, x1, xn, step, dt):
    out = '%7.3f %7.3f %7.3f' % (x1, step, xn)
    out += '%s%7.3f' % (' DBW data'.ljust(41), xn if dt in (2, 3) else x1) + CRLF
    for k, (x, y) in enumerate(sel):
        if (k + 1) % 8 == 0:
            out += '%7.0f %7.3f' % (y, x) + CRLF
        else:
            out += '%7.0f' % y
    return out

def powderx(sel, x1, xn, step, dt):
    return 'PowderX (x,y)' + CRLF + '%d' % len(sel) + CRLF + ''.join(
        '%8.4f    %8.0f' % p + CRLF for p in sel)

def xy(sel, x1, xn, step, dt):
    return ''.join('%8.4f  %8.0f' % p + CRLF for p in sel)

LAYOUTS = {0: ('rietan', rietan_normal), 1: ('rietan_general', rietan_general),
           2: ('gsas', gsas), 3: ('fullprof', fullprof), 4: ('rietica', fullprof),
           5: ('dbw', dbw), 6: ('powderx', powderx), 7: ('xy', xy)}
SUPPORTED = {0: (0, 1, 2, 3), 1: (0, 1, 2, 3), 2: (0, 2), 3: (0, 2), 4: (0, 2), 5: (0, 2),
             6: (0,), 7: (0, 2)}

here = os.path.dirname(os.path.abspath(__file__))
# 25 points: every supported combination; the others aim at line and record
# boundaries (multiples of ten and of eight) and at odd two-stepped counts.
CASES = [(25, fmt, dt) for fmt, types in SUPPORTED.items() for dt in types]
CASES += [(20, f, 0) for f in (0, 2, 3, 5)] + [(16, 5, 0), (16, 5, 2), (16, 2, 0)]
CASES += [(10, f, dt) for f in (0, 1) for dt in (1, 3)] + [(11, 0, 1), (11, 1, 1), (11, 0, 3)]
for n, fmt, dt in CASES:
    name, fn = LAYOUTS[fmt]
    sel, x1, xn, step = select(n, dt)
    path = os.path.join(here, '%s_%d_type%d.txt' % (name, n, dt))
    with open(path, 'wb') as f:
        f.write(fn(sel, x1, xn, step, dt).encode('ascii'))
