#!/usr/bin/python3
"""Cross-check: tonalith-cli against an independent double-precision implementation of the
same analysis. Rows must agree to 1e-9 of the largest amplitude, probabilities to 1e-9.

    compare_with_reference.py TONALITH_CLI SAMPLE REFERENCE_TOOLS_DIR

Exits 77 (skipped) when the reference or numpy is not available.
"""
import os
import subprocess
import sys
import tempfile

SKIP = 77


def load(np, path):
    """The rows of a result file: '#' lines and the header line dropped."""
    lines = [line for line in open(path) if not line.startswith("#")][1:]
    return np.loadtxt(lines, ndmin=2)


def main(cli, sample, tools):
    reference = os.path.join(tools, "eha_reference.py")
    generator = os.path.join(tools, "make_series.py")
    if not os.path.exists(reference):
        print("reference implementation not found in", tools)
        return SKIP
    try:
        import numpy as np
    except ImportError:
        print("numpy is not installed")
        return SKIP

    work = tempfile.mkdtemp(prefix="tonalith-xcheck-")
    subprocess.run([sys.executable, generator, work, "--n", "1500", "--big-n", "0"], check=True,
                   stdout=subprocess.DEVNULL)
    cases = [
        ("sample, defaults", sample, [], []),
        ("sines, 5 tapers, odd nfft", os.path.join(work, "sines.tsv"),
         ["--tapers", "5", "--tbw", "3.5", "--window", "301", "--step", "40", "--nfft", "1023", "--fmax", "0.2"],
         ["--k", "5", "--tbw", "3.5", "--mpts", "301", "--inc", "40", "--nfft", "1023", "--fmax", "0.2"]),
        ("chirp, 2 tapers", os.path.join(work, "chirp.tsv"),
         ["--tapers", "2", "--tbw", "2", "--window", "256", "--step", "64", "--nfft", "512", "--fmax", "0.5"],
         ["--k", "2", "--tbw", "2", "--mpts", "256", "--inc", "64", "--nfft", "512", "--fmax", "0.5"]),
        ("constant 0.1", os.path.join(work, "constant_0.1.tsv"), [], []),
    ]
    failed = False
    for name, data, ours_args, ref_args in cases:
        ours = os.path.join(work, "ours.tsv")
        ref = os.path.join(work, "ref.tsv")
        subprocess.run([cli, "analyze", data, "--quiet", "-o", ours] + ours_args, check=True, cwd=work)
        subprocess.run([sys.executable, reference, data, "--out", ref, "--header"] + ref_args, check=True)
        a = load(np, ours)
        b = load(np, ref)
        if a.shape != b.shape:
            print(f"{name}: {a.shape} rows here, {b.shape} in the reference")
            failed = True
            continue
        scale = max(np.abs(b[:, 2]).max(), 1e-300)
        dx = np.abs(a[:, 0] - b[:, 0]).max()
        df = np.abs(a[:, 1] - b[:, 1]).max()
        da = np.abs(a[:, 2] - b[:, 2]).max() / scale
        dp = np.abs(a[:, 3] - b[:, 3]).max()
        ok = dx == 0 and df < 1e-15 and da < 1e-9 and dp < 1e-9
        print(f"{name}: {a.shape[0]} rows, amplitude {da:.2e} of the largest, probability {dp:.2e}"
              f" {'ok' if ok else 'DIFFERS'}")
        failed = failed or not ok
    subprocess.run(["rm", "-rf", work])
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
