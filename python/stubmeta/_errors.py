# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""The exceptions the module raises: all derive from StubError."""


class StubError(Exception):
    """Base class of every error raised by stubmeta."""


class LibraryNotFoundError(StubError, OSError):
    """libstubmeta.so could not be found or loaded."""


class UnknownTypeError(StubError, ValueError):
    """A stub type or family number that the library does not know."""


class FieldError(StubError, ValueError):
    """A record field whose value does not fit the record (too long a text,
    a NUL in a text, a number out of its field's range)."""


class ParseError(StubError, ValueError):
    """The input is not a stub of any of the types tried."""


class GenerateError(StubError, ValueError):
    """The writer refused the record for the requested type."""


class EnvelopeError(StubError, ValueError):
    """A text that cannot be wrapped, or bytes that are not a valid envelope."""


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


class ArgumentError(StatusError, ParseError, EnvelopeError):
    status = -1


class NoMatchError(StatusError, ParseError):
    status = -2


class FieldTooLongError(StatusError, ParseError):
    status = -3


class OutOfMemoryError(StatusError, ParseError):
    status = -4


class BadMagicError(StatusError, ParseError, EnvelopeError):
    status = -5


class BadVersionError(StatusError, ParseError, EnvelopeError):
    status = -6


class TotalTooSmallError(StatusError, ParseError, EnvelopeError):
    status = -7


class TruncatedError(StatusError, ParseError, EnvelopeError):
    status = -8


class ChecksumError(StatusError, ParseError, EnvelopeError):
    status = -9


class EmptyTextError(StatusError, ParseError, EnvelopeError):
    status = -10


class LengthMismatchError(StatusError, ParseError, EnvelopeError):
    status = -11


class UnterminatedError(StatusError, ParseError, EnvelopeError):
    status = -12


class OutputTooSmallError(StatusError, EnvelopeError, GenerateError):
    status = -13


class TextTooLongError(StatusError, ParseError, EnvelopeError, GenerateError):
    status = -14


STATUS_ERRORS = {cls.status: cls for cls in (
    ArgumentError, NoMatchError, FieldTooLongError, OutOfMemoryError, BadMagicError,
    BadVersionError, TotalTooSmallError, TruncatedError, ChecksumError, EmptyTextError,
    LengthMismatchError, UnterminatedError, OutputTooSmallError, TextTooLongError)}
