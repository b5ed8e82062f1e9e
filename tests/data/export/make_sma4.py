#!/usr/bin/env python3
"""Writes the two expected Sma4 files, typed out line by line.

raw5_mono.smp: the 5-point measured pattern of MakePattern(5), black and
white, default display settings and range (0..100 by 0..8000, ticks 10 and
1000). fit2_colour.smp: MakeFit(1, 4, 2, 2) in colour. Line ends become
CR LF and @MINCHO@ the Shift-JIS face name.
"""
import os

HEAD = """ Sma4Win ver. 1.7  SMP file

1 1 210 297 1 0 2
"""

def block(name, rows, style4, style5, colour, refl, ylines):
    return (f"[{name}.dat]\nc:\\windowds\\temp\\{name}.dat\n0 0 0 0 0 1 {rows} 0 -1\n"
            f"{style4}\n{style5}\n0 0 1 0 0 0 {colour} 5\n{'0 1' if refl else '0 0'}\nx\n"
            f"{ylines}\n1 40 0 300 1\n\n\n")

def axes(x, frame, base):
    return f"""[GRAPH]
5000 2100 22300 14800
100 1 0 0 1 0
40 {frame} 300 {base}

[AXIS-0]
{x} 0 0 10000 -1 -1 0 1 0 0 1 5 5 1 1
2 0 0 0 1 1 0 0 0 300 100
-1800 0 0 0 400 0 0 0 0 3 2 1 18
Times New Roman
1 0 300 40 0 300 1
1 0 150 20 0 300 1

[AXIS-1]
-2000 8000 1000 0 0 10000 -1 -1 0 1 0 0 1 5 5 1 1
2 0 0 0 1 1 0 0 0 1200 100
-1800 0 0 0 400 0 0 0 0 3 2 1 18
Times New Roman
1 0 300 40 0 300 1
1 0 300 20 0 300 1

[AXIS-2]
{x} 0 0 10000 -1 -1 0 1 0 0 1 5 5 1 1
2 0 0 0 1 0 0 0 0 900 100
-1800 0 0 0 400 0 0 0 0 0 0 2 18
Times New Roman
0 0 300 40 0 300 1
0 0 300 40 0 300 1

[AXIS-3]
-1500 8500 1000 0 0 10000 -1 -1 0 1 0 0 1 5 5 1 1
5 0 1 0 1 0 0 0 0 0 100
-1800 0 0 0 400 0 0 0 0 0 0 2 18
Times New Roman
0 0 300 40 0 300 1
0 0 300 40 0 300 1

[LEGEND]
2
4
10000 16400 0 1
2%Gq%A / deg
-1800 0 0 0 400 0 0 0 0 3 2 1 18
Times New Roman
-1800 0 0 0 400 0 0 0 128 3 2 1 17
@MINCHO@

5
-1800 8900 0 1
Intensity / cps
-1800 0 -900 900 400 0 0 0 0 3 2 1 18
Times New Roman
-1800 0 -900 900 400 0 0 0 128 3 2 1 17
@MINCHO@

[OTHERS]
 2
0 0 0 0 0 0 0 0 0
-776 0 0 0 400 0 0 0 2 3 2 1 18
Symbol

[MASKS]
 0
0
0

[DATA]
"""

PLAIN_Y = "y\n0 0 0 0 0 0 0 0 0"

raw = (HEAD + "1\n" +
       block("Obs1", 5, "40 0 300 0 0 0 0", "0 1 100 0", 0, False, PLAIN_Y) +
       axes("0 100 10", 0, 16777215) +
       """[Obs1.dat] 1999-12-31 23:59:59
    10.000        2920
    10.020         838
    10.040        3758
    10.060        1676
    10.080        4596
[End of Data]

""")

fit = (HEAD + "5\n" +
       block("Obs1", 4, "40 0 300 0 0 0 0", "0 1 100 255", 255, False, PLAIN_Y) +
       block("Cal1", 4, "40 16711680 300 0 0 0 0", "1 0 300 0", 16711680, False, PLAIN_Y) +
       block("Dif1", 4, "40 0 300 0 0 0 0", "0 1 100 65280", 65280, False, PLAIN_Y) +
       block("Ref1", 2, "40 0 300 0 0 0 0", "0 13 40 65535", 65535, True,
             "y-320\n0 0 0 0 0 0 0 0 -320") +
       block("Ref2", 2, "40 0 300 0 0 0 0", "0 13 40 65535", 65535, True,
             "y-666\n0 0 0 0 0 0 0 0 -666") +
       axes("20 30 2", 65535, 0) +
       """[Obs1.dat] 1999-12-31 23:59:59
    20.000        1100
    20.500        1200
    21.000        1300
    21.500        1400
[End of Data]

[Cal1.dat] 1999-12-31 23:59:59
    20.000        1090
    20.500        1190
    21.000        1290
    21.500        1390
[End of Data]

[Dif1.dat] 1999-12-31 23:59:59
    20.000       -1270
    20.500       -1270
    21.000       -1270
    21.500       -1270
[End of Data]

[Ref1.dat] 1999-12-31 23:59:59
    22.750         213
    24.250         213
[End of Data]

[Ref2.dat] 1999-12-31 23:59:59
    23.750         213
    25.250         213
[End of Data]

""")

here = os.path.dirname(os.path.abspath(__file__))
mincho = bytes([0x82, 0x6C, 0x82, 0x72, 0x81, 0x40, 0x96, 0xBE, 0x92, 0xA9])
for name, text in (("raw5_mono.smp", raw), ("fit2_colour.smp", fit)):
    data = text.replace("\n", "\r\n").encode("ascii").replace(b"@MINCHO@", mincho)
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
