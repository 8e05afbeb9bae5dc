#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""Integration tests of the stubmeta command-line tool.

Run from the source tree with STUBMETA_TOOL naming the built tool:
    STUBMETA_TOOL=build/tools/stubmeta python3 tests/cli/test_cli.py [Group]
Expected outputs live in tests/cli/expected/; the examples in examples/stubs/.
"""
import json
import os
import re
import select
import shlex
import shutil
import signal
import socket
import stat
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

TOOL = os.path.abspath(os.environ.get("STUBMETA_TOOL", "build/tools/stubmeta"))
HERE = os.path.dirname(os.path.abspath(__file__))
EXPECTED = os.path.join(HERE, "expected")
EXAMPLES = "examples/stubs"
MAGIC = bytes([0x51, 0x53, 0x54, 0x55, 0x42, 0x0A, 0x0E, 0xAF])


def run(*args, stdin=None, cwd=None):
    """Runs the tool; returns (status, stdout, stderr) as text."""
    done = subprocess.run([TOOL, *args], input=stdin, capture_output=True, cwd=cwd, timeout=120)
    return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")


def expected(name):
    with open(os.path.join(EXPECTED, name), encoding="utf-8") as f:
        return f.read()


def example(name):
    return os.path.join(EXAMPLES, name)


def envelope(text, value=4096, big_endian=False, version=1, total=None, text_length=None):
    """An envelope built from its definition, with fields open to damage."""
    total = len(text) + 26 if total is None else total
    text_length = len(text) if text_length is None else text_length
    body = MAGIC + bytes([version]) + struct.pack(">HQH", total, value, text_length) + text + b"\0"
    checksum = (~zlib.crc32(body)) & 0xFFFFFFFF
    return body + struct.pack(">I" if big_endian else "<I", checksum)


def without_timing(text):
    """Scan output without what depends on the clock and the file system."""
    return "\n".join(line for line in text.splitlines()
                     if not line.startswith(("elapsed", "allocated size"))) + "\n"


class ToolTestCase(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="stubmeta-cli-")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.folder, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def assertOneLineError(self, stderr, *parts):
        lines = stderr.splitlines()
        self.assertEqual(len(lines), 1, stderr)
        for part in parts:
            self.assertIn(part, lines[0])


class HelpTests(ToolTestCase):
    def test_types_lists_every_number_with_the_library_name(self):
        status, out, err = run("types")
        self.assertEqual((status, err), (0, ""))
        self.assertEqual(out, expected("types.txt"))

    def test_types_as_json_lines(self):
        status, out, _ = run("types", "--format", "json")
        rows = [json.loads(line) for line in out.splitlines()]
        self.assertEqual(status, 0)
        self.assertEqual([(r["type"], r["typeName"]) for r in rows][3:5],
                         [(4, "WINDOWS_DMNAS"), (5, "WINDOWS_DMNAS")])

    def test_help_on_the_tool_and_every_command_shows_examples_and_statuses(self):
        for args in ([], ["types"], ["inspect"], ["scan"], ["verify"], ["create"], ["convert"],
                     ["wrap"], ["unwrap"]):
            with self.subTest(args=args):
                status, out, _ = run(*args, "--help")
                self.assertEqual(status, 0)
                self.assertIn("Examples:", out)
                self.assertIn("Exit status: 0", out)
        self.assertEqual(run("help"), run("--help"))
        self.assertEqual(run("help", "scan"), run("scan", "--help"))

    def test_version(self):
        with open(os.path.join(HERE, "..", "..", "include", "stubmeta.h"), encoding="utf-8") as f:
            parts = dict(re.findall(r"#define STUBMETA_VERSION_(MAJOR|MINOR|PATCH) (\d+)", f.read()))
        version = "{MAJOR}.{MINOR}.{PATCH}".format(**parts)
        self.assertEqual(run("--version")[:2], (0, f"stubmeta {version}\n"))

    def test_usage_errors_exit_2_with_one_line(self):
        for args in ([], ["frobnicate"], ["inspect"], ["inspect", "--format", "yaml", "x"],
                     ["scan", "--jobs", "0", "."], ["create", "--type", "ntfs"]):
            with self.subTest(args=args):
                status, out, err = run(*args)
                self.assertEqual(status, 2)
                self.assertEqual(out, "")
                self.assertOneLineError(err)

    def test_every_number_is_read_strictly(self):
        text = self.write("t.txt", b"1:2:3:4:5:2:4:name:7:aux:4096|9\n")
        for value in ("-1", "18446744073709551616", " 5", "+5", "0x10", "5 ", ""):
            for args in (["wrap", "--value", value, text, "-o", self.path("o")],
                         ["create", "--type", "3", "--set", "number2=" + value, "-o", self.path("o")],
                         ["scan", "--max-depth", value, self.folder],
                         ["scan", "--jobs", value, self.folder]):
                with self.subTest(args=args):
                    status, out, err = run(*args)
                    self.assertEqual((status, out), (2, ""))
                    self.assertOneLineError(err, args[1] if args[0] != "create" else "number2")
                    self.assertFalse(os.path.exists(self.path("o")))

    def test_unknown_type_and_family_are_usage_errors(self):
        status, _, err = run("inspect", "--as", "8", example("dmnas.stub"))
        self.assertEqual(status, 2)
        self.assertOneLineError(err, "--as", "unknown stub type \"8\"")
        status, _, err = run("inspect", "--family", "mainframe", example("dmnas.stub"))
        self.assertEqual(status, 2)
        self.assertOneLineError(err, "--family")


class OutputFailureTests(ToolTestCase):
    @unittest.skipUnless(os.path.exists("/dev/full"), "needs /dev/full")
    def test_a_full_output_is_an_io_error_not_a_silent_success(self):
        for args in (["types"], ["inspect", example("dmnas.stub")],
                     ["verify", example("unix-layout1.stub")],
                     ["unwrap", example("unix-layout1.stub")], ["scan", EXAMPLES]):
            with self.subTest(args=args), open("/dev/full", "wb") as full:
                done = subprocess.run([TOOL, *args], stdout=full, stderr=subprocess.PIPE,
                                      timeout=120)
                self.assertEqual(done.returncode, 2)
                self.assertOneLineError(done.stderr.decode(), "cannot write the output",
                                        "No space left on device")


class InspectTests(ToolTestCase):
    STUBS = sorted(name for name in os.listdir(EXAMPLES) if name != "README.md")
    # The bare texts name no type of their own (celerra.stub, ntfs-text.stub,
    # unix-bare.txt); the rest is found by its opening.
    RECOGNISED = [n for n in STUBS if n not in
                  ("not-a-stub.txt", "unix-damaged.stub", "unix-layout0.stub", "celerra.stub",
                   "ntfs-text.stub", "unix-bare.txt")]

    def test_every_recognised_example_in_text(self):
        status, out, err = run("inspect", *[example(n) for n in self.RECOGNISED])
        self.assertEqual((status, err), (0, ""))
        self.assertEqual(out, expected("inspect.txt"))

    def test_every_recognised_example_in_json_lines(self):
        status, out, err = run("inspect", "--format", "json", *[example(n) for n in self.RECOGNISED])
        self.assertEqual((status, err), (0, ""))
        self.assertEqual(out, expected("inspect.jsonl"))
        for line in out.splitlines():
            self.assertIn("typeName", json.loads(line))

    def test_a_bare_text_needs_its_type_named_and_first_match_says_so(self):
        status, _, err = run("inspect", example("celerra.stub"))
        self.assertEqual(status, 1)
        self.assertOneLineError(err, "not a recognised stub (no envelope, QZSTUB: line or reparse header")
        _, out, _ = run("inspect", "--first-match", example("celerra.stub"))
        self.assertIn("type          6 UNIX_BIGENDIAN (first match of types 6, 7, 1, 2, 3, 4)", out)
        self.assertIn("name it with --as or --family", out)
        for args, line in ((["--as", "celerra"], "3 WINDOWS_CELERRA (parsed as type 3)"),
                           (["--as", "windows_celerra"], "3 WINDOWS_CELERRA (parsed as type 3)"),
                           (["--family", "nas"], "3 WINDOWS_CELERRA (first match of family nas (types 3, 4))")):
            with self.subTest(args=args):
                status, out, _ = run("inspect", *args, example("celerra.stub"))
                self.assertEqual(status, 0)
                self.assertIn(line, out)
                self.assertIn('longText      "/fs01/projects/report.pdf"', out)
                self.assertNotIn("note", out)

    def test_bare_ntfs_text_needs_no_header_option(self):
        _, out, _ = run("inspect", "--as", "ntfs", example("ntfs-text.stub"))
        # Without the header the first 24 characters are skipped: no parse.
        status, out, err = run("inspect", "--as", "ntfs", example("ntfs-text.stub"))
        self.assertEqual(status, 1)
        status, out, err = run("inspect", "--no-header", example("ntfs-text.stub"))
        self.assertEqual((status, err), (0, ""))
        with_header = run("inspect", example("ntfs.stub"))[1]
        self.assertEqual(out.splitlines()[1:], with_header.splitlines()[1:])

    def test_failures_name_the_file_and_the_cause_and_go_on(self):
        files = [example("not-a-stub.txt"), self.path("missing"), example("dmnas.stub")]
        status, out, err = run("inspect", *files)
        self.assertEqual(status, 2)  # the missing file is an I/O error; it outranks 1
        self.assertEqual(err.splitlines(), [
            "stubmeta inspect: examples/stubs/not-a-stub.txt: not a recognised stub (no envelope, "
            "QZSTUB: line or reparse header; name a bare text's type with --as or --family), it "
            "opens with 4D 65 65 74 69 6E 67 20",
            "stubmeta inspect: " + self.path("missing") + ": cannot open: No such file or directory"])
        self.assertIn("4 WINDOWS_DMNAS", out)
        status, out, err = run("inspect", "--as", "3", example("not-a-stub.txt"))
        self.assertEqual((status, err.strip()),
                         (1, "stubmeta inspect: examples/stubs/not-a-stub.txt: not a recognised stub "
                             "(tried type 3)"))

    def test_json_reports_errors_as_objects(self):
        status, out, _ = run("inspect", "--format", "json", example("unix-damaged.stub"))
        self.assertEqual(status, 1)
        self.assertEqual(json.loads(out), {"path": "examples/stubs/unix-damaged.stub",
                                           "error": "damaged: checksum mismatch: stored 0x6D9FF411 "
                                                    "(or 0x11F49F6D read little-endian), computed "
                                                    "0xDDECC718"})

    def test_arbitrary_bytes_are_read_safely(self):
        # A header claiming a 65,535-byte envelope in a 21-byte file, a file
        # of only the magic, an empty file and one over the read limit.
        cases = {"claims-more": MAGIC + b"\x01\xff\xff" + b"\x7f" * 10,
                 "magic-only": MAGIC, "empty": b"",
                 "large": b"1:2:3:4:5:1:5:/a/b|9" + b"\0" * 70000 + b"x" * 70000}
        for name, data in cases.items():
            with self.subTest(name=name):
                status, _, err = run("inspect", "--first-match", self.write(name, data))
                self.assertEqual(status, 0 if name == "large" else 1, err)


class VerifyTests(ToolTestCase):
    def test_examples(self):
        names = ["unix-bigendian.stub", "unix-layout1.stub", "unix-layout3.stub",
                 "unix-damaged.stub", "dmnas.stub"]
        status, out, err = run("verify", *[example(n) for n in names])
        self.assertEqual((status, err), (1, ""))
        self.assertEqual(out, expected("verify.txt"))

    def test_json(self):
        status, out, _ = run("verify", "--format", "json", example("unix-layout1.stub"))
        self.assertEqual(status, 0)
        self.assertEqual(json.loads(out), {
            "path": "examples/stubs/unix-layout1.stub", "state": "ok", "type": 7,
            "envelope": {"version": 1, "totalLength": 82, "value": "4096", "textLength": 56,
                         "storedChecksum": "0x11F49F6D", "computedChecksum": "0x11F49F6D",
                         "byteOrder": "little-endian"}})
        # A checksum that does not match vouches for no value or text length.
        status, out, _ = run("verify", "--format", "json", example("unix-damaged.stub"))
        self.assertEqual((status, json.loads(out)["envelope"]), (1, {
            "version": 1, "totalLength": 82, "storedChecksum": "0x6D9FF411",
            "computedChecksum": "0xDDECC718"}))

    def test_as_and_family_read_bare_texts(self):
        status, out, _ = run("verify", "--as", "celerra", example("celerra.stub"))
        self.assertEqual((status, out), (0, "examples/stubs/celerra.stub: ok: 3 WINDOWS_CELERRA\n"))
        status, out, _ = run("scan", "--family", "nas", "--format", "json", example("celerra.stub"))
        self.assertEqual((status, json.loads(out.splitlines()[0])["type"]), (0, 3))

    def test_each_kind_of_damage_is_named(self):
        good = envelope(b"1:2:3:4:5:1:5:/a/b|9")
        flipped = bytearray(good)
        flipped[25] ^= 0x01
        cases = {
            "bad magic": (b"QSTUX" + good[5:], "it opens with 51 53 54 55 58"),
            "version": (envelope(b"1:2:3:4:5:1:5:/a/b|9", version=2), "unknown version 2 (expected 1)"),
            "short total": (envelope(b"x", total=25), "total length 25 is below the smallest envelope, 26"),
            "lengths": (envelope(b"1:2:3:4:5:1:5:/a/b|9", text_length=5),
                        "lengths disagree: total length 46, text length 5 (needs total 31)"),
            "truncated": (good[:30], "truncated file: 30 bytes, the envelope says 46"),
            "header cut": (good[:12], "truncated file: 12 bytes, the header needs 21"),
            "empty text": (envelope(b""), "empty text"),
            "checksum": (bytes(flipped), "checksum mismatch: stored 0x"),
        }
        for name, (data, message) in cases.items():
            with self.subTest(name=name):
                status, out, _ = run("verify", self.write("e", data))
                self.assertEqual(status, 1)
                self.assertIn(self.path("e") + (": not a stub: " if name == "bad magic" else ": damaged: "), out)
                self.assertIn(message, out)

    def test_checksum_message_gives_both_values_in_hexadecimal(self):
        data = bytearray(envelope(b"1:2:3:4:5", big_endian=True))
        data[-1] ^= 0xFF
        _, out, _ = run("verify", self.write("e", bytes(data)))
        # The worked example's checksum is 0xABA8F11B; its last byte was flipped.
        self.assertIn("stored 0xABA8F1E4 (or 0xE4F1A8AB read little-endian), computed 0xABA8F11B", out)

    def test_unreadable_files_are_io_errors_and_the_rest_still_checked(self):
        status, out, err = run("verify", self.path("missing"), self.folder, example("unix-layout2.stub"))
        self.assertEqual(status, 2)
        self.assertEqual(err.splitlines(), [
            "stubmeta verify: " + self.path("missing") + ": cannot open: No such file or directory",
            "stubmeta verify: " + self.folder + ": cannot read: Is a directory"])
        self.assertTrue(out.startswith("examples/stubs/unix-layout2.stub: ok: 7 UNIX_LITTLEENDIAN, 70 bytes"), out)

    def test_bytes_after_an_envelope_are_counted_to_the_end_and_named(self):
        with open(example("unix-layout1.stub"), "rb") as f:
            stub = f.read()
        # (what follows, the file's size past the stub, its name, a warning?)
        for tail, holes, named, warned in ((b"", 1 << 40, "zeros", False),
                                           (bytes(100000), 0, "zeros as far as read", False),
                                           (b"tail", 0, "data", True)):
            with self.subTest(named=named):
                path = self.write("s.stub", stub + tail)
                os.truncate(path, len(stub) + len(tail) + holes)
                status, out, err = run("verify", path)
                self.assertEqual(status, 0)
                self.assertIn(f", {len(tail) + holes} bytes after the envelope ({named})", out)
                self.assertEqual(bool(err), warned, err)

    def test_both_byte_orders_are_accepted(self):
        for big, order in ((True, "6 UNIX_BIGENDIAN"), (False, "7 UNIX_LITTLEENDIAN")):
            data = envelope(b"1:2:3:4:5:1:4:/a/b|9", big_endian=big)
            status, out, _ = run("verify", self.write("e", data))
            self.assertEqual(status, 0)
            self.assertIn(": ok: " + order, out)


class CreateTests(ToolTestCase):
    def test_refuses_a_separator_in_a_text_naming_field_and_character(self):
        cases = [("celerra", "shortText=a:b", "shortText holds ':'"),
                 ("ntfs", "longText=a|b", "longText holds '|'"),
                 ("dmnas", "tailText=a\rb", "tailText holds a carriage return"),
                 ("unix", "longText=/a:b", "longText holds ':'")]
        for stub_type, assignment, message in cases:
            with self.subTest(stub_type=stub_type):
                out = self.path(stub_type)
                status, _, err = run("create", "--type", stub_type, "--set", assignment, "-o", out)
                self.assertEqual(status, 1)
                self.assertOneLineError(err, out + ": refused: " + message, "--allow-differences")
                self.assertFalse(os.path.exists(out))
                status, _, err = run("create", "--type", stub_type, "--set", assignment, "-o", out,
                                     "--allow-differences")
                self.assertEqual(status, 0)
                self.assertIn("written anyway", err)
                self.assertTrue(os.path.exists(out))
        self.assertEqual(sorted(os.listdir(self.folder)), ["celerra", "dmnas", "ntfs", "unix"])

    def test_refuses_a_unix_record_without_text(self):
        # Only the common numbers: the Unix writer's layout 0, which no parse accepts.
        out = self.path("o")
        status, _, err = run("create", "--type", "unix", "--set", "common1=1", "-o", out)
        self.assertEqual(status, 1)
        self.assertOneLineError(err, out + ": refused: the record selects Unix layout 0")
        self.assertFalse(os.path.exists(out))

    def test_a_unix_text_over_its_limit_is_refused_with_the_librarys_reason(self):
        out = self.path("o")
        status, _, err = run("create", "--type", "unix", "--set", "longText=/" + "x" * 1022,
                             "--set", "number2=1", "-o", out)
        self.assertEqual(status, 1)
        self.assertOneLineError(err, out + ": the library cannot write this record as type ",
                                ": text too long (a Unix stub's text holds at most 1023 characters)")
        self.assertFalse(os.path.exists(out))

    def test_an_existing_file_is_replaced_only_with_force(self):
        target = self.write("out.stub", b"precious")
        args = ["create", "--type", "celerra", "--set", "common1=1", "-o", target]
        status, _, err = run(*args)
        self.assertEqual(status, 1)
        self.assertEqual(err, "stubmeta create: " + target + ": exists; use --force to replace it\n")
        self.assertEqual(self.read("out.stub"), b"precious")
        self.assertEqual(run(*args, "--force")[0], 0)
        self.assertEqual(self.read("out.stub"), b"1:0:0:0:0:::0:0:0::0?|0")
        self.assertEqual(os.listdir(self.folder), ["out.stub"])

    def test_ntfs_with_header_puts_the_reparse_header_before_the_text(self):
        with open(example("ntfs.stub"), "rb") as f:
            with_header = f.read()
        with open(example("ntfs-text.stub"), "rb") as f:
            text = f.read()
        self.assertEqual(with_header[24:], text)
        self.assertEqual(with_header[:24], b"\0" * 4 + struct.pack("<H", len(text)) + b"\0" * 18)
        # Types 1 and 2 get the header unless a bare text is asked for, and
        # what is written is found again by its opening.
        for stub_type, name in (("ntfs", "1 WINDOWS_LOCAL"), ("csvfs", "2 WINDOWS_LOCAL_CSVFS")):
            with self.subTest(type=stub_type):
                status, _, err = run("create", "--type", stub_type, "--set", "common1=1",
                                     "-o", self.path(stub_type))
                self.assertEqual((status, err), (0, ""))
                self.assertEqual(self.read(stub_type)[4:6], struct.pack("<H", len(self.read(stub_type)) - 24))
                self.assertIn(": ok: " + name, run("verify", self.path(stub_type))[1])
                status, _, err = run("create", "--type", stub_type, "--bare-text", "--set", "common1=1",
                                     "-o", self.path(stub_type), "--force")
                self.assertEqual(status, 0)
                self.assertOneLineError(err, "written as a bare")
        status, _, err = run("create", "--type", "celerra", "--with-header", "--set", "common1=1",
                             "-o", self.path("o"))
        self.assertEqual(status, 2)
        self.assertOneLineError(err, "--with-header applies to NTFS and CSVFS stubs")

    def test_what_convert_writes_verify_reads_as_that_type(self):
        with open(example("unix-layout1.stub"), "rb") as f:
            unix = f.read()
        for to, name in (("ntfs", "1 WINDOWS_LOCAL"), ("csvfs", "2 WINDOWS_LOCAL_CSVFS"),
                         ("dmnas", "4 WINDOWS_DMNAS"), ("6", "6 UNIX_BIGENDIAN")):
            with self.subTest(to=to):
                path = self.write("n.stub", unix)
                self.assertEqual(run("convert", "--force", "--to", to, path, "-o", path)[0], 0)
                for options in ([], ["--as", to]):
                    self.assertIn(": ok: " + name, run("verify", *options, path)[1])

    def test_bad_field_values_are_usage_errors(self):
        for assignment, cause in (("nosuch=1", "not a field"), ("common1=4294967296", "out of range"),
                                  ("number2=-1", "decimal number"), ("shortText=" + "x" * 72, "at most 71"),
                                  ("common2", "FIELD=VALUE")):
            with self.subTest(assignment=assignment):
                status, _, err = run("create", "--type", "3", "--set", assignment, "-o", self.path("o"))
                self.assertEqual(status, 2)
                self.assertOneLineError(err, cause)
                self.assertFalse(os.path.exists(self.path("o")))

    def test_unwritable_target_is_an_io_error(self):
        status, _, err = run("create", "--type", "3", "--set", "common1=1", "-o",
                             self.path("no/such/dir/o"))
        self.assertEqual(status, 2)
        self.assertOneLineError(err, "No such file or directory")

    def test_inspect_then_create_round_trips_every_example_through_json(self):
        for name, args in (("ntfs.stub", []), ("ntfs-text.stub", ["--bare-text"]),
                           ("csvfs.stub", ["--bare-text"]), ("celerra.stub", []), ("dmnas.stub", []),
                           ("unix-layout1.stub", []), ("unix-layout2.stub", []),
                           ("unix-layout3.stub", []), ("unix-bigendian.stub", [])):
            with self.subTest(name=name):
                source = example(name)
                match = {"ntfs-text.stub": ["--no-header"], "csvfs.stub": ["--as", "csvfs"],
                         "celerra.stub": ["--as", "celerra"]}.get(name, [])
                status, record, _ = run("inspect", "--format", "json", *match, source)
                self.assertEqual(status, 0)
                stub_type = str(json.loads(record)["type"])
                out = self.path(name)
                status, _, err = run("create", "--type", stub_type, *args, "--from-json", "-",
                                     "-o", out, stdin=record.encode())
                self.assertEqual(status, 0)
                self.assertEqual("written as a bare" in err, args == ["--bare-text"])
                with open(source, "rb") as f:
                    self.assertEqual(self.read(name), f.read())

    def test_json_from_another_tool_is_checked(self):
        cases = {'{"common1": -1}': "must not be negative", '{"bogus": 1}': "not a field",
                 '[1]': "one JSON object", '{"longText": 5}': "expects text", 'not json': "one JSON object",
                 # Control characters from the document reach the terminal escaped.
                 '{"l\\u007fngText": 1}': "l\\x7FngText: not a field",
                 '{"common1": "1\\u001b[2J"}': 'not "1\\x1B[2J"',
                 # --type and the record's own type must agree.
                 '{"type": 3}': 'the JSON record\'s "type" is 3 WINDOWS_CELERRA'}
        for text, cause in cases.items():
            with self.subTest(text=text):
                status, _, err = run("create", "--type", "1", "--from-json", "-", "-o",
                                     self.path("o"), stdin=text.encode())
                self.assertEqual(status, 2)
                self.assertOneLineError(err, cause)


class ConvertTests(ToolTestCase):
    def test_celerra_to_dmnas_and_back(self):
        status, _, err = run("convert", "--as", "celerra", "--to", "dmnas", "--drop-fields",
                             example("celerra.stub"), "-o", self.path("d"))
        self.assertEqual((status, err), (0, ""))
        self.assertEqual(run("inspect", "--format", "json", self.path("d"))[1].count('"type":4'), 1)
        status, _, _ = run("convert", "--to", "celerra", self.path("d"), "-o", self.path("c"))
        self.assertEqual(status, 0)
        # DMNas carries no extraText or signedNumber, so those come back zero.
        _, back, _ = run("inspect", "--as", "3", "--format", "json", self.path("c"))
        record = json.loads(back)
        self.assertEqual((record["longText"], record["number5"], record["extraText"]),
                         ("/fs01/projects/report.pdf", "512", ""))

    def test_unix_little_endian_to_big_endian(self):
        status, _, _ = run("convert", "--to", "6", example("unix-layout1.stub"), "-o", self.path("b"))
        self.assertEqual(status, 0)
        with open(example("unix-bigendian.stub"), "rb") as f:
            self.assertEqual(self.read("b"), f.read())

    def test_windows_to_unix_keeps_the_fields_a_unix_layout_carries(self):
        status, _, err = run("convert", "--to", "unix", "--drop-fields", example("ntfs.stub"),
                             "-o", self.path("u"))
        self.assertEqual((status, err), (0, ""))
        record = json.loads(run("inspect", "--format", "json", self.path("u"))[1])
        self.assertEqual((record["shortText"], record["number1"], record["auxText"], record["number3"]),
                         ("arch01", "42", "vol2", "4096"))

    def test_refusals(self):
        # ':' is plain text in a DMNas field but a separator in Celerra text.
        status, _, _ = run("create", "--type", "dmnas", "--set", "shortText=a:b", "--set",
                           "longText=/x", "-o", self.path("d"))
        self.assertEqual(status, 0)
        status, _, err = run("convert", "--to", "celerra", self.path("d"), "-o", self.path("c"))
        self.assertEqual(status, 1)
        self.assertOneLineError(err, self.path("c") + ": refused: shortText holds ':'")
        status, _, err = run("convert", "--to", "dmnas", example("not-a-stub.txt"), "-o", self.path("x"))
        self.assertEqual(status, 1)
        self.assertOneLineError(err, "not-a-stub.txt: not a recognised stub")
        self.assertEqual(os.listdir(self.folder), ["d"])


class WrapTests(ToolTestCase):
    def test_worked_example_in_both_byte_orders(self):
        self.write("t", b"1:2:3:4:5\n")
        expected_body = bytes.fromhex("51535455420A0EAF 01 0023 0000000000001000 0009"
                                      "313A323A333A343A35 00".replace(" ", ""))
        for order, trailer in (("big", "ABA8F11B"), ("little", "1BF1A8AB")):
            with self.subTest(order=order):
                status, _, err = run("wrap", "--any-text", "--byte-order", order, self.path("t"),
                                     "-o", self.path(order))
                self.assertEqual((status, err), (0, ""))
                self.assertEqual(self.read(order), expected_body + bytes.fromhex(trailer))

    def test_wrap_then_unwrap_gives_the_text_back(self):
        self.write("t", b"1:2:3:4:5:1:5:/a/b|9\n")
        self.assertEqual(run("wrap", "--value", "77", self.path("t"), "-o", self.path("e"))[0], 0)
        status, out, _ = run("unwrap", self.path("e"))
        self.assertEqual((status, out), (0, "1:2:3:4:5:1:5:/a/b|9\n"))
        self.assertEqual(run("unwrap", self.path("e"), "-o", self.path("back"))[0], 0)
        self.assertEqual(self.read("back"), self.read("t"))
        _, out, _ = run("verify", self.path("e"))
        self.assertIn("value 77", out)

    def test_refusals(self):
        self.write("nul", b"a\0b")
        status, _, err = run("wrap", self.path("nul"), "-o", self.path("o"))
        self.assertEqual(status, 1)
        self.assertOneLineError(err, "NUL")
        self.write("long", b"x" * 65510)
        status, _, err = run("wrap", self.path("long"), "-o", self.path("o"))
        self.assertEqual(status, 1)
        self.assertOneLineError(err, "at most 65509")
        self.write("t", b"1:2:3:4:5:1:5:/a/b|9")
        self.write("kept", b"old")
        status, _, err = run("wrap", self.path("t"), "-o", self.path("kept"))
        self.assertEqual((status, self.read("kept")), (1, b"old"))
        self.assertOneLineError(err, "exists; use --force")
        status, _, err = run("unwrap", example("unix-damaged.stub"))
        self.assertEqual(status, 1)
        self.assertOneLineError(err, "unix-damaged.stub: damaged envelope: checksum mismatch")
        for empty in (b"", b"\n"):
            status, _, err = run("wrap", "-", "-o", self.path("o"), stdin=empty)
            self.assertEqual(status, 1)
            self.assertOneLineError(err, "standard input: the text is empty")
        self.assertFalse(os.path.exists(self.path("o")))

    def test_only_a_unix_stub_is_wrapped_and_unwrap_says_what_it_gave(self):
        status, _, err = run("wrap", "-", "-o", self.path("o"), stdin=b"/x\n")
        self.assertEqual(status, 1)
        self.assertOneLineError(err, "its text is not a Unix stub", "--any-text")
        self.assertFalse(os.path.exists(self.path("o")))
        self.assertEqual(run("wrap", "--any-text", "-", "-o", self.path("o"), stdin=b"/x")[0], 0)
        for path in (self.path("o"), example("unix-layout0.stub")):
            with self.subTest(path=path):
                status, out, err = run("unwrap", path)
                _, verdict, _ = run("verify", path)
                self.assertEqual(status, 1)
                self.assertTrue(out)
                self.assertEqual(err, "stubmeta unwrap: " + verdict)


class ScanTests(ToolTestCase):
    def test_examples_in_text(self):
        status, out, err = run("scan", "--sort", "--jobs", "2", EXAMPLES)
        self.assertEqual((status, err), (1, ""))  # a damaged envelope is among them
        self.assertEqual(without_timing(out), expected("scan.txt"))

    def test_examples_in_json_and_csv(self):
        _, out, _ = run("scan", "--sort", "--format", "json", EXAMPLES)
        lines = [json.loads(line) for line in out.splitlines()]
        summary = lines.pop()["summary"]
        self.assertEqual([r["path"] for r in lines], sorted(r["path"] for r in lines))
        self.assertEqual((summary["filesExamined"], summary["stubs"], summary["damaged"],
                          summary["stubsByType"]),
                         (15, 11, 2, {"unknown": 1, "1": 2, "2": 1, "4": 2, "6": 1, "7": 4}))
        damaged = [r for r in lines if r["state"] == "damaged"]
        self.assertEqual(damaged[0]["type"], None)
        self.assertIn("checksum mismatch", damaged[0]["error"])
        status, out, err = run("scan", "--format", "csv", "--state", "ok", EXAMPLES)
        rows = out.splitlines()
        self.assertEqual(rows[0].split(",")[:4], ["path", "type", "typeName", "state"])
        self.assertEqual(len(rows), 1 + 9)
        self.assertIn("files examined  15", err)

    def test_print0_and_state(self):
        _, out, err = run("scan", "--sort", "--print0", "--state", "damaged", EXAMPLES)
        self.assertEqual(out, "examples/stubs/unix-damaged.stub\0examples/stubs/unix-layout0.stub\0")
        self.assertEqual(err, "")

    def test_csv_quotes_paths_and_texts(self):
        shutil.copy(example("dmnas.stub"), self.path('a,"b".stub'))
        _, out, _ = run("scan", "--format", "csv", self.folder)
        row = out.splitlines()[1]
        self.assertTrue(row.startswith('"%s/a,""b"".stub",4,WINDOWS_DMNAS,ok,3,73,/share/data/big.iso,'
                                       % self.folder), row)

    def test_only_the_first_65536_bytes_are_read(self):
        with open(example("dmnas.stub"), "rb") as f:
            stub = f.read()
        # Trailing data past the limit, and an envelope magic only past it.
        self.write("long.stub", stub + b"\xff" * 200000)
        self.write("late-magic", b"x" * 65536 + MAGIC + b"\x01")
        status, out, _ = run("scan", self.folder)
        self.assertEqual(status, 0)
        self.assertIn("long.stub  4 WINDOWS_DMNAS  ok", out)
        self.assertIn("stubs           1 (type 4: 1)", out)

    def test_long_stubs_are_read_whole_and_short_openings_decided(self):
        # An envelope far longer than one small read: only reading all of
        # it finds it whole (its text is no Unix layout).
        self.write("long-envelope", envelope(b"x" * 20000))
        # Files ending inside a marker are no stubs; the bare DMNas marker is.
        for name, data in (("empty", b""), ("magic7", MAGIC[:7]), ("qzst", b"QZST"),
                           ("qzstub", b"QZSTUB"), ("marker", b"QZSTUB:")):
            self.write(name, data)
        status, out, err = run("scan", self.folder)
        self.assertEqual((status, err), (1, ""))
        self.assertIn("long-envelope  7 UNIX_LITTLEENDIAN  damaged  "
                      "the envelope is whole but its text is not a Unix stub", out)
        self.assertIn("marker  4 WINDOWS_DMNAS  damaged", out)
        self.assertIn("files examined  6\n", out)
        self.assertIn("stubs           2 (type 4: 1, type 7: 1)", out)

    def test_a_large_folder_and_file_roots(self):
        """Files of one folder are read in several parts; roots that are
        files are read by the paths given."""
        with open(example("dmnas.stub"), "rb") as f:
            stub = f.read()
        big = self.path("big")
        os.mkdir(big)
        for i in range(1500):
            with open(os.path.join(big, "f%04d" % i), "wb") as f:
                f.write(stub if i % 100 == 7 else b"plain %d\n" % i)
        status, out, err = run("scan", "--print0", big, example("unix-layout1.stub"),
                               example("not-a-stub.txt"))
        self.assertEqual((status, err), (0, ""))
        self.assertEqual(sorted(out.split("\0")),
                         [""] + sorted([os.path.join(big, "f%04d" % i) for i in range(7, 1500, 100)] +
                                       [example("unix-layout1.stub")]))

    def build_tree(self, files=3000, every=97):
        """A tree of small files with copies of the examples mixed in."""
        stubs = ["unix-layout1.stub", "unix-damaged.stub", "dmnas.stub", "unix-bigendian.stub"]
        contents = []
        for name in stubs:
            with open(example(name), "rb") as f:
                contents.append(f.read())
        root = self.path("tree")
        placed = {name: 0 for name in stubs}
        for i in range(files):
            folder = os.path.join(root, "d%02d" % (i % 40), "e%d" % (i % 3))
            os.makedirs(folder, exist_ok=True)
            if i % every == 0:
                name = stubs[(i // every) % len(stubs)]
                placed[name] += 1
                data = contents[stubs.index(name)]
            else:
                data = b"ordinary file %d\n" % i
            with open(os.path.join(folder, "f%05d" % i), "wb") as f:
                f.write(data)
        return root, placed

    def test_generated_tree_gives_the_same_rows_whatever_the_jobs(self):
        root, placed = self.build_tree()
        status1, out1, _ = run("scan", "--sort", "--jobs", "1", root)
        status4, out4, _ = run("scan", "--jobs", "4", root)
        self.assertEqual((status1, status4), (1, 1))
        rows4, summary4 = without_timing(out4).split("\n\n")
        self.assertEqual(without_timing(out1), "\n".join(sorted(rows4.splitlines())) + "\n\n" + summary4)
        self.assertIn("files examined  3000\n", out1)
        stubs = sum(placed.values())
        self.assertIn("stubs           %d (unknown: %d, type 4: %d, type 6: %d, type 7: %d)\n" % (
            stubs, placed["unix-damaged.stub"], placed["dmnas.stub"], placed["unix-bigendian.stub"],
            placed["unix-layout1.stub"]), out1)
        self.assertIn("damaged         %d\n" % placed["unix-damaged.stub"], out1)
        rows = out1.split("\n\n")[0].splitlines()
        self.assertEqual(len(rows), stubs)
        self.assertEqual([r.split("  ")[0] for r in rows], sorted(r.split("  ")[0] for r in rows))

    def test_sparse_stub_reports_apparent_and_allocated_size(self):
        with open(example("unix-layout1.stub"), "rb") as f:
            stub = f.read()
        sparse = self.write("sparse.stub", stub)
        os.truncate(sparse, 1 << 30)  # keeps the original file's size, no data
        status, out, _ = run("scan", "--format", "json", self.folder)
        self.assertEqual(status, 0)
        row, summary = [json.loads(line) for line in out.splitlines()]
        self.assertEqual((row["state"], row["apparentSize"]), ("ok", 1 << 30))
        self.assertLess(row["allocatedSize"], 1 << 20)
        self.assertEqual(summary["summary"]["apparentSize"], 1 << 30)

    def test_links_fifos_and_loops(self):
        shutil.copy(example("dmnas.stub"), self.path("real.stub"))
        os.symlink("real.stub", self.path("link.stub"))
        os.symlink("nowhere", self.path("dangling"))
        os.mkdir(self.path("sub"))
        os.symlink("..", self.path("sub/up"))  # a loop back to the root
        os.mkfifo(self.path("fifo"))
        status, out, err = run("scan", self.folder)
        self.assertEqual((status, err), (0, ""))  # links are not followed, the FIFO not opened
        self.assertIn("files examined  1\n", out)
        status, out, err = run("scan", "--follow-symlinks", self.folder)
        self.assertEqual(status, 2)
        self.assertEqual(sorted(err.splitlines()), [
            "stubmeta scan: " + self.path("dangling") + ": dangling symbolic link or missing file",
            "stubmeta scan: " + self.path("sub/up") + ": symbolic link loop (leads back to a directory above it)"])
        self.assertIn(self.path("link.stub") + "  4 WINDOWS_DMNAS  ok", out)
        self.assertIn("unreadable      2\n", out)

    def copy_runnable_by_anyone(self):
        """The tool and its shared library copied to a folder any user may
        enter, since the checkout may lie in a private one (a home folder)."""
        folder = tempfile.mkdtemp(prefix="stubmeta-tool-")
        self.addCleanup(shutil.rmtree, folder, True)
        os.chmod(folder, 0o755)
        tool = shutil.copy(TOOL, folder)
        linked = subprocess.run(["ldd", TOOL], capture_output=True, text=True).stdout
        for line in linked.splitlines():
            if "libstubmeta" in line and "=>" in line:
                shutil.copy(line.split("=>")[1].split()[0], folder)
        return tool, folder

    def test_unreadable_directory_is_reported_once_and_the_scan_goes_on(self):
        setpriv = shutil.which("setpriv")
        if os.geteuid() != 0 or setpriv is None:
            self.skipTest("needs root and setpriv to run the tool as an unprivileged user")
        os.chmod(self.folder, 0o755)
        locked = self.path("locked")
        os.mkdir(locked)
        shutil.copy(example("dmnas.stub"), self.path("open.stub"))
        shutil.copy(example("dmnas.stub"), os.path.join(locked, "hidden.stub"))
        os.chmod(locked, 0)
        tool, library_path = self.copy_runnable_by_anyone()
        done = subprocess.run([setpriv, "--reuid=65534", "--regid=65534", "--clear-groups", tool,
                               "scan", self.folder], capture_output=True, timeout=60,
                              env=dict(os.environ, LD_LIBRARY_PATH=library_path))
        os.chmod(locked, 0o755)
        if b"setpriv:" in done.stderr:
            self.skipTest("setpriv cannot switch users here: " + done.stderr.decode().strip())
        out, err = done.stdout.decode(), done.stderr.decode()
        self.assertEqual(done.returncode, 2, err)
        self.assertEqual(err, "stubmeta scan: " + locked +
                         ": cannot open the directory: Permission denied\n")
        self.assertIn("open.stub  4 WINDOWS_DMNAS  ok", out)
        self.assertNotIn("hidden", out)


def stub_bytes():
    with open(example("dmnas.stub"), "rb") as f:
        return f.read()


def make_deep_tree(root, depth, stub, branch_every):
    """A chain root/d/d/... depth folders deep with a stub at the bottom and,
    every branch_every levels, a side folder holding a stub; made with
    directory-relative calls, since its paths outgrow PATH_MAX.  Returns the
    number of stubs."""
    def put(fd, name):
        out = os.open(name, os.O_WRONLY | os.O_CREAT, dir_fd=fd)
        os.write(out, stub)
        os.close(out)
    fd = os.open(root, os.O_RDONLY)
    stubs = 1
    for level in range(depth):
        if level % branch_every == branch_every // 2:
            side = "s%04d" % level  # names unlike each other, so listing orders vary
            os.mkdir(side, dir_fd=fd)
            side_fd = os.open(side, os.O_RDONLY, dir_fd=fd)
            put(side_fd, "x.stub")
            os.close(side_fd)
            stubs += 1
        os.mkdir("d", dir_fd=fd)
        inner = os.open("d", os.O_RDONLY, dir_fd=fd)
        os.close(fd)
        fd = inner
    put(fd, "bottom.stub")
    os.close(fd)
    return stubs


def remove_deep_tree(root):
    """Empties a chain made by make_deep_tree a level at a time from the
    top, moving each level's child up, since rmtree recurses per level."""
    fd = os.open(root, os.O_RDONLY)
    try:
        while os.path.isdir(os.path.join(root, "d")):
            if os.path.isdir(os.path.join(root, "d", "d")):
                os.rename("d/d", "next", src_dir_fd=fd, dst_dir_fd=fd)
            shutil.rmtree(os.path.join(root, "d"))
            if os.path.isdir(os.path.join(root, "next")):
                os.rename("next", "d", src_dir_fd=fd, dst_dir_fd=fd)
    finally:
        os.close(fd)


