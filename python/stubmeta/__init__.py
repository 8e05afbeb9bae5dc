# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""stubmeta: reading and writing the metadata of archived-file stubs.

A ctypes binding to libstubmeta.so (see README.md for where it is looked
for).  Inputs are bytes of known length, read in place by the library's
bounded functions.  A failure the library reports raises the StatusError
subclass for its status, with the library's message.  Texts are str, decoded from UTF-8 with surrogateescape so that any
bytes round-trip.  Every failure raises a subclass of StubError.
"""

import ctypes
import dataclasses
import enum
import os
import stat
from typing import Iterator, Optional, Sequence, Union

from . import _native
from ._errors import (STATUS_ERRORS, ArgumentError, BadMagicError, BadVersionError,
                      ChecksumError, EmptyTextError, EnvelopeError, FieldError,
                      FieldTooLongError, GenerateError, LengthMismatchError,
                      LibraryNotFoundError, NoMatchError, NotAStubError, NotUnixTextError,
                      BadFieldsError, ReparseLengthError, OutOfMemoryError,
                      OutputTooSmallError, ParseError, StatusError, StubError,
                      TextTooLongError, TotalTooSmallError, TruncatedError,
                      UnknownTypeError, UnterminatedError)
from ._record import (CommonFields, Family, Record, StubType, decode_text, encode_text,
                      from_native, to_native, type_name)

__all__ = [
    "ArgumentError", "BadFieldsError", "BadMagicError", "FoundBy", "Identity", "NotAStubError",
    "NotUnixTextError", "ReparseLengthError", "State", "identify", "BadVersionError", "ChecksumError", "CommonFields",
    "EmptyTextError", "Envelope", "EnvelopeError", "Family", "FieldError", "FieldTooLongError",
    "GenerateError", "LengthMismatchError", "LibraryNotFoundError", "NoMatchError",
    "OutOfMemoryError", "OutputTooSmallError", "ParseError", "Record", "StatusError",
    "StubError", "StubType", "TextTooLongError", "TotalTooSmallError", "TruncatedError",
    "UnknownTypeError", "UnterminatedError", "crc32", "generate", "parse", "parse_file",
    "scan", "ScanEntry", "READ_LIMIT", "type_name", "unwrap", "wrap",
]
__version__ = "0.1.0"

_ENVELOPE_OVERHEAD = 26                            # STUBMETA_ENVELOPE_OVERHEAD
_MAX_ENVELOPE_TEXT = 0xFFFF - _ENVELOPE_OVERHEAD  # STUBMETA_ENVELOPE_TEXT_MAX
_FAMILY_TYPES = {1: (1, 2), 2: (3, 4), 3: (6, 7)}
#: The most bytes parse_file and scan read from a file, as the stubmeta tool
#: does (STUBMETA_READ_MAX): an envelope is at most 65,535 bytes and every
#: text layout is shorter.
READ_LIMIT = 65536

# What functions taking a stub's bytes accept: any bytes-like object.
BytesLike = Union[bytes, bytearray, memoryview]
PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


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
    stub, and where its text lies in the input (None when not found)."""
    state: State
    type: Optional[StubType]
    foundBy: FoundBy
    status: int
    message: str
    record: Optional[Record] = None
    textOffset: Optional[int] = None
    textLength: Optional[int] = None
    trailing: int = 0

    def error(self) -> "StatusError":
        """The exception that stands for a damaged stub or no stub."""
        return STATUS_ERRORS.get(self.status, StatusError)(self.message)


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


def _bytes_of(data: BytesLike, what: str) -> bytes:
    """The bytes of a bytes-like object; TypeError for anything else (a str
    or a path is not the content of a stub)."""
    if isinstance(data, str):
        raise TypeError(f"{what} takes bytes, not str (use parse_file for a file's path)")
    try:
        return memoryview(data).tobytes()
    except TypeError:
        raise TypeError(f"{what} takes a bytes-like object, not {type(data).__name__}"
                        " (use parse_file for a file's path)") from None


def _status_error(status: int) -> StatusError:
    """The exception for a status the library returned, with its message."""
    message = _native.library().stubmeta_strerror(status).decode("ascii")
    return STATUS_ERRORS.get(status, StatusError)(message)


def _stub_type(value: Union[int, StubType]) -> int:
    number = int(value)
    if not StubType.WINDOWS_LOCAL <= number <= StubType.UNIX_LITTLEENDIAN:
        raise UnknownTypeError(f"{value!r} is not a stub type (1 to 7)")
    return number


