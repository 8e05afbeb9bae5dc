# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""The Python binding against the library named by STUBMETA_LIBRARY."""

import ctypes
import os
import dataclasses
import random
import shutil
import subprocess
import sys
import tempfile
import unittest
import zlib
from pathlib import Path

import stubmeta
from stubmeta import _errors, _generate, _native, _record

CELERRA = b"1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99"
LITTLE_ENDIAN_HOST = sys.byteorder == "little"


def full_record(**changes):
    record = stubmeta.parse(CELERRA, type=stubmeta.StubType.WINDOWS_CELERRA)
    for name, value in changes.items():
        setattr(record, name, value)
    return record


class RecordLayout(unittest.TestCase):
    def test_matches_the_c_record(self):
        self.assertEqual(ctypes.sizeof(_native.ReparseData), 1488)
        self.assertEqual(_native.ReparseData.longText.offset, 308)
        self.assertEqual(_native.ReparseData.number4.offset, 1332)
        self.assertEqual(_native.ReparseData.headText.offset, 1409)


    @unittest.skipUnless(os.environ.get("STUBMETA_LAYOUT"), "STUBMETA_LAYOUT names no program")
    def test_every_field_as_the_c_compiler_lays_it_out(self):
        # "Name size" per structure, then "Name.field offset size sign".
        printed = subprocess.run([os.environ["STUBMETA_LAYOUT"]], capture_output=True,
                                 text=True, check=True).stdout.split("\n")
        for structure in (_native.CommonFields, _native.ReparseData, _native.StubmetaEnvelope,
                          _native.StubmetaQuery, _native.StubmetaIdentity):
            name = structure.__name__
            with self.subTest(name):
                c_fields = [line for line in printed if line.startswith(name + ".")]
                self.assertEqual([f"{name}.{field} {getattr(structure, field).offset} "
                                  f"{getattr(structure, field).size} {_sign(ctype)}"
                                  for field, ctype in structure._fields_], c_fields)
                self.assertIn(f"{name} {ctypes.sizeof(structure)}", printed)


    @unittest.skipUnless(os.environ.get("STUBMETA_TABLES"), "STUBMETA_TABLES names no program")
    def test_families_and_version_as_the_library_has_them(self):
        printed = subprocess.run([os.environ["STUBMETA_TABLES"]], capture_output=True,
                                 text=True, check=True).stdout.split("\n")
        families = {int(line.split()[1]): tuple(int(t) for t in line.split()[2:])
                    for line in printed if line.startswith("family ")}
        self.assertEqual(stubmeta._FAMILY_TYPES, families)
        version = next(line.split()[1] for line in printed if line.startswith("version "))
        self.assertEqual(stubmeta.__version__, version)


def _sign(ctype):
    """How the layout program describes a field of this ctypes type."""
    if issubclass(ctype, ctypes._SimpleCData) and ctype._type_ in "bBhHiIlLqQ":
        return "signed" if ctype(-1).value < 0 else "unsigned"
    return "-"


class RecordClasses(unittest.TestCase):
    def test_a_record_class_must_declare_its_structures_fields(self):
        class Pair(ctypes.Structure):
            _fields_ = [("count", ctypes.c_uint16), ("name", ctypes.c_char * 4)]

        def declare(*fields):
            return _record._record_of(Pair)(dataclasses.make_dataclass("Pair", fields))
        for fields in ((("name", str, ""), ("count", int, 0)), (("count", int, 0),),
                       (("count", int, 0), ("name", str, ""), ("extra", int, 0)),
                       (("count", str, ""), ("name", str, "")),
                       (("count", int, 0), ("name", bytes, b"")),
                       (("count", int, 1), ("name", str, ""))):
            with self.subTest(fields), self.assertRaises(TypeError):
                declare(*[(name, hint, dataclasses.field(default=value))
                          for name, hint, value in fields])
        pair = declare(("count", int, dataclasses.field(default=0)),
                       ("name", str, dataclasses.field(default="")))
        self.assertEqual(repr(pair()), "Pair(count=0, name='')")