def end_process(process):
    """Kills the process if it still runs and closes its pipes."""
    process.kill()
    process.wait()
    for stream in (process.stdin, process.stdout, process.stderr):
        if stream is not None:
            stream.close()


def limit_descriptors(most):
    """For preexec_fn: the tool gets at most this many descriptors."""
    import resource
    return lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (most, most))


class ScanStreamingTests(ToolTestCase):
    def test_any_depth_with_few_descriptors(self):
        """2,000 folders deep (paths of 4,000 bytes and more) with 128
        descriptors: every stub is found, side folders included, which the
        walk reaches again after the deep branch has spared its descriptors."""
        root = self.path("deep")
        os.mkdir(root)
        try:
            stubs = make_deep_tree(root, 2000, stub_bytes(), 100)
            done = subprocess.run([TOOL, "scan", "--print0", root], capture_output=True,
                                  timeout=60, preexec_fn=limit_descriptors(128))
        finally:
            remove_deep_tree(root)
        self.assertEqual((done.returncode, done.stderr), (0, b""))
        paths = done.stdout.split(b"\0")[:-1]
        self.assertEqual(len(paths), stubs)
        self.assertEqual(max(len(p) for p in paths), len(root) + 2 * 2000 + len("/bottom.stub"))

    def start_listed_scan(self, *args, **popen):
        """A scan of the roots written to its standard input, which stays
        open: the scan cannot end before the test closes it."""
        process = subprocess.Popen([TOOL, "scan", *args, "--files0-from", "-"], stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, **popen)
        self.addCleanup(end_process, process)
        return process

    def read_line(self, process):
        ready, _, _ = select.select([process.stdout], [], [], 10)
        self.assertTrue(ready, "no row printed while the scan goes on")
        return process.stdout.readline()

    def test_rows_are_printed_as_found_and_sigint_keeps_them(self):
        stub = self.write("a.stub", stub_bytes())
        for args in ([], ["--format", "json"]):
            process = self.start_listed_scan(*args)
            process.stdin.write(stub.encode() + b"\0")
            process.stdin.flush()
            line = self.read_line(process)
            self.assertIn(stub.encode(), line)
            self.assertTrue(line.endswith(b"\n"))
            process.send_signal(signal.SIGINT)
            out, err = process.communicate(timeout=10)
            # Every row found was printed, whole; no summary after a SIGINT.
            self.assertEqual((process.returncode, out, err), (-signal.SIGINT, b"", b""))

    def test_a_closed_output_ends_the_scan_without_waiting_for_a_row(self):
        stub = self.write("a.stub", stub_bytes())
        for pipe_signal, status, message in ((signal.SIG_DFL, -signal.SIGPIPE, b""),
                                             (signal.SIG_IGN, 2, b"Broken pipe")):
            process = self.start_listed_scan(
                preexec_fn=lambda action=pipe_signal: signal.signal(signal.SIGPIPE, action))
            process.stdin.write(stub.encode() + b"\0")
            process.stdin.flush()
            self.read_line(process)
            process.stdout.close()  # as head -1 does once it has its line
            self.assertEqual(process.wait(timeout=5), status)
            self.assertIn(message, process.stderr.read())

    def test_fifos_wait_for_their_writer_and_a_signal_ends_the_wait(self):
        fifo = self.path("fifo")
        os.mkfifo(fifo)
        for command in (["scan", "--files0-from", fifo], ["verify", fifo]):
            for signal_number in (signal.SIGINT, signal.SIGTERM):
                with self.subTest(command=command[0], signal=signal_number):
                    process = subprocess.Popen([TOOL, *command], stdout=subprocess.PIPE,
                                               stderr=subprocess.PIPE)
                    self.addCleanup(end_process, process)
                    time.sleep(0.5)  # waiting for a writer by now
                    self.assertIsNone(process.poll())
                    process.send_signal(signal_number)
                    self.assertEqual(process.wait(timeout=5), -signal_number)
        # A writer coming late is read, as cat reads it.
        process = subprocess.Popen([TOOL, "verify", fifo], stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        self.addCleanup(end_process, process)
        time.sleep(0.5)
        # Without a reader left, this open fails (ENXIO) rather than blocking.
        writer = os.open(fifo, os.O_WRONLY | os.O_NONBLOCK)
        os.write(writer, stub_bytes())
        os.close(writer)
        out, err = process.communicate(timeout=10)
        self.assertEqual((process.returncode, err), (0, b""))
        self.assertIn(b": ok: ", out)

    def test_progress_only_where_it_belongs(self):
        """Each case: environment, flags, whether stderr is a terminal,
        then what the progress line must look like (None: no progress)."""
        import pty
        cases = [({"TERM": "xterm"}, [], True, "\x1b[K"),
                 ({"TERM": "xterm", "NO_COLOR": "1"}, [], True, "\r"),
                 ({"TERM": "dumb"}, [], True, None),
                 ({"TERM": "xterm"}, ["--no-progress"], True, None),
                 ({"TERM": "xterm"}, ["--progress"], False, "\r"),
                 ({"TERM": "xterm"}, [], False, None)]
        started = []
        for extra, flags, terminal, _ in cases:
            env = {k: v for k, v in os.environ.items() if k not in ("TERM", "NO_COLOR")}
            env.update(extra)
            reader, writer = pty.openpty() if terminal else os.pipe()
            process = subprocess.Popen([TOOL, "scan", *flags, "--files0-from", "-"], env=env,
                                       stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                       stderr=writer)
            os.close(writer)
            started.append((process, reader))
        time.sleep(1.5)  # progress is drawn every 100 ms; a sanitizer build starts slowly
        for (process, reader), (extra, flags, terminal, shown) in zip(started, cases):
            process.stdin.close()
            process.wait(timeout=10)
            err = b""
            while True:
                try:
                    chunk = os.read(reader, 4096)
                except OSError:  # a terminal with no writer left
                    break
                if not chunk:
                    break
                err += chunk
            os.close(reader)
            text = err.decode()
            with self.subTest(env=extra, flags=flags, terminal=terminal):
                if shown is None:
                    self.assertNotIn("files examined", text)
                else:
                    self.assertIn("scan: 0 files examined", text)
                    self.assertIn(shown, text)
                    if shown != "\x1b[K":
                        self.assertNotIn("\x1b", text)


class ScanFiltersTests(ToolTestCase):
    def setUp(self):
        super().setUp()
        stub = stub_bytes()
        self.root = self.path("root")
        for name in ("top.stub", "x.tmp", "keep/a.stub", "keep/y.tmp", "keep/deep/b.stub",
                     "cache/c.stub", "dir.tmp/d.stub"):
            os.makedirs(os.path.dirname(os.path.join(self.root, name)), exist_ok=True)
            with open(os.path.join(self.root, name), "wb") as f:
                f.write(stub)

    def found(self, *args):
        status, out, err = run("scan", "--print0", *args)
        self.assertEqual((status, err), (0, ""))
        return sorted(os.path.relpath(p, self.root) for p in out.split("\0")[:-1])

    def test_exclude_and_max_depth(self):
        everything = ["cache/c.stub", "dir.tmp/d.stub", "keep/a.stub", "keep/deep/b.stub",
                      "keep/y.tmp", "top.stub", "x.tmp"]
        cases = [
            ([], everything),
            # A name at any depth, files and directories alike.
            (["--exclude", "*.tmp"], ["cache/c.stub", "keep/a.stub", "keep/deep/b.stub", "top.stub"]),
            (["--exclude", "deep", "--exclude", "cache"],
             ["dir.tmp/d.stub", "keep/a.stub", "keep/y.tmp", "top.stub", "x.tmp"]),
            # A trailing '/': directories only.
            (["--exclude", "*.tmp/"], [p for p in everything if p != "dir.tmp/d.stub"]),
            # With '/': the path from the root, anchored, '*' within one name.
            (["--exclude", "keep/*"], ["cache/c.stub", "dir.tmp/d.stub", "top.stub", "x.tmp"]),
            (["--exclude", "/x.tmp", "--exclude", "*/b.stub"],
             [p for p in everything if p not in ("x.tmp",)]),
            (["--exclude", "deep/b.stub"], everything),
            # A '**' component: any number of directories, none included.
            (["--exclude", "**/deep", "--exclude", "**/cache/c.stub"],
             [p for p in everything if p not in ("cache/c.stub", "keep/deep/b.stub")]),
            (["--exclude", "keep/**/b.stub"], [p for p in everything if p != "keep/deep/b.stub"]),
            (["--exclude", "keep/**"], ["cache/c.stub", "dir.tmp/d.stub", "top.stub", "x.tmp"]),
            (["--max-depth", "0"], []),
            (["--max-depth", "1"], ["top.stub", "x.tmp"]),
            (["--max-depth", "2"], [p for p in everything if p != "keep/deep/b.stub"]),
        ]
        for args, expected_paths in cases:
            with self.subTest(args=args):
                self.assertEqual(self.found(*args, self.root), expected_paths)
        for bad in ("-1", "1x"):  # -1 would wrap around to no limit at all
            status, _, err = run("scan", "--max-depth", bad, self.root)
            self.assertEqual(status, 2)
            self.assertOneLineError(err, "--max-depth")
        # A root is never excluded, and a file root is at depth 0.
        self.assertEqual(self.found("--exclude", "*.stub", "--max-depth", "0",
                                    os.path.join(self.root, "top.stub")), ["top.stub"])

    def test_a_root_link_is_followed_and_links_inside_only_when_asked(self):
        os.symlink(self.root, self.path("link"))
        os.symlink(os.path.join(self.root, "keep"), os.path.join(self.root, "cache", "to-keep"))
        status, out, err = run("scan", "--print0", self.path("link"))
        self.assertEqual((status, err), (0, ""))
        self.assertEqual(len(out.split("\0")) - 1, 7)
        self.assertIn(self.path("link/keep/deep/b.stub") + "\0", out)
        status, out, _ = run("scan", "--print0", "--follow-symlinks", self.path("link"))
        self.assertIn(self.path("link/cache/to-keep/deep/b.stub") + "\0", out)

    def test_files0_from_a_list(self):
        listing = self.write("list", b"\0".join([os.path.join(self.root, "top.stub").encode(),
                                                b"", os.path.join(self.root, "keep").encode(),
                                                self.path("missing").encode()]))
        for source, stdin in ((listing, None), ("-", self.read("list"))):
            status, out, err = run("scan", "--sort", "--print0", "--files0-from", source, stdin=stdin)
            self.assertEqual(status, 2)
            self.assertEqual(out.split("\0")[:-1],
                             [os.path.join(self.root, p) for p in ("keep/a.stub", "keep/deep/b.stub",
                                                                   "keep/y.tmp", "top.stub")])
            label = "standard input" if source == "-" else listing
            self.assertEqual(sorted(err.splitlines()),
                             sorted(["stubmeta scan: " + label + ":2: invalid zero-length file name",
                                     "stubmeta scan: " + self.path("missing") +
                                     ": cannot stat: No such file or directory"]))
        status, _, err = run("scan", "--files0-from", listing, self.root)
        self.assertEqual(status, 2)
        self.assertIn("excludes", err)
        # Lines where NUL-separated names are expected: refused, not held whole.
        status, _, err = run("scan", "--files0-from", self.write("lines", b"x\n" * 3000))
        self.assertEqual(status, 2)
        self.assertOneLineError(err, ":1: a name longer than 4095 bytes")

    def test_xdev_stays_on_the_root_file_system(self):
        if os.geteuid() != 0 or shutil.which("unshare") is None:
            self.skipTest("needs root and unshare to mount a file system")
        mount = os.path.join(self.root, "keep", "mounted")
        os.mkdir(mount)
        script = ('mount -t tmpfs stubmeta-test "$1" && cp "$2" "$1/m.stub" && shift 2 && '
                  'exec "$@"')
        results = []
        for flags in ([], ["--xdev"]):
            done = subprocess.run(["unshare", "--mount", "--propagation", "private", "sh", "-c",
                                   script, "sh", mount, example("dmnas.stub"), TOOL, "scan",
                                   "--print0", *flags, self.root], capture_output=True, timeout=60)
            if done.returncode != 0 and b"mount" in done.stderr:
                self.skipTest("cannot mount here: " + done.stderr.decode().strip())
            results.append(done.stdout.split(b"\0"))
        inside = os.path.join(mount, "m.stub").encode()
        self.assertIn(inside, results[0])
        self.assertNotIn(inside, results[1])
        self.assertEqual(len(results[1]), len(results[0]) - 1)


class ReadBackTests(ToolTestCase):
    def test_full_range_unsigned_numbers_read_back_exactly(self):
        """The largest 64-bit value a writer prints reads back unchanged,
        so inspect reports it exactly and create accepts it."""
        path = self.write("big", b"0:0:0:0:0:::0:0:0::0?|18446744073709551615")
        record = json.loads(run("inspect", "--as", "3", "--format", "json", path)[1])
        self.assertEqual(record["number2"], "18446744073709551615")
        status, _, err = run("create", "--type", "celerra", "--set", "number2=18446744073709551615",
                             "-o", self.path("o"))
        self.assertEqual((status, err), (0, ""))
        with open(self.path("o"), "rb") as f:
            self.assertTrue(f.read().endswith(b"|18446744073709551615"))

    def test_every_given_field_must_read_back(self):
        cases = [("7", ["type=7", "unixTextKind=1", "longText=/x", "shortText=s"],
                  'longText: given "/x", would read back as "" (hidden by shortText'),
                 ("7", ["unixTextKind=9", "shortText=s"], "unixTextKind: given 9, would read back as 2"),
                 ("celerra", ["flag=2"], "flag: given 2, would read back as 1"),
                 ("celerra", ["flag=-1"], "flag: given -1, would read back as 1"),
                 ("7", ["flag=1", "shortText=s"], "flag: given 1, would read back as 0 (a "
                                                  "UNIX_LITTLEENDIAN stub does not hold it)"),
                 ("celerra", ["number4=5"], "number4: given 5, would read back as 0 (a WINDOWS_CELERRA "
                                            "stub does not hold it)")]
        for stub_type, assignments, message in cases:
            with self.subTest(assignments=assignments):
                args = ["create", "--type", stub_type, "-o", self.path("o")]
                for assignment in assignments:
                    args += ["--set", assignment]
                status, _, err = run(*args)
                self.assertEqual(status, 1)
                self.assertOneLineError(err, message, "--allow-differences writes it anyway")
                self.assertFalse(os.path.exists(self.path("o")))
                # --force only allows replacing a file: it writes no difference.
                self.write("o", b"old")
                status, _, err = run(*args, "--force")
                self.assertEqual((status, self.read("o")), (1, b"old"))
                status, _, err = run(*args, "--force", "--allow-differences")
                self.assertEqual(status, 0)
                self.assertOneLineError(err, "warning: ", message)
                os.remove(self.path("o"))


class XattrTests(ToolTestCase):
    ATTRIBUTE = "user.stubmeta_reparse"

    def set_attribute(self, path, value):
        try:
            os.setxattr(path, self.ATTRIBUTE, value)
        except OSError as error:
            self.skipTest("this file system refuses user. attributes: %s" % error)

    def test_inspect_and_scan_read_the_attribute_not_the_content(self):
        with open(example("ntfs.stub"), "rb") as f:
            reparse = f.read()
        path = self.write("archived.doc", b"the data stays untouched")
        self.set_attribute(path, reparse)
        self.write("plain.doc", b"no attribute")
        status, out, err = run("inspect", "--attribute", self.ATTRIBUTE, path)
        self.assertEqual((status, err), (0, ""))
        self.assertIn("type          1 WINDOWS_LOCAL", out)
        status, out, _ = run("scan", "--attribute", self.ATTRIBUTE, self.folder)
        self.assertEqual(status, 0)
        self.assertIn(path + '  1 WINDOWS_LOCAL  ok  common1=3 number2=73 text="D:\\\\projects\\\\report.pdf"', out)
        self.assertIn("stubs           1 (type 1: 1)", out)
        # Stub-like text that does not parse is damaged; text without a colon
        # is another product's reparse data, as in a volume.
        self.set_attribute(self.path("plain.doc"), b"\0" * 24 + b"1:2:garbage")
        status, out, _ = run("scan", "--sort", "--format", "json", "--attribute", self.ATTRIBUTE,
                             self.folder)
        self.assertEqual(status, 1)
        damaged = json.loads(out.splitlines()[1])
        self.assertEqual((damaged["state"], damaged["type"]), ("damaged", 1))
        os.removexattr(self.path("plain.doc"), self.ATTRIBUTE)
        status, _, err = run("inspect", "--attribute", self.ATTRIBUTE, self.path("plain.doc"))
        self.assertEqual(status, 1)
        self.assertOneLineError(err, "has no attribute " + self.ATTRIBUTE)


class TargetTests(ToolTestCase):
    """What an output path may be, and what a signal leaves behind."""
    CONVERT = ["convert", "--to", "6", example("unix-layout1.stub"), "--force", "-o"]

    def test_a_name_as_long_as_the_file_system_allows_is_written(self):
        # The temporary file beside it must fit too, new file or replacement.
        target = self.path("n" * 255)
        for _ in range(2):
            self.assertEqual(run(*self.CONVERT, target), (0, "", ""))
        self.assertEqual(os.listdir(self.folder), ["n" * 255])

    def test_only_regular_files_are_replaced_and_links_are_written_through(self):
        socket_path = self.path("socket")
        with socket.socket(socket.AF_UNIX) as listener:
            listener.bind(socket_path)
        os.mkfifo(self.path("fifo"))
        self.write("file", b"old")
        os.symlink("file", self.path("link"))
        os.symlink("nowhere", self.path("dangling"))
        os.symlink("/dev/null", self.path("to-device"))
        refusals = {"/dev/null": "is a character device", self.path("fifo"): "is a FIFO",
                    socket_path: "is a socket", self.folder: "is a directory",
                    self.path("dangling"): "a symbolic link that leads nowhere",
                    self.path("to-device"): "a symbolic link to a character device"}
        for target, cause in refusals.items():
            with self.subTest(target=target):
                status, _, err = run(*self.CONVERT, target)
                self.assertEqual(status, 1)
                self.assertOneLineError(err, target + ": " + cause)
        self.assertTrue(stat.S_ISCHR(os.stat("/dev/null").st_mode))
        self.assertEqual(run(*self.CONVERT, self.path("link")), (0, "", ""))
        self.assertTrue(os.path.islink(self.path("link")))
        with open(example("unix-bigendian.stub"), "rb") as f:
            self.assertEqual(self.read("file"), f.read())
        self.assertEqual(sorted(os.listdir(self.folder)),
                         ["dangling", "fifo", "file", "link", "socket", "to-device"])

    def test_hard_links_are_kept_together_or_refused(self):
        self.write("file", b"old")
        os.link(self.path("file"), self.path("other"))
        status, _, err = run(*self.CONVERT, self.path("file"))
        self.assertEqual(status, 1)
        self.assertOneLineError(err, "has 2 hard links, and replacing it would split them")
        self.assertEqual(run(*self.CONVERT, self.path("file"), "--in-place")[0], 0)
        self.assertTrue(os.path.samefile(self.path("file"), self.path("other")))
        self.assertEqual(self.read("other")[:8], MAGIC)

    @staticmethod
    def stopped(pid):
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "T"

    ENDING_SIGNALS = (signal.SIGHUP, signal.SIGINT, signal.SIGQUIT, signal.SIGTERM,
                      signal.SIGUSR1, signal.SIGUSR2, signal.SIGALRM, signal.SIGPIPE,
                      signal.SIGXFSZ, signal.SIGXCPU, signal.SIGVTALRM, signal.SIGPROF)

    def test_a_signal_before_the_rename_leaves_no_temporary_file(self):
        self.write("out", b"old")
        import resource
        for signal_number in self.ENDING_SIGNALS:
            with self.subTest(signal=signal.Signals(signal_number).name):
                # No core file from the signals that would leave one.
                tool = subprocess.Popen([TOOL, *self.CONVERT, self.path("out")],
                                        env=dict(os.environ, STUBMETA_TEST_STOP_BEFORE_RENAME="1"),
                                        preexec_fn=lambda: resource.setrlimit(
                                            resource.RLIMIT_CORE, (0, 0)))
                while not self.stopped(tool.pid):
                    time.sleep(0.01)
                self.assertEqual(len(os.listdir(self.folder)), 2)
                tool.send_signal(signal_number)
                tool.send_signal(signal.SIGCONT)
                self.assertEqual(tool.wait(timeout=30), -signal_number)
                self.assertEqual(os.listdir(self.folder), ["out"])
                self.assertEqual(self.read("out"), b"old")

    def test_a_write_past_the_file_size_limit_is_an_error(self):
        import resource
        self.write("out", b"old")
        for target in ("out", "new"):
            with self.subTest(target=target):
                done = subprocess.run(
                    [TOOL, *self.CONVERT, self.path(target)], capture_output=True, timeout=60,
                    preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (0, 0)))
                self.assertEqual(done.returncode, 2)
                self.assertOneLineError(done.stderr.decode(), target + ": cannot write: File too large")
                self.assertEqual(os.listdir(self.folder), ["out"])
                self.assertEqual(self.read("out"), b"old")


