#!/usr/bin/python3
"""Independent figures for the regression page and `fenoris-cli regression`.

Reads a dBASE III table with its own reader (no code of the program), takes the rows of one plot and
species, builds the pair (X, Y) as the regression page does (rows with a blank in either column are
left out, then X equal to --missing-x and Y equal to --missing-y), and prints from the definitions:

  N, mean, population standard deviation (divisor N), min and max of X and Y,
  Pearson's r, P = Pr(T <= t) for Student's T with N - 2 degrees of freedom at
  t = sqrt(N - 2) r / sqrt(1 - r^2) (closed form of Abramowitz & Stegun 26.7.3 and 26.7.4),
  and the least-squares polynomial of the given degree, solved exactly in rational arithmetic.

The tests keep the printed figures as literals. Usage:

  scripts/independent-regression.py TABLE.DBF X Y --plot B0206 --species LT \\
      --missing-x 0 --missing-y -1 --degree 2
"""

import argparse
import math
import struct
from fractions import Fraction


def read_dbf(path):
    """The records of a dBASE III file as dicts of stripped texts; deleted records are skipped."""
    with open(path, "rb") as f:
        data = f.read()
    count, header_size, record_size = struct.unpack("<IHH", data[4:12])
    fields = []
    for pos in range(32, header_size - 1, 32):
        if data[pos] == 0x0D:
            break
        name = data[pos:pos + 11].split(b"\0", 1)[0].decode("ascii")
        fields.append((name, data[pos + 16]))
    rows = []
    for i in range(count):
        start = header_size + i * record_size
        record = data[start:start + record_size]
        if record[:1] == b"*":
            continue
        row, offset = {}, 1
        for name, length in fields:
            row[name] = record[offset:offset + length].decode("latin-1").strip()
            offset += length
        rows.append(row)
    return rows


def student_probability(df, t):
    """Pr(T <= t) for Student's T with df degrees of freedom (A&S 26.7.3/26.7.4)."""
    theta = math.atan(t / math.sqrt(df))
    s, c = math.sin(theta), math.cos(theta)
    if df % 2 == 1:
        # A(t|df) = 2/pi (theta + sin(theta) (cos + 2/3 cos^3 + ... + (2*4*...*(df-3))/(1*3*...*(df-2)) cos^(df-2)))
        total = 0.0
        if df > 1:
            term = total = c
            for k in range(3, df - 1, 2):
                term *= (k - 1) / k * c * c
                total += term
        a = 2 / math.pi * (theta + s * total)
    else:
        # A(t|df) = sin(theta) (1 + 1/2 cos^2 + 1*3/(2*4) cos^4 + ... + (1*3*...*(df-3))/(2*4*...*(df-2)) cos^(df-2))
        term, total = 1.0, 1.0
        for k in range(2, df - 1, 2):
            term *= (k - 1) / k * c * c
            total += term
        a = s * total
    return 0.5 + a / 2  # a is odd in t, so this holds for negative t too


def describe(values):
    n = len(values)
    mean = sum(values) / n
    variance = sum((v - mean) ** 2 for v in values) / n
    return n, mean, variance, min(values), max(values)


def solve(matrix, rhs):
    """Exact Gaussian elimination over fractions."""
    n = len(rhs)
    m = [row[:] + [b] for row, b in zip(matrix, rhs)]
    for i in range(n):
        pivot = next(r for r in range(i, n) if m[r][i] != 0)
        m[i], m[pivot] = m[pivot], m[i]
        for r in range(n):
            if r != i and m[r][i] != 0:
                f = m[r][i] / m[i][i]
                m[r] = [a - f * b for a, b in zip(m[r], m[i])]
    return [m[i][n] / m[i][i] for i in range(n)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("table")
    parser.add_argument("x")
    parser.add_argument("y")
    parser.add_argument("--plot")
    parser.add_argument("--species")
    parser.add_argument("--plot-column", default="PLOT")
    parser.add_argument("--species-column", default="SP")
    parser.add_argument("--missing-x")
    parser.add_argument("--missing-y")
    parser.add_argument("--degree", type=int, default=1)
    args = parser.parse_args()

    xs, ys = [], []
    for row in read_dbf(args.table):
        if args.plot is not None and (row[args.plot_column] != args.plot or row[args.species_column] != args.species):
            continue
        if not row[args.x] or not row[args.y]:
            continue
        x, y = Fraction(row[args.x]), Fraction(row[args.y])
        if args.missing_x is not None and x == Fraction(args.missing_x):
            continue
        if args.missing_y is not None and y == Fraction(args.missing_y):
            continue
        xs.append(x)
        ys.append(y)

    nx, mx, vx, minx, maxx = describe(xs)
    _, my, vy, miny, maxy = describe(ys)
    cov = sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / nx
    r = float(cov) / math.sqrt(float(vx) * float(vy))
    t = math.sqrt(nx - 2) * r / math.sqrt(1 - r * r)
    print(f"N {nx}")
    for name, mean, var, lo, hi in (("X", mx, vx, minx, maxx), ("Y", my, vy, miny, maxy)):
        print(f"{name}Mean {float(mean):.15g}")
        print(f"{name}StDev {math.sqrt(float(var)):.15g}")
        print(f"{name}Min {float(lo):.15g}")
        print(f"{name}Max {float(hi):.15g}")
    print(f"R {r:.15g}")
    print(f"P {student_probability(nx - 2, t):.15g}")

    d = args.degree
    matrix = [[sum(x ** (i + j) for x in xs) for j in range(d + 1)] for i in range(d + 1)]
    rhs = [sum(y * x ** i for x, y in zip(xs, ys)) for i in range(d + 1)]
    coef = solve(matrix, rhs)
    residual = sum((y - sum(c * x ** i for i, c in enumerate(coef))) ** 2 for x, y in zip(xs, ys))
    print(f"R2 {1 - float(residual / nx) / float(vy):.15g}")
    for i, c in enumerate(coef):
        print(f"Coef{i} {float(c):.15g}")


if __name__ == "__main__":
    main()
