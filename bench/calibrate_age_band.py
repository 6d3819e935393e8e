"""Calibration of the age band: how often the 95 % band of an ensemble of 500 age models covers
the true age, by route, rate history and noise level; how often a removed interval is named as a
possible hiatus near its place; and how long the intervals and a 1000-member ensemble take.

    PYTHONPATH=build/python /usr/bin/python3 bench/calibrate_age_band.py [RECORDS] [--quick]
        [--checked] [--route track|trace]

RECORDS per cell (route x history x noise; default 50: 450 records per route). Each record:
2000 samples 2 cm apart (bench/synthetic_records.py), eccentricity, precession and obliquity laid
on depth at a known rate history (constant 2.25 cm/kyr, a ramp or a step from 1.5 to 3 cm/kyr),
AR(1) noise. Fixed seeds.

Track route: etimeopt in 29 windows of 16 m stepped by 6/7 m, then tune_sedrate with
ensemble=500. Trace route: the evolutive analysis (windows of 400 samples stepped by 50), the
obliquity line traced from its frequency at the first window, then tune with period=41 and
ensemble=500. Coverage is pooled over 40 positions per record (every 50th sample after the first,
whose age is given); a record's duration is covered when its interval holds the true one. Records
with a hiatus are left out of the coverage and scored for naming only: a removed interval of a
third of a window's duration at a random depth in the middle half, named when a possible hiatus lies
within one window length of it.

--checked: the trace route only, as a careful user runs it: the trace is held against the
astronomical test's track (check_track); a record whose trace disagrees with the track (the line
traced is another cycle than the period says in some window) is refused, counted, and left out
of the coverage.

--route: that route alone (its records and seeds as in the full run)."""
import sys
import time

import numpy as np

import synthetic_records as sr
import tonalith

NOISE = {"low": (2.0, 0.3), "mid": (1.0, 0.5), "high": (0.5, 0.7)}  # signal-to-noise, rho
DZ, N = 0.02, 2000
TRACK_WINDOW, TRACK_STEP = 16.0, 0.84  # 29 windows of 800 samples, 42 apart
TRACE_WINDOW, TRACE_STEP = 400, 50
OBLIQUITY = 41.0
MEMBERS = 500
POSITIONS = np.arange(50, N, 50)


def track_route(z, y):
    e = tonalith.etimeopt(z, y, window_length=TRACK_WINDOW, step_length=TRACK_STEP, workers=2)
    return tonalith.tune_sedrate(z, y, e["track"], ensemble=MEMBERS, seed=1,
                                 window_length=TRACK_WINDOW, accept_flags=True)


class Refused(Exception):
    """The trace disagrees with the astronomical test's track."""


