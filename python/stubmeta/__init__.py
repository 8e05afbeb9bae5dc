"""stubmeta: reading and writing the metadata of archived-file stubs.

A ctypes binding to libstubmeta.so (see README.md for where it is looked
for).  Inputs are bytes of known length, read in place by the library's
bounded functions.  A failure the library reports raises the StatusError
subclass for its status, with the library's message.  Texts are str, decoded from UTF-8 with surrogateescape so that any
bytes round-trip.  Every failure raises a subclass of StubError.
"""

import ctypes
import dataclasses

from . import _native
from ._errors import (STATUS_ERRORS, ArgumentError, BadMagicError, BadVersionError,
                      ChecksumError, EmptyTextError, EnvelopeError, FieldError,
                      FieldTooLongError, GenerateError, LengthMismatchError,
                      LibraryNotFoundError, NoMatchError, OutOfMemoryError,
                      OutputTooSmallError, ParseError, StatusError, StubError,
                      TextTooLongError, TotalTooSmallError, TruncatedError,
                      UnknownTypeError, UnterminatedError)
from ._record import (CommonFields, Family, Record, StubType, decode_text, encode_text,
                      from_native, to_native, type_name)

__all__ = [
    "ArgumentError", "BadMagicError", "BadVersionError", "ChecksumError", "CommonFields",
    "EmptyTextError", "Envelope", "EnvelopeError", "Family", "FieldError", "FieldTooLongError",
    "GenerateError", "LengthMismatchError", "LibraryNotFoundError", "NoMatchError",
    "OutOfMemoryError", "OutputTooSmallError", "ParseError", "Record", "StatusError",
    "StubError", "StubType", "TextTooLongError", "TotalTooSmallError", "TruncatedError",
    "UnknownTypeError", "UnterminatedError", "crc32", "generate", "parse", "type_name",
    "unwrap", "wrap",
]
__version__ = "0.1.0"

_ENVELOPE_OVERHEAD = 26                            # STUBMETA_ENVELOPE_OVERHEAD
_MAX_ENVELOPE_TEXT = 0xFFFF - _ENVELOPE_OVERHEAD  # STUBMETA_ENVELOPE_TEXT_MAX
_FAMILY_TYPES = {1: (1, 2), 2: (3, 4), 3: (6, 7)}


@dataclasses.dataclass(frozen=True)
class Envelope:
    """What an envelope holds."""
    text: str       # the text, without its terminator
    value: int      # the 64-bit value the writer stored
    byteOrder: int  # StubType.UNIX_BIGENDIAN or UNIX_LITTLEENDIAN: the checksum's order
    size: int       # the envelope's size in bytes


def _status_error(status: int) -> StatusError:
    """The exception for a status the library returned, with its message."""
    message = _native.library().stubmeta_strerror(status).decode("ascii")
    return STATUS_ERRORS.get(status, StatusError)(message)


def _stub_type(value) -> int:
    number = int(value)
    if not StubType.WINDOWS_LOCAL <= number <= StubType.UNIX_LITTLEENDIAN:
        raise UnknownTypeError(f"{value!r} is not a stub type (1 to 7)")
    return number


def parse(data, *, type=None, family=None) -> Record:
    """Parses the stub in data (bytes-like, its whole content).

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
    raw = bytes(data)
    native = _native.ReparseData()
    listed = (ctypes.c_uint32 * len(types))(*types) if types else None
    status = _native.library().stubmeta_parse(
        raw, len(raw), listed, len(types) if types else 0, ctypes.byref(native))
    if status != 0:
        raise _status_error(status)
    return from_native(native)


def generate(record: Record, type) -> bytes:
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


def crc32(data, value: int = 0) -> int:
    """The standard CRC-32 of data; pass the result for earlier data as value
    to continue it (as zlib.crc32 does)."""
    raw = bytes(data)
    running = ctypes.c_uint32(~value & 0xFFFFFFFF)
    _native.library().tw_crc32(raw, len(raw), ctypes.byref(running))
    return ~running.value & 0xFFFFFFFF


def wrap(text, value: int) -> bytes:
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


def unwrap(data) -> Envelope:
    """The text, value and byte order of the envelope at the start of data.
    Raises the EnvelopeError subclass of the first check that failed when
    data is not a whole, valid envelope (BadMagicError, TruncatedError,
    ChecksumError, ...)."""
    raw = bytes(data)
    info = _native.StubmetaEnvelope()
    status = _native.library().stubmeta_envelope_open(raw, len(raw), ctypes.byref(info))
    if status != 0:
        raise _status_error(status)
    body = ctypes.string_at(info.text, info.textLength)
    return Envelope(decode_text(body), info.value, info.byteOrder, info.total)
