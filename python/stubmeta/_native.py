# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""Loading libstubmeta.so and declaring its functions and record to ctypes."""

import ctypes
import functools
import os
from pathlib import Path
from typing import Iterator, List, Tuple

from ._errors import LibraryNotFoundError

ENVIRONMENT_VARIABLE = "STUBMETA_LIBRARY"
_LIBRARY_NAMES = ("libstubmeta.so.1", "libstubmeta.so")


class CommonFields(ctypes.Structure):
    _fields_ = [
        ("common1", ctypes.c_uint32),
        ("common2", ctypes.c_uint64),
        ("common3", ctypes.c_uint64),
        ("common4", ctypes.c_uint64),
        ("common5", ctypes.c_uint64),
    ]


class ReparseData(ctypes.Structure):
    """The C record, field for field; ctypes applies the same natural
    alignment as the C compiler.  These fields are the module's one list of
    the record's: _record makes Record's defaults, range checks and
    conversions from them."""

    _fields_ = [
        ("stubType", ctypes.c_uint32),
        ("common", CommonFields),
        ("shortText", ctypes.c_char * 72),
        ("number1", ctypes.c_uint64),
        ("auxText", ctypes.c_char * 72),
        ("number2", ctypes.c_uint64),
        ("unixTextKind", ctypes.c_int32),
        ("number3", ctypes.c_uint64),
        ("extraText", ctypes.c_char * 72),
        ("signedNumber", ctypes.c_int64),
        ("flag", ctypes.c_int32),
        ("longText", ctypes.c_char * 1024),
        ("number4", ctypes.c_uint32),
        ("number5", ctypes.c_uint64),
        ("tailText", ctypes.c_char * 65),
        ("headText", ctypes.c_char * 72),
    ]


class StubmetaEnvelope(ctypes.Structure):
    """What stubmeta_envelope_open learns of an envelope."""

    _fields_ = [
        ("total", ctypes.c_uint64),
        ("value", ctypes.c_uint64),
        ("byteOrder", ctypes.c_uint32),
        ("text", ctypes.c_void_p),
        ("textLength", ctypes.c_uint64),
        ("storedBigEndian", ctypes.c_uint32),
        ("storedLittleEndian", ctypes.c_uint32),
        ("computed", ctypes.c_uint32),
        ("trailing", ctypes.c_uint64),
    ]


class StubmetaQuery(ctypes.Structure):
    """What the caller knows of the bytes given to stubmeta_identify."""

    _fields_ = [
        ("kind", ctypes.c_uint32),
        ("family", ctypes.c_uint32),
        ("wholeSize", ctypes.c_uint64),
        ("types", ctypes.POINTER(ctypes.c_uint32)),
        ("count", ctypes.c_int32),
        ("reserved", ctypes.c_uint32),
    ]


class StubmetaIdentity(ctypes.Structure):
    """stubmeta_identify's answer."""

    _fields_ = [
        ("structSize", ctypes.c_uint32),
        ("state", ctypes.c_uint32),
        ("type", ctypes.c_uint32),
        ("foundBy", ctypes.c_uint32),
        ("status", ctypes.c_int32),
        ("known", ctypes.c_uint32),
        ("textOffset", ctypes.c_uint64),
        ("textLength", ctypes.c_uint64),
        ("stubLength", ctypes.c_uint64),
        ("trailing", ctypes.c_uint64),
        ("envelopeTotal", ctypes.c_uint64),
        ("envelopeValue", ctypes.c_uint64),
        ("envelopeTextLength", ctypes.c_uint64),
        ("storedBigEndian", ctypes.c_uint32),
        ("storedLittleEndian", ctypes.c_uint32),
        ("computed", ctypes.c_uint32),
        ("envelopeVersion", ctypes.c_uint32),
    ]


_RECORD_P = ctypes.POINTER(ReparseData)

