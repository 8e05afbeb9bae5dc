#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""Tests of `stubmeta scan --ntfs` on NTFS images built as they run.

    STUBMETA_TOOL=build/tools/stubmeta NTFS_IMAGE_WRITER=build/tests/ntfs/ntfs_image_writer \
        python3 tests/ntfs/test_ntfs.py [Group]
mkntfs makes an empty volume in a sparse file; the image writer (libntfs-3g)
places files and reparse points in it from a tab-separated script.
"""
import json
import os
import random
import resource
import shutil
import struct
import subprocess
import tempfile
import unittest

TOOL = os.path.abspath(os.environ.get("STUBMETA_TOOL", "build/tools/stubmeta"))
WRITER = os.path.abspath(os.environ.get("NTFS_IMAGE_WRITER", "build/tests/ntfs/ntfs_image_writer"))
MKNTFS = os.environ.get("MKNTFS", "/usr/sbin/mkntfs")
SANITIZED = "ASAN_OPTIONS" in os.environ
# Under LeakSanitizer: what libntfs-3g keeps of a volume it failed to mount.
ENVIRONMENT = dict(os.environ, LSAN_OPTIONS="suppressions=%s:print_suppressions=0" % os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "lsan.supp"))

TEXT1 = "1:2:3:4:5:ex:short:7:-8:1:aux:12?/vault/{}|{}"
DEEP = "/" + "/".join("level%02d" % i for i in range(1, 41))

# Types 1 and 2, a damaged stub, other tags, a stub on a directory, names
# beyond ASCII and a path 40 directories deep.
VOLUME = "\n".join([
    "dir\t/Archive",
    "file\t/Archive/report.doc\t70000",
    "stub\t/Archive/report.doc\t1234\t" + TEXT1.format("report", 4096),
    "attr\t/Archive/report.doc\toffline",
    "dir\t/Archive/Ünïcode ✓",
    "stub\t/Archive/Ünïcode ✓/table.xls\t1234\tQZSTUB:" + TEXT1.format("table", 5),
    "stub\t/Archive/broken.doc\t1234\t1:2:3:not all there",
    "raw\t/Archive/dedup.bin\t130000800400000001020304",
    "raw\t/Archive/cloud.txt\t1A60009004000000AABBCCDD",
    "stub\t/Archive/vendor.dat\t5678\tsomething else",
    "dir\t/Archive/Folder",
    "stub\t/Archive/Folder\t1234\t" + TEXT1.format("folder", 6),
] + ["dir\t" + DEEP[:DEEP.index("level%02d" % i) + 7] for i in range(1, 41)] + [
    "stub\t" + DEEP + "/deep.doc\t1234\t" + TEXT1.format("deep", 7),
]) + "\n"

GUID = "13121110-1514-1716-1819-1a1b1c1d1e1f"


def run(*args, timeout=120, limit_memory=False):
    """Runs the tool; returns (status, stdout, stderr) as text."""
    def limit():
        # A damaged image must not make the tool eat memory.
        resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))
    done = subprocess.run([TOOL, *args], capture_output=True, timeout=timeout, env=ENVIRONMENT,
                          preexec_fn=limit if limit_memory and not SANITIZED else None)
    return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")


def make_image(path, script, size=16 << 20):
    with open(path, "wb") as f:
        f.truncate(size)
    subprocess.run([MKNTFS, "-F", "-Q", "-q", path], check=True, capture_output=True)
    subprocess.run([WRITER, path], input=script.encode(), check=True, capture_output=True)
    return path


def without_timing(text):
    return "\n".join(line for line in text.splitlines() if not line.startswith("elapsed")) + "\n"


class Volume:
    """Where the MFT records of an image lie, for patching them."""

    def __init__(self, path):
        self.path = path
        with open(path, "rb") as f:
            boot = f.read(512)
        sector, per_cluster = struct.unpack_from("<HB", boot, 0x0B)
        cluster = sector * per_cluster
        (mft_cluster,) = struct.unpack_from("<Q", boot, 0x30)
        (per_record,) = struct.unpack_from("<b", boot, 0x40)
        self.record_size = 1 << -per_record if per_record < 0 else per_record * cluster
        self.mft = mft_cluster * cluster

    def record_offset(self, number):
        return self.mft + number * self.record_size

    def attributes(self, number):
        """(type, offset in the image) of each attribute of a record."""
        with open(self.path, "rb") as f:
            f.seek(self.record_offset(number))
            record = f.read(self.record_size)
        (offset,) = struct.unpack_from("<H", record, 0x14)
        found = []
        while offset + 8 <= len(record):
            kind, length = struct.unpack_from("<II", record, offset)
            if kind == 0xFFFFFFFF or length == 0:
                break
            found.append((kind, self.record_offset(number) + offset))
            offset += length
        return found

    def attribute(self, number, kind):
        return next(at for k, at in self.attributes(number) if k == kind)

    def patch(self, offset, data):
        with open(self.path, "r+b") as f:
            f.seek(offset)
            f.write(data)

    def value_offset(self, number, kind):
        at = self.attribute(number, kind)
        with open(self.path, "rb") as f:
            f.seek(at + 0x14)
            return at + struct.unpack("<H", f.read(2))[0]


class NtfsTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="stubmeta-ntfs-")
        cls.image = make_image(os.path.join(cls.folder, "volume.img"), VOLUME)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def copy(self, name):
        path = os.path.join(self.folder, name)
        shutil.copyfile(self.image, path)
        return path

    def record_of(self, path):
        status, out, _ = run("scan", "--ntfs", "--all-reparse", "--format", "json", self.image)
        for line in out.splitlines():
            row = json.loads(line)
            if row.get("path") == path:
                return row["record"]
        raise AssertionError(path + " not found")


class RowsTests(NtfsTestCase):
    def test_text_rows_and_summary(self):
        status, out, err = run("scan", "--ntfs", "--sort", self.image)
        self.assertEqual((status, err), (1, ""))
        rows = [
            "/Archive/Folder  record=72 tag=0x00001234 guid=%s size=0 allocated=0 attributes=-"
            "  1 WINDOWS_LOCAL  ok  common1=1 number2=6 text=\"/vault/folder\"",
            "/Archive/broken.doc  record=68 tag=0x00001234 guid=%s size=0 allocated=0 attributes=-"
            "  1 WINDOWS_LOCAL  damaged  a reparse buffer holding no NTFS or CSVFS stub text",
            "/Archive/report.doc  record=65 tag=0x00001234 guid=%s size=70000 allocated=0"
            " attributes=offline,sparse  1 WINDOWS_LOCAL  ok  common1=1 number2=4096"
            " text=\"/vault/report\"",
            "/Archive/\\xC3\\x9Cn\\xC3\\xAFcode \\xE2\\x9C\\x93/table.xls  record=67"
            " tag=0x00001234 guid=%s size=0 allocated=0 attributes=-  2 WINDOWS_LOCAL_CSVFS  ok"
            "  common1=1 number2=5 text=\"/vault/table\"",
            DEEP + "/deep.doc  record=113 tag=0x00001234 guid=%s size=0 allocated=0 attributes=-"
            "  1 WINDOWS_LOCAL  ok  common1=1 number2=7 text=\"/vault/deep\"",
        ]
        summary = [
            "", "files examined  69", "stubs           5 (type 1: 4, type 2: 1)",
            "damaged         1", "unreadable      0", "apparent size   70000 bytes",
            "allocated size  0 bytes",
            "reparse points  8 (stubs: 5; other tags: 0x00005678: 1,"
            " 0x80000013 deduplication: 1, 0x9000601A cloud files: 1)", "",
        ]
        self.assertEqual(without_timing(out), "\n".join(r % GUID for r in rows) + "\n" + "\n".join(summary))

    def test_json_and_csv_carry_the_volume_columns(self):
        status, out, _ = run("scan", "--ntfs", "--format", "json", "--all-reparse", self.image)
        lines = [json.loads(line) for line in out.splitlines()]
        by_path = {row["path"]: row for row in lines[:-1]}
        self.assertEqual(by_path["/Archive/Ünïcode ✓/table.xls"]["type"], 2)
        report = by_path["/Archive/report.doc"]
        self.assertEqual((report["record"], report["tag"], report["guid"], report["offline"],
                          report["apparentSize"]), (65, "0x00001234", GUID, True, 70000))
        cloud = by_path["/Archive/cloud.txt"]
        self.assertEqual((cloud["state"], cloud["tagName"], cloud["guid"], cloud["type"]),
                         ("other", "cloud files", None, None))
        self.assertEqual(lines[-1]["summary"]["otherReparseTags"],
                         {"0x00005678": 1, "0x80000013": 1, "0x9000601A": 1})
        status, out, err = run("scan", "--ntfs", "--format", "csv", "--state", "damaged", self.image)
        self.assertEqual(out.splitlines(), [
            "path,type,typeName,state,common1,number2,text,apparentSize,allocatedSize,error,"
            "record,tag,tagName,guid,offline,sparse",
            "/Archive/broken.doc,1,WINDOWS_LOCAL,damaged,,,,0,0,a reparse buffer holding no NTFS or "
            "CSVFS stub text,68,0x00001234,," + GUID + ",0,0"])
        self.assertIn("stubs           5", err)

    def test_print0_and_state_leave_other_tags_out(self):
        status, out, _ = run("scan", "--ntfs", "--print0", "--sort", "--state", "ok",
                             "--all-reparse", self.image)
        self.assertEqual(out.split("\0"), ["/Archive/Folder", "/Archive/report.doc",
                                           "/Archive/Ünïcode ✓/table.xls", DEEP + "/deep.doc", ""])

    def test_several_images_prefix_their_paths(self):
        second = self.copy("second.img")
        status, out, _ = run("scan", "--ntfs", "--print0", self.image, second)
        paths = out.split("\0")[:-1]
        self.assertEqual(len(paths), 10)
        self.assertIn(second + ":/Archive/report.doc", paths)
        self.assertIn(self.image + ":/Archive/report.doc", paths)

    def test_what_is_no_volume_is_refused_in_one_line(self):
        fat = os.path.join(self.folder, "fat.img")
        with open(fat, "wb") as f:
            f.write(b"\xEB\x3C\x90mkfs.fat" + bytes(501))
        fifo = os.path.join(self.folder, "fifo")
        os.mkfifo(fifo)  # refused at once, not waited on for a writer
        cases = [
            (fifo, fifo + ": is a FIFO, not an NTFS volume (give an image file or a device)"),
            (fat, fat + ": not an NTFS volume: its boot sector holds the OEM name \"mkfs.fat\","
                  " not \"NTFS    \""),
            (os.devnull, os.devnull + ": not an NTFS volume: it holds 0 bytes, less than a boot sector"),
            (self.folder, self.folder + ": is a directory, not an NTFS volume"),
            (os.path.join(self.folder, "none"), os.path.join(self.folder, "none") +
             ": cannot open the volume: No such file or directory"),
        ]
        for path, message in cases:
            with self.subTest(path=path):
                status, out, err = run("scan", "--ntfs", path)
                self.assertEqual((status, err), (2, "stubmeta scan: " + message + "\n"))

    def test_inspect_and_verify_read_files_inside_the_volume(self):
        status, out, err = run("inspect", "--ntfs", self.image, "--format", "json",
                               "/Archive/report.doc", "/Archive/Ünïcode ✓/table.xls")
        self.assertEqual((status, err), (0, ""))
        records = [json.loads(line) for line in out.splitlines()]
        self.assertEqual([(r["type"], r["longText"]) for r in records],
                         [(1, "/vault/report"), (2, "/vault/table")])
        cases = [
            ("/Archive/report.doc", 0, "/Archive/report.doc: ok: 1 WINDOWS_LOCAL\n", ""),
            ("/Archive/broken.doc", 1, "/Archive/broken.doc: damaged: a reparse buffer holding"
             " no NTFS or CSVFS stub text\n", ""),
            ("/Archive/dedup.bin", 1, "", "/Archive/dedup.bin: not a stub: deduplication\n"),
            ("/Archive", 1, "", "/Archive: has no reparse point in %s\n" % self.image),
            ("/Archive/report.doc/", 2, "", "/Archive/report.doc/: cannot find it in %s: Not a directory\n"
             % self.image),
            ("/Archive/none", 2, "", "/Archive/none: cannot find it in %s: No such file or directory\n"
             % self.image),
            ("Archive/report.doc", 2, "", "Archive/report.doc: not a path from the root of %s"
             " (it must open with '/')\n" % self.image),
        ]
        for path, status, out, err in cases:
            with self.subTest(path=path):
                self.assertEqual(run("verify", "--ntfs", self.image, path),
                                 (status, out, "stubmeta verify: " + err if err else ""))

    def test_walk_options_do_not_mix_with_ntfs(self):
        for option in (["--xattr"], ["--max-depth", "1"], ["--jobs", "2"], ["--xdev"]):
            with self.subTest(option=option):
                status, _, err = run("scan", "--ntfs", *option, self.image)
                self.assertEqual(status, 2)
                self.assertIn("excludes", err)
        status, _, err = run("scan", "--all-reparse", self.image)
        self.assertEqual(status, 2)


class PathsTests(NtfsTestCase):
    def set_parent(self, image, record, parent):
        volume = Volume(image)
        volume.patch(volume.value_offset(record, 0x30), struct.pack("<Q", parent))

    def paths(self, image):
        status, out, err = run("scan", "--ntfs", "--print0", "--sort", image, timeout=30)
        return status, sorted(out.split("\0")[:-1]), err

    def test_broken_parent_chains_are_marked(self):
        archive = 64  # /Archive, the first record the writer fills
        folder = self.record_of("/Archive/Folder")
        cases = [
            ("orphan", 300, "<orphan 300>/Archive/report.doc"),
            ("loop", folder, "<loop %d>/Folder/Archive/report.doc" % archive),
            ("self", archive, "<loop %d>/Archive/report.doc" % archive),
        ]
        for name, parent, expected in cases:
            with self.subTest(name=name):
                image = self.copy(name + ".img")
                self.set_parent(image, archive, parent)
                status, paths, err = self.paths(image)
                self.assertIn(expected, paths)
                self.assertIn(DEEP + "/deep.doc", paths)


class DamageTests(NtfsTestCase):
    """Damaged copies of the volume: the scan ends, within its time and
    memory, with rows, a summary and one-line messages; never a crash."""

    def scan_damaged(self, image, what):
        status, out, err = run("scan", "--ntfs", image, timeout=30, limit_memory=True)
        self.assertIn(status, (0, 1, 2), what + ": " + err[-2000:])
        self.assertIn("files examined", out, what)
        for line in err.splitlines():
            self.assertTrue(line.startswith("stubmeta scan: " + image + ": "), what + ": " + line)
        return status, err

    def test_damaged_fields_and_byte_flips(self):
        image = self.copy("damaged.img")
        volume = Volume(image)
        report = self.record_of("/Archive/report.doc")
        folder = self.record_of("/Archive/Folder")
        with open(image, "rb") as f:
            pristine = f.read()
        # The reparse, name and index root attributes' length and offset fields.
        targets = []
        for record, kind in ((report, 0xC0), (report, 0x30), (folder, 0x90), (64, 0x90),
                             (5, 0x90), (0, 0x80)):
            at = volume.attribute(record, kind)
            targets += [at + 4, at + 0x10, at + 0x14, at + 0x16]
            value = volume.value_offset(record, kind)
            targets += [value + 4, value + 0x40, value + 0x10, value + 0x18]
        for offset in targets:
            for value in (b"\xFF\xFF", b"\x00\x00", b"\x01\x80"):
                volume.patch(offset, value)
                self.scan_damaged(image, "%s at %d" % (value.hex(), offset))
                volume.patch(offset, pristine[offset:offset + 2])
        # Byte flips over the MFT records of the files and over index blocks.
        rng = random.Random(int(os.environ.get("NTFS_DAMAGE_SEED", "16")))
        indexes = [i for i in range(0, len(pristine), 4096) if pristine[i:i + 4] == b"INDX"]
        regions = [(volume.record_offset(0), volume.record_offset(112))] + \
                  [(i, i + 4096) for i in indexes]
        for round_ in range(int(os.environ.get("NTFS_DAMAGE_ROUNDS", "40"))):
            low, high = regions[round_ % len(regions)]
            flips = {rng.randrange(low, high): rng.randrange(1, 256) for _ in range(rng.choice((1, 8, 64)))}
            for offset, mask in flips.items():
                volume.patch(offset, bytes([pristine[offset] ^ mask]))
            self.scan_damaged(image, "round %d" % round_)
            for offset in flips:
                volume.patch(offset, pristine[offset:offset + 1])

    def test_an_unreadable_record_is_reported_once_and_the_scan_goes_on(self):
        image = self.copy("record.img")
        volume = Volume(image)
        report = self.record_of("/Archive/report.doc")
        volume.patch(volume.record_offset(report), b"JUNK")
        status, err = self.scan_damaged(image, "magic")
        self.assertEqual(err.count("MFT record %d:" % report), 1, err)
        status, out, _ = run("scan", "--ntfs", "--print0", image)
        self.assertIn("/Archive/Folder", out.split("\0"))
        self.assertEqual(status, 2)


if __name__ == "__main__":
    unittest.main()
