"""The astronomical functions against the tool (TONALITH_CLI): the same numbers, bit for bit, on
one synthetic record; and Ctrl+C."""
import os
import signal
import subprocess
import threading

import numpy as np
import pytest

import tonalith

CLI = os.environ["TONALITH_CLI"]
ECCENTRICITY = (405.6795, 130.719, 123.839, 98.86307, 94.87666)
PRECESSION = (23.62069, 22.31868, 19.06768, 18.91979)


@pytest.fixture(scope="module")
def record(tmp_path_factory):
    """600 samples 5 cm apart at 2 cm/kyr: precession modulated by eccentricity, AR(1) noise."""
    rng = np.random.default_rng(7)
    z = np.arange(600) * 0.05
    t = z * 100 / 2.0
    e = sum(np.cos(2 * np.pi * t / p) for p in ECCENTRICITY)
    y = (1 + 0.3 * e) * sum(np.cos(2 * np.pi * t / p + i) for i, p in enumerate(PRECESSION))
    noise = np.zeros_like(t)
    for i in range(1, len(t)):
        noise[i] = 0.5 * noise[i - 1] + rng.standard_normal()
    y += 0.5 * e + 0.5 * noise
    path = tmp_path_factory.mktemp("record") / "record.tsv"
    path.write_text("depth\tvalue\n" + "".join(f"{a!r}\t{b!r}\n" for a, b in zip(z, y)))
    return str(path), z, y


# The tool's command line for each comparison, from its arguments here.
COMMAND_LINES = {
    "filter": lambda lo, hi: ["filter", "--passband", f"{lo}:{hi}"],
    "timeopt": lambda sims: ["timeopt", "--sims", sims],
    "etimeopt": lambda length, step, track: ["etimeopt", "--window-length", length,
                                             "--step-length", step, "--track", track,
                                             "--sims", 20],
    "sedrate": lambda track: ["tune", "--sedrate", track, "--accept-flags"],
    "asm": lambda sims: ["asm", "--sims", sims],
}


