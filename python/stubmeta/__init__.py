"""stubmeta: reading and writing the metadata of archived-file stubs.

A ctypes binding to libstubmeta.so (see README.md for where it is looked
for).  Inputs are bytes of known length; the library's readers take no
length, so each input is copied into a zero-padded buffer that no read can
leave.  Texts are str, decoded from UTF-8 with surrogateescape so that any
bytes round-trip.  Every failure raises a subclass of StubError.
"""

import ctypes
import dataclasses

from . import _native
from ._errors import (EnvelopeError, FieldError, GenerateError, LibraryNotFoundError,
                      ParseError, StubError, UnknownTypeError)
from ._record import (CommonFields, Family, Record, StubType, decode_text, encode_text,
                      from_native, to_native, type_name)

__all__ = [
    "CommonFields", "Envelope", "EnvelopeError", "Family", "FieldError", "GenerateError",
    "LibraryNotFoundError", "ParseError", "Record", "StubError", "StubType",
    "UnknownTypeError", "crc32", "generate", "parse", "type_name", "unwrap", "wrap",
]
__version__ = "0.1.0"

# The furthest a reader looks past the end of a NUL-terminated input: an
# envelope's extent from its 16-bit length field, and the 24-byte header an
# NTFS stub skips.
_READ_SLACK = 65536 + 24
# Larger than the longest stub any writer produces from the record's widths.
_MAX_STUB_SIZE = 4096
_ENVELOPE_OVERHEAD = 26
_MAX_ENVELOPE_TEXT = 0xFFFF - _ENVELOPE_OVERHEAD


@dataclasses.dataclass(frozen=True)
class Envelope:
    """What an envelope holds."""
    text: str       # the text, without its terminator
    value: int      # the 64-bit value the writer stored
    byteOrder: int  # StubType.UNIX_BIGENDIAN or UNIX_LITTLEENDIAN: the checksum's order
    size: int       # the envelope's size in bytes


def _padded(data) -> ctypes.Array:
    raw = bytes(data)
    return ctypes.create_string_buffer(raw, len(raw) + _READ_SLACK)


def _stub_type(value) -> int:
    number = int(value)
    if not StubType.WINDOWS_LOCAL <= number <= StubType.UNIX_LITTLEENDIAN:
        raise UnknownTypeError(f"{value!r} is not a stub type (1 to 7)")
    return number


def parse(data, *, type=None, family=None) -> Record:
    """Parses the stub in data (bytes-like, its whole content).

    With neither type nor family, the types 6, 7, 1, 2, 3, 4 are tried in that
    order, so a bare text of another layout that fits the Unix template comes
    back as type 6: name the type or family when it is known.  Raises
    ParseError when no type tried matches."""
    if type is not None and family is not None:
        raise ValueError("give a type or a family, not both")
    lib = _native.library()
    buffer = _padded(data)
    native = _native.ReparseData()
    if type is not None:
        status = lib.ParseReparseDataForStubType(buffer, _stub_type(type), ctypes.byref(native))
        tried = f"stub type {int(type)}"
    elif family is not None:
        if int(family) not in {f.value for f in Family}:
            raise UnknownTypeError(f"{family!r} is not a stub family (1 to 3)")
        status = lib.ParseReparseDataFor(buffer, ctypes.byref(native), int(family))
        tried = f"stub family {int(family)}"
    else:
        status = lib.ParseReparseData(buffer, ctypes.byref(native))
        tried = "any stub type"
    if status != 0:
        raise ParseError(f"the {len(buffer) - _READ_SLACK} bytes given are not a stub of {tried}")
    return from_native(native)


def generate(record: Record, type) -> bytes:
    """The stub of the given type for record (the type picks the layout, not
    record.stubType): the text without a NUL for types 1 to 5, the whole
    envelope for 6 and 7.  Raises FieldError for a value that does not fit
    its field and GenerateError when the writer refuses the record."""
    stub_type = _stub_type(type)
    native = to_native(record)
    buffer = ctypes.create_string_buffer(_MAX_STUB_SIZE)
    written = _native.library().GenerateReparseData(
        ctypes.byref(native), stub_type, buffer, _MAX_STUB_SIZE)
    if written < 0:
        raise GenerateError(f"the record cannot be written as stub type {stub_type}"
                            " (a text too long for the layout?)")
    return buffer.raw[:written]


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
    Raises EnvelopeError when data is not a whole, valid envelope."""
    raw = bytes(data)
    text = ctypes.create_string_buffer(0x10000)
    total = ctypes.c_int32(0)
    value = ctypes.c_uint64(0)
    order = ctypes.c_uint32(0)
    status = _native.library().tkhsm_stub2meta(
        _padded(raw), ctypes.byref(total), ctypes.byref(value), text, len(text),
        ctypes.byref(order))
    if status != 0:
        raise EnvelopeError("not a valid envelope (magic, version, lengths or checksum)")
    if total.value > len(raw):
        raise EnvelopeError(f"the envelope claims {total.value} bytes; {len(raw)} were given")
    body = text.raw[:total.value - _ENVELOPE_OVERHEAD]
    return Envelope(decode_text(body), value.value, order.value, total.value)