# name: (result type, argument types)
_PROTOTYPES = {
    "ParseReparseData": (ctypes.c_int32, [ctypes.c_char_p, _RECORD_P]),
    "ParseReparseDataFor": (ctypes.c_int32, [ctypes.c_char_p, _RECORD_P, ctypes.c_uint32]),
    "ParseReparseDataForStubType": (
        ctypes.c_int32, [ctypes.c_char_p, ctypes.c_uint32, _RECORD_P]),
    "GenerateReparseData": (
        ctypes.c_int32, [_RECORD_P, ctypes.c_uint32, ctypes.c_char_p, ctypes.c_int32]),
    "StubTypeAsString": (None, [ctypes.c_uint32, ctypes.c_char_p, ctypes.c_uint64]),
    "tkhsm_meta2stub": (
        ctypes.c_int32, [ctypes.c_char_p, ctypes.c_uint64, ctypes.c_char_p, ctypes.c_int32]),
    "tkhsm_stub2meta": (
        ctypes.c_int32,
        [ctypes.c_char_p, ctypes.POINTER(ctypes.c_int32), ctypes.POINTER(ctypes.c_uint64),
         ctypes.c_char_p, ctypes.c_int32, ctypes.POINTER(ctypes.c_uint32)]),
    "tw_crc32": (None, [ctypes.c_void_p, ctypes.c_uint64, ctypes.POINTER(ctypes.c_uint32)]),
    "stubmeta_parse": (
        ctypes.c_int32,
        [ctypes.c_char_p, ctypes.c_uint64, ctypes.POINTER(ctypes.c_uint32), ctypes.c_int32,
         _RECORD_P]),
    "stubmeta_envelope_open": (
        ctypes.c_int32, [ctypes.c_char_p, ctypes.c_uint64, ctypes.POINTER(StubmetaEnvelope)]),
    "stubmeta_generate": (
        ctypes.c_int32, [_RECORD_P, ctypes.c_int32, ctypes.c_char_p, ctypes.c_uint64,
                         ctypes.POINTER(ctypes.c_uint64)]),
    "stubmeta_strerror": (ctypes.c_char_p, [ctypes.c_int32]),
    "stubmeta_identify": (
        ctypes.c_int32,
        [ctypes.c_char_p, ctypes.c_uint64, ctypes.POINTER(StubmetaQuery),
         ctypes.POINTER(StubmetaIdentity), _RECORD_P]),
}


def _candidates() -> Iterator[Tuple[str, str]]:
    """Where the library is looked for, in order: (description, path or name)."""
    explicit = os.environ.get(ENVIRONMENT_VARIABLE)
    if explicit:
        yield f"${ENVIRONMENT_VARIABLE}", explicit
        return
    here = Path(__file__).resolve().parent
    for name in _LIBRARY_NAMES:
        if (here / name).exists():
            yield "beside the module", str(here / name)
    for name in _LIBRARY_NAMES:
        yield "the system's library path", name


@functools.lru_cache(maxsize=None)
def _load() -> Tuple[ctypes.CDLL, str]:
    """The loaded library with its functions declared, and the path or name
    it was loaded from."""
    tried: List[str] = []
    for where, candidate in _candidates():
        try:
            lib = ctypes.CDLL(candidate)
        except OSError as error:
            tried.append(f"{candidate} ({where}): {error}")
            continue
        missing = [name for name in _PROTOTYPES if not hasattr(lib, name)]
        if missing:
            # Another library of that name, or an older stubmeta.
            tried.append(f"{candidate} ({where}): not libstubmeta, it lacks {', '.join(missing)}")
            continue
        for name, (restype, argtypes) in _PROTOTYPES.items():
            function = getattr(lib, name)
            function.restype = restype
            function.argtypes = argtypes
        return lib, candidate
    raise LibraryNotFoundError(
        "libstubmeta.so could not be loaded; tried " + "; ".join(tried)
        + f". Set {ENVIRONMENT_VARIABLE} to the library's path.")


def library() -> ctypes.CDLL:
    """The library, loaded on first use; LibraryNotFoundError when none of
    the candidates is a libstubmeta."""
    return _load()[0]


def library_path() -> str:
    """The path or name the library was loaded from."""
    return _load()[1]


def message(status: int) -> str:
    """The library's message for a status."""
    text: bytes = library().stubmeta_strerror(status)
    return text.decode("ascii")
