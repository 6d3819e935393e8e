"""The package's interface as documented: its type stubs and numpydoc docstrings agree with the
signatures of the compiled functions."""
import ast
import inspect
import re
from pathlib import Path

import pytest

import tonalith

STUB = ast.parse(Path(tonalith.__file__).with_name("_core.pyi").read_text())
STUB_ANALYSIS = next(n for n in STUB.body if isinstance(n, ast.ClassDef) and n.name == "Analysis")


def stub_functions():
    functions = {n.name: n for n in STUB.body if isinstance(n, ast.FunctionDef)}
    for n in STUB_ANALYSIS.body:
        if isinstance(n, ast.FunctionDef) and not n.decorator_list:
            functions[f"Analysis.{n.name}"] = n
    return functions


def runtime(name):
    obj = tonalith
    for part in name.split("."):
        obj = getattr(obj, part)
    return obj


def parameters(function):
    """Name, keyword-only and default of each parameter but self."""
    a = function.args
    positional = a.posonlyargs + a.args
    defaults = [None] * (len(positional) - len(a.defaults)) + a.defaults
    rows = [(p.arg, False, d) for p, d in zip(positional, defaults)]
    rows += [(p.arg, True, d) for p, d in zip(a.kwonlyargs, a.kw_defaults)]
    return [(name, keyword, d and ast.dump(d)) for name, keyword, d in rows if name != "self"]


def documented(doc, heading="Parameters"):
    """The names a numpydoc section describes, in order."""
    pattern = rf"\n{heading}\n-+\n(.*?)(?:\n\n\S[^\n]*\n-+\n|\Z)"
    section = re.search(pattern, inspect.cleandoc(doc), re.S)
    assert section, f"no {heading} section"
    return [name.strip() for line in section.group(1).splitlines()
            if line and not line.startswith(" ") for name in line.split(" : ")[0].split(",")]


@pytest.mark.parametrize("name, stub", stub_functions().items())
def test_stubs_and_docstrings_match_the_signatures(name, stub):
    doc = runtime(name).__doc__
    signature = ast.parse(f"def {doc.splitlines()[0]}: ...").body[0]
    assert parameters(stub) == parameters(signature)
    assert documented(doc) == [p for p, _, _ in parameters(signature)]
    assert "\nReturns\n-------\n" in doc and "\nRaises\n------\n" in doc


def test_every_public_name_is_typed_and_documented():
    stubbed = {n.name for n in STUB.body if isinstance(n, (ast.FunctionDef, ast.ClassDef))}
    # Defined in Python beside the compiled names: the series and the loader's warning.
    assert set(tonalith.__all__) == stubbed | {"DroppedLinesWarning", "Series", "__version__"}
    assert all(runtime(n).__doc__.strip() for n in tonalith.__all__ if n != "__version__")
    properties = {n.name for n in STUB_ANALYSIS.body
                  if isinstance(n, ast.FunctionDef) and n.decorator_list}
    actual = {n for n, v in vars(tonalith.Analysis).items() if isinstance(v, property)}
    assert properties == actual
    assert sorted(documented(tonalith.Analysis.__doc__, "Attributes")) == sorted(properties)
    assert documented(tonalith.Series.__doc__, "Attributes") == list(tonalith.Series._fields)
    assert documented(tonalith.DroppedLinesWarning.__doc__, "Attributes") == ["lines"]
