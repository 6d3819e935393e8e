"""Evolutive multitaper harmonic analysis of one series (Tonalith).

A window of `window` samples slides along an evenly spaced series in steps of `step` samples.
In every window, `tapers` Slepian tapers of time-bandwidth product `tbw` and Thomson's harmonic
F-test give, for every frequency up to `fmax` cycles per sample, the amplitude of a line common
to all tapers and the probability of its F statistic. Frequencies are reported in cycles per
position unit (e.g. cycles per kyr for ages in ka).

The analysis is the one of the Tonalith window and of tonalith-cli, through the same core
libraries and engine: the same series and settings give the same numbers, bit for bit, and the
same refusals.

Routine listings
----------------
load(path, column=1, skip=1) -> Series
    One column of a data file, read and checked as the tool reads it.
analyze(positions, values, *, tbw=3.0, tapers=4, window=400, step=25, ...) -> Analysis
    The evolutive analysis; ``Analysis.peaks(level)`` lists the spectral lines and
    ``Analysis.trace(x, f)`` follows one through the windows.
spectrum(positions, values, *, tbw=3.0, tapers=4, ...) -> dict
    The whole record's spectrum with its red-noise background and levels.
tune(positions, values, trace_positions, trace_frequencies, *, period, ...) -> dict
    The age model and tuned series of a traced cycle.
tapers(n, k, tbw) -> (tapers, ratios)
    Slepian tapers and their concentration ratios.

Notes
-----
Refused input raises ValueError; its message starts with the argument at fault and says what is
allowed, in the tool's words.

The GIL is released while an analysis runs; one analysis runs at a time in a process (the
engine's storage is static) and concurrent calls wait their turn. Ctrl+C interrupts a running
analysis (KeyboardInterrupt) at the next window.

Like the tool, the engine writes its records to fort.17, fort.20 and fort.27 in the working
directory. Its diagnostic lines are discarded.

Examples
--------
>>> import tonalith
>>> s = tonalith.load("etp.txt", column="etp")
>>> a = tonalith.analyze(s.positions, s.values, window=400, step=25)
>>> a.amplitude.shape            # (windows, frequencies)
(65, 246)
>>> lines = a.peaks(0.95)        # a structured array, one row per line
"""

import typing

import numpy as np
import numpy.typing as npt

from ._core import Analysis, __version__, analyze, load, spectrum, tapers, tune

__all__ = ["Analysis", "Series", "__version__", "analyze", "load", "spectrum", "tapers", "tune"]


class Series(typing.NamedTuple):
    """One column of a data file, as `load` reads it.

    Attributes
    ----------
    positions : numpy.ndarray
        The positions (depth or time), 1-D float64, increasing.
    values : numpy.ndarray
        The column's values, 1-D float64.
    title : str
        The column's title from the header, or "Column N" when the file has none.
    """

    positions: npt.NDArray[np.float64]
    values: npt.NDArray[np.float64]
    title: str
