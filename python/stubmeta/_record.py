# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""The record as a Python dataclass, and its conversion to and from the C
record."""

import ctypes
import dataclasses
import enum
from typing import Union

from . import _native
from ._errors import FieldError

# Texts are UTF-8; bytes that are not become lone surrogates and are written
# back unchanged, so any byte string round-trips.
TEXT_ENCODING = "utf-8"
TEXT_ERRORS = "surrogateescape"


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


def decode_text(raw: bytes) -> str:
    """Bytes the library stored, as str (undecodable bytes as surrogates)."""
    return raw.decode(TEXT_ENCODING, TEXT_ERRORS)


def encode_text(text: Union[str, bytes, bytearray], what: str) -> bytes:
    """A str (or bytes) as the bytes the library stores."""
    if isinstance(text, (bytes, bytearray)):
        raw = bytes(text)
    else:
        try:
            raw = str(text).encode(TEXT_ENCODING, TEXT_ERRORS)
        except UnicodeEncodeError as error:
            raise FieldError(f"{what} cannot be encoded: {error}") from None
    if b"\0" in raw:
        raise FieldError(f"{what} holds a NUL byte")
    return raw


def type_name(stub_type: int) -> str:
    """The library's name for a stub type ("Invalid" for unknown numbers)."""
    name = ctypes.create_string_buffer(32)
    _native.library().StubTypeAsString(int(stub_type) & 0xFFFFFFFF, name, 31)
    return name.value.decode("ascii")


@dataclasses.dataclass
class CommonFields:
    """The five numbers that open every layout."""
    common1: int = 0
    common2: int = 0
    common3: int = 0
    common4: int = 0
    common5: int = 0


@dataclasses.dataclass
class Record:
    """A stub's metadata, with the C record's field names.  stubType is a
    StubType member after a parse."""
    stubType: StubType = StubType.INVALID
    common: CommonFields = dataclasses.field(default_factory=CommonFields)
    shortText: str = ""
    number1: int = 0
    auxText: str = ""
    number2: int = 0
    unixTextKind: int = 0
    number3: int = 0
    extraText: str = ""
    signedNumber: int = 0
    flag: int = 0
    longText: str = ""
    number4: int = 0
    number5: int = 0
    tailText: str = ""
    headText: str = ""

    @property
    def typeName(self) -> str:
        """The name of stubType, e.g. "UNIX_LITTLEENDIAN"."""
        return type_name(self.stubType)


_TEXT_FIELDS = ("shortText", "auxText", "extraText", "longText", "tailText", "headText")
_UNSIGNED_32 = ("stubType", "number4")
_SIGNED_32 = ("unixTextKind", "flag")
_UNSIGNED_64 = ("number1", "number2", "number3", "number5")
_SIGNED_64 = ("signedNumber",)


def _check_range(value, bits: int, signed: bool, what: str) -> int:
    if isinstance(value, bool) or not isinstance(value, int):
        raise FieldError(f"{what} must be an integer, not {type(value).__name__}")
    low, high = (-(1 << (bits - 1)), (1 << (bits - 1)) - 1) if signed else (0, (1 << bits) - 1)
    if not low <= value <= high:
        raise FieldError(f"{what} = {value} is outside {low}..{high}")
    return value


def to_native(record: Record) -> _native.ReparseData:
    """The C record holding record's values; raises FieldError for a value
    that does not fit its field (texts need room for their NUL)."""
    native = _native.ReparseData()
    for name in ("common1", "common2", "common3", "common4", "common5"):
        bits = 32 if name == "common1" else 64
        setattr(native.common, name,
                _check_range(getattr(record.common, name), bits, False, f"common.{name}"))
    for names, bits, signed in ((_UNSIGNED_32, 32, False), (_SIGNED_32, 32, True),
                                (_UNSIGNED_64, 64, False), (_SIGNED_64, 64, True)):
        for name in names:
            setattr(native, name, _check_range(getattr(record, name), bits, signed, name))
    for name in _TEXT_FIELDS:
        raw = encode_text(getattr(record, name), name)
        width = getattr(_native.ReparseData, name).size
        if len(raw) >= width:
            raise FieldError(f"{name} holds {len(raw)} bytes; at most {width - 1} fit")
        setattr(native, name, raw)
    return native


def from_native(native: _native.ReparseData) -> Record:
    """The Record holding the C record's values."""
    common = CommonFields(*(getattr(native.common, f"common{i}") for i in range(1, 6)))
    values = {name: getattr(native, name)
              for name in _UNSIGNED_32 + _SIGNED_32 + _UNSIGNED_64 + _SIGNED_64}
    # Each text ends at its first NUL, and never beyond its field.
    texts = {name: decode_text(getattr(native, name).split(b"\0", 1)[0])
             for name in _TEXT_FIELDS}
    values["stubType"] = _as_stub_type(values["stubType"])
    return Record(common=common, **values, **texts)


def _as_stub_type(value: int) -> Union[StubType, int]:
    """value as a StubType member where it is one."""
    try:
        return StubType(value)
    except ValueError:
        return value
