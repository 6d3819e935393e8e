"""The package as pip installs it: built from the source tree with Debian's setuptools into a
temporary folder, imported from outside the tree, and giving the numbers of the CMake-built
package bit for bit.

    pip_install.py SOURCE_DIR CMAKE_PACKAGE_PARENT SAMPLE
"""
import os
import subprocess
import sys
import tempfile
from pathlib import Path

import numpy as np

# A small analysis of every kind, saved by the package found on PYTHONPATH.
RESULTS = """
import sys
import numpy as np
import tonalith
s = tonalith.load(sys.argv[1])
a = tonalith.analyze(s.positions, s.values, tapers=3, window=300, step=100)
w = tonalith.spectrum(s.positions, s.values, background="robust")
t, r = tonalith.tapers(128, 3, 2.5)
np.savez(sys.argv[2], location=tonalith.__file__, version=tonalith.__version__, centres=a.centres,
         frequencies=a.frequencies, amplitude=a.amplitude, probability=a.probability,
         peaks=a.peaks(0.9), trace=a.trace(600, 0.0244), power=w["power"],
         background=w["background"], level_95=w["level_95"], tapers=t, ratios=r)
"""


def results(work, package_parent, sample, name):
    out = work / f"{name}.npz"
    env = dict(os.environ, PYTHONPATH=str(package_parent), PYTHONNOUSERSITE="1")
    subprocess.run([sys.executable, "-c", RESULTS, sample, str(out)], cwd=work, env=env,
                   check=True)
    return np.load(out)


def main(source, cmake_parent, sample):
    with tempfile.TemporaryDirectory() as tmp:
        work = Path(tmp)
        site = work / "site"
        subprocess.run([sys.executable, "-m", "pip", "install", "--no-build-isolation",
                        "--no-deps", "--quiet", "--root-user-action=ignore", "--target",
                        str(site), source], check=True)
        package = site / "tonalith"
        for name in ("__init__.py", "_core.pyi", "py.typed"):
            assert (package / name).is_file(), f"pip installed no tonalith/{name}"
        assert len(list(package.glob("_core.*.so"))) == 1, "pip installed no tonalith/_core"

        installed = results(work, site, sample, "installed")
        built = results(work, cmake_parent, sample, "built")
        assert Path(str(installed["location"])).parent == package, installed["location"]
        assert str(installed["version"]) == str(built["version"])
        for key in built.files:
            if key != "location":
                assert np.array_equal(installed[key], built[key]), f"{key} differs"
    print("pip install: the installed package gives the CMake-built package's results")


if __name__ == "__main__":
    main(*sys.argv[1:])
