#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""stubmeta-mpi scan under mpirun against stubmeta scan, on generated trees.

    STUBMETA_TOOL=build/tools/stubmeta STUBMETA_MPI_TOOL=build/tools/mpi/stubmeta-mpi \\
        python3 tests/mpi/test_mpi_scan.py
Skipped, with a message, where mpirun is missing.
"""
import json
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time
import sys
import unittest

# The deep-chain clean-up of the tool's own tests.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "cli"))
from test_cli import remove_deep_tree  # noqa: E402

TOOL = os.path.abspath(os.environ.get("STUBMETA_TOOL", "build/tools/stubmeta"))
MPI_TOOL = os.path.abspath(os.environ.get("STUBMETA_MPI_TOOL", "build/tools/mpi/stubmeta-mpi"))
EXAMPLES = "examples/stubs"
MPIRUN = shutil.which("mpirun")
# Root may start MPI jobs here (CI runs as root); -q keeps mpirun's own
# banner off standard error, so that it holds what the tool says alone.
ENV = dict(os.environ, OMPI_ALLOW_RUN_AS_ROOT="1", OMPI_ALLOW_RUN_AS_ROOT_CONFIRM="1",
           OMPI_MCA_rmaps_base_oversubscribe="1")
if "ASAN_OPTIONS" in ENV:  # MPI's own allocations are never freed
    ENV["ASAN_OPTIONS"] += ":detect_leaks=0"


def mpirun_command(processes, *args):
    return [MPIRUN, "-q", "--oversubscribe", "-np", str(processes), MPI_TOOL, "scan", *args]


def run(command, stdin=None):
    done = subprocess.run(command, capture_output=True, timeout=120, env=ENV, input=stdin)
    return done.returncode, done.stdout.decode(errors="replace"), done.stderr.decode(errors="replace")


def without_timing(text):
    """Output less what depends on the clock: text lines and JSON fields."""
    lines = []
    for line in text.splitlines():
        if line.startswith("elapsed"):
            continue
        if line.startswith('{"summary"'):
            summary = json.loads(line)
            del summary["summary"]["elapsedSeconds"], summary["summary"]["filesPerSecond"]
            line = json.dumps(summary)
        lines.append(line)
    return "\n".join(lines)


def stub_bytes(name):
    with open(os.path.join(EXAMPLES, name), "rb") as f:
        return f.read()


def make_trees(top):
    """Roots to scan together: a tree of many small folders, one folder of
    many files, a chain deeper than PATH_MAX allows in one path, an empty
    root, a root that is a file, and links (a loop back up, a dangling
    one)."""
    # Good stubs only: a scan that ends with status 0 spares mpirun's
    # second or so of tearing down a job whose process 0 failed.
    stubs = [stub_bytes(n) for n in ("unix-layout1.stub", "unix-layout2.stub", "dmnas.stub",
                                     "unix-bigendian.stub")]
    tree = os.path.join(top, "tree")
    for i in range(1200):
        folder = os.path.join(tree, "d%02d" % (i % 30), "e%d" % (i % 3))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%05d" % i), "wb") as f:
            f.write(stubs[(i // 37) % 4] if i % 37 == 0 else b"ordinary %d\n" % i)
    os.symlink("..", os.path.join(tree, "d00", "up"))
    os.symlink("nowhere", os.path.join(tree, "d01", "dangling"))
    huge = os.path.join(top, "huge")
    os.mkdir(huge)
    for i in range(2000):
        with open(os.path.join(huge, "h%04d.tmp" % i if i % 2 else "h%04d" % i), "wb") as f:
            f.write(stubs[2] if i % 250 == 0 else b"x")
    deep = os.path.join(top, "deep")
    os.mkdir(deep)
    fd = os.open(deep, os.O_RDONLY)
    for level in range(2100):  # paths of 4,200 bytes and more
        if level % 700 == 350:
            os.mkdir("side", dir_fd=fd)
            out = os.open("side/s.stub", os.O_WRONLY | os.O_CREAT, dir_fd=fd)
            os.write(out, stubs[0])
            os.close(out)
        os.mkdir("d", dir_fd=fd)
        inner = os.open("d", os.O_RDONLY, dir_fd=fd)
        os.close(fd)
        fd = inner
    out = os.open("bottom.stub", os.O_WRONLY | os.O_CREAT, dir_fd=fd)
    os.write(out, stubs[3])
    os.close(out)
    os.close(fd)
    os.mkdir(os.path.join(top, "empty"))
    return [tree, huge, deep, os.path.join(top, "empty"), os.path.join(EXAMPLES, "dmnas.stub")]


@unittest.skipIf(MPIRUN is None, "mpirun not found: stubmeta-mpi is not tested (install openmpi-bin)")
class MpiScanTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.top = tempfile.mkdtemp(prefix="stubmeta-mpi-")
        cls.roots = make_trees(cls.top)

    @classmethod
    def tearDownClass(cls):
        remove_deep_tree(os.path.join(cls.top, "deep"))
        shutil.rmtree(cls.top, ignore_errors=True)

    def test_same_output_as_a_sorted_local_scan(self):
        # Options, and the numbers of processes to try them with.
        cases = [
            ([], (1, 2, 3)),
            # The loop and the dangling link: status 2.  With links followed
            # every folder passes process 0, a round trip per level of the
            # deep chain: that one is left out.
            (["--format", "json", "--follow-symlinks", "--exclude", "/d/"], (2,)),
            (["--format", "csv", "--state", "ok", "--exclude", "*.tmp", "--exclude", "e1/"], (3,)),
            (["--print0", "--state", "ok", "--max-depth", "2", "--xdev"], (1,)),
        ]
        # A damaged stub and a missing root: exit statuses 1 and 2.
        faults = [os.path.join(EXAMPLES, "unix-damaged.stub"), os.path.join(self.top, "missing")]
        cases[2] = (cases[2][0] + faults, cases[2][1])
        for options, counts in cases:
            local = run([TOOL, "scan", "--sort", *options, *self.roots])
            for processes in counts:
                with self.subTest(options=options, processes=processes):
                    status, out, err = run(mpirun_command(processes, "--sort", *options,
                                                          *self.roots))
                    # The same messages, each naming the program that printed it.
                    err = err.replace("stubmeta-mpi scan: ", "stubmeta scan: ")
                    self.assertEqual((status, without_timing(out), without_timing(err)),
                                     (local[0], without_timing(local[1]), without_timing(local[2])))

    def test_rows_stream_in_any_order(self):
        _, sorted_out, _ = run([TOOL, "scan", "--sort", "--format", "json", *self.roots])
        status, out, err = run(mpirun_command(3, "--format", "json", *self.roots))
        self.assertEqual((status, err), (0, ""))
        rows = out.splitlines()
        expected = sorted_out.splitlines()
        self.assertEqual(sorted(rows[:-1]), expected[:-1])
        self.assertEqual(without_timing(rows[-1]), without_timing(expected[-1]))

    def test_a_folder_reached_by_two_paths_is_read_once(self):
        folder = tempfile.mkdtemp(prefix="stubmeta-mpi-")
        self.addCleanup(shutil.rmtree, folder)
        os.makedirs(os.path.join(folder, "a", "b"))
        shutil.copy(os.path.join(EXAMPLES, "dmnas.stub"), os.path.join(folder, "a", "b"))
        for name in ("l1", "l2"):
            os.symlink("a", os.path.join(folder, name))
        status, out, err = run(mpirun_command(3, "--follow-symlinks", "--print0", folder))
        self.assertEqual((status, err, out.count("\0")), (0, "", 1))

    def test_version_as_the_tool_has_it(self):
        _, tool_version, _ = run([TOOL, "--version"])
        status, out, err = run([MPIRUN, "-q", "-np", "1", MPI_TOOL, "--version"])
        self.assertEqual((status, out, err),
                         (0, tool_version.replace("stubmeta", "stubmeta-mpi", 1), ""))

    def test_a_wrong_command_line_is_reported_once(self):
        status, out, err = run(mpirun_command(3, "--max-depth", "-1", self.top))
        self.assertEqual((status, out), (2, ""))
        self.assertEqual(err.count("--max-depth"), 1, err)

    def rank_process(self, launcher, rank):
        """The process of the job launched by launcher with the given rank."""
        for pid in os.listdir("/proc"):
            try:
                with open("/proc/%s/stat" % pid) as f:
                    parent = int(f.read().rsplit(")", 1)[1].split()[1])
                with open("/proc/%s/environ" % pid, "rb") as f:
                    environ = f.read().split(b"\0")
            except (OSError, ValueError, IndexError):
                continue
            if parent == launcher and b"OMPI_COMM_WORLD_RANK=%d" % rank in environ:
                return int(pid)
        return None

    def test_rows_come_as_found_and_a_dead_process_fails_the_job(self):
        """Roots read from a pipe kept open: the first row is printed at
        once; then a process killed leaves mpirun failing, no summary."""
        stub = os.path.abspath(os.path.join(EXAMPLES, "dmnas.stub"))
        process = subprocess.Popen(mpirun_command(2, "--files0-from", "-"), env=ENV,
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        try:
            process.stdin.write(stub.encode() + b"\0")
            process.stdin.flush()
            ready, _, _ = select.select([process.stdout], [], [], 20)
            self.assertTrue(ready, "no row printed while the list is still open")
            self.assertIn(stub.encode(), process.stdout.readline())
            deadline = time.monotonic() + 20
            worker = None
            while worker is None and time.monotonic() < deadline:
                worker = self.rank_process(process.pid, 1)
                time.sleep(0.05)
            self.assertIsNotNone(worker, "no process of rank 1 found")
            os.kill(worker, signal.SIGKILL)
            out, err = process.communicate(timeout=60)
        finally:
            if process.poll() is None:
                process.kill()
                process.communicate()
        self.assertNotEqual(process.returncode, 0)
        self.assertNotIn(b"files examined", out)


if __name__ == "__main__":
    unittest.main(verbosity=1)
