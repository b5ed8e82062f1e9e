#!/usr/bin/env python3
"""Writes the Treor, Ito and Cell listings the indexing tests read.

The listings are small, made up for the tests, and laid out in the columns the
parsers cut: run this script from its directory to write them again."""


def col(line, pos, text):
    """Places text at 0-based column pos, padding with blanks."""
    return line.ljust(pos) + text


def write(name, lines):
    with open(name, "w", newline="") as f:
        f.write("\n".join(lines) + "\n")


# --- Treor -----------------------------------------------------------------

def treor_block(single, total, cell, reflections, rejected=()):
    a, b, c, al, be, ga = cell
    out = [
        col("   NUMBER OF SINGLE INDEXED LINES =", 38, "%2d" % single),
        col("   TOTAL NUMBER OF LINES =", 29, "%2d" % total),
        col(col("   A =", 6, "%10.6f" % a) + "  0.000101", 37, "%10.6f" % al) + "  0.000000",
        col(col("   B =", 6, "%10.6f" % b) + "  0.000102", 37, "%10.6f" % be) + "  0.000000",
        col(col("   C =", 6, "%10.6f" % c) + "  0.000103", 37, "%10.6f" % ga) + "  0.000000",
        "",
        "     H   K   L   SST-OBS   SST-CALC   DELTA   2TH.OBS  2TH.CALC",
    ]
    for h, k, l, t in reflections:
        out.append(col(" %4d%4d%4d   0.041234   0.041230" % (h, k, l), 42, "%7.3f" % t) + "  %7.3f" % t)
    for t in rejected:
        out.append(col("                 0.051234", 42, "%7.3f" % t) + "  NOT INDEXED")
    out.append(" NUMBER OF OBS. LINES = %2d" % (len(reflections) + len(rejected)))
    out.append("")
    return out


cubic = (5.431, 5.431, 5.431, 90.0, 90.0, 90.0)
tetra = (4.1234, 4.1234, 6.4321, 90.0, 90.0, 90.0)
ortho = (4.1234, 5.2345, 6.4321, 90.0, 90.0, 90.0)
mono = (4.1234, 5.2345, 6.4321, 90.0, 101.25, 90.0)

refl_trial = [(1, 0, 0, 16.317), (1, 1, 0, 23.146), (1, 1, 1, 28.442)]
refl_cubic = [(1, 1, 1, 28.442), (2, 2, 0, 47.302), (3, 1, 1, 56.121), (4, 0, 0, 69.130)]

lines = [" TREOR90 (stand-in listing for the tests)", ""]
lines += treor_block(3, 4, ortho, refl_trial)
lines += treor_block(2, 4, mono, refl_trial)
lines += [" THIS MAY BE THE SOLUTION !!!", ""]
lines += treor_block(4, 4, cubic, refl_cubic, rejected=[33.011, 38.507])
write("treor_solution.imp", lines)

lines = [" TREOR90 (stand-in listing for the tests)", ""]
lines += treor_block(3, 4, ortho, refl_trial)
lines += treor_block(2, 4, mono, [(2, 1, 0, 36.010)])
lines += treor_block(1, 0, tetra, [(0, 0, 1, 13.760)], rejected=[44.444])
write("treor_trials.imp", lines)

lines = [" TREOR90 (stand-in listing for the tests)", ""]
for n in range(23):
    cell = (4.0 + n / 100.0, 5.2345, 6.4321, 90.0, 90.0, 90.0)
    lines += treor_block(n % 5, 4, cell, [(n, 0, 0, 10.0 + n)])
write("treor_many_trials.imp", lines)

# --- Ito -------------------------------------------------------------------

TABLE_HEADER = "0  TWOTHETA       D       H   K   L     Q"


