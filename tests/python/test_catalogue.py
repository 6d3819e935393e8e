"""The package's defaults are the catalogue's: where a function takes a keyword the catalogue
gives for the tool's command of the same name, its default is the catalogue's; and the
analysis itself takes every analysis parameter of the catalogue."""
import ast

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