class Parse(unittest.TestCase):
    def test_fields_and_type_name(self):
        record = stubmeta.parse(CELERRA, family=stubmeta.Family.NAS)
        self.assertEqual(record.stubType, 3)
        self.assertEqual(record.typeName, "WINDOWS_CELERRA")
        self.assertEqual(record.common, stubmeta.CommonFields(1, 2, 3, 4, 5))
        self.assertEqual((record.extraText, record.shortText, record.auxText, record.longText),
                         ("ex", "short", "aux", "/long/path"))
        self.assertEqual((record.number1, record.signedNumber, record.flag, record.number5,
                          record.number2), (7, -8, 1, 12, 99))

    def test_narrowing_changes_the_answer(self):
        # Unnarrowed, the Unix types come first and take this text.
        self.assertEqual(stubmeta.parse(CELERRA).stubType, 6)
        ntfs = stubmeta.parse(b"\0" * 24 + CELERRA, type=1)
        self.assertEqual(ntfs.typeName, "WINDOWS_LOCAL")
        with self.assertRaises(stubmeta.ParseError):
            stubmeta.parse(CELERRA, type=stubmeta.StubType.WINDOWS_LOCAL_CSVFS)

    def test_only_the_given_bytes_are_read(self):
        backing = bytearray(CELERRA + b"77")
        record = stubmeta.parse(memoryview(backing)[:len(CELERRA)], type=3)
        self.assertEqual(record.number2, 99)
        # An empty input and a lone envelope header claiming 65535 bytes are
        # read from the padded copy.
        with self.assertRaises(stubmeta.ParseError):
            stubmeta.parse(b"")
        with self.assertRaises(stubmeta.ParseError):
            stubmeta.parse(b"QSTUB\n\x0e\xaf\x01\xff\xff")

    def test_bad_arguments(self):
        with self.assertRaises(ValueError):
            stubmeta.parse(CELERRA, type=3, family=2)
        for bad in ({"type": 0}, {"type": 8}, {"family": 4}):
            with self.subTest(bad), self.assertRaises(stubmeta.UnknownTypeError):
                stubmeta.parse(CELERRA, **bad)
        self.assertTrue(issubclass(stubmeta.ParseError, stubmeta.StubError))


class Generate(unittest.TestCase):
    def test_every_type_round_trips(self):
        record = full_record()
        for stub_type in stubmeta.StubType:
            if stub_type == stubmeta.StubType.INVALID:
                continue
            with self.subTest(stub_type.name):
                stub = stubmeta.generate(record, stub_type)
                prefix = b"\0" * 24 if stub_type == 1 else b""
                back = stubmeta.parse(prefix + stub, type=stub_type)
                self.assertEqual(back.common, record.common)
                self.assertEqual(back.shortText, "short")
                self.assertEqual(back.number2, 99)
        self.assertEqual(stubmeta.generate(record, 3), CELERRA)
        self.assertEqual(stubmeta.generate(record, 4), stubmeta.generate(record, 5))

    def test_unix_stub_is_an_envelope_in_this_machines_order(self):
        stub = stubmeta.generate(full_record(), stubmeta.StubType.UNIX_BIGENDIAN)
        envelope = stubmeta.unwrap(stub)
        self.assertEqual(envelope.size, len(stub))
        self.assertEqual(envelope.value, 4096)
        self.assertEqual(envelope.byteOrder, 7 if LITTLE_ENDIAN_HOST else 6)
        self.assertEqual(stubmeta.parse(stub).stubType, envelope.byteOrder)

    def test_any_bytes_round_trip_through_str(self):
        raw = b"/d\xc3\xa9j\xc3\xa0/\xff\xfe\x80"  # UTF-8, then bytes that are not
        record = stubmeta.parse(CELERRA.replace(b"/long/path", raw), type=3)
        self.assertEqual(record.longText, raw.decode("utf-8", "surrogateescape"))
        self.assertIn(raw, stubmeta.generate(record, 3))

    def test_values_that_do_not_fit_their_fields(self):
        for changes in ({"shortText": "x" * 72}, {"tailText": "x" * 65},
                        {"longText": "x" * 1024}, {"auxText": "a\0b"},
                        {"number4": 1 << 32}, {"number1": -1}, {"signedNumber": 1 << 63},
                        {"shortText": "\ud800"}):
            with self.subTest(changes), self.assertRaises(stubmeta.FieldError):
                stubmeta.generate(full_record(**changes), 3)
        # The widest values that do fit.
        record = full_record(shortText="s" * 71, longText="l" * 1023, tailText="t" * 64,
                             headText="h" * 71, number1=(1 << 64) - 1,
                             signedNumber=-(1 << 63))
        stub = stubmeta.generate(record, 4)
        self.assertIn(b"l" * 1023, stub)
        self.assertEqual(stubmeta.parse(stub, type=4).headText, "h" * 71)

    def test_refusals(self):
        # A Unix text holds at most 1023 characters.
        with self.assertRaises(stubmeta.GenerateError):
            stubmeta.generate(full_record(shortText="", longText="l" * 1023), 6)
        with self.assertRaises(stubmeta.UnknownTypeError):
            stubmeta.generate(full_record(), 0)


