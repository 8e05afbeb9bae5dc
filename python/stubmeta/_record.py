# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""The record as a Python dataclass, and its conversion to and from the C
record."""

import ctypes
import dataclasses
from typing import Any, Callable, Dict, List, Tuple, Type, TypeVar, Union, cast

from . import _native
from ._checks import decode_text, integer, text_bytes
from ._errors import FieldError
from ._types import StubType, type_name


# The Python records mirror the ctypes structures in _native, which mirror
# the C header field for field: each field's width, signedness and kind
# (text, number or nested record) come from its ctypes type, so the range
# checks and the conversions below follow the C record.  The classes are
# plain dataclasses, written out so that static checkers know their
# constructors; _record_of refuses at import a class whose fields differ
# from its structure's in name, order, kind or default.

_RecordT = TypeVar("_RecordT")
_Structure = Type[ctypes.Structure]
# Each record class made by _record_of, by the structure it mirrors, and
# the other way round.
_RECORDS: Dict[_Structure, type] = {}
_STRUCTURES: Dict[type, _Structure] = {}


def fields_of(structure: Union[ctypes.Structure, _Structure]) -> List[Tuple[str, Any]]:
    """The (name, ctypes type) of every field of a structure or its type."""
    return [(field[0], field[1]) for field in structure._fields_]


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


def _fits(ctype: Any, field: "dataclasses.Field[Any]") -> bool:
    """Whether a dataclass field holds what a field of type ctype does and
    defaults to its empty value: "" for a text, 0 for a number (an
    IntEnum's member for 0), an empty record for a nested structure."""
    hint = field.type
    if _is_text(ctype):
        return hint is str and field.default == ""
    if issubclass(ctype, ctypes.Structure):
        return _RECORDS.get(ctype) is hint and cast(Any, field.default_factory) is hint
    return (_is_integer(ctype) and isinstance(hint, type) and issubclass(hint, int)
            and field.default == 0 and type(field.default) is hint)


def _record_of(structure: _Structure) -> Callable[[Type[_RecordT]], Type[_RecordT]]:
    """Registers the decorated dataclass as the record of structure; its
    fields must be structure's, in order, each with its empty default."""
    def check(cls: Type[_RecordT]) -> Type[_RecordT]:
        declared = dataclasses.fields(cls)
        names = [name for name, _ in fields_of(structure)]
        if [field.name for field in declared] != names:
            raise TypeError(f"{cls.__name__} declares {[field.name for field in declared]}, "
                            f"not the fields of {structure.__name__}: {names}")
        for field, (name, ctype) in zip(declared, fields_of(structure)):
            if not _fits(ctype, field):
                raise TypeError(f"field {name} is declared {field.type!r} = {field.default!r}, "
                                f"which is not an empty {ctype.__name__}")
        _RECORDS[structure] = cls
        _STRUCTURES[cls] = structure
        return cls
    return check


_STUB_TYPES = frozenset(StubType)


class _Checked:
    """What every record does on construction: a text given as bytes-like
    is kept as str (decoded as parse decodes), and a value of the wrong
    type for its field is a TypeError.  Ranges and lengths are checked when
    the record is written."""

    def __post_init__(self) -> None:
        name_of = type(self).__name__
        for field in dataclasses.fields(self):
            value, what = getattr(self, field.name), f"{name_of}.{field.name}"
            if field.type is str:
                if not isinstance(value, str):
                    setattr(self, field.name, decode_text(text_bytes(value, what)))
            elif field.type is StubType:
                if integer(value, what) in _STUB_TYPES:
                    setattr(self, field.name, StubType(value))
            elif field.type is int:
                integer(value, what)
            elif not isinstance(value, field.type):
                raise TypeError(f"{what} takes a {field.type.__name__}, "
                                f"not {type(value).__name__}")


@_record_of(_native.CommonFields)
@dataclasses.dataclass
class CommonFields(_Checked):
    """The five numbers that open every layout."""
    common1: int = 0
    common2: int = 0
    common3: int = 0
    common4: int = 0
    common5: int = 0


@_record_of(_native.ReparseData)
@dataclasses.dataclass
class Record(_Checked):
    """A stub's metadata, with the C record's field names.  stubType is a
    StubType member where it names one.  Texts are str; bytes-like values
    given are decoded as parse decodes them."""
    stubType: StubType = StubType.INVALID
    common: CommonFields = dataclasses.field(default_factory=CommonFields)
    shortText: str = ""
    number1: int = 0
    auxText: str = ""
    number2: int = 0
    unixTextKind: int = 0
    number3: int = 0
    extraText: str = ""
    signedNumber: int = 0
    flag: int = 0
    longText: str = ""
    number4: int = 0
    number5: int = 0
    tailText: str = ""
    headText: str = ""

    @property
    def typeName(self) -> str:
        """The name of stubType, e.g. "UNIX_LITTLEENDIAN"."""
        return type_name(self.stubType)


def _to_structure(record: Any, structure: _Structure, prefix: str) -> ctypes.Structure:
    native = structure()
    for name, ctype in fields_of(structure):
        what, value = prefix + name, getattr(record, name)
        if issubclass(ctype, ctypes.Structure):
            nested = _RECORDS[ctype]
            if not isinstance(value, nested):
                raise TypeError(f"{what} takes a {nested.__name__}, not {type(value).__name__}")
            setattr(native, name, _to_structure(value, ctype, what + "."))
        elif _is_text(ctype):
            raw = text_bytes(value, what)
            if len(raw) >= ctype._length_:
                raise FieldError(f"{what} holds {len(raw)} bytes; at most {ctype._length_ - 1} fit",
                                 what, value)
            setattr(native, name, raw)
        else:
            low, high = _integer_range(ctype)
            if not low <= integer(value, what) <= high:
                raise FieldError(f"{what} = {value} is outside {low}..{high}", what, value)
            setattr(native, name, value)
    return native


def to_native(record: Record) -> _native.ReparseData:
    """The C record holding record's values; TypeError for a value of the
    wrong type, FieldError for one that does not fit its field (texts need
    room for their NUL)."""
    if not isinstance(record, Record):
        raise TypeError(f"a Record is needed, not {type(record).__name__}")
    return cast(_native.ReparseData, _to_structure(record, _native.ReparseData, ""))


def _from_structure(native: ctypes.Structure) -> Any:
    values: Dict[str, Any] = {}
    for name, ctype in fields_of(native):
        value = getattr(native, name)
        if issubclass(ctype, ctypes.Structure):
            value = _from_structure(value)
        elif _is_text(ctype):
            # Each text ends at its first NUL, and never beyond its field.
            value = decode_text(value.split(b"\0", 1)[0])
        values[name] = value
    return _RECORDS[type(native)](**values)


def from_native(native: _native.ReparseData) -> Record:
    """The Record holding the C record's values."""
    return cast(Record, _from_structure(native))


def leaves(native: ctypes.Structure, prefix: str = "") -> List[Tuple[str, ctypes.Structure, str]]:
    """Every field of native that is no nested record, as (the name the
    Python record gives it, e.g. "common.common2"; the structure holding it;
    its name there)."""
    found: List[Tuple[str, ctypes.Structure, str]] = []
    for name, ctype in fields_of(native):
        if issubclass(ctype, ctypes.Structure):
            found += leaves(getattr(native, name), f"{prefix}{name}.")
        else:
            found.append((prefix + name, native, name))
    return found