class IdentityTests(ToolTestCase):
    """A replaced stub keeps its owner, mode, times and attributes."""

    def make_stub(self):
        with open(example("unix-layout1.stub"), "rb") as f:
            path = self.write("in.stub", f.read())
        os.chmod(path, 0o640)
        os.utime(path, (978_000_000, 981_173_106))
        if os.geteuid() == 0:
            os.chown(path, 1234, 5678)
        try:
            os.setxattr(path, "user.hsm", b"\x00archive-id")
            self.has_xattr = True
        except OSError:
            self.has_xattr = False
        return path

    def identity(self, path):
        status = os.stat(path)
        attributes = os.getxattr(path, "user.hsm") if self.has_xattr else None
        return (status.st_uid, status.st_gid, stat.S_IMODE(status.st_mode), status.st_atime_ns,
                status.st_mtime_ns, attributes)

    def test_replacing_keeps_the_identity_unless_told_not_to(self):
        umask = os.umask(0o022)
        os.umask(umask)
        cases = [([], lambda old, new: self.assertEqual(new, old)),
                 (["--in-place"], lambda old, new: self.assertEqual(new, old)),
                 (["--preserve=mode,xattr"], lambda old, new: (
                     self.assertEqual((new[2], new[5]), (old[2], old[5])),
                     self.assertNotEqual(new[4], old[4]))),
                 (["--no-preserve"], lambda old, new: (
                     self.assertEqual(new[2], 0o666 & ~umask),
                     self.assertNotEqual(new[4], old[4]),
                     self.assertIsNone(new[5]) if self.has_xattr else None))]
        for options, check in cases:
            with self.subTest(options=options):
                path = self.make_stub()
                old = self.identity(path)
                status, _, err = run("convert", "--to", "6", path, "-o", path, "--force", *options)
                self.assertEqual((status, err), (0, ""))
                try:
                    new = self.identity(path)
                except OSError:
                    new = self.identity.__func__(type("NoXattr", (), {"has_xattr": False})(), path)
                check(old, new)
                self.assertEqual(self.read("in.stub")[:8], MAGIC)
        if os.geteuid() != 0 or not self.has_xattr:
            self.skipTest("owner and extended attributes checked only as root on a file system "
                          "with user. attributes")


