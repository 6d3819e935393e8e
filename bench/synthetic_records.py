"""Synthetic cyclostratigraphic records with a known age model, for the calibration benchmarks.

A signal in time: eccentricity (the 405, 131, 124, 99 and 95 kyr terms), climatic precession
(the 23.6, 22.3, 19.1 and 18.9 kyr terms, each scaled by the eccentricity so that the precession
band's envelope follows it) and obliquity (41.0 kyr dominant, with 39.7 and 53.6 kyr terms), the
three standardised and summed as E + 0.5 T - P, with random phases (obliquity at full weight
makes the astronomical test take it for precession in most windows of half a million years). It is laid on depth by a
sedimentation-rate history s(z) in cm/kyr (constant, a ramp or a step), so that the age of depth z
(metres) is the integral of 100 / s; AR(1) noise of lag-one autocorrelation rho is added at a
signal-to-noise variance ratio. A hiatus removes an interval of time at a depth: the ages below it
jump by its duration."""
import numpy as np

ECCENTRICITY = [(405.6795, 1.0), (130.719, 0.75), (123.839, 0.6), (98.86307, 0.55),
                (94.87666, 0.45)]
PRECESSION = [(23.62069, 1.0), (22.31868, 0.75), (19.06768, 0.55), (18.91979, 0.4)]
OBLIQUITY = [(41.0, 1.0), (39.7, 0.25), (53.6, 0.2)]

HISTORIES = ("constant", "ramp", "step")


def rate_history(kind, z, low=1.5, high=3.0):
    """The sedimentation rate (cm/kyr) at depths z (metres) of a record of that length."""
    u = (z - z[0]) / (z[-1] - z[0])
    if kind == "constant":
        return np.full_like(z, 0.5 * (low + high))
    if kind == "ramp":
        return low + (high - low) * u
    if kind == "step":
        return np.where(u < 0.5, low, high)
    raise ValueError(kind)


def ages(z, rate):
    """The age (kyr) at each depth: the integral of 100 / s from the first sample, s linear
    between samples (exact for piecewise-linear s, as tune integrates it)."""
    dz = np.diff(z)
    s0, s1 = rate[:-1], rate[1:]
    u = (s1 - s0) / s0
    with np.errstate(divide="ignore", invalid="ignore"):
        factor = np.where(np.abs(u) < 1e-12, 1.0, np.log1p(u) / u)
    return np.concatenate([[0.0], np.cumsum(100 * dz / s0 * factor)])


def signal(t, rng, obliquity=0.5):
    def terms(table):
        return sum(a * np.cos(2 * np.pi * t / p + rng.uniform(0, 2 * np.pi)) for p, a in table)

    e = terms(ECCENTRICITY)
    e = 1.0 + 0.35 * e / np.max(np.abs(e))  # above 0: it scales the precession
    p = e * terms(PRECESSION)
    o = terms(OBLIQUITY)
    e, o, p = [(x - x.mean()) / x.std() for x in (e, o, p)]
    x = e + obliquity * o - p
    return (x - x.mean()) / x.std()


def ar1(n, rho, rng):
    e = rng.standard_normal(n)
    y = np.empty(n)
    y[0] = e[0]
    scale = np.sqrt(1 - rho * rho)
    for i in range(1, n):
        y[i] = rho * y[i - 1] + scale * e[i]
    return y


def record(history, rho, snr, rng, n=2000, dz=0.02, hiatus=None):
    """Depths z (m), values y and true ages t (kyr). hiatus: (depth, duration in kyr) or None."""
    z = np.arange(n) * dz
    t = ages(z, rate_history(history, z))
    if hiatus is not None:
        depth, duration = hiatus
        t = t + np.where(z > depth, duration, 0.0)
    x = signal(t, rng)
    y = np.sqrt(snr) * x + ar1(n, rho, rng)
    return z, y, t


def write(path, z, y):
    with open(path, "w") as f:
        f.write("depth\tvalue\n")
        for a, b in zip(z, y):
            f.write(f"{a!r}\t{b!r}\n")
