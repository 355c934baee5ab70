"""Checks `fenoris-cli report` against figures worked out here from the bytes of the table alone.

Generates a table, writes its report, and for 20 plot and species pairs drawn at random (seeded) from
summary.csv recomputes every figure from the dBASE file and its side files read byte by byte, without
the program's reader: trees, first and last year with statistics, the means of both, the share over
25 %, the dead share, the living trees of both years, Mann-Kendall S and p, Sen's slope and its
interval over the years with living trees, and the homogeneity chi2, df and p of the transition
matrices (the Monte Carlo p is not recomputed). A year without living trees has no mean. Integers must be equal; a number must be the one worked out here, written to the precision
of its column (to 1e-9 relative once rounded alike). Exits 1 and names every difference otherwise.

Usage: report_pairs.py FENORIS-CLI"""
import csv
import math
import os
import random
import statistics
import struct
import subprocess
import sys
import tempfile

INTERVAL = 2
MIN_TREES = 8
PAIRS = 20


def read_dbf(path):
    """The records of a dBASE III table as lists of field texts (None for a blank), deleted ones left out."""
    data = open(path, "rb").read()
    count, header_size, record_size = struct.unpack("<IHH", data[4:12])
    fields, at = [], 32
    while data[at] != 0x0D:
        name = data[at:at + 11].split(b"\0")[0].decode("ascii")
        fields.append((name, chr(data[at + 11]), data[at + 16]))
        at += 32
    records = []
    for r in range(count):
        record = data[header_size + r * record_size:header_size + (r + 1) * record_size]
        if record[0:1] == b"*":
            continue
        values, offset = {}, 1
        for name, kind, width in fields:
            text = record[offset:offset + width].decode("latin-1")
            offset += width
            values[name] = text.rstrip() if kind == "C" else (text.strip() or None)
        records.append(values)
    return [f[0] for f in fields], records


def side_lines(path):
    return open(path, "rb").read().decode("latin-1").replace("\r\n", "\n").split("\n")[1:]


def round_half_even(x):
    return round(x)  # Python rounds halves to the even neighbour


def defoliation_class(value):
    c = round_half_even(value / 20)
    return c if 0 <= c <= 5 else None


def year_statistics(values):
    """Mean of the living trees and dead share of one year, or None when it has no statistics."""
    living = [v for v in values if v is not None and 0 <= v < 100]
    dead = sum(1 for v in values if v is not None and v >= 100)
    if len(living) + dead <= 4:
        return None
    # A year whose trees are all dead has no mean (AVERAGE.DBF keeps 0, the report nothing).
    mean = sum(living) / len(living) if living else None
    return mean, 100 * dead / (dead + len(living)), living