def parse(data: BytesLike, *, type: Optional[Union[int, StubType]] = None,
          family: Optional[Union[int, Family]] = None) -> Record:
    """Parses the stub in data (a bytes-like object: its whole content) and
    returns its Record.  TypeError for anything that is not bytes-like.

    With neither type nor family, the types 6, 7, 1, 2, 3, 4 are tried in that
    order, so a bare text of another layout that fits the Unix template comes
    back as type 6: name the type or family when it is known.  Raises a
    ParseError subclass naming why no type tried matched (NoMatchError,
    FieldTooLongError, an envelope's ChecksumError, ...)."""
    if type is not None and family is not None:
        raise ValueError("give a type or a family, not both")
    if type is not None:
        types = (_stub_type(type),)
    elif family is not None:
        if int(family) not in {f.value for f in Family}:
            raise UnknownTypeError(f"{family!r} is not a stub family (1 to 3)")
        types = _FAMILY_TYPES[int(family)]
    else:
        types = None
    raw = _bytes_of(data, "parse")
    native = _native.ReparseData()
    listed = (ctypes.c_uint32 * len(types))(*types) if types else None
    status = _native.library().stubmeta_parse(
        raw, len(raw), listed, len(types) if types else 0, ctypes.byref(native))
    if status != 0:
        raise _status_error(status)
    return from_native(native)


_KNOWN_TEXT = 1
_KIND = {"content": 0, "reparse": 1, "text": 2}


def identify(data: BytesLike, *, type: Optional[Union[int, StubType]] = None,
             family: Optional[Union[int, Family]] = None,
             types: Optional[Sequence[Union[int, StubType]]] = None,
             reparse: bool = False, whole_size: int = 0) -> Identity:
    """Says what data (bytes-like) is, by the rule the stubmeta tool judges
    files by: an envelope (a Unix stub), a QZSTUB: first line (DMNas, else
    CSVFS), a reparse buffer (NTFS or CSVFS: reparse=True says data is one,
    or its header counts exactly the rest of whole_size bytes, the whole
    file's size when data is only its start), else no stub.  With type,
    family or types, data is a bare text tried as those types.  Never raises
    for what the bytes hold: the answer's state says it."""
    named = [type is not None, family is not None, types is not None]
    if sum(named) > 1:
        raise ValueError("give one of type, family and types")
    query = _native.StubmetaQuery()
    listed = None
    if type is not None or types is not None:
        wanted = [_stub_type(type)] if type is not None else [_stub_type(t) for t in types]
        query.kind = _KIND["text"]
        if wanted:
            listed = (ctypes.c_uint32 * len(wanted))(*wanted)
            query.types = ctypes.cast(listed, ctypes.POINTER(ctypes.c_uint32))
            query.count = len(wanted)
    elif family is not None:
        if int(family) not in {f.value for f in Family}:
            raise UnknownTypeError(f"{family!r} is not a stub family (1 to 3)")
        query.kind = _KIND["text"]
        query.family = int(family)
    else:
        query.kind = _KIND["reparse" if reparse else "content"]
        query.wholeSize = whole_size
    raw = _bytes_of(data, "identify")
    answer = _native.StubmetaIdentity()
    answer.structSize = ctypes.sizeof(answer)
    native = _native.ReparseData()
    status = _native.library().stubmeta_identify(
        raw, len(raw), ctypes.byref(query), ctypes.byref(answer), ctypes.byref(native))
    if status != 0:
        raise _status_error(status)
    state = State(answer.state)
    message = _native.library().stubmeta_strerror(answer.status).decode("ascii")
    text = answer.known & _KNOWN_TEXT
    return Identity(state, StubType(answer.type) if answer.type else None,
                    FoundBy(answer.foundBy), answer.status, message,
                    from_native(native) if state == State.OK else None,
                    answer.textOffset if text else None, answer.textLength if text else None,
                    answer.trailing)


def generate(record: Record, type: Union[int, StubType]) -> bytes:
    """The stub of the given type for record (the type picks the layout, not
    record.stubType): the text without a NUL for types 1 to 5, the whole
    envelope for 6 and 7.  Raises FieldError for a value that does not fit
    its field and TextTooLongError (a GenerateError) when a Unix stub's text
    would exceed its limit."""
    stub_type = _stub_type(type)
    native = ctypes.byref(to_native(record))
    library = _native.library()
    needed = ctypes.c_uint64(0)
    # The library says how large the stub is, then writes it.
    status = library.stubmeta_generate(native, stub_type, None, 0, ctypes.byref(needed))
    if status != OutputTooSmallError.status:
        raise _status_error(status)
    buffer = ctypes.create_string_buffer(needed.value)
    written = ctypes.c_uint64(0)
    status = library.stubmeta_generate(native, stub_type, buffer, needed.value,
                                       ctypes.byref(written))
    if status != 0:
        raise _status_error(status)
    return buffer.raw[:written.value]


