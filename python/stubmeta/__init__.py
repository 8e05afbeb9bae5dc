# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""stubmeta: reading and writing the metadata of archived-file stubs.

A ctypes binding to libstubmeta.so (see README.md for where it is looked
for).  Inputs are bytes of known length, read in place by the library's
bounded functions.  Texts are str, decoded from UTF-8 with surrogateescape
so that any bytes round-trip; a text given may be str or bytes-like.

An argument of the wrong type raises TypeError (a stub type is an int or a
StubType, a text a str or bytes-like, a number an int), a file that cannot
be read OSError, and every other failure a subclass of StubError: a
failure the library reports the StatusError subclass for its status, with
the library's message.
"""

import ctypes
import dataclasses
import enum
import os
from typing import Iterator, Optional, Sequence, Tuple, Union

from . import _native
from ._checks import BytesLike, Text, decode_text, integer, stub_bytes, text_bytes
from ._errors import (ArgumentError, BadFieldsError, BadMagicError,
                      BadVersionError, ChecksumError, EmptyTextError, EnvelopeError, FieldError,
                      FieldTooLongError, GenerateError, LengthMismatchError,
                      LibraryNotFoundError, NoMatchError, NotAStubError, NotUnixTextError,
                      OutOfMemoryError, OutputTooSmallError, ParseError, ReparseLengthError,
                      StatusError, StubError, TextTooLongError, TotalTooSmallError,
                      TruncatedError, UnknownTypeError, UnterminatedError, status_error)
from ._generate import generate
from ._record import CommonFields, Record, from_native
from ._types import Family, StubType, family as _family, stub_type as _stub_type, type_name
from ._walk import files_in_path_order

__all__ = [
    "ArgumentError", "BadFieldsError", "BadMagicError", "BadVersionError", "ChecksumError",
    "CommonFields", "EmptyTextError", "Envelope", "EnvelopeError", "Family", "FieldError",
    "FieldTooLongError", "FoundBy", "GenerateError", "Identity", "LengthMismatchError",
    "LibraryNotFoundError", "NoMatchError", "NotAStubError", "NotUnixTextError",
    "OutOfMemoryError", "OutputTooSmallError", "ParseError", "READ_LIMIT", "Record",
    "ReparseLengthError", "ScanEntry", "State", "StatusError", "StubError", "StubType",
    "TextTooLongError", "TotalTooSmallError", "TruncatedError", "UnknownTypeError",
    "UnterminatedError", "crc32", "generate", "identify", "parse", "parse_file", "scan",
    "type_name", "unwrap", "wrap",
]
__version__ = "0.1.0"

_ENVELOPE_OVERHEAD = 26                            # STUBMETA_ENVELOPE_OVERHEAD
_MAX_ENVELOPE_TEXT = 0xFFFF - _ENVELOPE_OVERHEAD  # STUBMETA_ENVELOPE_TEXT_MAX
_FAMILY_TYPES = {1: (1, 2), 2: (3, 4), 3: (6, 7)}
#: The most bytes parse_file and scan read from a file, as the stubmeta tool
#: does (STUBMETA_READ_MAX): an envelope is at most 65,535 bytes and every
#: text layout is shorter.
READ_LIMIT = 65536

PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]
TypeArgument = Union[int, StubType]
FamilyArgument = Union[int, Family]


@dataclasses.dataclass(frozen=True)
class Envelope:
    """What an envelope holds: its text (without the terminator), the 64-bit
    value the writer stored, the byte order its checksum was stored in
    (StubType.UNIX_BIGENDIAN or StubType.UNIX_LITTLEENDIAN) and its size in
    bytes."""
    text: str
    value: int
    byteOrder: StubType
    size: int


class State(enum.IntEnum):
    """What identify() says the bytes are."""
    NO_STUB = 0
    OK = 1
    DAMAGED = 2


class FoundBy(enum.IntEnum):
    """How identify() found the stub."""
    NOTHING = 0
    ENVELOPE = 1
    QZSTUB_LINE = 2
    REPARSE_HEADER = 3
    NAMED_TYPES = 4


@dataclasses.dataclass(frozen=True)
class Identity:
    """identify()'s answer: the state, the stub's type (None when no stub or
    a damaged envelope gives none), how it was found, the library's status
    and message saying why it is damaged or no stub, the record of an ok
    stub, where its text lies in the input (None when not found), and an
    envelope's stored checksum in both byte orders and its computed one
    (None unless they were compared)."""
    state: State
    type: Optional[StubType]
    foundBy: FoundBy
    status: int
    message: str
    record: Optional[Record] = None
    textOffset: Optional[int] = None
    textLength: Optional[int] = None
    trailing: int = 0
    storedBigEndian: Optional[int] = None
    storedLittleEndian: Optional[int] = None
    computed: Optional[int] = None

    def error(self) -> StatusError:
        """The exception that stands for a damaged stub or no stub."""
        return status_error(self.status, self.message, self.storedBigEndian,
                            self.storedLittleEndian, self.computed)


@dataclasses.dataclass(frozen=True)
class ScanEntry:
    """One file that scan() reports: a stub (record set, error None), or a
    file that could not be read or whose stub is damaged (error set, record
    None).  identity is what identify() said of the file (None when it could
    not be read)."""
    path: str
    record: Optional[Record] = None
    error: Optional[Exception] = None
    identity: Optional[Identity] = None


def _checksums(data: bytes) -> Tuple[Optional[int], Optional[int], Optional[int]]:
    """The stored (both byte orders) and computed checksums of the envelope
    at the start of data, when they could be compared."""
    info = _native.StubmetaEnvelope()
    status = _native.library().stubmeta_envelope_open(data, len(data), ctypes.byref(info))
    if status not in (0, ChecksumError.status):
        return None, None, None
    return info.storedBigEndian, info.storedLittleEndian, info.computed


def _library_error(status: int, data: bytes = b"") -> StatusError:
    """The exception for a status the library returned on data; a checksum
    mismatch carries the checksums of the envelope data starts with."""
    checksums = _checksums(data) if status == ChecksumError.status else (None, None, None)
    return status_error(status, _native.message(status), *checksums)


def _named_types(type: Optional[TypeArgument], family: Optional[FamilyArgument]) -> None:
    if type is not None and family is not None:
        raise ArgumentError("give a type or a family, not both")


def parse(data: BytesLike, *, type: Optional[TypeArgument] = None,
          family: Optional[FamilyArgument] = None) -> Record:
    """Parses the stub in data (a bytes-like object: its whole content) and
    returns its Record.  TypeError for anything that is not bytes-like.

    With neither type nor family, the types 6, 7, 1, 2, 3, 4 are tried in that
    order, so a bare text of another layout that fits the Unix template comes
    back as type 6: name the type or family when it is known.  Raises a
    ParseError subclass naming why no type tried matched (NoMatchError,
    FieldTooLongError, an envelope's ChecksumError, ...)."""
    _named_types(type, family)
    types: Tuple[int, ...] = ()
    if type is not None:
        types = (_stub_type(type),)
    elif family is not None:
        types = _FAMILY_TYPES[_family(family)]
    raw = stub_bytes(data, "parse")
    native = _native.ReparseData()
    listed = (ctypes.c_uint32 * len(types))(*types) if types else None
    status = _native.library().stubmeta_parse(raw, len(raw), listed, len(types),
                                              ctypes.byref(native))
    if status != 0:
        raise _library_error(status, raw)
    return from_native(native)


_KNOWN_TEXT = 1       # STUBMETA_KNOWN_TEXT
_KNOWN_CHECKSUMS = 8  # STUBMETA_KNOWN_CHECKSUMS
_KIND = {"content": 0, "reparse": 1, "text": 2}


def identify(data: BytesLike, *, type: Optional[TypeArgument] = None,
             family: Optional[FamilyArgument] = None,
             types: Optional[Sequence[TypeArgument]] = None,
             reparse: bool = False, whole_size: int = 0) -> Identity:
    """Says what data (bytes-like) is, by the rule the stubmeta tool judges
    files by: an envelope (a Unix stub), a QZSTUB: first line (DMNas, else
    CSVFS), a reparse buffer (NTFS or CSVFS: reparse=True says data is one,
    or its header counts exactly the rest of whole_size bytes, the whole
    file's size when data is only its start), else no stub.  With type,
    family or types, data is a bare text tried as those types.  Never raises
    for what the bytes hold: the answer's state says it."""
    if sum(named is not None for named in (type, family, types)) > 1:
        raise ArgumentError("give one of type, family and types")
    query = _native.StubmetaQuery()
    listed = None
    if type is not None or types is not None:
        wanted = [_stub_type(t) for t in ([type] if type is not None else types or [])]
        query.kind = _KIND["text"]
        if wanted:
            listed = (ctypes.c_uint32 * len(wanted))(*wanted)
            query.types = ctypes.cast(listed, ctypes.POINTER(ctypes.c_uint32))
            query.count = len(wanted)
    elif family is not None:
        query.kind = _KIND["text"]
        query.family = _family(family)
    else:
        query.kind = _KIND["reparse" if reparse else "content"]
        if not 0 <= integer(whole_size, "whole_size") < 1 << 64:
            raise ArgumentError(f"whole_size {whole_size} is no file's size")
        query.wholeSize = whole_size
    raw = stub_bytes(data, "identify")
    answer = _native.StubmetaIdentity()
    answer.structSize = ctypes.sizeof(answer)
    native = _native.ReparseData()
    status = _native.library().stubmeta_identify(
        raw, len(raw), ctypes.byref(query), ctypes.byref(answer), ctypes.byref(native))
    if status != 0:
        raise _library_error(status)
    state = State(answer.state)
    text = answer.known & _KNOWN_TEXT
    checksums = answer.known & _KNOWN_CHECKSUMS
    return Identity(state, StubType(answer.type) if answer.type else None,
                    FoundBy(answer.foundBy), answer.status, _native.message(answer.status),
                    from_native(native) if state == State.OK else None,
                    answer.textOffset if text else None, answer.textLength if text else None,
                    answer.trailing,
                    answer.storedBigEndian if checksums else None,
                    answer.storedLittleEndian if checksums else None,
                    answer.computed if checksums else None)


def crc32(data: BytesLike, value: int = 0) -> int:
    """The standard CRC-32 of data (bytes-like); pass the result for earlier
    data as value to continue it (as zlib.crc32 does)."""
    raw = stub_bytes(data, "crc32")
    if not 0 <= integer(value, "crc32's value") <= 0xFFFFFFFF:
        raise ArgumentError(f"crc32's value {value} is not an unsigned 32-bit number")
    running = ctypes.c_uint32(~value & 0xFFFFFFFF)
    _native.library().tw_crc32(raw, len(raw), ctypes.byref(running))
    return ~running.value & 0xFFFFFFFF


def wrap(text: Text, value: int) -> bytes:
    """text (str or bytes-like) in an envelope carrying value, with the
    checksum in this machine's byte order.  Raises EnvelopeError for a text
    with a NUL in it or longer than 65509 bytes, or a value that is no
    unsigned 64-bit number."""
    try:
        raw = text_bytes(text, "the envelope's text")
    except FieldError as error:
        raise EnvelopeError(str(error)) from None
    if len(raw) > _MAX_ENVELOPE_TEXT:
        raise EnvelopeError(f"a text of {len(raw)} bytes does not fit an envelope "
                            f"(at most {_MAX_ENVELOPE_TEXT})")
    if not 0 <= integer(value, "the envelope's value") < 1 << 64:
        raise EnvelopeError(f"the envelope's value {value} is not an unsigned 64-bit number")
    size = len(raw) + _ENVELOPE_OVERHEAD
    buffer = ctypes.create_string_buffer(size)
    written = _native.library().tkhsm_meta2stub(raw, value, buffer, size)
    if written != size:
        raise EnvelopeError(f"the text could not be wrapped (result {written})")
    return buffer.raw


def unwrap(data: BytesLike) -> Envelope:
    """The text, value and byte order of the envelope at the start of data
    (bytes-like).  Raises the EnvelopeError subclass of the first check that
    failed when data is not a whole, valid envelope (BadMagicError,
    TruncatedError, ChecksumError with the checksums, ...)."""
    raw = stub_bytes(data, "unwrap")
    info = _native.StubmetaEnvelope()
    status = _native.library().stubmeta_envelope_open(raw, len(raw), ctypes.byref(info))
    if status != 0:
        raise _library_error(status, raw)
    body = ctypes.string_at(info.text, info.textLength)
    return Envelope(decode_text(body), info.value, StubType(info.byteOrder), info.total)


def _read_stub(path: PathLike) -> Tuple[bytes, int]:
    """At most READ_LIMIT bytes from the start of the file at path, and the
    file's size."""
    with open(path, "rb") as handle:
        return handle.read(READ_LIMIT), os.fstat(handle.fileno()).st_size


def parse_file(path: PathLike, *, type: Optional[TypeArgument] = None,
               family: Optional[FamilyArgument] = None) -> Record:
    """Parses the stub file at path (str, bytes or os.PathLike), reading at
    most READ_LIMIT bytes of it, and judging it as identify() does: by its
    opening, or with type or family as a bare text of those types.  Raises
    OSError when the file cannot be read and a ParseError subclass when it
    is not a stub (NotAStubError) or a damaged one (ChecksumError,
    BadFieldsError, ...)."""
    _named_types(type, family)
    data, size = _read_stub(path)
    identity = identify(data, type=type, family=family, whole_size=size)
    if identity.state != State.OK or identity.record is None:
        raise identity.error()
    return identity.record


def scan(path: PathLike, *, type: Optional[TypeArgument] = None,
         family: Optional[FamilyArgument] = None) -> Iterator[ScanEntry]:
    """Walks the folder at path (or takes the one file it names) and yields
    a ScanEntry for every stub, for every damaged stub and for every file or
    folder that could not be read; files that are no stub are passed over.
    Each file is judged as identify() does, by its opening, or with type or
    family as a bare text of those types (as `stubmeta scan --as`).  As
    `stubmeta scan --sort` does, a symbolic link named as path is followed
    but none inside the tree, and the entries come in the order of their
    paths' bytes."""
    _named_types(type, family)
    if type is not None:
        _stub_type(type)
    if family is not None:
        _family(family)
    for found, error in files_in_path_order(os.fsdecode(path)):
        if error is not None:
            yield ScanEntry(found, error=error)
            continue
        try:
            data, size = _read_stub(found)
        except OSError as failure:
            yield ScanEntry(found, error=failure)
            continue
        identity = identify(data, type=type, family=family, whole_size=size)
        if identity.state == State.OK:
            yield ScanEntry(found, record=identity.record, identity=identity)
        elif identity.state == State.DAMAGED:
            yield ScanEntry(found, error=identity.error(), identity=identity)
