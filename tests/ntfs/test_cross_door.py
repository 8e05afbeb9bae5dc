#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""The same bytes get the same type, state and message through every door:
`stubmeta verify` and `scan` on files, through an extended attribute (where
the file system takes user attributes), inside an NTFS image, and the
Python module's identify() and scan().

    STUBMETA_TOOL=... NTFS_IMAGE_WRITER=... STUBMETA_LIBRARY=... PYTHONPATH=python \
        python3 tests/ntfs/test_cross_door.py
"""
import json
import os
import random
import shutil
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_ntfs import make_image, run  # noqa: E402

import stubmeta  # noqa: E402

EXAMPLES = "examples/stubs"
NTFS_TEXT = "1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99"
ATTRIBUTE = "user.stubmeta-test"
STATES = {stubmeta.State.OK: "ok", stubmeta.State.DAMAGED: "damaged",
          stubmeta.State.NO_STUB: "not a stub"}


def reparse(data, count=None):
    """A reparse buffer of the product's tag around data."""
    return struct.pack("<IHH", 0x1234, len(data) if count is None else count, 0) \
        + bytes(range(16, 32)) + data


def contents():
    """File contents: every example and every truncation of it, trailing
    bytes, envelopes with a byte flipped, and random bytes."""
    rng = random.Random(24)
    out = {}
    for name in sorted(os.listdir(EXAMPLES)):
        with open(os.path.join(EXAMPLES, name), "rb") as f:
            data = f.read()
        for length in range(len(data) + 1):
            out["%s.%04d" % (name, length)] = data[:length]
        out[name + ".trailing"] = data + b"\0\0tail"
        if data.startswith(b"QSTUB"):
            for at in (8, 10, 19, 25, len(data) - 2):
                out["%s.flip%d" % (name, at)] = data[:at] + bytes([data[at] ^ 0x40]) + data[at + 1:]
    for i in range(20):
        out["random.%02d" % i] = bytes(rng.randrange(256) for _ in range(rng.randrange(1, 80)))
    return out


def buffers():
    """Reparse buffers, each also a file's whole content."""
    text = NTFS_TEXT.encode()
    out = {
        "ntfs": reparse(text),
        "blank-first": reparse(b" 1:0:0:0:0::::0:0::0?/a|1"),
        "corrupt-first": reparse(b"\0" + text[1:]),
        "csvfs": reparse(b"QZSTUB:" + text),
        "csvfs-broken": reparse(b"QZSTUB:1:2"),
        "broken": reparse(b"1:2:3:not all there"),
        "vendor": reparse(b"something else"),
    }
    for length in range(1, len(text)):
        out["ntfs-cut.%02d" % length] = reparse(text[:length])
    return out


def tool_verdicts(args, paths):
    """path: (state, type, reason) by verify --format json."""
    _, out, _ = run("verify", "--format", "json", *args, *paths)
    rows = [json.loads(line) for line in out.splitlines()]
    return {row["path"]: (row["state"], row["type"], row.get("reason"), row.get("error"))
            for row in rows}


def scan_rows(args):
    _, out, _ = run("scan", "--format", "json", *args)
    return {row["path"]: row for row in map(json.loads, out.splitlines()) if "path" in row}


class CrossDoorTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="stubmeta-doors-")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def write(self, sub, corpus):
        folder = os.path.join(self.folder, sub)
        os.makedirs(folder)
        for name, data in corpus.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        return folder

    def agree(self, verdicts, rows, python, paths):
        """verify, scan and Python name the same state, type and reason;
        verify and scan the same words."""
        for path in paths:
            state, number, reason, error = verdicts[path]
            identity = python[path]
            with self.subTest(path=path):
                self.assertEqual((state, number), (STATES[identity.state], identity.type))
                if state != "ok":
                    self.assertEqual(reason, identity.message)
                row = rows.get(path)
                if state == "not a stub":
                    self.assertTrue(row is None or row["state"] == "other", row)
                else:
                    self.assertEqual((row["state"], row["type"], row.get("error")),
                                     (state, number, error))

    def test_files(self):
        corpus = contents()
        corpus.update({"buffer." + name: data for name, data in buffers().items()})
        folder = self.write("files", corpus)
        paths = [os.path.join(folder, name) for name in sorted(corpus)]
        python = {path: stubmeta.identify(corpus[os.path.basename(path)]) for path in paths}
        self.agree(tool_verdicts([], paths), scan_rows([folder]), python, paths)
        module = {entry.path: entry.identity for entry in stubmeta.scan(folder)}
        for path, identity in python.items():
            self.assertEqual(module.get(path), identity if identity.state else None, path)

    def test_bare_texts_named(self):
        texts = {"celerra": NTFS_TEXT.encode(), "words": b"plain words", "unix":
                 b"1:2:3:4:5:2:4:name:7:aux:4096|9", "empty": b""}
        folder = self.write("named", texts)
        paths = [os.path.join(folder, name) for name in sorted(texts)]
        for args, named in ((["--as", "celerra"], {"type": 3}), (["--family", "unix"],
                                                                   {"family": 3})):
            python = {p: stubmeta.identify(texts[os.path.basename(p)], **named) for p in paths}
            self.agree(tool_verdicts(args, paths), scan_rows(args + [folder]), python, paths)

    def test_reparse_buffers_in_attributes_and_a_volume(self):
        corpus = buffers()
        folder = self.write("buffers", corpus)
        paths = [os.path.join(folder, name) for name in sorted(corpus)]
        python = {p: stubmeta.identify(corpus[os.path.basename(p)], reparse=True) for p in paths}
        try:
            for path in paths:
                os.setxattr(path, ATTRIBUTE, corpus[os.path.basename(path)])
        except OSError:
            pass  # no user attributes here: the volume door alone
        else:
            args = ["--attribute", ATTRIBUTE]
            self.agree(tool_verdicts(args, paths), scan_rows(args + [folder]), python, paths)
        script = "".join("raw\t/%s\t%s\n" % (name, data.hex()) for name, data in corpus.items())
        image = make_image(os.path.join(self.folder, "volume.img"), script)
        inside = {"/" + os.path.basename(p): python[p] for p in paths}
        rows = scan_rows(["--ntfs", "--all-reparse", image])
        self.agree(tool_verdicts(["--ntfs", image], list(inside)), rows, inside, list(inside))

    def test_a_missing_attribute_is_no_stub_in_verify_and_scan(self):
        folder = self.write("plain", {"plain.txt": b"no attribute here"})
        path = os.path.join(folder, "plain.txt")
        status, out, _ = run("verify", "--format", "json", "--attribute", ATTRIBUTE, path)
        self.assertEqual((status, json.loads(out)["state"]), (1, "not a stub"))
        status, out, _ = run("scan", "--attribute", ATTRIBUTE, folder)
        self.assertEqual(status, 0)


if __name__ == "__main__":
    unittest.main()