def crc32(data: BytesLike, value: int = 0) -> int:
    """The standard CRC-32 of data (bytes-like); pass the result for earlier
    data as value to continue it (as zlib.crc32 does)."""
    raw = _bytes_of(data, "crc32")
    running = ctypes.c_uint32(~value & 0xFFFFFFFF)
    _native.library().tw_crc32(raw, len(raw), ctypes.byref(running))
    return ~running.value & 0xFFFFFFFF


def wrap(text: Union[str, bytes], value: int) -> bytes:
    """text (str or bytes) in an envelope carrying value, with the checksum in
    this machine's byte order.  Raises EnvelopeError for a text with a NUL in
    it or longer than 65509 bytes."""
    try:
        raw = encode_text(text, "the envelope's text")
    except FieldError as error:
        raise EnvelopeError(str(error)) from None
    if len(raw) > _MAX_ENVELOPE_TEXT:
        raise EnvelopeError(f"a text of {len(raw)} bytes does not fit an envelope "
                            f"(at most {_MAX_ENVELOPE_TEXT})")
    if not 0 <= value < 1 << 64:
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
    TruncatedError, ChecksumError, ...)."""
    raw = _bytes_of(data, "unwrap")
    info = _native.StubmetaEnvelope()
    status = _native.library().stubmeta_envelope_open(raw, len(raw), ctypes.byref(info))
    if status != 0:
        raise _status_error(status)
    body = ctypes.string_at(info.text, info.textLength)
    return Envelope(decode_text(body), info.value, StubType(info.byteOrder), info.total)


def _read_stub(path: PathLike) -> bytes:
    """At most READ_LIMIT bytes from the start of the file at path."""
    with open(path, "rb") as handle:
        return handle.read(READ_LIMIT)


def parse_file(path: PathLike, *, type: Optional[Union[int, StubType]] = None,
               family: Optional[Union[int, Family]] = None) -> Record:
    """Parses the stub file at path (str, bytes or os.PathLike), reading at
    most READ_LIMIT bytes of it, and judging it as identify() does: by its
    opening, or with type or family as a bare text of those types.  Raises
    OSError when the file cannot be read and a ParseError subclass when it
    is not a stub (NotAStubError) or a damaged one (ChecksumError,
    BadFieldsError, ...)."""
    with open(path, "rb") as handle:
        data = handle.read(READ_LIMIT)
        size = os.fstat(handle.fileno()).st_size
    identity = identify(data, type=type, family=family, whole_size=size)
    if identity.state != State.OK:
        raise identity.error()
    return identity.record


def scan(path: PathLike, *, type: Optional[Union[int, StubType]] = None,
         family: Optional[Union[int, Family]] = None) -> Iterator[ScanEntry]:
    """Walks the folder at path (or takes the one file it names) and yields
    a ScanEntry for every stub, for every damaged stub and for every file or
    folder that could not be read; files that are no stub are passed over.
    Each file is judged as identify() does, by its opening, or with type or
    family as a bare text of those types (as `stubmeta scan --as`).
    Symbolic links are not followed and each folder's entries come in name
    order."""
    named = {"type": type, "family": family}
    if type is not None and family is not None:
        raise ValueError("give a type or a family, not both")
    root = os.fspath(path)
    if not os.path.isdir(root) or os.path.islink(root):
        yield from _scan_file(root, named)
        return
    errors: list = []
    for folder, subfolders, files in os.walk(root, onerror=errors.append):
        subfolders.sort()
        while errors:
            failed = errors.pop(0)
            yield ScanEntry(failed.filename or folder, error=failed)
        for name in sorted(files):
            yield from _scan_file(os.path.join(folder, name), named)
    for failed in errors:
        yield ScanEntry(failed.filename or root, error=failed)


def _scan_file(path: Union[str, bytes], named: dict) -> Iterator[ScanEntry]:
    """The entry for one file, if it is a stub, damaged or unreadable."""
    shown = os.fsdecode(path)
    try:
        status = os.lstat(path)
        if not stat.S_ISREG(status.st_mode):
            return
        data = _read_stub(path)
    except OSError as error:
        yield ScanEntry(shown, error=error)
        return
    identity = identify(data, whole_size=status.st_size, **named)
    if identity.state == State.OK:
        yield ScanEntry(shown, record=identity.record, identity=identity)
    elif identity.state == State.DAMAGED:
        yield ScanEntry(shown, error=identity.error(), identity=identity)
