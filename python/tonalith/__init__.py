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
tune(positions, values, trace, *, period, ...) -> dict
    The age model and tuned series of a traced cycle; with ``ensemble=N`` its age band and
    the record's duration with an interval, with ``anchors=`` pinned to known ages.
bandpass(positions, values, *, passband, ...) -> dict
    The band-passed series and its amplitude envelope.
timeopt(positions, values, *, sedmin=0.5, sedmax=5.0, numsed=100, sims=0, ...) -> dict
    The astronomical test over trial sedimentation rates, with its p-value.
etimeopt(positions, values, *, window_length, step_length, ...) -> dict
    The same test in moving windows, and the track of its optima.
asm(positions, values, *, sedmin=0.5, sedmax=5.0, numsed=100, sims=10000, ...) -> dict
    The average spectral misfit of the record's F-test lines over trial rates.
tune_sedrate(positions, values, track, *, positions_in="m", ...) -> dict
    The age model and tuned series from a sedimentation-rate track.
tapers(n, k, tbw) -> (tapers, ratios)
    Slepian tapers and their concentration ratios.

Notes
-----
Refused input raises ValueError; its message starts with the argument at fault and says what is
allowed, in the tool's words. Unevenly spaced positions are refused by the analyses unless
`interpolate` is given; complex and boolean arrays are refused.

The GIL is released while an analysis or an astronomical test runs; one analysis runs at a time
in a process (the engine's storage is static) and concurrent calls wait their turn. Ctrl+C
interrupts a running analysis (KeyboardInterrupt) at the next window, and a test at its next
rate, window or surrogate.

The engine writes its records fort.17, fort.20 and fort.27 into the folder that `analyze` and
`spectrum` take as ``records=``, by default the user's cache folder ($XDG_CACHE_HOME/tonalith,
else ~/.cache/tonalith, created when missing). This changed: earlier versions wrote them to the
working directory, as the tool still does unless ``--records``. Its diagnostic lines are
discarded.

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

from ._core import (Analysis, __version__, analyze, asm, bandpass, etimeopt, load, spectrum,
                    tapers, timeopt, tune, tune_sedrate)

__all__ = ["Analysis", "DroppedLinesWarning", "Series", "__version__", "analyze", "asm",
           "bandpass", "etimeopt", "load", "spectrum", "tapers", "timeopt", "tune", "tune_sedrate"]


class DroppedLinesWarning(UserWarning):
    """Lines of a data file that `load` dropped: not blank, not a '#' comment and not the
    column titles, yet without a number in the position or the chosen column.

    The series is loaded without them, as the tool and the window load it.

    Attributes
    ----------
    lines : list of tuple of (int, str)
        Each dropped line's number in the file (1-based) and the field that is not a number
        (or the line and the field it lacks), in file order.
    """

    def __init__(self, message: str, lines: list[tuple[int, str]]) -> None:
        super().__init__(message)
        self.lines = lines


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