def access_acl(entries):
    """A system.posix_acl_access value: (tag, permissions, id) entries."""
    return struct.pack("<I", 2) + b"".join(struct.pack("<HHI", *entry) for entry in entries)


class NewFilePermissionTests(ToolTestCase):
    """A new stub gets what touch would give it, in every command that writes."""
    WRITERS = [["create", "--type", "celerra", "--set", "common1=1", "-o"],
               ["convert", "--to", "7", example("unix-layout1.stub"), "-o"],
               ["wrap", example("unix-bare.txt"), "-o"]]
    # u::rw, u:4242:rw, g::r, mask::rwx, o::--- as a default ACL.
    DEFAULT_ACL = access_acl([(0x01, 6, 0xFFFFFFFF), (0x02, 6, 4242), (0x04, 4, 0xFFFFFFFF),
                              (0x10, 7, 0xFFFFFFFF), (0x20, 0, 0xFFFFFFFF)])

    def identity(self, path):
        try:
            acl = os.getxattr(path, "system.posix_acl_access")
        except OSError:
            acl = None
        return stat.S_IMODE(os.stat(path).st_mode), acl

    def check_like_touch(self, directory):
        with open(os.path.join(directory, "touched"), "w"):
            pass
        touched = self.identity(os.path.join(directory, "touched"))
        for number, writer in enumerate(self.WRITERS):
            with self.subTest(directory=directory, command=writer[0]):
                target = os.path.join(directory, "n%d" % number)
                self.assertEqual(run(*writer, target)[0], 0)
                self.assertEqual(self.identity(target), touched)

    def test_the_umask_and_a_default_acl_apply(self):
        umask = os.umask(0o027)
        try:
            self.check_like_touch(self.folder)
            os.mkdir(self.path("acl"))
            try:
                os.setxattr(self.path("acl"), "system.posix_acl_default", self.DEFAULT_ACL)
            except OSError as error:
                self.skipTest("this file system refuses default ACLs: %s" % error)
            self.check_like_touch(self.path("acl"))
            self.assertEqual(self.identity(self.path("acl/n0"))[0], 0o660)
        finally:
            os.umask(umask)


