#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""Integration tests of stubmeta edit and stubmeta undo.

Run from the source tree with STUBMETA_TOOL naming the built tool:
    STUBMETA_TOOL=build/tools/stubmeta python3 tests/cli/test_edit.py [Group]
A test that must act between the check of a stub and its replacement sets
STUBMETA_TEST_STOP_BEFORE_RENAME: the tool then stops itself (SIGSTOP)
just before each replacement, and the test changes the tree while it waits.
"""
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

TOOL = os.path.abspath(os.environ.get("STUBMETA_TOOL", "build/tools/stubmeta"))
EXAMPLES = os.path.abspath("examples/stubs")


def run(*args, env=None):
    done = subprocess.run([TOOL, *args], capture_output=True, timeout=120, env=env)
    return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")


def inspect(path, *match):
    status, out, err = run("inspect", *match, path)
    assert status == 0, err
    return out.split("\n", 1)[1]  # without the line naming the file


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def stopped(pid):
    with open(f"/proc/{pid}/stat") as f:
        return f.read().rsplit(")", 1)[1].split()[0] == "T"


def wait_stopped(process):
    for _ in range(2000):
        if process.poll() is not None:
            raise AssertionError("edit ended before stopping")
        if stopped(process.pid):
            return
        time.sleep(0.005)
    raise AssertionError("edit never stopped")


def stopping_edit(*args):
    env = dict(os.environ, STUBMETA_TEST_STOP_BEFORE_RENAME="1")
    return subprocess.Popen([TOOL, "edit", "--jobs", "1", *args], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def finish(process):
    """Lets a stopping edit run to its end; returns (status, stderr)."""
    while process.poll() is None:
        if stopped(process.pid):
            os.kill(process.pid, signal.SIGCONT)
        time.sleep(0.005)
    with process.stderr:
        return process.returncode, process.stderr.read().decode()


class Tree(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="stubmeta-edit-")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)


# Every type: the example, how it is read, the text field holding "arch01"
# or a path.  Type 5 is written by convert and reads back as 4.
SEVEN = [
    (1, "ntfs.stub", [], "shortText", "arch0", "tape0"),
    (2, "csvfs.stub", [], "shortText", "arch0", "tape0"),
    (3, "celerra.stub", ["--as", "3"], "shortText", "arch0", "tape0"),
    (4, "dmnas.stub", [], "longText", "/share/", "/srv/"),
    (5, None, [], "longText", "/share/", "/srv/"),
    (6, "unix-bigendian.stub", [], "longText", "/home/", "/data/"),
    (7, "unix-layout3.stub", [], "shortText", "arch0", "tape0"),
]


class SelectionTests(Tree):
    def make(self, type_, name):
        target = self.path(f"t{type_}", "stub")
        os.makedirs(os.path.dirname(target))
        if name is None:
            run("convert", "--to", str(type_), os.path.join(EXAMPLES, "dmnas.stub"), "-o", target)
        else:
            shutil.copy(os.path.join(EXAMPLES, name), target)
        os.chmod(target, 0o640)
        os.utime(target, (1000000000, 1000000000))
        return target

    def test_each_type_changed_in_place_of_its_fields_only(self):
        for type_, name, match, field, old, new in SEVEN:
            with self.subTest(type=type_):
                stub = self.make(type_, name)
                before = inspect(stub, *match)
                status, out, err = run("edit", *match, "--type", str(type_), "--where", "common1=3",
                                       "--set", "common5=1800000000",
                                       "--replace-prefix", field, old, new, os.path.dirname(stub))
                self.assertEqual(status, 0, err)
                self.assertIn("common5  1700000000 -> 1800000000", out)
                self.assertIn("changed         1", out)
                expected = before.replace("1700000000", "1800000000").replace(
                    f'"{old}', f'"{new}')
                self.assertNotEqual(before, expected)
                self.assertEqual(inspect(stub, *match), expected)
                status_ = os.stat(stub)
                self.assertEqual((status_.st_mode & 0o7777, status_.st_mtime), (0o640, 1000000000))

    def test_stubs_not_selected_or_not_changeable_are_left_alone(self):
        stub = self.make(7, "unix-layout3.stub")
        original = read(stub)
        cases = [
            (["--where", "common1=4", "--set", "common5=1"], 0, "not selected    1"),
            (["--type", "6", "--set", "common5=1"], 0, "not selected    1"),
            (["--replace-prefix", "shortText", "zz", "y"], 0, "unchanged       1"),
            (["--set", "headText=dm02"], 1, "skipped         1"),
            (["--replace-prefix", "shortText", "arch01", "x" * 300], 1, "skipped         1"),
            (["--dry-run", "--set", "common5=1"], 0, "would change    1"),
        ]
        for args, want, line in cases:
            with self.subTest(args=args):
                status, out, err = run("edit", *args, self.dir)
                self.assertEqual(status, want, err)
                self.assertIn(line, out)
                self.assertEqual(read(stub), original)

    def test_hard_linked_stub_skipped(self):
        stub = self.make(4, "dmnas.stub")
        os.link(stub, self.path("link"))
        status, _, err = run("edit", "--set", "common5=1", self.dir)
        self.assertEqual(status, 1)
        self.assertIn("hard links", err)
        self.assertEqual(read(stub), read(os.path.join(EXAMPLES, "dmnas.stub")))


class JournalTests(Tree):
    def make_tree(self, count):
        originals = {}
        for i in range(count):
            sub = self.path("tree", f"d{i % 7}")
            os.makedirs(sub, exist_ok=True)
            name = ["dmnas.stub", "unix-layout3.stub", "ntfs.stub"][i % 3]
            target = os.path.join(sub, f"s{i}")
            shutil.copy(os.path.join(EXAMPLES, name), target)
            originals[target] = read(target)
        return originals

    def assert_all(self, originals, same):
        for path, data in originals.items():
            self.assertEqual(read(path) == data, same, path)

    def test_edit_then_undo_restores_every_stub(self):
        originals = self.make_tree(30)
        journal = self.path("j.log")
        status, _, err = run("edit", "--set", "common5=7", "--journal", journal, self.path("tree"))
        self.assertEqual(status, 0, err)
        self.assert_all(originals, False)
        status, out, err = run("undo", journal)
        self.assertEqual(status, 0, err)
        self.assertIn("restored        30", out)
        self.assert_all(originals, True)
        status, out, _ = run("undo", journal)  # again: nothing left to do
        self.assertEqual((status, "already old     30" in out), (0, True))

    def test_killed_edit_journal_undone_or_finished(self):
        for then in ("undo", "edit again"):
            with self.subTest(then=then):
                shutil.rmtree(self.path("tree"), ignore_errors=True)
                originals = self.make_tree(40)
                journal = self.path("j.log")
                if os.path.exists(journal):
                    os.unlink(journal)
                process = stopping_edit("--set", "common5=7", "--journal", journal,
                                        self.path("tree"))
                for _ in range(10):  # ten stubs replaced, the eleventh journaled
                    wait_stopped(process)
                    os.kill(process.pid, signal.SIGCONT)
                wait_stopped(process)
                process.kill()
                process.wait()
                process.stderr.close()
                with open(journal, "ab") as f:
                    f.write(b'{"directory":"2f')  # a record the kill cut short
                if then == "undo":
                    status, out, err = run("undo", journal)
                    self.assertEqual(status, 0, err)
                    self.assertIn("restored        10", out)
                    self.assert_all(originals, True)
                else:
                    status, out, err = run("edit", "--set", "common5=7", "--journal", journal,
                                           self.path("tree"))
                    self.assertEqual(status, 0, err)
                    self.assertIn("changed         30", out)
                    self.assertIn("unchanged       10", out)
                    status, out, err = run("undo", journal)
                    self.assertEqual(status, 0, err)
                    self.assert_all(originals, True)


class RaceTests(Tree):
    def test_stub_changed_before_replacement_is_never_overwritten(self):
        other = read(os.path.join(EXAMPLES, "unix-layout1.stub"))

        def rewrite(stub):
            with open(stub, "r+b") as f:
                f.write(other)
                f.truncate()

        def replace(stub):
            write(stub + ".new", other)
            os.rename(stub + ".new", stub)

        for change in (rewrite, replace):
            with self.subTest(change=change.__name__):
                stub = self.path("s")
                shutil.copy(os.path.join(EXAMPLES, "unix-layout3.stub"), stub)
                process = stopping_edit("--set", "common5=7", "--journal", self.path("j"), self.dir)
                wait_stopped(process)
                change(stub)
                status, err = finish(process)
                self.assertEqual(status, 1, err)
                self.assertIn("changed since it was read", err)
                self.assertEqual(read(stub), other)
                self.assertEqual(sorted(os.listdir(self.dir)), ["j", "s"])
                os.unlink(self.path("j"))

    def test_directory_swapped_for_a_link_leads_nowhere(self):
        inside = self.path("tree", "d")
        outside = self.path("outside")
        for directory in (inside, outside):
            os.makedirs(directory)
            for i in range(3):
                shutil.copy(os.path.join(EXAMPLES, "dmnas.stub"), os.path.join(directory, f"s{i}"))
        original = read(os.path.join(outside, "s0"))
        journal = self.path("j")
        process = stopping_edit("--set", "common5=7", "--journal", journal, self.path("tree"))
        wait_stopped(process)
        os.rename(inside, inside + ".moved")
        os.symlink(outside, inside)
        status, err = finish(process)
        self.assertEqual(status, 0, err)
        for i in range(3):
            self.assertEqual(read(os.path.join(outside, f"s{i}")), original)
            self.assertNotEqual(read(os.path.join(inside + ".moved", f"s{i}")), original)
        status, _, err = run("undo", journal)
        self.assertEqual(status, 1)
        self.assertIn("no longer the one edited", err)
        self.assertEqual(read(os.path.join(outside, "s0")), original)


if __name__ == "__main__":
    unittest.main()
