"""The module's own checks: arrays it cannot take, settings outside the tool's ranges, each
window's own mean, and traces flagged where they may have left their line or, on a record in
time, their period."""
import numpy as np
import pytest

import tonalith

X = np.arange(3000.0)
RNG = np.random.default_rng(3)
NOISE = 0.05 * RNG.standard_normal(3000)


@pytest.mark.parametrize("call, argument", [
    (lambda: tonalith.analyze(X, X + 1j), "values"),
    (lambda: tonalith.analyze(X > 5, X), "positions"),
    (lambda: tonalith.spectrum(X, list(X % 2 == 0)), "values"),
    (lambda: tonalith.timeopt(X, X.astype(np.complex64)), "values"),
    (lambda: tonalith.analyze(X, NOISE, workers=-1), "workers"),
    (lambda: tonalith.analyze(X, NOISE, workers=65), "workers"),
    (lambda: tonalith.timeopt(X, NOISE, workers=65), "workers"),
    (lambda: tonalith.analyze(X, NOISE, window_detrend="cubic"), "window_detrend"),
    (lambda: tonalith.timeopt(X, NOISE, seed=-1), "seed"),
    (lambda: tonalith.timeopt(X, NOISE, sims=-1), "sims"),
    (lambda: tonalith.timeopt(X, NOISE, sedmin=0), "sedmin"),
    (lambda: tonalith.timeopt(X, NOISE, positions_in="ft"), "positions_in"),
    (lambda: tonalith.timeopt(X, NOISE, precession_band=(0.1,)), "precession_band"),
    (lambda: tonalith.timeopt(X, NOISE, targets=[(405.7, "e")]), "targets"),
    (lambda: tonalith.timeopt(X, NOISE, targets=[(405.7, "e"), (-1, "p")]), "targets"),
    (lambda: tonalith.etimeopt(X, NOISE, window_length=5000, step_length=10), "window_length"),
    (lambda: tonalith.bandpass(X, NOISE, passband=(0.1, 0.7)), "passband"),
    (lambda: tonalith.tune_sedrate(X, NOISE, [0, 10], [1, 0]), "track"),
])
def test_refusals_name_the_argument(call, argument):
    with pytest.raises(ValueError, match=f"^{argument}: "):
        call()


def test_window_detrend_keeps_a_step_out_of_the_lowest_band():
    step = np.where(X < 1500, 0.0, 1.0) + NOISE
    plain = tonalith.analyze(X, step, window=400, fmax=0.05)
    own_mean = tonalith.analyze(X, step, window=400, fmax=0.05, window_detrend="mean")
    assert own_mean.parameters["window_detrend"] == "mean"
    assert plain.parameters["window_detrend"] == "none"
    lowest = plain.frequencies < 3 / 400  # below the half-bandwidth W
    beside = np.abs(plain.centres - 1500) > 200  # the windows on one side of the step
    assert np.all(plain.amplitude[beside, 0] > 0.4)
    assert np.all(own_mean.amplitude[np.ix_(beside, lowest)] < 0.05)
    s = tonalith.spectrum(X, step, window_detrend="linear")
    assert s["window_detrend"] == "linear" and s["dof"].shape == s["power"].shape


@pytest.fixture(scope="module")
def fading():
    """A line at 0.05 that fades out halfway while a stronger one at 0.062 goes on."""
    y = (np.where(X < 1500, 1.0, 0.0) * np.cos(2 * np.pi * 0.05 * X)
         + 2 * np.cos(2 * np.pi * 0.062 * X) + NOISE)
    return tonalith.analyze(X, y, window=400, step=50, fmax=0.1)


def test_a_trace_leaving_its_line_is_flagged_and_tune_refuses_it(fading):
    trace = fading.trace(300, 0.0497, level=0.95)
    start = trace[trace["start"]]
    assert len(start) == 1 and abs(start["frequency"][0] - 0.05) < 1e-3  # snapped to the peak
    assert set(trace["flag"][trace["x_centre"] < 1300]) == {"ok"}
    assert abs(trace["frequency"][-1] - 0.062) < 1e-3  # it ended on the other line ...
    assert "jump" in set(trace["flag"])  # ... and says so
    with pytest.raises(ValueError, match=r"^accept_flags: .*accept_flags=True"):
        tonalith.tune(X, NOISE, trace, period=20)
    with pytest.raises(ValueError, match=r"^accept_flags: "):
        tonalith.tune(X, NOISE, trace["x_centre"], trace["frequency"], period=20,
                      trace_flags=list(trace["flag"]))
    accepted = tonalith.tune(X, NOISE, trace, period=20, accept_flags=True)
    assert np.array_equal(accepted["age"], tonalith.tune(
        X, NOISE, trace["x_centre"], trace["frequency"], period=20)["age"])


def test_a_trace_starts_within_the_analysed_frequencies(fading):
    for f in (0.0, 0.2):
        with pytest.raises(ValueError, match="^f: "):
            fading.trace(300, f)
    with pytest.raises(ValueError, match="^level: "):
        fading.trace(300, 0.05, level=0)


def test_on_an_age_record_a_trace_off_its_period_is_drift():
    """Ages in kyr: a 41-kyr cycle fading into a 70-kyr one (its frequency gliding between 800
    and 1400 ka), followed in small steps, every row ok to its neighbours. Given the period,
    the rows farther than W = 3/400 from 1/41 are drift, and tune refuses them unless told."""
    t = np.arange(2000.0)
    glide = np.clip((t - 800) / 600, 0, 1)
    y = np.cos(2 * np.pi * np.cumsum(1 / 41 + (1 / 70 - 1 / 41) * glide)) + 2 * NOISE[:2000]
    a = tonalith.analyze(t, y, window=400, step=5)
    plain = a.trace(200, 0.0244)
    traced = a.trace(200, 0.0244, period=41)
    off = np.abs(traced["frequency"] - 1 / 41) > 3 / 400
    assert np.array_equal(traced["frequency"], plain["frequency"])
    assert off.sum() > 50 and set(plain["flag"]) == {"ok"}
    assert list(traced["flag"]) == ["drift" if o else "ok" for o in off]
    with pytest.raises(ValueError, match=r"^accept_flags: .*drift.*accept_flags=True"):
        tonalith.tune(t, y, traced, period=41)
    accepted = tonalith.tune(t, y, traced, period=41, accept_flags=True)
    assert accepted["age"][-1] > accepted["age"][0]
    with pytest.raises(ValueError, match="^period: "):
        a.trace(200, 0.0244, period=0)