class Envelope(unittest.TestCase):
    def test_worked_example(self):
        stub = stubmeta.wrap("1:2:3:4:5", 4096)
        self.assertEqual(stub[:31].hex(), "51535455420a0eaf010023" "0000000000001000"
                                          "0009313a323a333a343a3500")
        big = stub[:31] + bytes.fromhex("aba8f11b")
        little = stub[:31] + bytes.fromhex("1bf1a8ab")
        self.assertEqual(stub, little if LITTLE_ENDIAN_HOST else big)
        for data, order in ((big, 6), (little, 7)):
            self.assertEqual(stubmeta.unwrap(data), stubmeta.Envelope("1:2:3:4:5", 4096, order, 35))

    def test_damage_is_detected(self):
        stub = stubmeta.wrap("1:2:3:4:5", 1)
        for offset in range(len(stub)):
            damaged = bytearray(stub)
            damaged[offset] ^= 0x01
            with self.subTest(offset=offset), self.assertRaises(stubmeta.EnvelopeError):
                stubmeta.unwrap(damaged)
        with self.assertRaises(stubmeta.EnvelopeError):
            stubmeta.unwrap(stub[:-1])
        self.assertEqual(stubmeta.unwrap(stub + b"more").size, 35)

    def test_failures_name_the_status(self):
        stub = stubmeta.wrap("1:2:3:4:5", 1)
        cases = ((stubmeta.unwrap, stub[:-1], stubmeta.TruncatedError, "truncated"),
                 (stubmeta.unwrap, b"QSTUB", stubmeta.BadMagicError, "magic"),
                 (stubmeta.unwrap, stub[:-1] + b"?", stubmeta.ChecksumError, "checksum"),
                 (stubmeta.parse, stub[:-1] + b"?", stubmeta.ChecksumError, "checksum"),
                 (stubmeta.parse, b"nothing", stubmeta.NoMatchError, "no stub type"))
        for call, data, error, words in cases:
            with self.subTest(error.__name__), self.assertRaises(error) as caught:
                call(data)
            self.assertIn(words, str(caught.exception))
            self.assertEqual(caught.exception.status, error.status)
        self.assertTrue(issubclass(stubmeta.ChecksumError, stubmeta.ParseError))
        self.assertTrue(issubclass(stubmeta.ChecksumError, stubmeta.EnvelopeError))

    def test_limits(self):
        self.assertEqual(len(stubmeta.wrap(b"x" * 65509, (1 << 64) - 1)), 65535)
        for text, value in ((b"x" * 65510, 0), ("a\0b", 0), ("abc", -1)):
            with self.subTest(len(text)), self.assertRaises(stubmeta.EnvelopeError):
                stubmeta.wrap(text, value)


class StatusErrors(unittest.TestCase):
    def test_every_status_the_library_names_has_its_class(self):
        message = _native.library().stubmeta_strerror
        named = [status for status in range(-1, -100, -1) if message(status) != message(-1000)]
        self.assertEqual(sorted(_errors.STATUS_ERRORS), sorted(named))


