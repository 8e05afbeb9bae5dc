# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""The record as a Python dataclass, and its conversion to and from the C
record."""

import ctypes
import dataclasses
import enum
from typing import TYPE_CHECKING, Any, Callable, ClassVar, Dict, Tuple, Type, TypeVar, Union, cast

from . import _native
from ._errors import FieldError

# Texts are UTF-8; bytes that are not become lone surrogates and are written
# back unchanged, so any byte string round-trips.
TEXT_ENCODING = "utf-8"
TEXT_ERRORS = "surrogateescape"


class StubType(enum.IntEnum):
    """The stub types; 6 and 7 are one layout whose envelope's checksum is
    stored big- or little-endian."""
    INVALID = 0
    WINDOWS_LOCAL = 1
    WINDOWS_LOCAL_CSVFS = 2
    WINDOWS_CELERRA = 3
    WINDOWS_DMNAS = 4
    WINDOWS_DMNAS_ALT = 5
    UNIX_BIGENDIAN = 6
    UNIX_LITTLEENDIAN = 7


class Family(enum.IntEnum):
    """The families parse() can be limited to."""
    WINDOWS = 1  # types 1, 2
    NAS = 2      # types 3, 4
    UNIX = 3     # types 6, 7


def decode_text(raw: bytes) -> str:
    """Bytes the library stored, as str (undecodable bytes as surrogates)."""
    return raw.decode(TEXT_ENCODING, TEXT_ERRORS)


def encode_text(text: Union[str, bytes, bytearray], what: str) -> bytes:
    """A str (or bytes) as the bytes the library stores."""
    if isinstance(text, (bytes, bytearray)):
        raw = bytes(text)
    else:
        try:
            raw = str(text).encode(TEXT_ENCODING, TEXT_ERRORS)
        except UnicodeEncodeError as error:
            raise FieldError(f"{what} cannot be encoded: {error}") from None
    if b"\0" in raw:
        raise FieldError(f"{what} holds a NUL byte")
    return raw


def type_name(stub_type: int) -> str:
    """The library's name for a stub type ("Invalid" for unknown numbers)."""
    name = ctypes.create_string_buffer(32)
    _native.library().StubTypeAsString(int(stub_type) & 0xFFFFFFFF, name, 31)
    return name.value.decode("ascii")


# The Python records are made from the ctypes structures in _native, which
# mirror the C header field for field: each field's width, signedness and
# kind (text, number or nested record) come from its ctypes type, so the
# defaults, the range checks and the conversions below follow the C record.
# The classes still name their fields with Python types so that static
# checkers see them; _record_of refuses at import a class whose fields
# differ from its structure's in name, order or kind.

_RecordT = TypeVar("_RecordT")
_Structure = Type[ctypes.Structure]
# Each record class made by _record_of, by the structure it mirrors.
_RECORDS: Dict[_Structure, type] = {}


def _is_text(ctype: Any) -> bool:
    """Whether a field of this ctypes type is a fixed, NUL-terminated text."""
    return issubclass(ctype, ctypes.Array) and getattr(ctype, "_type_", None) is ctypes.c_char


def _is_integer(ctype: Any) -> bool:
    """Whether a field of this ctypes type is a signed or unsigned integer."""
    return issubclass(ctype, ctypes._SimpleCData) and ctype._type_ in "bBhHiIlLqQ"


def _integer_range(ctype: Any) -> Tuple[int, int]:
    """The lowest and highest value a ctypes integer type holds."""
    bits = 8 * ctypes.sizeof(ctype)
    if ctype(-1).value < 0:
        return -(1 << (bits - 1)), (1 << (bits - 1)) - 1
    return 0, (1 << bits) - 1


def _default(name: str, ctype: Any, hint: Any) -> Any:
    """The default of a field of type ctype declared as hint: "" for a text,
    0 for a number (an IntEnum's member for 0), an empty record for a nested
    structure.  TypeError when hint is not what holds a ctype."""
    if _is_text(ctype):
        fits = hint is str
    elif issubclass(ctype, ctypes.Structure):
        fits = ctype in _RECORDS and hint is _RECORDS[ctype]
    else:
        fits = _is_integer(ctype) and isinstance(hint, type) and issubclass(hint, int)
    if not fits:
        raise TypeError(f"field {name} is declared {hint!r}, which does not hold a "
                        f"{ctype.__name__}")
    if _is_text(ctype):
        return ""
    if issubclass(ctype, ctypes.Structure):
        return dataclasses.field(default_factory=hint)
    return hint(0)


