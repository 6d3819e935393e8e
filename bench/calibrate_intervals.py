"""Calibration of the 95 % intervals: how often they hold the truth on simulated records.
    PYTHONPATH=build/python /usr/bin/python3 bench/calibrate_intervals.py [SCALE]
SCALE (default 1) multiplies the number of records of every table.

Records: eccentricity-modulated precession (the four target precession periods, whose beats
are the eccentricity periods) and obliquity (41 kyr) at random phases, laid on depth 4 cm apart
at a known rate history, plus AR(1) noise; SNR is the signal's variance over the noise's.
Fixed seeds throughout.

1. timeopt: constant rates drawn between 1.5 and 3 cm/kyr, 600 samples, 100 surrogates; the
   share of the records significant at 0.05 whose interval holds the true rate.
2. etimeopt: a constant rate and a ramp, 1200 samples, windows of 400 samples that do not
   overlap, 50 surrogates per window; in a window the true rate is its thickness over its
   duration.
3. trace: the obliquity line of constant-rate records (1200 samples, windows of 300 samples
   stepped by 100, 4 tapers, tbw 3) traced from its true frequency; the share of the rows whose
   frequency interval holds it: over all rows, over the rows flagged ok, and over the rows still
   on the line (traced within a quarter of the half-bandwidth of it: elsewhere the trace has
   left the line, and its interval is about another).
4. The same records' timeopt intervals on grids of 100 and 300 rates: how far they differ.
5. timeopt on signals the power fit does not hold whole or holds too well: without obliquity,
   and with precession modulated by a product, whose side bands lie off the target periods.
"""
import sys

import numpy as np

import tonalith

SCALE = float(sys.argv[1]) if len(sys.argv) > 1 else 1.0
PRECESSION = [23.62069, 22.31868, 19.06768, 18.91979]
ECCENTRICITY = [405.6795, 130.719, 123.839, 98.86307, 94.87666]
AMPLITUDES = [1.0, 0.75, 0.6, 0.45]
OBLIQUITY, OBLIQUITY_AMPLITUDE = 41.0, 0.6
SPACING = 0.04  # metres


def orbital(t, rng, kind="beats"):
    """Precession modulated by its own beats, and obliquity, at times t (kyr), unit variance.
    kind "bare": without obliquity; "product": precession times (1 + 0.3 eccentricity), whose
    side bands are not the target periods, with obliquity."""
    s = sum(a * np.cos(2 * np.pi * t / p + rng.uniform(0, 2 * np.pi))
            for a, p in zip(AMPLITUDES, PRECESSION))
    if kind == "product":
        e = sum(np.cos(2 * np.pi * t / p + rng.uniform(0, 2 * np.pi)) for p in ECCENTRICITY[:3])
        s = (1 + 0.3 * e) * s
    if kind != "bare":
        s = s + OBLIQUITY_AMPLITUDE * np.cos(2 * np.pi * t / OBLIQUITY +
                                             rng.uniform(0, 2 * np.pi))
    return (s - s.mean()) / s.std()


def ar1(n, rho, rng):
    e = rng.standard_normal(n)
    x = np.empty(n)
    x[0] = e[0]
    for i in range(1, n):
        x[i] = rho * x[i - 1] + np.sqrt(1 - rho * rho) * e[i]
    return x


def constant(rate):
    """Time (kyr) at depth z (m) for a rate in cm/kyr."""
    return lambda z: 100 * z / rate


def ramp(r0, r1, length):
    """Time at depth z when the rate runs linearly from r0 to r1 cm/kyr over `length` metres."""
    k = (r1 - r0) / length
    return lambda z: 100 / k * np.log((r0 + k * z) / r0)


def record(n, age, rho, snr, rng, kind="beats"):
    z = np.arange(n) * SPACING
    return z, np.sqrt(snr) * orbital(age(z), rng, kind) + ar1(n, rho, rng)