class Crc32(unittest.TestCase):
    def test_agrees_with_zlib_and_chains(self):
        generator = random.Random(7)
        for size in (0, 1, 9, 1000):
            data = bytes(generator.randrange(256) for _ in range(size))
            self.assertEqual(stubmeta.crc32(data), zlib.crc32(data))
            self.assertEqual(stubmeta.crc32(data[size // 2:], stubmeta.crc32(data[:size // 2])),
                             zlib.crc32(data))


class Loading(unittest.TestCase):
    """Each case runs in a fresh interpreter: the library is loaded once."""

    def run_python(self, code, module_root, library_variable):
        environment = {k: v for k, v in os.environ.items() if k != _native.ENVIRONMENT_VARIABLE}
        environment["PYTHONPATH"] = str(module_root)
        if library_variable is not None:
            environment[_native.ENVIRONMENT_VARIABLE] = library_variable
        return subprocess.run([sys.executable, "-c", code], env=environment,
                              capture_output=True, text=True, check=False)

    def test_missing_or_wrong_library_is_reported(self):
        module_root = Path(stubmeta.__file__).resolve().parent.parent
        for library in ("/nonexistent/libstubmeta.so", "libm.so.6"):
            result = self.run_python(
                "import stubmeta\n"
                "try:\n    stubmeta.crc32(b'')\n"
                "except stubmeta.LibraryNotFoundError as e:\n    print('missing:', e)\n",
                module_root, library)
            self.assertIn("missing:", result.stdout, result.stderr)
            self.assertIn("STUBMETA_LIBRARY", result.stdout)

    def test_library_beside_the_module_is_found(self):
        built = os.environ[_native.ENVIRONMENT_VARIABLE]
        with tempfile.TemporaryDirectory() as scratch:
            package = Path(scratch) / "stubmeta"
            shutil.copytree(Path(stubmeta.__file__).resolve().parent, package,
                            ignore=shutil.ignore_patterns("__pycache__"))
            shutil.copy(built, package / "libstubmeta.so.1")
            result = self.run_python(
                "import stubmeta, stubmeta._native as n\n"
                "print(stubmeta.crc32(b'123456789'), n.library_path())\n",
                scratch, None)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stdout.split(),
                             [str(0xCBF43926), str(package.resolve() / "libstubmeta.so.1")])


class Files(unittest.TestCase):
    """Bytes-like inputs only; files through parse_file and scan."""

    def setUp(self):
        self.folder = Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, self.folder)
        stub = stubmeta.generate(full_record(), stubmeta.StubType.UNIX_BIGENDIAN)
        (self.folder / "a.stub").write_bytes(stub)
        (self.folder / "sub").mkdir()
        (self.folder / "sub" / "damaged.stub").write_bytes(stub[:-1] + bytes([stub[-1] ^ 1]))
        (self.folder / "sub" / "plain.txt").write_bytes(b"no stub here\n")

    def test_parse_takes_bytes_like_objects_only(self):
        for data in (CELERRA, bytearray(CELERRA), memoryview(CELERRA)):
            self.assertEqual(stubmeta.parse(data, type=3).longText, "/long/path")
        for data in (CELERRA.decode(), self.folder / "a.stub", 42):
            with self.subTest(data=data), self.assertRaises(TypeError):
                stubmeta.parse(data)

    def test_parse_file_takes_any_path_form(self):
        path = self.folder / "a.stub"
        for form in (path, str(path), os.fsencode(path)):
            record = stubmeta.parse_file(form)
            self.assertIsInstance(record.stubType, stubmeta.StubType)
            self.assertEqual(record.number2, 99)
        with self.assertRaises(FileNotFoundError):
            stubmeta.parse_file(self.folder / "missing")

    def test_scan_reports_stubs_and_damaged_files_only(self):
        entries = list(stubmeta.scan(self.folder))
        self.assertEqual([Path(e.path).name for e in entries], ["a.stub", "damaged.stub"])
        self.assertEqual(entries[0].record.number2, 99)
        self.assertIsInstance(entries[1].error, stubmeta.ChecksumError)
        self.assertEqual(len(list(stubmeta.scan(self.folder / "a.stub"))), 1)

    def test_parse_file_judges_by_the_opening_as_the_tool_does(self):
        (self.folder / "celerra.txt").write_bytes(CELERRA)
        with self.assertRaises(stubmeta.NotAStubError):
            stubmeta.parse_file(self.folder / "celerra.txt")
        self.assertEqual(stubmeta.parse_file(self.folder / "celerra.txt", type=3).stubType, 3)
        with self.assertRaises(stubmeta.ChecksumError):
            stubmeta.parse_file(self.folder / "sub" / "damaged.stub")
        identity = stubmeta.identify(CELERRA, family=stubmeta.Family.NAS)
        self.assertEqual((identity.state, identity.type, identity.foundBy),
                         (stubmeta.State.OK, 3, stubmeta.FoundBy.NAMED_TYPES))

    def test_sizes_are_the_headers(self):
        header = Path(__file__).resolve().parents[2] / "include" / "stubmeta.h"
        for name, value in (("STUBMETA_READ_MAX", stubmeta.READ_LIMIT),
                            ("STUBMETA_NTFS_HEADER_SIZE", _generate.NTFS_HEADER_SIZE)):
            self.assertIn(f"#define {name} {value}\n", header.read_text())

    def test_envelope_byte_order_is_a_stub_type(self):
        stub = stubmeta.wrap("text", 1)
        self.assertIsInstance(stubmeta.unwrap(stub).byteOrder, stubmeta.StubType)


