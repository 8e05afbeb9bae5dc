# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""Builds the stubmeta wheel: the ctypes module with libstubmeta.so.1 inside.

`python3 -m build --wheel --no-isolation` (run in python/) puts the shared
library beside the module, where the module looks first after
STUBMETA_LIBRARY, and tags the wheel for this platform.  The library is the
file that STUBMETA_BUILD_LIBRARY names (a build of this tree, to reuse it);
without that variable it is built here with CMake from the source tree one
folder up.  A copy of python/ on its own, without that variable, makes a
pure wheel that loads the system's library, as before.  The project's
LICENSE goes into the wheel too.
"""

import os
import shutil
import subprocess
from pathlib import Path

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

try:
    from wheel.bdist_wheel import bdist_wheel
except ImportError:  # a plain `pip install ./python` needs no wheel tag
    bdist_wheel = None

HERE = Path(__file__).resolve().parent
SOURCE_TREE = HERE.parent
LIBRARY_NAME = "libstubmeta.so.1"


def library_available() -> bool:
    """Whether a library can be shipped: one named, or a source tree to build."""
    return bool(os.environ.get("STUBMETA_BUILD_LIBRARY")) or (SOURCE_TREE / "CMakeLists.txt").is_file()


def built_library() -> Path:
    """The shared library to ship: STUBMETA_BUILD_LIBRARY's, or one built now."""
    given = os.environ.get("STUBMETA_BUILD_LIBRARY")
    if given:
        return Path(given).resolve()
    build = HERE / "build" / "native"
    subprocess.run(["cmake", "-S", str(SOURCE_TREE), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                    "-DSTUBMETA_TOOL=OFF", "-DSTUBMETA_TESTS=OFF"], check=True)
    subprocess.run(["cmake", "--build", str(build), "--target", "stubmeta"], check=True)
    return (build / "src" / LIBRARY_NAME).resolve()


class BuildWithLibrary(build_py):
    """Copies the shared library into the package being built."""

    def run(self):
        super().run()
        if not getattr(self.distribution, "ship_library", False):
            return
        target = Path(self.build_lib) / "stubmeta" / LIBRARY_NAME
        shutil.copyfile(built_library(), target)
        # Debugging sections are of no use in a wheel and triple its size.
        if shutil.which("strip"):
            subprocess.run(["strip", "--strip-unneeded", str(target)], check=True)


class LibraryDistribution(Distribution):
    """A distribution holding a native library, so its wheel is platform-tagged."""

    def has_ext_modules(self):
        return bool(getattr(self, "ship_library", False))


commands = {"build_py": BuildWithLibrary}
if bdist_wheel is not None:
    class PlatformWheel(bdist_wheel):
        """A wheel for any Python 3 on this platform: the module is pure
        Python, only the library it loads is native."""

        def finalize_options(self):
            self.distribution.ship_library = library_available()
            super().finalize_options()
            self.root_is_pure = not self.distribution.ship_library

        def get_tag(self):
            if not self.distribution.ship_library:
                return super().get_tag()
            _, _, platform = super().get_tag()
            return "py3", "none", platform

    commands["bdist_wheel"] = PlatformWheel

license_files = []
if (SOURCE_TREE / "LICENSE").is_file():
    shutil.copyfile(SOURCE_TREE / "LICENSE", HERE / "LICENSE")
    license_files = ["LICENSE"]
setup(cmdclass=commands, distclass=LibraryDistribution,
      options={"metadata": {"license_files": license_files}} if license_files else {})