def _record_of(structure: _Structure) -> Callable[[Type[_RecordT]], Type[_RecordT]]:
    """Makes the decorated class the dataclass of structure, every field
    with its default; its declared fields must be structure's, in order."""
    def make(cls: Type[_RecordT]) -> Type[_RecordT]:
        declared = list(cls.__dict__.get("__annotations__", {}).items())
        names = [name for name, _ in structure._fields_]
        if [name for name, _ in declared] != names:
            raise TypeError(f"{cls.__name__} declares {[name for name, _ in declared]}, "
                            f"not the fields of {structure.__name__}: {names}")
        for (name, hint), (_, ctype) in zip(declared, structure._fields_):
            setattr(cls, name, _default(name, ctype, hint))
        record = dataclasses.dataclass(cls)
        _RECORDS[structure] = record
        return record
    return make


if TYPE_CHECKING:
    class _Fields:
        """What static checkers are told of a record class: _record_of makes
        it a dataclass whose constructor takes its fields in order or by
        name, each optional."""
        __dataclass_fields__: ClassVar[Dict[str, "dataclasses.Field[Any]"]]

        def __init__(self, *values: Any, **fields: Any) -> None: ...
else:
    _Fields = object


@_record_of(_native.CommonFields)
class CommonFields(_Fields):
    """The five numbers that open every layout."""
    common1: int
    common2: int
    common3: int
    common4: int
    common5: int


@_record_of(_native.ReparseData)
class Record(_Fields):
    """A stub's metadata, with the C record's field names.  stubType is a
    StubType member after a parse."""
    stubType: StubType
    common: CommonFields
    shortText: str
    number1: int
    auxText: str
    number2: int
    unixTextKind: int
    number3: int
    extraText: str
    signedNumber: int
    flag: int
    longText: str
    number4: int
    number5: int
    tailText: str
    headText: str

    @property
    def typeName(self) -> str:
        """The name of stubType, e.g. "UNIX_LITTLEENDIAN"."""
        return type_name(self.stubType)


def _check_range(value: Any, ctype: Any, what: str) -> int:
    if isinstance(value, bool) or not isinstance(value, int):
        raise FieldError(f"{what} must be an integer, not {type(value).__name__}")
    low, high = _integer_range(ctype)
    if not low <= value <= high:
        raise FieldError(f"{what} = {value} is outside {low}..{high}")
    return value


def _to_structure(record: Any, structure: _Structure, prefix: str) -> ctypes.Structure:
    native = structure()
    for name, ctype in structure._fields_:
        what, value = prefix + name, getattr(record, name)
        if issubclass(ctype, ctypes.Structure):
            setattr(native, name, _to_structure(value, ctype, what + "."))
        elif _is_text(ctype):
            raw = encode_text(value, what)
            if len(raw) >= ctype._length_:
                raise FieldError(f"{what} holds {len(raw)} bytes; at most {ctype._length_ - 1} fit")
            setattr(native, name, raw)
        else:
            setattr(native, name, _check_range(value, ctype, what))
    return native


def to_native(record: Record) -> _native.ReparseData:
    """The C record holding record's values; raises FieldError for a value
    that does not fit its field (texts need room for their NUL)."""
    return cast(_native.ReparseData, _to_structure(record, _native.ReparseData, ""))


def _from_structure(native: ctypes.Structure) -> Any:
    record = _RECORDS[type(native)]
    values = {}
    for field, (name, ctype) in zip(dataclasses.fields(record), native._fields_):
        value = getattr(native, name)
        if issubclass(ctype, ctypes.Structure):
            value = _from_structure(value)
        elif _is_text(ctype):
            # Each text ends at its first NUL, and never beyond its field.
            value = decode_text(value.split(b"\0", 1)[0])
        elif issubclass(field.type, enum.IntEnum):
            value = _as_member(field.type, value)
        values[name] = value
    return record(**values)


def from_native(native: _native.ReparseData) -> Record:
    """The Record holding the C record's values."""
    return cast(Record, _from_structure(native))


def _as_member(enumeration: Type[enum.IntEnum], value: int) -> Union[enum.IntEnum, int]:
    """value as a member of enumeration where it is one."""
    try:
        return enumeration(value)
    except ValueError:
        return value