class StrictAsTheTool(unittest.TestCase):
    """One rule for every argument, and nothing written that would not read
    back as given."""

    def test_wrong_types_are_type_errors(self):
        record = full_record()
        calls = {
            "a text is str or bytes-like": [
                lambda: stubmeta.wrap(None, 1), lambda: stubmeta.wrap(123, 1),
                lambda: stubmeta.Record(shortText=5),
                lambda: stubmeta.generate(full_record(shortText=None), 7)],
            "a number is an int": [
                lambda: stubmeta.wrap("x", 1.5), lambda: stubmeta.wrap("x", None),
                lambda: stubmeta.generate(full_record(flag="1"), 3),
                lambda: stubmeta.Record(bogus=1)],
            "a type is an int or a StubType": [
                lambda: stubmeta.parse(CELERRA, type="7"),
                lambda: stubmeta.parse(CELERRA, type=7.9),
                lambda: stubmeta.parse(CELERRA, type=True), lambda: stubmeta.type_name("1"),
                lambda: stubmeta.generate(record, 3.0),
                lambda: stubmeta.identify(CELERRA, family=2.0)],
        }
        for rule, cases in calls.items():
            for index, call in enumerate(cases):
                with self.subTest(rule, case=index), self.assertRaises(TypeError):
                    call()
        self.assertEqual(stubmeta.unwrap(stubmeta.wrap(memoryview(b"abc"), 1)).text, "abc")
        self.assertEqual(stubmeta.Record(shortText=bytearray(b"\xff")).shortText, "\udcff")

    def test_other_failures_are_stub_errors(self):
        record = full_record()
        for call, error in (
                (lambda: stubmeta.type_name(2**32 + 7), stubmeta.UnknownTypeError),
                (lambda: stubmeta.parse(CELERRA, type=2**32 + 7), stubmeta.UnknownTypeError),
                (lambda: stubmeta.generate(record, 0), stubmeta.UnknownTypeError),
                (lambda: stubmeta.parse(CELERRA, type=3, family=2), stubmeta.ArgumentError),
                (lambda: stubmeta.wrap("x", -1), stubmeta.EnvelopeError)):
            with self.subTest(error.__name__), self.assertRaises(error):
                call()
        self.assertEqual(stubmeta.type_name(0), "Invalid")

    def test_generate_refuses_what_would_not_read_back(self):
        unix = stubmeta.parse(stubmeta.generate(full_record(), 6))
        # (record, type, the field named, the value given, the value read back)
        cases = ((full_record(extraText="a:b"), 3, "extraText", "a:b", "a"),
                 (full_record(longText="/a|b?c"), 3, "longText", "/a|b?c", "/a"),
                 (full_record(flag=5), 4, "flag", 5, 1),
                 (dataclasses.replace(unix, unixTextKind=0), 7, "unixTextKind", 0, None))
        for record, stub_type, field, given, read_back in cases:
            with self.subTest(field), self.assertRaises(stubmeta.FieldError) as caught:
                stubmeta.generate(record, stub_type)
            error = caught.exception
            self.assertEqual((error.field, error.given, error.readBack), (field, given, read_back))
            self.assertIn(f"{field}: given {given!r}", str(error))
            stub = stubmeta.generate(record, stub_type, allow_differences=True)
            self.assertTrue(stub)
        # What a layout does not hold is no difference: a Unix stub keeps
        # one text, and 0 for its size is written as 4096.
        stub = stubmeta.generate(full_record(number3=0), 6)
        self.assertEqual(stubmeta.parse(stub).number3, 4096)

    def test_scan_follows_a_root_link_and_sorts_by_path(self):
        folder = Path(tempfile.mkdtemp())
        self.addCleanup(shutil.rmtree, folder)
        stub = stubmeta.generate(full_record(), 6)
        tree = folder / "tree"
        for name in ("a.stub", "a/x.stub", "a0.stub", "b/c/d.stub"):
            (tree / name).parent.mkdir(parents=True, exist_ok=True)
            (tree / name).write_bytes(stub)
        (tree / "b" / "inner-link").symlink_to(tree / "a")
        (folder / "link").symlink_to(tree)
        names = [os.path.relpath(entry.path, folder / "link")
                 for entry in stubmeta.scan(folder / "link")]
        # '.' < '/' < '0': files and folders interleave as the tool's --sort has them.
        self.assertEqual(names, ["a.stub", "a/x.stub", "a0.stub", "b/c/d.stub"])

    def test_checksum_error_carries_the_checksums(self):
        stub = stubmeta.wrap("1:2:3:4:5", 1)
        damaged = stub[:-4] + bytes.fromhex("00000001")
        computed = int.from_bytes(stub[-4:], sys.byteorder)

        def identify(data):
            raise stubmeta.identify(data).error()
        for call in (stubmeta.unwrap, stubmeta.parse, identify):
            with self.subTest(call.__name__), self.assertRaises(stubmeta.ChecksumError) as caught:
                call(damaged)
            error = caught.exception
            self.assertEqual((error.storedBigEndian, error.storedLittleEndian, error.computed),
                             (1, 0x01000000, computed))
            self.assertIn(f"stored 0x00000001 (or 0x01000000 read little-endian), "
                          f"computed 0x{computed:08X}", str(error))


if __name__ == "__main__":
    unittest.main()