def standard_table(rows):
    """Blocks of an observed line (marker at 26) and its calculated line."""
    out = []
    for kind, t, hkl in rows:
        if kind == "pair":
            out.append(col(" %9.3f   %6.4f" % (t, 1.5405 / 2 / 0.25), 26, "*OBSERVED"))
            out.append(" %9.3f   %6.4f   %3d %3d %3d   0.1234" % (t + 0.004, 3.1, *hkl))
            out.append("")
        elif kind == "rejected":
            out.append(col(" %9.3f   %6.4f" % (t, 3.2), 26, "*OBSERVED") + "     NOT INDEXED BY ANY")
            out.append("")
    return out


def alt_table(rows):
    """Marker at 30, neighbour lines of three floats and h k l."""
    out = []
    for kind, t, hkl in rows:
        if kind == "pair":
            out.append(col(" %9.3f  %6.4f" % (t, 3.1), 30, "*OBSERVED**"))
            out.append(" %9.3f  %6.4f  0.1040  %3d  %3d  %3d" % (t + 0.004, 3.1, *hkl))
            out.append("")
        else:
            out.append(col(" %9.3f  %6.4f" % (t, 3.1), 30, "*OBSERVED**") + "  UNINDEXED")
            out.append("")
    return out


ito_rows = [("pair", 18.352, (1, 0, 0)), ("pair", 25.004, (1, 1, 0)),
            ("rejected", 27.771, None), ("pair", 30.861, (1, 1, 1))]

four_cells = [(4.8301, 4.8301, 4.8301, 90.0, 90.0, 90.0),
              (4.1234, 4.1234, 6.4321, 90.0, 90.0, 90.0),
              (4.1234, 4.1234, 6.4321, 90.0, 90.0, 120.0),
              (4.1234, 5.2345, 6.4321, 90.0, 101.25, 90.0)]
lines = ["1          Ito data", " ITO13 (stand-in listing for the tests)",
         "0THE  4 BEST SOLUTIONS ARE NOW PRINTED MORE EXTENSIVELY.", "",
         "    Q(A)     Q(B)     Q(C)      Q(D)"]
for k, merit in enumerate((42.5, 30.25, 12.0, 7.75)):
    lines.append(col("  0.04286  0.04286  0.04286  0.00000  0.00000  0.00000  %2d" % k, 67, "%6.2f" % merit))
lines.append("     A        B        C      ALPHA     BETA    GAMMA")
for c in four_cells:
    lines.append(" %8.4f %8.4f %8.4f %8.3f %8.3f %8.3f" % c)
for k in range(4):
    lines += ["1" + " " * 10 + "Ito data" + " " * 92 + "SOLUTION NR %d" % (k + 1),
              "", " LATTICE CONSTANTS", "", " TWOTHETA   D     Q     H    K    L", ""]
    lines += alt_table([("pair", 10.0 + k, (k, 0, 1)), ("rejected", 20.0 + k, None),
                        ("pair", 30.0 + k, (k, 1, 1))])
    lines.append(" ZEROSHIFT IS  0.0000")
write("ito_four.imp", lines)

lines = [" ITO13 (stand-in listing for the tests)",
         "0THE  1 BEST SOLUTIONS ARE NOW PRINTED MORE EXTENSIVELY.",
         " ZEROSHIFT IS  0.0000", TABLE_HEADER, ""]
lines += standard_table(ito_rows)
lines += ["0  M20 = 25.1", "     A        B        C      ALPHA     BETA    GAMMA",
          "   4.8301   4.8301   4.8301   90.000   90.000   90.000"]
write("ito_one.imp", lines)

lines = [" ITO13 (stand-in listing for the tests)",
         "0THE BEST SOLUTION IS NOW USED TO TRY AND INDEX ALL LINES.", TABLE_HEADER, ""]
lines += standard_table(ito_rows)
lines += ["                     THE DIRECT CONSTANTS OF THESE LATTICES",
          "     A        B        C      ALPHA     BETA    GAMMA",
          "   4.1234   5.2345   6.4321   90.000  101.250   90.000"]
write("ito_best.imp", lines)

lines = [" ITO13 (stand-in listing for the tests)",
         "0THE BEST SOLUTION IS NOW USED TO TRY AND INDEX ALL LINES.",
         " TWOTHETA     D       Q       H    K    L", ""]