def trace_route(z, y, first_rate, checked=False):
    a = tonalith.analyze(z, y, window=TRACE_WINDOW, step=TRACE_STEP, workers=2)
    start = z[TRACE_WINDOW // 2]
    trace = a.trace(start, 100 / (OBLIQUITY * first_rate))
    check = {}
    if checked:
        e = tonalith.etimeopt(z, y, window_length=TRACK_WINDOW, step_length=TRACK_STEP, workers=2)
        check = {"check_track": e["track"]}
    m = tonalith.tune(z, y, trace, period=OBLIQUITY, ensemble=MEMBERS, seed=1,
                      window_length=TRACE_WINDOW * DZ, accept_flags=True, **check)
    if checked and m["mismatches"]:
        raise Refused(m["mismatches"])
    return m


def run(route, z, y, history, checked=False):
    rate0 = sr.rate_history(history, z)[0]
    return track_route(z, y) if route == "track" else trace_route(z, y, rate0, checked)


def coverage(records, quick, checked=False, only=None):
    print("route\thistory\tnoise\trecords\tfailed\tcoverage\tduration_coverage\tmedian_width_%"
          + ("\trefused" if checked else ""))
    seed = 100
    for route in ("track", "trace"):
        if (checked and route == "track") or (only and route != only):
            seed += records * len(sr.HISTORIES) * len(NOISE)  # the other route's records
            continue
        pooled = []
        for history in sr.HISTORIES:
            for level, (snr, rho) in NOISE.items():
                hits, total, durations, widths, failed, refused = 0, 0, [], [], 0, 0
                for _ in range(records):
                    seed += 1
                    rng = np.random.default_rng(seed)
                    z, y, t = sr.record(history, rho, snr, rng, n=N, dz=DZ)
                    try:
                        m = run(route, z, y, history, checked)
                    except Refused:
                        refused += 1
                        continue
                    except (ValueError, RuntimeError):
                        failed += 1
                        continue
                    low, high = m["age_low"][POSITIONS], m["age_high"][POSITIONS]
                    inside = (low <= t[POSITIONS]) & (t[POSITIONS] <= high)
                    hits += int(inside.sum())
                    total += inside.size
                    duration = t[-1] - t[0]
                    durations.append(m["duration_low"] <= duration <= m["duration_high"])
                    widths.append(100 * (m["duration_high"] - m["duration_low"]) / duration)
                share = hits / total if total else float("nan")
                pooled.append((hits, total))
                print(f"{route}\t{history}\t{level}\t{records}\t{failed}\t{share:.3f}\t"
                      f"{np.mean(durations) if durations else float('nan'):.3f}\t"
                      f"{np.median(widths) if widths else float('nan'):.1f}"
                      + (f"\t{refused}" if checked else ""), flush=True)
                if quick:
                    break
        hits = sum(h for h, _ in pooled)
        total = sum(n for _, n in pooled)
        print(f"{route}\tall\tall\t\t\t{hits / max(total, 1):.3f}", flush=True)


def hiatuses(records, quick, only=None):
    print("route\tnoise\trecords\tnamed_near\tnamed_in_clean_records")
    seed = 5000
    for route, window in (("track", TRACK_WINDOW), ("trace", TRACE_WINDOW * DZ)):
        if only and route != only:
            seed += records * len(NOISE)
            continue
        for level, (snr, rho) in NOISE.items():
            near, clean_named = 0, 0
            for _ in range(records):
                seed += 1
                rng = np.random.default_rng(seed)
                depth = rng.uniform(0.25, 0.75) * N * DZ
                duration = window * 100 / 2.25 / 3  # a third of a window's duration
                z, y, _ = sr.record("constant", rho, snr, rng, n=N, dz=DZ,
                                    hiatus=(depth, duration))
                try:
                    m = run(route, z, y, "constant")
                except (ValueError, RuntimeError):
                    continue
                near += any(abs(h["position"] - depth) <= window for h in m["hiatuses"])
                z, y, _ = sr.record("constant", rho, snr, rng, n=N, dz=DZ)
                try:
                    clean_named += len(run(route, z, y, "constant")["hiatuses"]) > 0
                except (ValueError, RuntimeError):
                    pass
            print(f"{route}\t{level}\t{records}\t{near / records:.2f}\t"
                  f"{clean_named / records:.2f}", flush=True)
            if quick:
                break


def timing():
    rng = np.random.default_rng(1)
    z, y, _ = sr.record("ramp", 0.5, 1.0, rng, n=N, dz=DZ)
    start = time.perf_counter()
    e = tonalith.etimeopt(z, y, window_length=TRACK_WINDOW, step_length=TRACK_STEP, workers=2)
    middle = time.perf_counter()
    tonalith.tune_sedrate(z, y, e["track"], ensemble=1000, window_length=TRACK_WINDOW,
                          accept_flags=True)
    end = time.perf_counter()
    print(f"etimeopt with intervals, {len(e['centres'])} windows x {len(e['rates'])} rates: "
          f"{middle - start:.2f} s; ensemble of 1000 from its track: {end - middle:.2f} s; "
          f"together {end - start:.2f} s")


if __name__ == "__main__":
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    quick = "--quick" in sys.argv
    records = int(args[0]) if args else 50
    if "--checked" in sys.argv:
        coverage(records, quick, checked=True)
        sys.exit()
    only = sys.argv[sys.argv.index("--route") + 1] if "--route" in sys.argv else None
    if only not in (None, "track", "trace"):
        sys.exit("--route: give track or trace")
    args = [a for a in args if a != only]
    records = int(args[0]) if args else 50
    if not only:
        timing()
    coverage(records, quick, only=only)
    hiatuses(records, quick, only)