def tool(tmp_path, command, file, *args):
    out = tmp_path / f"{command}.tsv"
    words = [str(w) for w in COMMAND_LINES[command](*args)]
    done = subprocess.run([CLI, words[0], file, *words[1:], "-o", str(out), "--quiet"],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    return table(out)


def table(path):
    lines = path.read_text().splitlines()
    block = [line for line in lines if line.startswith("#")]
    titles = lines[len(block)].split("\t")
    rows = [line.split("\t") for line in lines[len(block) + 1:]]

    def column(values):
        try:
            return np.array([float(v) for v in values])
        except ValueError:  # a column of words (a flag)
            return np.array(values)
    return block, {t: column([r[i] for r in rows]) for i, t in enumerate(titles)}


def test_bandpass_equals_the_tools(tmp_path, record):
    file, z, y = record
    _, columns = tool(tmp_path, "filter", file, 0.8, 1.4)
    b = tonalith.bandpass(z, y, passband=(0.8, 1.4))
    for name in ("position", "value", "filtered", "envelope"):
        assert np.array_equal(b[name], columns[name]), name
    assert np.array_equal(b["edge"], columns["edge"] == 1) and b["edge"].dtype == bool
    assert b["edge"][0] and b["edge"][-1] and not b["edge"][len(z) // 2]
    assert np.all(b["envelope"] >= np.abs(b["filtered"]) - 1e-12)


def test_timeopt_equals_the_tools_and_finds_the_rate(tmp_path, record):
    file, z, y = record
    block, columns = tool(tmp_path, "timeopt", file, 50)
    r = tonalith.timeopt(z, y, sims=50, workers=2)
    for name in ("r2_envelope", "r2_power", "r2_opt"):
        assert np.array_equal(r[name], columns[name]), name
    assert np.array_equal(r["rates"], columns["sedimentation_rate"])
    assert f"# optimal sedimentation rate: {r['optimum']!r} cm/kyr" in block
    assert f"# p-value: {r['p_value']!r} (50 simulations)" in block
    assert abs(r["optimum"] / 2.0 - 1) < 0.03 and r["p_value"] <= 0.05
    assert tonalith.timeopt(z, y, sims=50, workers=1)["p_value"] == r["p_value"]
    own = tonalith.timeopt(z, y, targets=[(p, "e") for p in ECCENTRICITY]
                           + [(p, "p") for p in PRECESSION])
    assert np.array_equal(own["r2_opt"], r["r2_opt"]) and own["p_value"] is None
    # What the optimum means, as the tool's block says it: nothing to caution when it is
    # significant inside the grid; untested without simulations; the optimum a candidate.
    assert r["cautions"] == [] and "# caution:" not in block
    assert own["cautions"] == ["no simulations were run: the optimum's significance is not known"]
    assert r["optimum"] in r["candidates"]
    # The rate's interval, as the block states it, about the true rate (whether it holds it is
    # a matter of calibration, over many records: bench/calibrate_intervals.py); a lower
    # probability narrows it.
    held = f"# rate interval: 95 % from {r['rate_low']!r} to {r['rate_high']!r} cm/kyr"
    assert any(line.startswith(held) for line in block)
    assert abs(r["rate_low"] / 2.0 - 1) < 0.01 and abs(r["rate_high"] / 2.0 - 1) < 0.01
    assert r["mode_share"] > 0.5
    assert r["modes"].dtype.names == ("low", "high", "peak", "share")
    assert abs(r["modes"]["share"].sum() - 1) < 1e-9
    half = tonalith.timeopt(z, y, interval=0.5)
    assert r["rate_low"] < half["rate_low"] < half["rate_high"] < r["rate_high"]
    with pytest.raises(ValueError, match="^interval: "):
        tonalith.timeopt(z, y, interval=1.0)


def test_an_age_sets_the_periods_as_the_tool_sets_them(tmp_path, record):
    file, z, y = record
    out = tmp_path / "aged.tsv"
    done = subprocess.run([CLI, "timeopt", file, "--age-ma", "90", "--numsed", "9", "-o",
                           str(out), "--quiet"], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    block, columns = table(out)
    r = tonalith.timeopt(z, y, age_ma=90, numsed=9)
    assert np.array_equal(r["r2_opt"], columns["r2_opt"])
    assert f"# precession constant k: {r['precession_constant']!r} arcsec/yr" in block
    periods = ", ".join(repr(float(p)) for p in r["targets"]["obliquity"])
    assert f"# obliquity periods: {periods} kyr (not fitted by TimeOpt)" in block
    assert r["age_ma"] == 90 and r["precession_constant"] > 50.475838
    assert np.all(r["targets"]["precession"] < PRECESSION)
    assert np.array_equal(r["targets"]["eccentricity"], ECCENTRICITY)
    present = tonalith.timeopt(z, y, numsed=9)
    assert present["age_ma"] is None and present["precession_constant"] is None
    assert len(present["targets"]["obliquity"]) == 3
    # Obliquity pairs are taken and left out of the scores; an age and targets are not taken
    # together, nor an age beyond the model.
    own = tonalith.timeopt(z, y, numsed=9, targets=[(p, "e") for p in ECCENTRICITY]
                           + [(p, "p") for p in PRECESSION] + [(41.0, "o")])
    assert np.array_equal(own["r2_opt"], present["r2_opt"])
    assert list(own["targets"]["obliquity"]) == [41.0]
    with pytest.raises(ValueError, match=r"^age_ma: .*not both"):
        tonalith.timeopt(z, y, age_ma=90, targets=[(400.0, "e"), (23.0, "p")])
    with pytest.raises(ValueError, match=r"^age_ma: .*0 to 620"):
        tonalith.etimeopt(z, y, window_length=12, step_length=3, age_ma=1000)


def test_etimeopt_and_its_age_model_equal_the_tools(tmp_path, record):
    file, z, y = record
    track_file = tmp_path / "track.tsv"
    _, columns = tool(tmp_path, "etimeopt", file, 12, 3, track_file)
    e = tonalith.etimeopt(z, y, window_length=12, step_length=3, sims=20)
    windows, rates = len(e["centres"]), len(e["rates"])
    assert e["r2_opt"].shape == (windows, rates)
    assert np.array_equal(np.repeat(e["centres"], rates), columns["x_centre"])
    assert np.array_equal(np.tile(e["rates"], windows), columns["sedimentation_rate"])
    for name in ("r2_envelope", "r2_power", "r2_opt"):
        assert np.array_equal(e[name].ravel(), columns[name]), name
    _, track = table(track_file)
    for name in e["track"].dtype.names:
        assert np.array_equal(e["track"][name], track[name]), name
    assert np.array_equal(e["p_values"], track["p_value"])
    assert len(e["modes"]) == windows
    assert np.all(e["track"]["rate_low"] <= e["track"]["rate_high"])
    assert np.all(np.abs(e["track"]["sedimentation_rate"] / 2.0 - 1) < 0.1)

    _, tuned = tool(tmp_path, "sedrate", file, track_file)
    m = tonalith.tune_sedrate(z, y, e["track"], accept_flags=True)
    assert np.array_equal(m["tuned_age"], tuned["age"])
    # Without accept_flags, a track with a window flagged edge, alias or jump is refused.
    edited = e["track"].copy()
    edited["flag"][1] = "alias"
    with pytest.raises(ValueError, match=r"^accept_flags: .*x_centre .* alias"):
        tonalith.tune_sedrate(z, y, edited)
    edited["flag"][:] = "ok"
    assert np.array_equal(tonalith.tune_sedrate(z, y, edited)["age"], m["age"])
    assert np.array_equal(m["tuned_value"], tuned["value"])


def test_asm_equals_the_tools_and_the_trace_is_held_against_the_track(tmp_path, record):
    file, z, y = record
    block, columns = tool(tmp_path, "asm", file, 300)
    a = tonalith.asm(z, y, sims=300)
    for name, column in (("rates", "sedimentation_rate"), ("misfit", "misfit"),
                         ("p_null", "p_null")):
        assert np.array_equal(a[name], columns[column]), name
    assert f"# best sedimentation rate: {a['best_rate']!r} cm/kyr" in block
    assert 0 < a["null_probability"] <= a["corrected_null_probability"] <= 1
    with pytest.raises(ValueError, match=r"^level: "):
        tonalith.asm(z, y, level=1.5)
    # A precession line (21 kyr at 2 cm/kyr: 0.42 m) called 41 kyr.
    track = np.array([(0.0, 2.0), (30.0, 2.0)],
                     dtype=[("x_centre", "f8"), ("identified_rate", "f8")])
    with pytest.raises(ValueError, match=r"^check_track: .*precession, not 41 kyr"):
        tonalith.tune(z, y, [5, 25], [1 / 0.42, 1 / 0.42], period=41, check_track=track)
    m = tonalith.tune(z, y, [5, 25], [1 / 0.42, 1 / 0.42], period=41, check_track=track,
                      accept_flags=True)
    assert "precession" in m["mismatches"]
    assert tonalith.tune(z, y, [5, 25], [1 / 0.42, 1 / 0.42], period=21,
                         check_track=track)["mismatches"] == ""


def test_tune_sedrate_is_exact_for_a_piecewise_linear_rate():
    z = np.linspace(0, 4, 41)
    m = tonalith.tune_sedrate(z, np.zeros(41), [1, 3], [1.0, 3.0], start_age=10)
    # held at 1 cm/kyr up to 1 m, then s = z; beyond 3 m held at 3 cm/kyr
    s = np.clip(z, 1, 3)
    expected = 10 + 100 * (np.minimum(z, 1) + np.log(s) + np.maximum(z - 3, 0) / 3)
    assert np.allclose(m["age"], expected, rtol=1e-12, atol=1e-9)
    centimetres = tonalith.tune_sedrate(z * 100, np.zeros(41), [100, 300], [1.0, 3.0],
                                        positions_in="cm", start_age=10)
    assert np.allclose(centimetres["age"], expected, rtol=1e-12)


def test_the_band_and_the_anchors_equal_the_tools(tmp_path, record):
    """A track of 2 cm/kyr with a 10 % interval per row, in windows of 8 m: the module's band,
    duration and anchors are the tool's, number for number, for the same seed."""
    file, z, y = record
    track = np.zeros(23, dtype=[(n, "f8") for n in ("x_centre", "sedimentation_rate",
                                                    "rate_low", "rate_high")])
    track["x_centre"] = np.arange(4, 27)
    track["sedimentation_rate"], track["rate_low"], track["rate_high"] = 2, 1.8, 2.2
    path = tmp_path / "track.tsv"
    path.write_text("# window: 8 position units, step 1\nx_centre\tsedimentation_rate\t"
                    "rate_low\trate_high\n" + "".join(f"{r[0]!r}\t2\t1.8\t2.2\n" for r in track))
    model = tmp_path / "model.tsv"
    done = subprocess.run([CLI, "tune", file, "--sedrate", str(path), "--ensemble", "200",
                           "--seed", "5", "--anchor", "5:300:4", "--anchor", "25:1310:6",
                           "--model", str(model), "-o", os.devnull], capture_output=True,
                          text=True)
    assert done.returncode == 0, done.stderr
    block, columns = table(model)
    m = tonalith.tune_sedrate(z, y, track, ensemble=200, seed=5, window_length=8,
                              anchors=[(5, 300, 4), (25, 1310, 6)], return_ensemble=True)
    for name in ("age", "age_low", "age_median", "age_high"):
        assert np.array_equal(m[name], columns[name]), name
    assert m["ensemble"].shape == (200, len(z))
    assert np.array_equal(np.quantile(m["ensemble"], 0.5, axis=0), m["age_median"])
    assert any(line.startswith("# duration: ") for line in block)
    second = m["anchor_misses"][1]
    # Shifted to 300 at 5 m, the rows give 300 + 1000 at 25 m (20 m at 2 cm/kyr): 10 too young.
    assert second["miss"] == pytest.approx(-10, abs=1e-6) and second["miss_sd"] < 0
    for keywords, named in (({"ensemble": 5}, "window_length"),
                            ({"anchors": [(5, 300), (25, 200)]}, "anchors"),
                            ({"anchors": [(5, 300)], "start_age": 2}, "start_age"),
                            ({"return_ensemble": True}, "return_ensemble")):
        with pytest.raises(ValueError, match=f"^{named}: "):
            tonalith.tune_sedrate(z, y, track, **keywords)
    with pytest.raises(ValueError, match="^track_positions: the rows need the fields rate_low"):
        tonalith.tune_sedrate(z, y, track[["x_centre", "sedimentation_rate"]], ensemble=5,
                              window_length=8)


def test_ctrl_c_stops_the_significance():
    x = np.arange(4000) * 0.02
    y = np.random.default_rng(1).standard_normal(4000)
    started = threading.Event()

    def interrupt():
        started.wait()
        os.kill(os.getpid(), signal.SIGINT)

    previous = signal.signal(signal.SIGINT, signal.default_int_handler)
    helper = threading.Thread(target=interrupt)
    helper.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            started.set()
            tonalith.timeopt(x, y, sims=100_000)
    finally:
        helper.join()
        signal.signal(signal.SIGINT, previous)


def test_a_trace_over_a_step_is_read_as_precession_too(tmp_path):
    """2 cm/kyr to 20 m, then 4: obliquity's line traced from the start goes over to a
    precession line after the step, where period 41 makes the ages twice too long. The rows
    there are drawn at either reading, so the band still holds the true ages; the tool's '#'
    block names the rows as the module does, and both draw the same band."""
    rng = np.random.default_rng(3)
    z = np.arange(800) * 0.05
    t = np.where(z < 20, z * 50, 1000 + (z - 20) * 25)
    e = sum(np.cos(2 * np.pi * t / p) for p in ECCENTRICITY)
    y = (0.5 * e + (1 + 0.3 * e) * sum(np.cos(2 * np.pi * t / p + i)
                                       for i, p in enumerate(PRECESSION))
         + np.cos(2 * np.pi * t / 41) + 0.3 * rng.standard_normal(len(z)))
    series = tmp_path / "step.tsv"
    series.write_text("depth\tvalue\n" + "".join(f"{a!r}\t{b!r}\n" for a, b in zip(z, y)))
    trace_file, model_file = tmp_path / "trace.tsv", tmp_path / "model.tsv"
    start = f"{z[160]!r}:{100 / (41 * 2.0)!r}"
    for words in (["trace", str(series), "--window", "320", "--step", "40", "--fmax-unit", "3",
                   "--start", start, "-o", str(trace_file)],
                  ["tune", str(series), "--trace", str(trace_file), "--period", "41",
                   "--accept-flags", "--ensemble", "200", "--seed", "3", "--model",
                   str(model_file), "-o", os.devnull]):
        done = subprocess.run([CLI, *words, "--quiet"], capture_output=True, text=True)
        assert done.returncode == 0, done.stderr
    _, traced = table(trace_file)
    trace = np.zeros(len(traced["x_centre"]), dtype=[(n, "f8") for n in (
        "x_centre", "frequency", "frequency_low", "frequency_high")])
    for name in trace.dtype.names:
        trace[name] = traced[name]
    m = tonalith.tune(z, y, trace, period=41, accept_flags=True, ensemble=200, seed=3,
                      window_length=16)
    assert "precession" in m["cycle_readings"], m["cycle_readings"]
    assert m["age"][-1] > 1.2 * t[-1]  # the period alone: far too old
    assert m["age_low"][-1] <= t[-1] <= m["age_high"][-1]
    block, columns = table(model_file)
    assert f"# cycle reading: {m['cycle_readings']}" in block
    for name in ("age", "age_low", "age_median", "age_high"):
        assert np.array_equal(m[name], columns[name]), name