def share(hits):
    return f"{np.mean(hits):.3f}" if hits else "-"


def timeopt_table(rng):
    per_cell = int(70 * SCALE)
    print("timeopt (constant rate, 600 samples, 100 surrogates)")
    print("rho\tSNR\trecords\tsignificant\tcovered\tmedian_width_%\tmultimodal")
    all_hits = []
    for rho in (0.3, 0.6, 0.9):
        for snr in (1.0, 0.5):
            hits, widths, multimodal, significant = [], [], 0, 0
            for _ in range(per_cell):
                rate = float(np.exp(rng.uniform(np.log(1.5), np.log(3))))
                z, y = record(600, constant(rate), rho, snr, rng)
                r = tonalith.timeopt(z, y, sims=100, seed=int(rng.integers(1 << 31)), workers=2)
                if r["p_value"] > 0.05 or r["rate_low"] is None:
                    continue
                significant += 1
                hits.append(r["rate_low"] <= rate <= r["rate_high"])
                widths.append(100 * (r["rate_high"] - r["rate_low"]) / rate)
                multimodal += len(r["modes"]) > 1
            all_hits += hits
            print(f"{rho}\t{snr}\t{per_cell}\t{significant}\t{share(hits)}\t"
                  f"{np.median(widths) if widths else 0:.2f}\t{multimodal}", flush=True)
    print(f"all\t\t{int(per_cell * 6)}\t{len(all_hits)}\t{share(all_hits)}\n", flush=True)


def signal_table(rng):
    per_kind = int(70 * SCALE)
    print("timeopt on other signals (rho 0.6, SNR 1, 600 samples, 100 surrogates): bare, no")
    print("obliquity (nothing outside the target periods); product, precession times")
    print("(1 + 0.3 eccentricity), side bands outside the target periods")
    print("signal\trecords\tsignificant\tcovered\tmedian_width_%")
    for kind in ("bare", "product"):
        hits, widths = [], []
        for _ in range(per_kind):
            rate = float(np.exp(rng.uniform(np.log(1.5), np.log(3))))
            z, y = record(600, constant(rate), 0.6, 1.0, rng, kind)
            r = tonalith.timeopt(z, y, sims=100, seed=int(rng.integers(1 << 31)), workers=2)
            if r["p_value"] > 0.05 or r["rate_low"] is None:
                continue
            hits.append(r["rate_low"] <= rate <= r["rate_high"])
            widths.append(100 * (r["rate_high"] - r["rate_low"]) / rate)
        print(f"{kind}\t{per_kind}\t{len(hits)}\t{share(hits)}\t"
              f"{np.median(widths) if widths else 0:.2f}", flush=True)
    print()


def etimeopt_table(rng):
    per_cell = int(25 * SCALE)
    n, window = 1200, 400
    print("etimeopt (1200 samples, windows of 400 samples, 50 surrogates per window)")
    print("history\tSNR\twindows\tsignificant\tcovered\tmedian_width_%")
    all_hits = []
    for history in ("constant", "ramp"):
        for snr in (1.0, 0.5):
            hits, widths, windows = [], [], 0
            for _ in range(per_cell):
                if history == "constant":
                    age = constant(float(np.exp(rng.uniform(np.log(1.5), np.log(3)))))
                else:
                    age = ramp(1.5, 3.0, n * SPACING)
                z, y = record(n, age, 0.6, snr, rng)
                r = tonalith.etimeopt(z, y, window_length=window * SPACING,
                                      step_length=window * SPACING, sims=50,
                                      seed=int(rng.integers(1 << 31)), workers=2)
                for w, row in enumerate(r["track"]):
                    windows += 1
                    first, last = z[w * window], z[w * window + window - 1]
                    true = 100 * (last - first) / (age(last) - age(first))
                    if r["p_values"][w] > 0.05 or np.isnan(row["rate_low"]):
                        continue
                    hits.append(row["rate_low"] <= true <= row["rate_high"])
                    widths.append(100 * (row["rate_high"] - row["rate_low"]) / true)
            all_hits += hits
            print(f"{history}\t{snr}\t{windows}\t{len(hits)}\t{share(hits)}\t"
                  f"{np.median(widths) if widths else 0:.2f}", flush=True)
    print(f"all\t\t\t{len(all_hits)}\t{share(all_hits)}\n", flush=True)


