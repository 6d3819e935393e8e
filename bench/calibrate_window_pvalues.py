"""Calibration of etimeopt's per-window p-values on pure AR(1) noise: the share of windows whose
p-value is at most 0.05 and 0.10 should be about 5 % and 10 %.
    PYTHONPATH=build/python /usr/bin/python3 bench/calibrate_window_pvalues.py [RECORDS]
Each record: 1200 samples 2 cm apart, three windows of 400 samples that do not overlap, 99
surrogates per window, fixed seeds."""
import sys

import numpy as np

import tonalith

records = int(sys.argv[1]) if len(sys.argv) > 1 else 40
rng = np.random.default_rng(2026)
z = np.arange(1200) * 0.02
print("rho\twindows\tp<=0.05\tp<=0.10")
for rho in (0.5, 0.9):
    p = []
    for _ in range(records):
        e = rng.standard_normal(z.size)
        y = np.empty_like(e)
        y[0] = e[0]
        for i in range(1, y.size):
            y[i] = rho * y[i - 1] + np.sqrt(1 - rho * rho) * e[i]
        r = tonalith.etimeopt(z, y, window_length=8, step_length=8, sims=99,
                              seed=int(rng.integers(1 << 31)), workers=2)
        p.extend(r["p_values"])
    p = np.array(p)
    print(f"{rho}\t{p.size}\t{np.mean(p <= 0.05):.3f}\t{np.mean(p <= 0.10):.3f}")
