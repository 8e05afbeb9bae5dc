#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""stubmeta-mpi edit under mpirun against stubmeta edit on a copy of a tree,
and stubmeta undo over the journals of every process.

    STUBMETA_TOOL=build/tools/stubmeta STUBMETA_MPI_TOOL=build/tools/mpi/stubmeta-mpi \\
        python3 tests/mpi/test_mpi_edit.py
Skipped, with a message, where mpirun is missing.
"""
import json
import os
import shutil
import tempfile
import unittest

from test_mpi_scan import MPIRUN, MPI_TOOL, TOOL, run, stub_bytes


def make_tree(tree):
    """Folders of stubs of several layouts among ordinary files."""
    stubs = [stub_bytes(n) for n in ("unix-layout1.stub", "unix-layout2.stub", "dmnas.stub",
                                     "unix-bigendian.stub")]
    for i in range(120):
        folder = os.path.join(tree, "d%02d" % (i % 12), "e%d" % (i % 2))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%03d" % i), "wb") as f:
            f.write(stubs[i % 4] if i % 3 == 0 else b"ordinary %d\n" % i)


def rows_and_summary(out, tree):
    """The rows, sorted and named as if tree were "TREE", and the summary
    less its time."""
    rows, summary = [], []
    for line in out.replace(tree, "TREE").splitlines():
        if line.startswith('{"summary"'):
            record = json.loads(line)
            del record["summary"]["elapsedSeconds"]
            summary.append(record)
        elif "  " in line and not line.startswith(("TREE", "{")):
            if not line.startswith("elapsed"):
                summary.append(line)
        else:
            rows.append(line)
    return sorted(rows), summary


def contents(tree):
    found = {}
    for folder, _, names in os.walk(tree):
        for name in names:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, tree)] = f.read()
    return found


@unittest.skipIf(MPIRUN is None, "mpirun not found: stubmeta-mpi is not tested (install openmpi-bin)")
class MpiEditTests(unittest.TestCase):
    def test_same_edit_as_on_one_host_and_undone_from_every_journal(self):
        top = tempfile.mkdtemp(prefix="stubmeta-mpi-edit-")
        self.addCleanup(shutil.rmtree, top)
        original = os.path.join(top, "original")
        make_tree(original)
        before = contents(original)
        edit = ["--set", "common5=7", "--where", "common1=3"]
        for processes, options in ((2, []), (3, ["--format", "json"])):
            with self.subTest(processes=processes):
                local, spread = os.path.join(top, "local"), os.path.join(top, "spread")
                for tree in (local, spread):
                    shutil.rmtree(tree, ignore_errors=True)
                    shutil.copytree(original, tree)
                journal = os.path.join(top, "j%d" % processes)
                expected = run([TOOL, "edit", "--no-progress", *edit, *options, local])
                status, out, err = run([MPIRUN, "-q", "--oversubscribe", "-np", str(processes),
                                        MPI_TOOL, "edit", "--journal", journal, *edit, *options,
                                        spread])
                self.assertEqual((status, err), (expected[0], expected[2]))
                rows, summary = rows_and_summary(out, spread)
                self.assertEqual((rows, summary), rows_and_summary(expected[1], local))
                self.assertTrue(rows)
                self.assertEqual(contents(spread), contents(local))
                self.assertNotEqual(contents(spread), before)
                journals = ["%s.%d" % (journal, rank) for rank in range(processes)]
                status, _, err = run([TOOL, "undo", *journals])
                self.assertEqual((status, err), (0, ""))
                self.assertEqual(contents(spread), before)


if __name__ == "__main__":
    unittest.main(verbosity=1)
