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