def trace_table(rng):
    per_cell = int(100 * SCALE)
    print("trace (obliquity line, 1200 samples, windows of 300 stepped by 100, 4 tapers)")
    print("rows: all; ok, those flagged ok (F-test probability at least 0.95, no jump or edge);")
    print("on the line, those whose traced frequency lies within W/4 of the true one")
    print("rho\tSNR\trecords\trows\tcovered\tok_rows\tcovered_ok\ton_line\tcovered_on_line"
          "\tmedian_width_W")
    totals = {"all": [], "ok": [], "line": []}
    for rho in (0.3, 0.9):
        for snr in (1.0, 0.5):
            hits = {"all": [], "ok": [], "line": []}
            widths = []
            for _ in range(per_cell):
                rate = float(np.exp(rng.uniform(np.log(1.5), np.log(3))))
                z, y = record(1200, constant(rate), rho, snr, rng)
                a = tonalith.analyze(z, y, window=300, step=100, tapers=4, tbw=3, fmax=0.15,
                                     workers=2)
                true = 100 / (OBLIQUITY * rate)  # cycles per metre
                half_bandwidth = 3 / (300 * SPACING)
                for row in a.trace(z[600], true):
                    hit = bool(row["frequency_low"] <= true <= row["frequency_high"])
                    hits["all"].append(hit)
                    if row["flag"] == "ok":
                        hits["ok"].append(hit)
                    if abs(row["frequency"] - true) < half_bandwidth / 4:
                        hits["line"].append(hit)
                    widths.append((row["frequency_high"] - row["frequency_low"]) / half_bandwidth)
            for key in totals:
                totals[key] += hits[key]
            print(f"{rho}\t{snr}\t{per_cell}\t{len(hits['all'])}\t{share(hits['all'])}\t"
                  f"{len(hits['ok'])}\t{share(hits['ok'])}\t{len(hits['line'])}\t"
                  f"{share(hits['line'])}\t{np.median(widths):.3f}", flush=True)
    print(f"all\t\t{int(per_cell * 4)}\t{len(totals['all'])}\t{share(totals['all'])}\t"
          f"{len(totals['ok'])}\t{share(totals['ok'])}\t{len(totals['line'])}\t"
          f"{share(totals['line'])}\n", flush=True)


def grid_table(rng):
    records = int(20 * SCALE)
    differences = []
    for _ in range(records):
        rate = float(np.exp(rng.uniform(np.log(1.5), np.log(3))))
        z, y = record(600, constant(rate), 0.6, 1.0, rng)
        coarse = tonalith.timeopt(z, y, numsed=100, workers=2)
        fine = tonalith.timeopt(z, y, numsed=300, workers=2)
        if coarse["rate_low"] is None or fine["rate_low"] is None:
            continue
        width = fine["rate_high"] - fine["rate_low"]
        differences.append(max(abs(coarse["rate_low"] - fine["rate_low"]),
                               abs(coarse["rate_high"] - fine["rate_high"])) / width)
    print("grid step: timeopt intervals on 100 and 300 rates")
    print(f"records\t{len(differences)}\tmedian |difference| / width\t"
          f"{np.median(differences):.4f}\tlargest\t{np.max(differences):.4f}\n")


if __name__ == "__main__":
    timeopt_table(np.random.default_rng(29))
    etimeopt_table(np.random.default_rng(30))
    trace_table(np.random.default_rng(31))
    grid_table(np.random.default_rng(32))
    signal_table(np.random.default_rng(33))