class DroppedFieldTests(ToolTestCase):
    def test_convert_names_what_the_target_cannot_hold(self):
        source = example("celerra.stub")
        args = ["convert", "--as", "celerra", "--to", "7", source, "-o", self.path("u")]
        status, _, err = run(*args)
        self.assertEqual(status, 1)
        self.assertEqual(err, "stubmeta convert: " + source + ": converting WINDOWS_CELERRA to UNIX_LITTLEENDIAN would "
                              "drop longText, extraText, signedNumber, flag, number5; use "
                              "--drop-fields to convert anyway\n")
        status, out, _ = run(*args, "--dry-run", "--drop-fields")
        self.assertEqual(status, 0)
        self.assertIn('shortText     "arch01"', out)
        self.assertIn("dropped       longText, extraText, signedNumber, flag, number5", out)
        self.assertEqual(os.listdir(self.folder), [])
        self.assertEqual(run(*args, "--drop-fields")[0], 0)
        # Between the Unix byte orders nothing is lost.
        self.assertEqual(run("convert", "--to", "6", self.path("u"), "-o", self.path("b"))[0], 0)


class RoundTripTests(ToolTestCase):
    """inspect --format json, then create --from-json, gives the same bytes."""
    # The texts each layout writes, with the characters that end them there.
    WINDOWS = {"extraText": b":", "shortText": b":", "auxText": b":", "longText": b"|"}
    DMNAS = {"headText": b"\r", "longText": b"|", "shortText": b"|", "auxText": b"|",
             "tailText": b"\r"}
    UNIX = {"shortText": b":|", "longText": b":|"}
    TEXTS = {"1": WINDOWS, "2": WINDOWS, "3": WINDOWS, "4": DMNAS, "5": DMNAS, "6": UNIX,
             "7": UNIX}

    def test_every_byte_in_every_text_survives(self):
        for stub_type, texts in self.TEXTS.items():
            for field, separators in texts.items():
                width = 1023 if field == "longText" else 64
                allowed = bytes(b for b in range(1, 256) if b not in separators)
                for start in range(0, len(allowed), width):
                    text = allowed[start:start + width]
                    with self.subTest(type=stub_type, field=field, first=text[0]):
                        self.round_trip(stub_type, field, text)

    def round_trip(self, stub_type, field, text):
        record = {"common1": 1, field: {"hex": text.hex()}, "number2": 7}
        if stub_type in ("6", "7") and field == "longText":
            record.update(type=int(stub_type), unixTextKind=1)
        first, second = self.path("first"), self.path("second")
        status, _, err = run("create", "--type", stub_type, "--from-json", "-", "-o", first,
                             "--force", stdin=json.dumps(record).encode())
        self.assertEqual((status, err), (0, ""))
        # Types 1 and 2 are written behind a reparse header, found by it.
        as_type = [] if stub_type in ("1", "2") else ["--as", stub_type]
        status, out, _ = run("inspect", "--format", "json", *as_type, first)
        self.assertEqual(status, 0)
        status, _, err = run("create", "--type", stub_type, "--from-json", "-", "-o", second,
                             "--force", stdin=out.encode())
        self.assertEqual((status, err), (0, ""))
        self.assertEqual(self.read("second"), self.read("first"))


