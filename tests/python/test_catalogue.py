"""The package's defaults are the catalogue's: where a function takes a keyword the catalogue
gives for the tool's command of the same name, its default is the catalogue's; and the
analysis itself takes every analysis parameter of the catalogue."""
import ast
import math

import numpy as np
import pytest

import tonalith
from tonalith import _core

FUNCTIONS = {
    "analyze": tonalith.analyze,
    "spectrum": tonalith.spectrum,
    "tapers": tonalith.tapers,
    "tune": tonalith.tune,
    "trace": tonalith.Analysis.trace,
    "peaks": tonalith.Analysis.peaks,
}


def signature(function):
    """Name and default (None when it has none) of each parameter, from the first line of the
    docstring as pybind11 writes it."""
    first = ast.parse(f"def {function.__doc__.splitlines()[0]}: ...").body[0].args
    positional = first.posonlyargs + first.args
    defaults = [None] * (len(positional) - len(first.defaults)) + first.defaults
    pairs = list(zip(positional, defaults)) + list(zip(first.kwonlyargs, first.kw_defaults))
    return {p.arg: (ast.literal_eval(d) if isinstance(d, ast.Constant) else None)
            for p, d in pairs}


def catalogued():
    for entry in _core.parameter_catalogue():
        for command in entry["commands"]:
            # Loading and preparation are read by load() or from the arrays instead.
            if command in FUNCTIONS and entry["keyword"] in signature(FUNCTIONS[command]):
                yield pytest.param(command, entry, id=f"{command}:{entry['keyword']}")


@pytest.mark.parametrize("command, entry", catalogued())
def test_keywords_and_defaults_are_the_catalogues(command, entry):
    function = FUNCTIONS[command]
    default = signature(function)[entry["keyword"]]
    if entry["numeric"] and isinstance(default, (int, float)) and not isinstance(default, bool):
        assert default == pytest.approx(entry["default"]), entry["keyword"]


def test_the_analysis_takes_every_parameter_of_the_map():
    taken = signature(tonalith.analyze)
    for keyword in ("tbw", "tapers", "window", "step", "nfft", "fmax", "workers", "keep_mean",
                    "interpolate", "log", "detrend", "standardise"):
        entry = next(e for e in _core.parameter_catalogue() if e["keyword"] == keyword)
        assert "analyze" in entry["commands"] and keyword in taken, keyword


# The catalogue's rule at each bound, against the module: every value the rule refuses is
# refused with a ValueError naming the keyword, as the tool names its option (the tool's side is
# in the C++ catalogue test, the window's in its own); the default is accepted.
X = np.arange(600) * 0.05
Y = np.sin(2 * np.pi * X / 0.9) + 0.3 * np.cos(2 * np.pi * X / 0.4)
CALLS = {
    "analyze": lambda kw: tonalith.analyze(X, Y, **kw),
    "spectrum": lambda kw: tonalith.spectrum(X, Y, **kw),
    "tapers": lambda kw: tonalith.tapers(**{"n": 64, "k": 2, "tbw": 2, **kw}),
    "tune": lambda kw: tonalith.tune(X, Y, [0, 29.95], [1.1, 1.1], **{"period": 41, **kw}),
    "trace": lambda kw: tonalith.analyze(X, Y, window=200).trace(**{"x": 15, "f": 1.1, **kw}),
    "timeopt": lambda kw: tonalith.timeopt(X, Y, **kw),
    "etimeopt": lambda kw: tonalith.etimeopt(X, Y, **{"window_length": 15, "step_length": 5,
                                                    **kw}),
}


def refused_values(entry):
    """Beyond each finite bound of the rule, and infinity for a real number (a fractional whole
    number is refused by the argument's type)."""
    low, high = entry["lowest"], entry["highest"]
    values = []
    if math.isfinite(low):
        values.append(low - 1 if entry["lowest_included"] else low)
    if math.isfinite(high):
        values.append(high + 1 if entry["highest_included"] else high)
    if not entry["whole"]:
        values.append(math.inf)
    return [int(v) if entry["whole"] else v for v in values]


def bounded():
    for entry in _core.parameter_catalogue():
        if not entry["numeric"] or not entry["keyword"]:
            continue
        for command in entry["all_commands"]:
            if command in CALLS and entry["keyword"] in signature_of(command):
                for value in refused_values(entry):
                    yield pytest.param(command, entry["keyword"], value,
                                       id=f"{command}:{entry['keyword']}={value}")


def signature_of(command):
    function = {"etimeopt": tonalith.etimeopt, "timeopt": tonalith.timeopt}.get(command)
    return signature(function or FUNCTIONS[command])


@pytest.mark.parametrize("command, keyword, value", bounded())
def test_every_value_the_rule_refuses_is_refused_naming_the_keyword(command, keyword, value):
    with pytest.raises(ValueError) as refused:
        CALLS[command]({keyword: value})
    assert str(refused.value).split(":")[0].split()[0] == keyword, str(refused.value)


def test_the_bounds_the_rule_includes_are_accepted():
    # The largest number of rates and of simulations and the largest seed, as the tool takes
    # them (the window's fields reach the same ends).
    catalogue = {e["keyword"]: e for e in _core.parameter_catalogue() if e["keyword"]}
    r = tonalith.timeopt(X, Y, numsed=int(catalogue["numsed"]["highest"]), sedmin=4, sedmax=5,
                         seed=int(catalogue["seed"]["highest"]), sims=1)
    assert r["p_value"] is not None and len(r["rates"]) > 0