def chi2_upper(x, df):
    """The upper tail of the chi-square distribution with an integer df, by its closed forms."""
    h = x / 2
    if df % 2 == 0:
        terms = [math.exp(k * math.log(h) - h - math.lgamma(k + 1)) if h > 0 else float(k == 0)
                 for k in range(df // 2)]
        return math.fsum(terms)
    terms = [math.erfc(math.sqrt(h))]
    terms += [math.exp((k - 0.5) * math.log(h) - h - math.lgamma(k + 0.5)) for k in range(1, (df - 1) // 2 + 1)
              if h > 0]
    return math.fsum(terms)


def homogeneity(trees, years):
    """Anderson-Goodman chi2, df and p over the matrices of year pairs INTERVAL apart (all None: fewer
    than two matrices; p None: df 0)."""
    if len(trees) < 5:
        return None, None, None
    matrices = []
    for i, first in enumerate(years):
        for j, second in enumerate(years):
            if second - first != INTERVAL:
                continue
            count = [[0] * 6 for _ in range(6)]
            for values in trees:
                a, b = values[i], values[j]
                if a is None or b is None:
                    continue
                ca, cb = defoliation_class(a), defoliation_class(b)
                if ca is not None and cb is not None:
                    count[ca][cb] += 1
            if any(map(any, count)):
                matrices.append(count)
    if len(matrices) < 2:
        return None, None, None
    chi2, df = 0.0, 0
    for i in range(6):
        rows = [m[i] for m in matrices if sum(m[i]) > 0]
        if not rows:
            continue
        pooled = [sum(r[j] for r in rows) for j in range(6)]
        total = sum(pooled)
        used = [j for j in range(6) if pooled[j] > 0]
        for r in rows:
            n = sum(r)
            for j in used:
                expected = pooled[j] / total
                chi2 += n * (r[j] / n - expected) ** 2 / expected
        df += (len(rows) - 1) * (len(used) - 1)
    return chi2, df, (chi2_upper(chi2, df) if df > 0 else None)


def trend(means):
    """Mann-Kendall S and two-sided p (None when every mean is the same), Sen's slope and its interval
    at 95 % (ranks round((N -+ C) / 2) and round((N + C) / 2 + 1) of the N sorted slopes)."""
    values = [m for _, m in means]
    n = len(values)
    if n < 4:
        return None, None, None, None, None
    s = sum((values[l] > values[k]) - (values[l] < values[k]) for k in range(n) for l in range(k + 1, n))
    groups = {}
    for v in values:
        groups[v] = groups.get(v, 0) + 1
    variance = (n * (n - 1) * (2 * n + 5) - sum(t * (t - 1) * (2 * t + 5) for t in groups.values())) / 18
    p = None
    if variance > 0:
        z = (s - (s > 0) + (s < 0)) / math.sqrt(variance)
        p = math.erfc(abs(z) / math.sqrt(2))
    slopes = sorted((means[l][1] - means[k][1]) / (means[l][0] - means[k][0])
                    for k in range(n) for l in range(k + 1, n))
    half = len(slopes) // 2
    sen = slopes[half] if len(slopes) % 2 else (slopes[half - 1] + slopes[half]) / 2
    lo = hi = None
    if variance > 0:
        c = statistics.NormalDist().inv_cdf(0.975) * math.sqrt(variance)
        # Half away from zero, as the program rounds (Python's round goes to even).
        rank_lo = math.floor((len(slopes) - c) / 2 + 0.5)
        rank_hi = math.floor((len(slopes) + c) / 2 + 1 + 0.5)
        if rank_lo >= 1 and rank_hi <= len(slopes):
            lo, hi = slopes[rank_lo - 1], slopes[rank_hi - 1]
    return s, p, sen, lo, hi


def figures(trees, years):
    """The summary.csv fields from trees on, as numbers (None for an empty field)."""
    if len(trees) < 5:
        stats = [None] * len(years)
    else:
        stats = [year_statistics([t[y] for t in trees]) for y in range(len(years))]
    with_stats = [y for y in range(len(years)) if stats[y] is not None]
    out = {"trees": len(trees)}
    keys = ["first_year", "last_year", "mean_first", "mean_last", "share_over_25", "dead_last", "mk_s",
            "mk_p", "sen_slope", "living_first", "living_last", "trend_years", "sen_lo", "sen_hi"]
    out.update(dict.fromkeys(keys))
    if with_stats:
        first, last = with_stats[0], with_stats[-1]
        out["first_year"], out["last_year"] = years[first], years[last]
        out["mean_first"], out["mean_last"] = stats[first][0], stats[last][0]
        out["dead_last"] = stats[last][1]
        living = [t[last] for t in trees if t[last] is not None and 0 <= t[last] < 100]
        if living:
            out["share_over_25"] = 100 * sum(1 for v in living if v > 25) / len(living)
        out["living_first"], out["living_last"] = len(stats[first][2]), len(stats[last][2])
        # The trend runs over the years with living trees.
        means = [(years[y], stats[y][0]) for y in with_stats if stats[y][0] is not None]
        out["trend_years"] = len(means)
        out["mk_s"], out["mk_p"], out["sen_slope"], out["sen_lo"], out["sen_hi"] = trend(means)
    out["homogeneity_chi2"], out["homogeneity_df"], out["homogeneity_p"] = homogeneity(trees, years)
    return out


# How summary.csv writes each column: "i" an integer, a number of decimals, or "g6" six significant
# digits.
FORMATS = {"trees": "i", "first_year": "i", "last_year": "i", "mean_first": 3, "mean_last": 3,
           "share_over_25": 3, "dead_last": 3, "mk_s": "i", "mk_p": "g6", "sen_slope": 4,
           "homogeneity_p": "g6", "living_first": "i", "living_last": "i", "trend_years": "i", "sen_lo": 4,
           "sen_hi": 4, "homogeneity_chi2": "g6", "homogeneity_df": "i"}


def differs(written, mine, form):
    if mine is None or written == "":
        return (mine is None) != (written == "")
    if form == "i":
        return written != str(mine)
    rounded = float(("%.6g" % mine) if form == "g6" else ("%.*f" % (form, mine)))
    value = float(written)
    return abs(value - rounded) > 1e-9 * max(abs(rounded), 1e-300)


def main():
    cli = sys.argv[1]
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        table = os.path.join(work, "T.dbf")
        subprocess.run([cli, "generate", table, "--trees", "6000", "--plots", "150", "--years", "14",
                        "--seed", "25"], check=True, stdout=subprocess.DEVNULL)
        subprocess.run([cli, "report", table, "--out", os.path.join(work, "report"), "--interval",
                        str(INTERVAL), "--min-trees", str(MIN_TREES), "--jobs", "2"],
                       check=True, stdout=subprocess.DEVNULL)
        columns, records = read_dbf(table)
        roles = side_lines(os.path.join(work, "T.var"))
        year_texts = side_lines(os.path.join(work, "T.yrs"))
        plot_column = columns[roles.index("PlotNames")]
        species_column = columns[roles.index("Species")]
        year_columns = [(int(y), columns[c]) for c, y in enumerate(year_texts[:len(columns)]) if y.strip("-")]
        years = [y for y, _ in year_columns]
        pairs = {}
        for record in records:
            values = [None if record[c] is None else int(record[c]) for _, c in year_columns]
            pairs.setdefault((record[plot_column], record[species_column]), []).append(values)

        with open(os.path.join(work, "report", "summary.csv"), newline="") as f:
            rows = list(csv.DictReader(f))
        # Every pair with enough trees has its row, and no other.
        expected = sorted(p for p, trees in pairs.items() if len(trees) >= MIN_TREES)
        if sorted((r["plot"], r["species"]) for r in rows) != expected:
            print("summary.csv does not hold the pairs with at least", MIN_TREES, "trees")
            failures += 1
        chosen = random.Random(20261211).sample(rows, PAIRS)
        with_p = 0
        for row in chosen:
            mine = figures(pairs[(row["plot"], row["species"])], years)
            with_p += mine["homogeneity_p"] is not None
            for column, form in FORMATS.items():
                if differs(row[column], mine[column], form):
                    print("%s %s %s: written %r, worked out %r" % (row["plot"], row["species"], column,
                                                                    row[column], mine[column]))
                    failures += 1
        if with_p < PAIRS // 2:
            print("only", with_p, "of the pairs have a homogeneity p: the check says little")
            failures += 1
    print("checked", PAIRS, "pairs,", failures, "differences")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
