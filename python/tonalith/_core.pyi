# Types of the compiled part of tonalith; the docstrings are the runtime's.
import os
from collections.abc import Sequence
from typing import Any, Literal

import numpy as np
import numpy.typing as npt

from . import Series

__version__: str

_Floats = npt.NDArray[np.float64]
_ArrayLike = npt.ArrayLike
_Unit = Literal["m", "cm", "mm"]
_Targets = str | os.PathLike[str] | Sequence[tuple[float, str]] | None

class Analysis:
    @property
    def centres(self) -> _Floats: ...
    @property
    def frequencies(self) -> _Floats: ...
    @property
    def amplitude(self) -> _Floats: ...
    @property
    def probability(self) -> _Floats: ...
    @property
    def positions(self) -> _Floats: ...
    @property
    def values(self) -> _Floats: ...
    @property
    def parameters(self) -> dict[str, Any]: ...
    def trace(
        self,
        x: float,
        f: float,
        band: float | None = None,
        by: Literal["amplitude", "probability"] = "amplitude",
        level: float = 0.95,
        period: float | None = None,
        interval: float = 0.95,
    ) -> npt.NDArray[np.void]: ...
    def peaks(
        self, level: float | None = None, fdr: float | None = None
    ) -> npt.NDArray[np.void]: ...

def load(path: str | os.PathLike[str], column: int | str = 1, skip: int = 1) -> Series: ...
def analyze(
    positions: _ArrayLike,
    values: _ArrayLike,
    *,
    tbw: float = 3.0,
    tapers: int = 4,
    window: int = 400,
    step: int = 25,
    nfft: int = 4096,
    fmax: float = 0.06,
    keep_mean: bool = False,
    interpolate: bool | float | None = None,
    workers: int = 0,
    log: bool = False,
    detrend: str = "none",
    standardise: bool = False,
    window_detrend: Literal["none", "mean", "linear"] = "none",
    records: str | os.PathLike[str] | None = None,
) -> Analysis: ...
def spectrum(
    positions: _ArrayLike,
    values: _ArrayLike,
    *,
    tbw: float = 3.0,
    tapers: int = 4,
    nfft: int | None = None,
    fmax: float = 0.5,
    keep_mean: bool = False,
    interpolate: bool | float | None = None,
    log: bool = False,
    detrend: str = "none",
    standardise: bool = False,
    background: Literal["ar1", "robust"] = "ar1",
    window_detrend: Literal["none", "mean", "linear"] = "none",
    records: str | os.PathLike[str] | None = None,
) -> dict[str, Any]: ...
def tune(
    positions: _ArrayLike,
    values: _ArrayLike,
    trace_positions: _ArrayLike,
    trace_frequencies: _ArrayLike | None = None,
    *,
    period: float,
    start_age: float = 0.0,
    step: float | None = None,
    trace_flags: Sequence[str] | None = None,
    accept_flags: bool = False,
    check_track: str | os.PathLike[str] | npt.NDArray[Any] | None = None,
    positions_in: _Unit = "m",
    ensemble: int = 0,
    seed: int = 1,
    interval: float = 0.95,
    anchors: Sequence[Sequence[float]] | None = None,
    window_length: float | None = None,
    period_sd: float = 0.0,
    return_ensemble: bool = False,
) -> dict[str, Any]: ...
def tune_sedrate(
    positions: _ArrayLike,
    values: _ArrayLike,
    track_positions: _ArrayLike,
    track_rates: _ArrayLike | None = None,
    *,
    positions_in: _Unit = "m",
    start_age: float = 0.0,
    step: float | None = None,
    accept_flags: bool = False,
    rate_column: str = "",
    ensemble: int = 0,
    seed: int = 1,
    interval: float = 0.95,
    anchors: Sequence[Sequence[float]] | None = None,
    window_length: float | None = None,
    return_ensemble: bool = False,
) -> dict[str, Any]: ...
def asm(
    positions: _ArrayLike,
    values: _ArrayLike,
    *,
    positions_in: _Unit = "m",
    sedmin: float = 0.5,
    sedmax: float = 5.0,
    numsed: int = 100,
    linear_grid: bool = False,
    targets: _Targets = None,
    age_ma: float | None = None,
    tbw: float = 3.0,
    tapers: int = 4,
    nfft: int | None = None,
    level: float = 0.95,
    sims: int = 10000,
    seed: int = 1,
    interpolate: bool | float | None = None,
    log: bool = False,
    detrend: str = "none",
    standardise: bool = False,
) -> dict[str, Any]: ...
def bandpass(
    positions: _ArrayLike,
    values: _ArrayLike,
    *,
    passband: tuple[float, float],
    interpolate: bool | float | None = None,
    log: bool = False,
    detrend: str = "none",
    standardise: bool = False,
) -> dict[str, _Floats | npt.NDArray[np.bool_]]: ...
def timeopt(
    positions: _ArrayLike,
    values: _ArrayLike,
    *,
    positions_in: _Unit = "m",
    sedmin: float = 0.5,
    sedmax: float = 5.0,
    numsed: int = 100,
    linear_grid: bool = False,
    precession_band: tuple[float, float] = (0.035, 0.065),
    targets: _Targets = None,
    age_ma: float | None = None,
    sims: int = 0,
    seed: int = 1,
    workers: int = 0,
    interval: float = 0.95,
    interpolate: bool | float | None = None,
    log: bool = False,
    detrend: str = "none",
    standardise: bool = False,
) -> dict[str, Any]: ...
def etimeopt(
    positions: _ArrayLike,
    values: _ArrayLike,
    *,
    window_length: float,
    step_length: float,
    positions_in: _Unit = "m",
    sedmin: float = 0.5,
    sedmax: float = 5.0,
    numsed: int = 100,
    linear_grid: bool = False,
    precession_band: tuple[float, float] = (0.035, 0.065),
    targets: _Targets = None,
    age_ma: float | None = None,
    sims: int = 0,
    seed: int = 1,
    fdr: float = 0.05,
    tbw: float = 3.0,
    tapers: int = 4,
    level: float = 0.99,
    asm_sims: int = 2000,
    workers: int = 0,
    interval: float = 0.95,
    interpolate: bool | float | None = None,
    log: bool = False,
    detrend: str = "none",
    standardise: bool = False,
) -> dict[str, Any]: ...
def tapers(n: int, k: int, tbw: float) -> tuple[_Floats, _Floats]: ...
