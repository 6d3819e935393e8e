"""Builds the package tonalith with setuptools, for pip:

    /usr/bin/python3 -m pip install --no-build-isolation --no-deps .

The extension tonalith._core is compiled from the module's, the core libraries' and the engine's
sources with the system's C++ compiler and Debian's pybind11 headers (/usr/include/pybind11),
with the flags CMake gives them: the results equal those of the CMake-built module bit for bit.
The sources and the project's own flags are those of cmake/Sources.cmake, as for CMake.
"""

import os
import re
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

VERSION = re.search(r"project\(Tonalith VERSION ([0-9.]+)",
                    Path("CMakeLists.txt").read_text()).group(1)


def cmake_lists(path="cmake/Sources.cmake"):
    """The set(NAME items...) lists of the file, with ${OTHER} lists expanded."""
    text = re.sub(r"#[^\n]*", "", Path(path).read_text())
    lists = {}
    for name, body in re.findall(r"set\((\w+)\s+([^)]*)\)", text):
        items = []
        for item in body.split():
            used = re.fullmatch(r"\$\{(\w+)\}", item)
            items += lists[used.group(1)] if used else [item]
        lists[name] = items
    return lists


LISTS = cmake_lists()

# The flags of the CMake build (Release): its language level and optimisation, the module's
# hidden symbols, and the project's warnings. The engine's rounding is part of its definition:
# its flags come last, after any CFLAGS, so that nothing contracts its products into sums or
# lets fast-math reorder them.
CXX_FLAGS = ["-std=gnu++17", "-O3", "-g0", "-fvisibility=hidden"] + LISTS["TONALITH_WARNING_FLAGS"]
ENGINE_FLAGS = LISTS["TONALITH_ENGINE_FLAGS"]
ENGINE_SOURCES = LISTS["TONALITH_ENGINE_SOURCES"]

# pip's build and its metadata beside CMake's, in the ignored build folder.
BUILD = "build/pip"
os.makedirs(BUILD, exist_ok=True)


class BuildCore(build_ext):
    """Compiles every source, several at a time, each with its own flags, then links them."""

    def build_extension(self, ext):
        def compile_one(source):
            flags = CXX_FLAGS + (ENGINE_FLAGS if source in ENGINE_SOURCES else [])
            return self.compiler.compile([source], output_dir=self.build_temp,
                                         macros=ext.define_macros, include_dirs=ext.include_dirs,
                                         extra_postargs=flags)

        with ThreadPoolExecutor(os.cpu_count()) as pool:
            objects = [o for built in pool.map(compile_one, ext.sources) for o in built]
        self.compiler.link_shared_object(objects, self.get_ext_fullpath(ext.name),
                                         libraries=ext.libraries,
                                         extra_postargs=ext.extra_link_args,
                                         export_symbols=self.get_export_symbols(ext),
                                         build_temp=self.build_temp, target_lang="c++")


core = Extension(
    "tonalith._core",
    sources=sorted(LISTS["TONALITH_PYTHON_SOURCES"] + LISTS["TONALITH_CORE_SOURCES"] + ENGINE_SOURCES),
    # The project's root, and the engine's own include root (engine/CMakeLists.txt).
    include_dirs=[".", "engine/include"],
    define_macros=[("TONALITH_VERSION", f'"{VERSION}"')],
    libraries=["quadmath", "fftw3"],
    extra_link_args=["-pthread"],
    language="c++",
)

setup(
    version=VERSION,
    packages=["tonalith"],
    package_dir={"tonalith": "python/tonalith"},
    package_data={"tonalith": ["_core.pyi", "py.typed"]},
    ext_modules=[core],
    cmdclass={"build_ext": BuildCore},
    zip_safe=False,
    options={"build": {"build_base": BUILD}, "egg_info": {"egg_base": BUILD}},
)
