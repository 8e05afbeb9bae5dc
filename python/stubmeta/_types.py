# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""The stub types and families, and the one check every function applies
to a type or family it is given."""

import ctypes
import enum
from typing import Type, TypeVar, Union

from . import _native
from ._errors import UnknownTypeError


class StubType(enum.IntEnum):
    """The stub types; 6 and 7 are one layout whose envelope's checksum is
    stored big- or little-endian."""
    INVALID = 0
    WINDOWS_LOCAL = 1
    WINDOWS_LOCAL_CSVFS = 2
    WINDOWS_CELERRA = 3
    WINDOWS_DMNAS = 4
    WINDOWS_DMNAS_ALT = 5
    UNIX_BIGENDIAN = 6
    UNIX_LITTLEENDIAN = 7


class Family(enum.IntEnum):
    """The families parse() can be limited to."""
    WINDOWS = 1  # types 1, 2
    NAS = 2      # types 3, 4
    UNIX = 3     # types 6, 7


_Member = TypeVar("_Member", StubType, Family)


def _member(enumeration: Type[_Member], value: Union[int, _Member], what: str,
            lowest: int) -> _Member:
    """value as a member of enumeration from lowest on: TypeError unless it
    is an int (a bool, a str or a float is no type number),
    UnknownTypeError unless it is one of those members."""
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{what} takes an int or a {enumeration.__name__}, "
                        f"not {type(value).__name__}")
    highest = max(int(member) for member in enumeration)
    if not lowest <= value <= highest:
        raise UnknownTypeError(f"{value!r} is not a {what} ({lowest} to {highest})")
    return enumeration(value)


def stub_type(value: Union[int, StubType], what: str = "stub type") -> StubType:
    """value as a stub type that names a layout (1 to 7)."""
    return _member(StubType, value, what, StubType.WINDOWS_LOCAL)


def family(value: Union[int, Family]) -> Family:
    """value as a stub family (1 to 3)."""
    return _member(Family, value, "stub family", Family.WINDOWS)


def type_name(stub_type: Union[int, StubType]) -> str:
    """The library's name for a stub type, 0 (INVALID) to 7; TypeError and
    UnknownTypeError as every function taking a type raises them."""
    number = _member(StubType, stub_type, "stub type", StubType.INVALID)
    name = ctypes.create_string_buffer(32)
    _native.library().StubTypeAsString(number, name, 31)
    return name.value.decode("ascii")