class VerdictTests(ToolTestCase):
    """inspect, scan and verify give one type and state for each file."""

    def verdicts(self, path, *options):
        _, out, err = run("inspect", "--format", "json", *options, path)
        inspected = json.loads(out)
        inspect = (inspected.get("type"), "ok" if "type" in inspected else inspected["error"])
        _, out, _ = run("verify", "--format", "json", *options, path)
        verified = json.loads(out)
        verify = (verified["type"], "ok" if verified["state"] == "ok" else
                  ("damaged: " if verified["state"] == "damaged" else "") + verified["error"])
        return inspect, verify

    def test_one_verdict_for_every_file(self):
        with open(example("unix-layout1.stub"), "rb") as f:
            self.write("trailing.stub", f.read() + b"tail")
        files = [example(n) for n in sorted(os.listdir(EXAMPLES))] + [self.path("trailing.stub")]
        _, out, _ = run("scan", "--format", "json", EXAMPLES, self.path("trailing.stub"))
        scanned = {r["path"]: r for r in map(json.loads, out.splitlines()[:-1])}
        for path in files:
            with self.subTest(path=path):
                inspect, verify = self.verdicts(path)
                self.assertEqual(inspect[1].split(",")[0], verify[1].split(",")[0])
                row = scanned.get(path)
                if row is None:
                    self.assertTrue(verify[1].startswith("not a recognised stub"), verify)
                    continue
                self.assertEqual(verify[0], row["type"])
                if row["state"] == "ok":
                    self.assertEqual((inspect[0], verify[1]), (row["type"], "ok"))
                else:
                    self.assertEqual(verify[1], "damaged: " + row["error"])
        status, out, err = run("verify", self.path("trailing.stub"))
        self.assertEqual(status, 0)
        self.assertIn("4 bytes after the envelope", out)
        self.assertOneLineError(err, "warning: 4 bytes after the end of the envelope")

    def test_verify_reads_the_attribute_as_inspect_and_scan_do(self):
        with open(example("ntfs.stub"), "rb") as f:
            reparse = f.read()
        path = self.write("archived.doc", b"data")
        try:
            os.setxattr(path, "user.reparse", reparse)
        except OSError as error:
            self.skipTest("no user. attributes here: %s" % error)
        status, out, _ = run("verify", "--attribute", "user.reparse", path)
        self.assertEqual((status, out), (0, path + ": ok: 1 WINDOWS_LOCAL\n"))


