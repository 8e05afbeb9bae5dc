# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""The checks of the values every function is given: a text, a number and
a stub's bytes.  A value of the wrong type is a TypeError, never turned
into something else by str() or int()."""

from typing import Union

from ._errors import FieldError

# What functions taking a stub's bytes accept: any bytes-like object.
BytesLike = Union[bytes, bytearray, memoryview]
# What a text field or argument accepts: a str, or its bytes.
Text = Union[str, bytes, bytearray, memoryview]

# Texts are UTF-8; bytes that are not become lone surrogates and are written
# back unchanged, so any byte string round-trips.
TEXT_ENCODING = "utf-8"
TEXT_ERRORS = "surrogateescape"


def decode_text(raw: bytes) -> str:
    """Bytes the library stored, as str (undecodable bytes as surrogates)."""
    return raw.decode(TEXT_ENCODING, TEXT_ERRORS)


def is_text(value: object) -> bool:
    """Whether value is a str or a bytes-like object."""
    return isinstance(value, (str, bytes, bytearray, memoryview))


def text_bytes(text: Text, what: str) -> bytes:
    """A text (str or bytes-like) as the bytes the library stores.
    TypeError for anything else; FieldError for a str that cannot be
    encoded or a text holding a NUL, which would end it early."""
    if isinstance(text, str):
        try:
            raw = text.encode(TEXT_ENCODING, TEXT_ERRORS)
        except UnicodeEncodeError as error:
            raise FieldError(f"{what} cannot be encoded: {error}", what, text) from None
    elif is_text(text):
        raw = memoryview(text).tobytes()
    else:
        raise TypeError(f"{what} takes str or a bytes-like object, not {type(text).__name__}")
    if b"\0" in raw:
        raise FieldError(f"{what} holds a NUL byte", what, text)
    return raw


def integer(value: int, what: str) -> int:
    """value, when it is an int (a bool is not a number here); TypeError
    otherwise."""
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{what} takes an int, not {type(value).__name__}")
    return value


def stub_bytes(data: BytesLike, what: str) -> bytes:
    """The bytes of a bytes-like object; TypeError for anything else (a str
    or a path is not the content of a stub)."""
    if isinstance(data, str):
        raise TypeError(f"{what} takes bytes, not str (use parse_file for a file's path)")
    try:
        return memoryview(data).tobytes()
    except TypeError:
        raise TypeError(f"{what} takes a bytes-like object, not {type(data).__name__}"
                        " (use parse_file for a file's path)") from None
