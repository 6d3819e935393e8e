"""The Python module against the tool: the same numbers and refusals, threads and Ctrl+C.

Needs TONALITH_CLI (tonalith-cli) and TONALITH_SAMPLE (app/resources/etp.txt: ages in ka, so
frequencies in cycles per kyr) in the environment, and the module on PYTHONPATH."""
import os
import signal
import subprocess
import threading
import warnings

import numpy as np
import pytest

import tonalith

CLI = os.environ["TONALITH_CLI"]
SAMPLE = os.environ["TONALITH_SAMPLE"]


def tool_table(tmp_path, *args):
    out = tmp_path / "out.tsv"
    done = subprocess.run([CLI, *args, "--quiet", "-o", str(out)], cwd=tmp_path,
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    lines = out.read_text().splitlines()
    header = [line for line in lines if line.startswith("#")]
    # The numbers only: a trace's flag column is left out, a missing period ("NA") is nan.
    kept = [i for i, title in enumerate(lines[len(header)].split("\t")) if title != "flag"]
    rows = [[float(fields[i].replace("NA", "nan")) for i in kept]
            for fields in (line.split("\t") for line in lines[len(header) + 1:])]
    return header, np.array(rows)


def tool_refusal(*args):
    """The tool's message, as the module words it ("--tapers: ..." -> "tapers: ...")."""
    done = subprocess.run([CLI, *args, "-o", os.devnull], capture_output=True, text=True)
    assert done.returncode == 2
    text = done.stderr.strip().removeprefix("tonalith-cli: ")
    return text[2:] if text.startswith("--") else text


def same(a, b):
    return all(np.array_equal(getattr(a, f), getattr(b, f))
               for f in ("centres", "frequencies", "amplitude", "probability"))


@pytest.fixture(scope="module")
def sample():
    return tonalith.load(SAMPLE)


@pytest.fixture(scope="module")
def result(sample):
    return tonalith.analyze(sample.positions, sample.values)


# The same numbers as the tool.

def test_rows_equal_the_tools(tmp_path, result):
    header, rows = tool_table(tmp_path, "analyze", SAMPLE)
    windows, bins = (2001 - 400) // 25 + 1, 246
    assert result.amplitude.shape == result.probability.shape == (windows, bins)
    assert result.centres.shape == (windows,) and result.frequencies.shape == (bins,)
    assert all(getattr(result, f).dtype == np.float64 for f in ("amplitude", "probability"))
    assert result.parameters["window"] == 400 and result.parameters["samples"] == 2001
    assert rows.shape == (windows * bins, 4)
    assert np.array_equal(rows[:, 0], np.repeat(result.centres, bins))
    assert np.array_equal(rows[:, 1], np.tile(result.frequencies, windows))
    assert np.array_equal(rows[:, 2], result.amplitude.ravel())
    assert np.array_equal(rows[:, 3], result.probability.ravel())
    assert header[0].startswith(f"# Tonalith {tonalith.__version__}:")


def test_peaks_equal_the_tools_and_find_the_orbital_lines(tmp_path, result):
    _, rows = tool_table(tmp_path, "peaks", SAMPLE, "--level", "0.9")
    peaks = result.peaks(0.9)
    assert peaks.dtype.names == ("x_centre", "frequency", "period", "amplitude", "probability")
    assert np.array_equal(np.column_stack([peaks[n] for n in peaks.dtype.names]), rows)
    lines = result.peaks()
    for centre in result.centres:  # obliquity in every window, precession in some
        assert np.min(np.abs(lines["frequency"][lines["x_centre"] == centre] - 1 / 41)) < 1e-3
    assert np.min(np.abs(lines["frequency"] - 1 / 23)) < 5e-4


def test_false_discovery_control_and_spectrum_equal_the_tools(tmp_path, sample, result):
    _, rows = tool_table(tmp_path, "peaks", SAMPLE, "--fdr", "0.05")
    peaks = result.peaks(fdr=0.05)
    assert np.array_equal(np.column_stack([peaks[n] for n in peaks.dtype.names]), rows)
    assert len(peaks) < len(result.peaks())
    _, rows = tool_table(tmp_path, "spectrum", SAMPLE, "--background", "robust")
    s = tonalith.spectrum(sample.positions, sample.values, background="robust")
    names = ("frequency", "period", "power", "amplitude", "probability", "background",
             "level_90", "level_95", "level_99", "dof", "reliable")
    assert np.isnan(rows[0, 1]) and np.isnan(s["period"][0])  # frequency 0 has no period
    assert np.array_equal(np.column_stack([s[n] for n in names]), rows, equal_nan=True)
    assert s["kind"] == "robust" and s["nfft"] == 4096 and s["converged"]
    assert s["reliable"].dtype == bool and not s["reliable"][0] and s["reliable"][-1]
    with pytest.raises(ValueError, match="^background: "):
        tonalith.spectrum(sample.positions, sample.values, background="white")
    with pytest.raises(ValueError, match="^fdr: "):
        result.peaks(fdr=1.5)


def test_trace_and_tune_equal_the_tools(tmp_path, result, sample):
    header, rows = tool_table(tmp_path, "trace", SAMPLE, "--start", "600:0.0244")
    traced = result.trace(600, 0.0244)
    numbers = ("x_centre", "frequency", "period", "amplitude", "probability", "frequency_low",
               "frequency_high")
    assert np.array_equal(np.column_stack([traced[n] for n in numbers]), rows)
    assert np.all(traced["frequency_low"] <= traced["frequency"])
    assert np.all(traced["frequency"] <= traced["frequency_high"])
    wider = result.trace(600, 0.0244, interval=0.99)
    assert np.all(wider["frequency_high"] - wider["frequency_low"]
                  >= traced["frequency_high"] - traced["frequency_low"])
    started = traced[traced["start"]]
    assert len(started) == 1 and started["x_centre"][0] == result.centres[
        np.argmin(np.abs(result.centres - 600))]
    assert any(line.endswith(f"frequency {started['frequency'][0]!r}") for line in header)
    trace_file = tmp_path / "trace.tsv"
    trace_file.write_text("x_centre\tfrequency\n" + "".join(
        f"{x!r}\t{f!r}\n" for x, f in zip(traced["x_centre"], traced["frequency"])))
    _, tuned = tool_table(tmp_path, "tune", SAMPLE, "--trace", str(trace_file), "--period", "41",
                          "--step", "2")
    t = tonalith.tune(sample.positions, sample.values, traced["x_centre"], traced["frequency"],
                      period=41, step=2)
    assert np.array_equal(np.column_stack([t["tuned_age"], t["tuned_value"]]), tuned)
    with pytest.raises(ValueError, match="^x: "):
        result.trace(1e9, 0.0244)
    with pytest.raises(ValueError, match="^trace: row 2 "):
        tonalith.tune(sample.positions, sample.values, [1, 1], [0.02, 0.02], period=41)


def test_an_age_band_drawn_with_the_tools_seed_is_the_tools(tmp_path, result, sample):
    """The tool's band from its own trace file and the module's from the same trace, drawn with
    one seed: equal number for number."""
    trace_file = tmp_path / "trace.tsv"
    model_file = tmp_path / "model.tsv"
    tool_table(tmp_path, "trace", SAMPLE, "--start", "1000:0.0244")
    (tmp_path / "out.tsv").rename(trace_file)
    tool_table(tmp_path, "tune", SAMPLE, "--trace", str(trace_file), "--period", "41:1",
               "--accept-flags", "--ensemble", "20", "--seed", "5", "--model", str(model_file))
    lines = [line for line in model_file.read_text().splitlines() if not line.startswith("#")]
    titles = lines[0].split("\t")
    band = np.array([[float(v) for v in line.split("\t")] for line in lines[1:]])
    t = tonalith.tune(sample.positions, sample.values, result.trace(1000, 0.0244), period=41,
                      period_sd=1, accept_flags=True, ensemble=20, seed=5, window_length=400)
    for name in ("age", "age_low", "age_median", "age_high"):
        assert np.array_equal(t[name], band[:, titles.index(name)]), name
    other = tonalith.tune(sample.positions, sample.values, result.trace(1000, 0.0244),
                          period=41, period_sd=1, accept_flags=True, ensemble=20, seed=6,
                          window_length=400)
    assert not np.array_equal(other["age_low"], t["age_low"])


def test_tapers_equal_the_tools(tmp_path):
    out = tmp_path / "tapers.tsv"
    subprocess.run([CLI, "tapers", "--length", "256", "--tapers", "5", "--tbw", "4", "-o",
                    str(out)], check=True)
    ratios_text, tapers_text = out.read_text().split("\n\n")
    tapers, ratios = tonalith.tapers(256, 5, 4.0)
    assert tapers.shape == (5, 256) and ratios.shape == (5,) and tapers.dtype == np.float64
    assert np.array_equal(ratios, [float(r.split("\t")[1]) for r in ratios_text.splitlines()[1:]])
    table = np.array([[float(f) for f in r.split("\t")] for r in tapers_text.splitlines()[1:]])
    assert np.array_equal(tapers, table[:, 1:].T)
    assert np.all(ratios > 0.99) and np.all(ratios < 1)
    assert np.allclose(np.sum(tapers**2, axis=1), 1)
    for args, name in (((1, 1, 0.5), "n"), ((256, 0, 4.0), "k"), ((256, 5, 300.0), "tbw")):
        with pytest.raises(ValueError, match=f"^{name} "):
            tonalith.tapers(*args)


# Inputs.

def test_uneven_positions_are_refused_unless_resampled(sample):
    x = sample.positions + np.where(np.arange(2001) % 2, 0.25, 0.0)
    runs = (tonalith.analyze, tonalith.spectrum,
            lambda x, y: tonalith.bandpass(x, y, passband=(0.01, 0.05)),
            lambda x, y: tonalith.timeopt(x, y, positions_in="cm"),
            lambda x, y: tonalith.etimeopt(x, y, window_length=500, step_length=100,
                                           positions_in="cm"))
    for run in runs:
        with pytest.raises(ValueError, match=r"^positions: the positions are not evenly spaced "
                           r"\(spacing from 0.75 to 1.25, median 1\).* interpolate=1 "):
            run(x, sample.values)
    assert len(tonalith.bandpass(x, sample.values, passband=(0.01, 0.05),
                                 interpolate=True)["envelope"]) == 2001
    resampled = tonalith.analyze(x, sample.values, interpolate=True)
    assert resampled.parameters["interpolation"].startswith("linear, to even spacing 1 ")


def test_lists_strided_and_integer_arrays_are_accepted(sample, result):
    x, y = sample.positions, sample.values
    assert same(tonalith.analyze(list(x), list(y)), result)
    strided = np.repeat(np.column_stack([x, y]), 2, axis=0)[::2]
    assert not strided[:, 0].flags.c_contiguous
    assert same(tonalith.analyze(strided[:, 0], strided[:, 1]), result)
    assert same(tonalith.analyze(x.astype(np.int64), y), result)


# Refusals, in the tool's words.

@pytest.mark.parametrize("argument, value", [
    ("tapers", 0), ("window", 5000), ("nfft", 256), ("fmax", 0), ("tbw", 300), ("step", 0),
    ("interpolate", -1), ("detrend", "cubic")])
def test_refused_settings_name_the_argument(sample, argument, value):
    with pytest.raises(ValueError) as refused:
        tonalith.analyze(sample.positions, sample.values, **{argument: value})
    assert str(refused.value) == tool_refusal("analyze", SAMPLE, f"--{argument}", str(value))


def test_refused_series_name_the_argument(sample):
    x, y = np.arange(500.0), np.ones(500)
    y[3] = np.nan
    with pytest.raises(ValueError, match="^values: line 4 holds the value nan"):
        tonalith.analyze(x, y, window=100)
    with pytest.raises(ValueError, match="^positions, values: the lengths differ"):
        tonalith.analyze(x, y[:-1], window=100)
    with pytest.raises(ValueError, match="^log: "):
        tonalith.analyze(sample.positions, sample.values, log=True)


def test_load_reads_and_refuses_as_the_tool_does(tmp_path, sample):
    assert sample.title == "etp" and sample.positions.dtype == np.float64
    assert np.array_equal(tonalith.load(SAMPLE, column="precession").values,
                          tonalith.load(SAMPLE, column=4).values)
    missing = str(tmp_path / "missing.txt")
    for path, column in ((missing, 1), (SAMPLE, "nope"), (SAMPLE, 9)):
        with pytest.raises(ValueError) as refused:
            tonalith.load(path, column)
        assert str(refused.value) == tool_refusal("analyze", path, "--column", str(column))


def test_dropped_lines_are_named_by_the_module_and_the_tool(tmp_path):
    lines = ["depth\tgrey", "# measured 2021"]
    lines += [f"{i * 0.01:.2f}\t{np.sin(i / 7.0):.6f}" for i in range(600)]
    lines[58] = "0.56\tn/a"               # file line 59
    lines[501] = "4.99\t401.965926x"      # file line 502
    lines.insert(300, "")                   # blank: not a data line, dropped silently
    data = tmp_path / "gaps.txt"
    data.write_text("\n".join(lines) + "\n")
    with pytest.warns(tonalith.DroppedLinesWarning) as caught:
        s = tonalith.load(data)
    assert caught[0].message.lines == [(59, "n/a"), (503, "401.965926x")]
    assert len(s.positions) == 598 and 0.56 not in s.positions
    note = "dropped lines: 2 (59: n/a, 503: 401.965926x)"
    assert note in str(caught[0].message)
    header, _ = tool_table(tmp_path, "analyze", str(data), "--interpolate")
    assert "# " + note in header
    done = subprocess.run([CLI, "analyze", str(data), "--interpolate", "-o", os.devnull],
                          capture_output=True, text=True)
    assert note in done.stderr
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        tonalith.load(SAMPLE)               # a clean file warns nothing


# Threads and Ctrl+C.

def test_concurrent_calls_give_the_single_thread_result(sample, result):
    results = [None] * 3
    threads = [threading.Thread(target=lambda i=i: results.__setitem__(i, tonalith.analyze(
        sample.positions, sample.values, workers=1 + i % 2))) for i in range(3)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert all(r is not None and same(r, result) for r in results)


def test_ctrl_c_interrupts_an_analysis_and_the_next_one_works(sample, result):
    x = np.arange(200_000, dtype=np.float64)
    y = np.sin(x / 41.0)
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
            tonalith.analyze(x, y, window=2000, step=10)
    finally:
        helper.join()
        signal.signal(signal.SIGINT, previous)
    assert same(tonalith.analyze(sample.positions, sample.values), result)


def test_records_go_to_the_users_cache_or_the_folder_given(tmp_path, monkeypatch, sample):
    work, cache, own = tmp_path / "work", tmp_path / "cache", tmp_path / "own"
    work.mkdir()
    own.mkdir()
    monkeypatch.chdir(work)
    monkeypatch.setenv("XDG_CACHE_HOME", str(cache))
    tonalith.analyze(sample.positions, sample.values)
    assert (cache / "tonalith" / "fort.17").is_file()  # the folder made when missing
    tonalith.spectrum(sample.positions, sample.values, records=own)
    assert (own / "fort.17").is_file()
    assert list(work.iterdir()) == []  # never the working directory
    for folder, problem in ((tmp_path / "missing", "No such file"), (own / "fort.17", "not a folder")):
        with pytest.raises(ValueError, match=f"^records: {folder}: {problem}"):
            tonalith.analyze(sample.positions, sample.values, records=folder)
