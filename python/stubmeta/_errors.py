# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""The exceptions the module raises: all derive from StubError.  An
argument of the wrong type raises TypeError instead, as Python's own
functions do, and a file that cannot be read OSError, as open() does."""

from typing import Any, Dict, Optional, Type


class StubError(Exception):
    """Base class of every error raised by stubmeta."""


class LibraryNotFoundError(StubError, OSError):
    """libstubmeta.so could not be found or loaded."""


class UnknownTypeError(StubError, ValueError):
    """A stub type or family number that the library does not know."""


class FieldError(StubError, ValueError):
    """A record field whose value does not fit the record (too long a text,
    a NUL in a text, a number out of its field's range), or that the stub
    generate() would write does not read back as given.  field names the
    field ("common.common2" for a common number; None when the stub would
    not parse back at all), given is the value given and readBack what the
    stub would read back (None when nothing would)."""

    def __init__(self, message: str, field: Optional[str] = None, given: object = None,
                 readBack: object = None):
        super().__init__(message)
        self.field = field
        self.given = given
        self.readBack = readBack


class ParseError(StubError, ValueError):
    """The input is not a stub of any of the types tried."""


class GenerateError(StubError, ValueError):
    """The writer refused the record for the requested type."""


class EnvelopeError(StubError, ValueError):
    """A text that cannot be wrapped, or bytes that are not a valid envelope."""


# Each StatusError subclass by the status it stands for.
STATUS_ERRORS: Dict[int, Type["StatusError"]] = {}


class StatusError(StubError):
    """A failure the library reported with a status code.  `status` is the
    library's negative code and the message is the library's own
    (stubmeta_strerror).  Every subclass is also a ParseError, an
    EnvelopeError or a GenerateError, or several, as the calls that raise
    it."""

    status = 0

    def __init__(self, message: str):
        super().__init__(message)
        self.message = message

    def __init_subclass__(cls, status: Optional[int] = None, **kwargs: Any):
        """A subclass declared with `status=N` is the exception for status N."""
        super().__init_subclass__(**kwargs)
        if status is not None:
            if status in STATUS_ERRORS:
                raise TypeError(f"status {status} is already {STATUS_ERRORS[status].__name__}")
            cls.status = status
            STATUS_ERRORS[status] = cls


# One per status, also the errors of the calls that return it.
class ArgumentError(StatusError, ParseError, EnvelopeError, status=-1):
    """Arguments a call cannot take: both a type and a family, an empty list
    of types (the library's null pointer or count below 1)."""


class NoMatchError(StatusError, ParseError, status=-2):
    """No type tried parses the input."""


class FieldTooLongError(StatusError, ParseError, status=-3):
    """A text in the input is wider than its record field."""


class OutOfMemoryError(StatusError, ParseError, status=-4):
    """A working block could not be had."""


class BadMagicError(StatusError, ParseError, EnvelopeError, status=-5):
    """Not an envelope."""


class BadVersionError(StatusError, ParseError, EnvelopeError, status=-6):
    """An envelope of an unknown version."""


class TotalTooSmallError(StatusError, ParseError, EnvelopeError, status=-7):
    """An envelope whose total length is below the overhead."""


class TruncatedError(StatusError, ParseError, EnvelopeError, status=-8):
    """An envelope reaching past the end of the input."""


class ChecksumError(StatusError, ParseError, EnvelopeError, status=-9):
    """An envelope whose checksum matches in neither byte order.
    storedBigEndian and storedLittleEndian are the stored checksum read in
    each byte order, computed the checksum of the envelope's bytes (each
    None when not known); the message gives them as the tool prints them."""

    def __init__(self, message: str, storedBigEndian: Optional[int] = None,
                 storedLittleEndian: Optional[int] = None, computed: Optional[int] = None):
        if storedBigEndian is not None and storedLittleEndian is not None and computed is not None:
            message += (f": stored 0x{storedBigEndian:08X} (or 0x{storedLittleEndian:08X} read "
                        f"little-endian), computed 0x{computed:08X}")
        super().__init__(message)
        self.storedBigEndian = storedBigEndian
        self.storedLittleEndian = storedLittleEndian
        self.computed = computed


class EmptyTextError(StatusError, ParseError, EnvelopeError, status=-10):
    """An envelope whose text length is 0."""


class LengthMismatchError(StatusError, ParseError, EnvelopeError, status=-11):
    """An envelope whose text length and overhead do not make its total."""


class UnterminatedError(StatusError, ParseError, EnvelopeError, status=-12):
    """An envelope without a zero byte right after its text."""


class OutputTooSmallError(StatusError, EnvelopeError, GenerateError, status=-13):
    """An output buffer that cannot hold the result."""


class TextTooLongError(StatusError, ParseError, EnvelopeError, GenerateError, status=-14):
    """A text over its layout's limit."""


class NotUnixTextError(StatusError, ParseError, EnvelopeError, status=-15):
    """A sound envelope whose text is no Unix stub layout."""


class BadFieldsError(StatusError, ParseError, status=-16):
    """A stub whose opening names its type but whose fields do not parse as it."""


class ReparseLengthError(StatusError, ParseError, status=-17):
    """A reparse buffer whose header's length disagrees with its data."""


class NotAStubError(StatusError, ParseError, status=-18):
    """Nothing in the input's opening marks a stub."""


def status_error(status: int, message: str, storedBigEndian: Optional[int] = None,
                 storedLittleEndian: Optional[int] = None,
                 computed: Optional[int] = None) -> StatusError:
    """The exception for a status the library returned, with its message
    (and for a checksum mismatch the checksums, when known)."""
    if status == ChecksumError.status:
        return ChecksumError(message, storedBigEndian, storedLittleEndian, computed)
    return STATUS_ERRORS.get(status, StatusError)(message)