class ConventionTests(ToolTestCase):
    """Standard streams, options and messages as Unix tools have them."""

    def test_output_to_a_full_device_fails_once(self):
        cases = [(["--help"], "cannot write the output: No space left on device"),
                 (["--version"], "cannot write the output: No space left on device"),
                 (["inspect", example("dmnas.stub"), example("ntfs.stub")], "No space left on device")]
        for args, message in cases:
            with self.subTest(args=args):
                with open("/dev/full", "wb") as full:
                    done = subprocess.run([TOOL, *args], stdout=full, stderr=subprocess.PIPE)
                self.assertEqual(done.returncode, 2)
                self.assertOneLineError(done.stderr.decode(), message)

    def test_dash_is_standard_input_and_output(self):
        with open(example("unix-layout2.stub"), "rb") as f:
            stub = f.read()
        for args in (["inspect", "-"], ["verify", "-"], ["inspect", "/dev/stdin"]):
            with self.subTest(args=args):
                status, out, err = run(*args, stdin=stub)
                self.assertEqual((status, err), (0, ""))
                self.assertIn("7 UNIX_LITTLEENDIAN", out)
        done = subprocess.run([TOOL, "convert", "--to", "6", "-", "-o", "-"], input=stub,
                              capture_output=True)
        self.assertEqual((done.returncode, done.stdout[:8]), (0, MAGIC))
        done = subprocess.run([TOOL, "create", "--type", "3", "--set", "common1=1", "-o", "-"],
                              capture_output=True)
        self.assertEqual(done.stdout, b"1:0:0:0:0:::0:0:0::0?|0")
        self.assertEqual(os.listdir(self.folder), [])

    def test_messages_name_the_real_cause(self):
        socket_path = self.path("socket")
        with socket.socket(socket.AF_UNIX) as listener:
            listener.bind(socket_path)
            self.write("long", b"x" * 70000)
            cases = [(["inspect", "-dash.stub"], "stubmeta inspect: unknown option -dash.stub"),
                     (["inspect", socket_path], "a socket, not a regular file"),
                     (["inspect", "/dev/zero"], "it opens with 00 00 00 00"),
                     (["bogus"], "stubmeta: unknown command bogus"),
                     (["--bogus"], "stubmeta: unknown option --bogus (see stubmeta --help)"),
                     (["scan", "--ntfs"], "IMAGE (with --ntfs) is required"),
                     (["scan", "--print0", "--format", "json", "."], "--format json would be lost"),
                     (["wrap", self.path("long"), "-o", self.path("o")],
                      "the text has 70000 bytes, an envelope holds at most 65509")]
            for args, message in cases:
                with self.subTest(args=args):
                    status, _, err = run(*args)
                    self.assertNotEqual(status, 0)
                    self.assertOneLineError(err, message)
        self.assertEqual(run("-V")[1], run("--version")[1])

    def test_a_root_that_is_no_file_or_directory_is_named_and_counted(self):
        os.mkfifo(self.path("fifo"))
        for root, kind in ((self.path("fifo"), "a FIFO"), ("/dev/null", "a character device")):
            with self.subTest(root=root):
                status, out, err = run("scan", root)
                self.assertEqual(status, 2)
                self.assertOneLineError(err, f"stubmeta scan: {root}: {kind}, not a regular file")
                self.assertIn("unreadable      1\n", out)

    def test_errors_name_command_path_and_operation_with_the_path_escaped(self):
        odd = self.path("no\nsuch\x1b[31m")
        shown = self.path("no\\x0Asuch\\x1B[31m")
        existing = self.write("out", b"x")
        listing = self.write("list", b"ok\0\0")
        cases = [(["verify", odd], f"stubmeta verify: {shown}: cannot open: No such file"),
                 (["scan", odd], f"stubmeta scan: {shown}: cannot stat: No such file"),
                 (["create", "--type", "3", "--set", "common1=1", "-o", existing],
                  f"stubmeta create: {existing}: exists; use --force"),
                 (["scan", "--files0-from", listing], f"stubmeta scan: {listing}:2: invalid"),
                 (["create", "--type", "3", "--set", "common1=1", "-o", ""],
                  "stubmeta create: --output: an empty path names no file"),
                 (["verify", ""], 'stubmeta verify: "": an empty path names no file')]
        for args, message in cases:
            with self.subTest(args=args):
                status, _, err = run(*args)
                self.assertNotEqual(status, 0)
                self.assertNotIn("\x1b", err)
                self.assertIn(message, err)

    def test_text_output_maps_back_to_one_byte_string(self):
        cases = {b"/a\nd": "/a\\x0Ad", b"/a\\x0Ad": "/a\\\\x0Ad", b'/"q"': '/\\"q\\"'}
        for text, shown in cases.items():
            with self.subTest(text=text):
                path = self.write("s", envelope(b"1:2:3:4:5:1:4:" + text + b"|9"))
                _, out, _ = run("inspect", path)
                self.assertIn('longText      "%s"' % shown, out)

    def test_json_keeps_every_byte_and_every_digit(self):
        names = [b"bad\xff\xfe.stub", b"bad\xff\xfd.stub"]
        for name in names:
            with open(os.path.join(self.folder.encode(), name), "wb") as f:
                f.write(envelope(b"1:2:3:4:5:1:4:/a/b|9"))
        done = subprocess.run([TOOL, "scan", "--format", "json", self.folder], capture_output=True)
        paths = [json.loads(line)["path"] for line in done.stdout.splitlines()[:-1]]
        self.assertEqual(sorted(bytes.fromhex(p["hex"]) for p in paths),
                         sorted(os.path.join(self.folder.encode(), n) for n in names))
        if shutil.which("jq") is None:
            self.skipTest("jq is not installed")
        wide = ["common2", "common3", "common4", "common5", "number1", "number2", "number5"]
        args = ["create", "--type", "3", "-o", self.path("max")]
        for field in wide:
            args += ["--set", field + "=18446744073709551615"]
        self.assertEqual(run(*args)[0], 0)
        inspected = run("inspect", "--as", "3", "--format", "json", self.path("max"))[1]
        through_jq = subprocess.run(["jq", "."], input=inspected.encode(), capture_output=True).stdout
        # The type comes from the record.
        status, _, err = run("create", "--from-json", "-", "-o", self.path("back"), stdin=through_jq)
        self.assertEqual((status, err), (0, ""))
        self.assertEqual(self.read("back"), self.read("max"))

    def test_completion_offers_what_each_word_takes(self):
        script = run("completion", "bash")[1]
        cases = [("co", "convert completion"), ("help s", "scan"), ("completion ", "bash"),
                 ("scan --format ", "text json csv"), ("verify --format ", "text json"),
                 ("scan --state d", "damaged"), ("convert --to c", "csvfs celerra"),
                 ("create --set longT", "longText="), ("scan --jobs ", ""),
                 ("inspect --family n", "nas")]
        for line, offered in cases:
            with self.subTest(line=line):
                words = " ".join(shlex.quote(w) for w in ["stubmeta", *line.split(" ")])
                done = subprocess.run(
                    ["bash", "-c", script + f"compopt() {{ :; }}\nCOMP_WORDS=({words}); "
                     "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _stubmeta; echo \"${COMPREPLY[*]}\""],
                    capture_output=True, text=True, cwd=self.folder)
                self.assertEqual(done.stdout, offered + "\n", done.stderr)

    def test_man_page_and_completion_name_every_option(self):
        with open(os.path.join(HERE, "..", "..", "docs", "stubmeta.1"), encoding="utf-8") as f:
            man = re.sub(r"\\f[BIR]", "", f.read().replace("\\-", "-"))
        synopsis = man[man.index(".SH SYNOPSIS"):man.index(".SH DESCRIPTION")]
        # Each command's synopsis runs from ".B stubmeta COMMAND" to ".br".
        synopses = {block.split()[0]: block for block in synopsis.split(".B stubmeta ")[1:]}
        completion = run("completion", "bash")[1]
        commands = ["types", "inspect", "scan", "verify", "create", "convert", "wrap", "unwrap"]
        for command in commands:
            with self.subTest(command=command):
                help_text = run(command, "--help")[1]
                options = set(re.findall(r"(?<![\w-])--[a-z0-9][a-z0-9-]*", help_text))
                self.assertTrue(options)
                for option in options - {"--help"}:
                    self.assertTrue(option in man, option + " is missing from docs/stubmeta.1")
                    self.assertTrue(option in completion, option + " is missing from the completion")
                # The options the command defines (its --help's option list),
                # each in the command's synopsis line.
                listed = help_text.split("Options:", 1)[1].split("\n\n", 1)[0]
                defined = set(re.findall(r"^\s+(?:-\w,)?(--[a-z0-9-]+)", listed, re.MULTILINE))
                for option in defined - {"--help"}:
                    self.assertRegex(synopses[command], "(?<![\\w-])" + option + "(?![\\w-])",
                                     f"the synopsis of {command} in docs/stubmeta.1 lacks {option}")


if __name__ == "__main__":
    unittest.main(verbosity=1)
