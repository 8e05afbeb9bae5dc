# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""Writing a stub from a record, and the check that the stub reads back as
the record it was written from, field for field, as the stubmeta tool
checks before it writes one."""

import ctypes
from typing import List, Optional, Tuple, Union

from . import _native
from ._checks import decode_text
from ._errors import FieldError, OutputTooSmallError, StatusError, status_error
from ._record import Record, leaves, to_native
from ._types import StubType, stub_type

# What an NTFS reparse buffer holds in front of the text: a stub of type 1
# is read back behind that many zero bytes (STUBMETA_NTFS_HEADER_SIZE).
NTFS_HEADER_SIZE = 24
_UNIX_TYPES = (StubType.UNIX_BIGENDIAN, StubType.UNIX_LITTLEENDIAN)
# A Unix stub's size field, written as the envelope's value when it is 0.
_UNIX_SIZE_FIELD = "number3"


def generate(record: Record, type: Union[int, StubType], *,
             allow_differences: bool = False) -> bytes:
    """The stub of the given type for record (the type picks the layout, not
    record.stubType): the text without a NUL for types 1 to 5, the whole
    envelope for 6 and 7.

    The stub is read back before it is returned: a field the layout holds
    that would read back other than given (a separator inside a text, a
    flag other than 0 or 1, ...) raises FieldError naming the field, the
    value given and the value read back, as does a stub that would not
    parse back at all.  allow_differences=True returns it all the same,
    like the tool's --allow-differences.  Fields the layout does not hold
    are left out, unchecked.  FieldError also for a value that does not fit
    its field, TypeError for one of the wrong type, and TextTooLongError (a
    GenerateError) when a Unix stub's text would exceed its limit."""
    number = stub_type(type)
    native = to_native(record)
    stub = render(native, number)
    if not allow_differences:
        problems = readback_problems(native, number, stub)
        if problems:
            first = problems[0]
            raise FieldError("; ".join(problem for problem, _, _, _ in problems)
                             + "; it would not read back the same (allow_differences=True "
                             "writes it anyway)", first[1], first[2], first[3])
    return stub


def render(native: _native.ReparseData, number: int) -> bytes:
    """The library's stub of type number for the C record native."""
    library = _native.library()
    record = ctypes.byref(native)
    needed = ctypes.c_uint64(0)
    # The library says how large the stub is, then writes it.
    status = library.stubmeta_generate(record, number, None, 0, ctypes.byref(needed))
    if status != OutputTooSmallError.status:
        raise status_error(status, _native.message(status))
    buffer = ctypes.create_string_buffer(needed.value)
    written = ctypes.c_uint64(0)
    status = library.stubmeta_generate(record, number, buffer, needed.value,
                                       ctypes.byref(written))
    if status != 0:
        raise status_error(status, _native.message(status))
    return buffer.raw[:written.value]


# (the phrase, the field, the value given, the value read back)
Problem = Tuple[str, Optional[str], object, object]


def readback_problems(native: _native.ReparseData, number: StubType,
                      stub: bytes) -> List[Problem]:
    """Every field of native that stub, written from it as type number,
    would not read back as; one problem alone when it would not parse."""
    back = _parse_back(stub, number)
    if isinstance(back, int):
        return [_unparsable(native, number, back)]
    problems: List[Problem] = []
    for (name, holder, field), (_, holder_back, _) in zip(leaves(native), leaves(back)):
        given, got = getattr(holder, field), getattr(holder_back, field)
        if name == "stubType" or given == got or _written_as_default(name, given, got, number,
                                                                     stub):
            continue
        if not _written(native, name, number, stub):
            continue  # the layout does not hold it: nothing to read back
        shown_given, shown_got = _shown(given), _shown(got)
        problems.append((f"{name}: given {shown_given!r}, would read back as {shown_got!r}",
                         name, shown_given, shown_got))
    # A text cut short, at a separator it holds, comes first: it is what
    # moves the fields after it.
    problems.sort(key=lambda problem: not _cut_short(problem[2], problem[3]))
    return problems


def _cut_short(given: object, got: object) -> bool:
    return isinstance(given, str) and isinstance(got, str) and given.startswith(got) \
        and given != got


def _parse_back(stub: bytes, number: int) -> Union[_native.ReparseData, int]:
    """The record stub parses as when read as type number, or the status
    of the failed parse."""
    data = bytes(NTFS_HEADER_SIZE) + stub if number == StubType.WINDOWS_LOCAL else stub
    back = _native.ReparseData()
    types = (ctypes.c_uint32 * 1)(number)
    status: int = _native.library().stubmeta_parse(data, len(data), types, 1, ctypes.byref(back))
    return back if status == 0 else status


def _unparsable(native: _native.ReparseData, number: StubType, status: int) -> Problem:
    phrase = (f"the stub written would not parse back as type {int(number)} "
              f"({_native.message(status)})")
    kind = native.unixTextKind
    if number in _UNIX_TYPES and native.stubType in _UNIX_TYPES and kind not in (1, 2):
        # A Unix record's own kind picks the layout; any other kind picks
        # the one without a text, which no parse accepts.
        return (f"unixTextKind: given {kind}, which writes a Unix stub without text: {phrase} "
                "(a Unix stub's kind is 1 for a longText, 2 for a shortText)",
                "unixTextKind", kind, None)
    return phrase, None, None, None


def _written_as_default(name: str, given: object, got: object, number: StubType,
                        stub: bytes) -> bool:
    """Whether got is what the writer puts in place of a given 0: a Unix
    stub's size, written as its envelope's value."""
    if name != _UNIX_SIZE_FIELD or number not in _UNIX_TYPES or given != 0:
        return False
    envelope = _native.StubmetaEnvelope()
    status = _native.library().stubmeta_envelope_open(stub, len(stub), ctypes.byref(envelope))
    return status == 0 and bool(got == envelope.value)


def _written(native: _native.ReparseData, name: str, number: int, stub: bytes) -> bool:
    """Whether the stub of type number written from native holds the field
    name: whether emptying it (or filling it, when empty) changes the
    stub.  The library's writer decides; a Unix stub, for one, holds
    longText only when shortText is empty."""
    changed = _native.ReparseData.from_buffer_copy(native)
    _, holder, field = next(leaf for leaf in leaves(changed) if leaf[0] == name)
    value = getattr(holder, field)
    if isinstance(value, bytes):
        setattr(holder, field, b"" if value else b"x")
    else:
        setattr(holder, field, 0 if value else 1)
    try:
        return bool(render(changed, number) != stub)
    except StatusError:  # the change makes the stub unwritable: it counts
        return True


def _shown(value: object) -> object:
    """A field's value as the Python record holds it."""
    return decode_text(value) if isinstance(value, bytes) else value