lines += alt_table([("pair", 12.5, (0, 0, 2)), ("rejected", 19.25, None)])
lines += [" ZEROSHIFT IS  0.0000", "     A        B        C      ALPHA     BETA    GAMMA",
          "   4.1234   5.2345   6.4321   90.000   90.000   90.000"]
write("ito_best_alt.imp", lines)


def lattice(first, lattice_keyword, end, a, c):
    out = [" ITO13 (stand-in listing for the tests)", first, "", lattice_keyword, TABLE_HEADER, ""]
    out += standard_table(ito_rows)
    out += [end, "", " RECIPROCAL CONSTANTS",
            col(col("   0.05880  0.05880  0.02417", 31, "%8.4f" % a), 45, "%8.4f" % c)]
    return out


write("ito_hexagonal.imp", lattice(" HEXAGONAL INDEXING", " THE SYMMETRICAL LATTICE WITH THE  CONSTANTS",
                                   " HEXAGONAL INDEXING", 4.1234, 6.4321))
write("ito_rhombohedral.imp",
      lattice(" RHOMBOHEDRAL INDEXING ON HEXAGONAL AXES",
              " THE RHOMBOHEDRAL LATTICE WITH THE (HEXAGONAL) CONSTANTS",
              " RHOMBOHEDRAL INDEXING ON HEXAGONAL AXES", 5.0011, 13.6542))
# Both hexagonal and tetragonal headings: the later keyword in the search order wins.
write("ito_tetragonal.imp",
      [" HEXAGONAL INDEXING", " NOTHING FOUND", ""] +
      lattice(" TETRAGONAL INDEXING", " THE SYMMETRICAL LATTICE WITH THE  CONSTANTS",
              " TETRAGONAL INDEXING", 3.9051, 4.1502))

# --- Cell ------------------------------------------------------------------

write("cell_cubic.txt", ["   CELLCUB", " CELL (stand-in listing for the tests)", "  *** RESULT ***",
                         "", "[No]  a       V      SG      Z    M     Fn",
                         "[ 1] 5.4310 160.20 Fd-3m 8 84.5 x", "[ 2] 3.8403 56.64 Pm-3m 1 21.0 y",
                         " end of list", "[ 3] 9.9999 1.0 P1 1 1.0 z"])


def uniaxial(code, rows):
    out = [code, " CELL (stand-in listing for the tests)", " RESULT"]
    for a, c, merit, sg in rows:
        line = col(col(col(col("   ", 3, "%7.4f" % a), 17, "%7.4f" % c), 56, "%3d" % merit), 69, sg)
        out.append(line)
        out.append("")
    return out


write("cell_tetragonal.txt", uniaxial("CELLTET", [(4.1234, 6.4321, 87, "P4/mmm"), (3.9051, 4.1502, 45, "I4/mcm")]))
write("cell_hexagonal.txt", uniaxial("CELLHEX", [(3.2094, 5.2108, 92, "P63/mmc")]))


def ortho_line(a, b, c, merit, sg):
    return col(col(col(col(col("a ", 2, "%7.4f" % a), 14, "%7.4f" % b), 26, "%7.4f" % c), 60, "%3d" % merit), 70, sg)


write("cell_orthorhombic.txt",
      ["CELLO", " RESULT", " candidates", ortho_line(4.1234, 5.2345, 6.4321, 77, "Pnma"),
       " b 1.0 2.0 3.0 not a solution line", ortho_line(5.0, 6.0, 7.0, 12, "Pbca")])


def mono_line(a, b, c, beta, merit, sg):
    line = col(col(col(col("a ", 2, "%7.4f" % a), 12, "%7.4f" % b), 22, "%7.4f" % c), 35, "%7.3f" % beta)
    return col(col(line, 63, "%3d" % merit), 71, sg)


write("cell_monoclinic.txt",
      ["CELLMB ", "RESULTS", mono_line(4.1234, 5.2345, 6.4321, 101.25, 66, "P21/c")])
