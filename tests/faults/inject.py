#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""Fault injection for the tool's file writers, driven by strace's --inject.

Each writer (create, convert, wrap, unwrap with -o; edit over a small tree
of stubs of several types, with and without --journal; undo of such an
edit) is first run once under `strace -f -o LOG` to list the system calls
it makes and how many times.  Then, for every system call S and every N up
to its count, the command runs again with the Nth call of S failing with
each of EIO, ENOSPC, EDQUOT and EPERM, and once more killed by SIGKILL at
that call.  After each run:

- every target holds its old bytes with its old identity (owner, group,
  mode, modification time, extended attributes) or the new bytes with that
  same identity (a new file: absent, or the new bytes as a normal run
  leaves them);
- a run that did not replace every target exited non-zero;
- after an injected error (not a kill) no `.NAME.tmp.*` file remains;
- the tool died by no signal other than the injected SIGKILL, and ended
  within the time limit;
- for an edit with a journal and for undo: `stubmeta undo JOURNAL`, run
  undisturbed afterwards, ends (status 0 or 1) with every stub holding its
  bytes from before the edit, byte for byte, with its identity; an edit that
  left no journal replaced nothing.

Calls made before the command first names one of its files (the dynamic
loader's and the C library's start-up) are not injected unless --all-calls
is given: for S, the first k calls are skipped, k being the number of calls
of S before that point in the listing run.  strace counts calls per thread
or process, so the count of S is the largest made by one of them.

edit and undo make several hundred calls over their tree; --sample N
injects into N of them per scenario, drawn at random (the same ones for the
same --seed), which keeps a run within minutes.

Runs as root (the target is owned by 1234:5678); exits 77 (skipped) without
root or strace, 1 when an invariant broke, with a table of the violations.

    tests/faults/inject.py --tool build/tools/stubmeta [--jobs 2] [--quick] [--sample N]
"""
import argparse
import concurrent.futures
import errno
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field

SKIP = 77
HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
EXAMPLES = os.path.join(SOURCE, "examples", "stubs")

ERRORS = ("EIO", "ENOSPC", "EDQUOT", "EPERM")
KILL = "SIGKILL"
# Calls that never answer with any of the injected errors: the kernel cannot
# fail them, brk reports failure by returning the old break (so -EIO is read
# as a break address), and futex returns none of them (the C library aborts on
# an error it does not expect).  An injected error there is a value no real
# system returns, so they only get the kill.
CANNOT_FAIL = {"umask", "getpid", "getppid", "gettid", "getuid", "geteuid", "getgid",
               "getegid", "set_tid_address", "exit_group", "exit", "rt_sigreturn", "brk",
               "futex"}

# The identity every replaced target starts with.
OWNER, GROUP, MODE = 1234, 5678, 0o640
MTIME_NS = 983_682_367_123_456_789  # 2001-03-04 05:06:07.123456789 UTC
ATIME_NS = 978_310_861_000_000_000  # 2001-01-01 01:01:01 UTC
XATTR = ("user.hsm", b"state=migrated;id=00042")

TEXT = b"3:1048576:4096:2:1700000000:1:35:/archive/volume7/project/report.pdf|73\n"

# The edit scenarios' tree: stubs of several types in two folders and a
# file that is no stub, and the change every one of those stubs can hold.
TREE = {"tree/a/ntfs.stub": "ntfs.stub", "tree/a/dmnas.stub": "dmnas.stub",
        "tree/b/unix.stub": "unix-layout3.stub", "tree/b/csvfs.stub": "csvfs.stub",
        "tree/b/notes.txt": "not-a-stub.txt"}
EDIT_CHANGE = ["--set", "number2=4321"]


@dataclass
class Scenario:
    name: str
    args: list          # the tool's arguments, run in the scenario's directory
    targets: dict       # file written -> its bytes before the run; None: a new file
    inputs: dict = field(default_factory=dict)  # file name -> bytes, plain root-owned files
    setup: list = None  # arguments run undisturbed before the command (undo's edit)
    after: list = None  # arguments run undisturbed after each injected run, which
                        # must leave every target as prepared (an edit's undo)
    journal: str = None  # the journal `after` reads; no journal: nothing replaced
    sample: bool = False  # long: --sample applies
    # Filled in by the listing run: each target's bytes when the command
    # starts (after setup) and after it, and its identity then.
    before: dict = None
    new: dict = None
    new_identity: dict = None
    counts: dict = field(default_factory=dict)
    skipped: dict = field(default_factory=dict)

    def files(self):
        names = set(self.inputs) | set(self.targets)
        for name in list(names):
            names.update(name.split("/")[:-1])
        if self.journal:
            names.add(self.journal)
        return sorted(names)


def scenarios(stub, unix_stub, tree_stubs):
    """The writers, each replacing an existing stub, plus new files; edit
    over a small tree with and without a journal, and undo of such an edit."""
    single = [
        Scenario("create", ["create", "--force", "--type", "7", "--set", "longText=/new/path",
                            "-o", "t.stub"], {"t.stub": stub}),
        Scenario("create-new", ["create", "--type", "7", "--set", "longText=/new/path",
                                "-o", "n.stub"], {"n.stub": None}),
        Scenario("convert", ["convert", "--force", "--to", "6", "src.stub", "-o", "t.stub"],
                 {"t.stub": stub}, {"src.stub": unix_stub}),
        Scenario("convert-self", ["convert", "--force", "--to", "6", "t.stub", "-o", "t.stub"],
                 {"t.stub": unix_stub}),
        Scenario("wrap", ["wrap", "--force", "text.txt", "-o", "t.stub"], {"t.stub": stub},
                 {"text.txt": TEXT}),
        Scenario("unwrap", ["unwrap", "--force", "src.stub", "-o", "t.stub"], {"t.stub": stub},
                 {"src.stub": unix_stub}),
    ]
    # One thread: strace's call counts are per thread, and one reader makes
    # the Nth call the same one in every run.
    edit = ["edit", "--jobs", "1", *EDIT_CHANGE]
    journaled = ["edit", "--jobs", "1", "--journal", "j.journal", *EDIT_CHANGE, "tree"]
    return single + [
        Scenario("edit", [*edit, "tree"], dict(tree_stubs), sample=True),
        Scenario("edit-journal", journaled, dict(tree_stubs), after=["undo", "j.journal"],
                 journal="j.journal", sample=True),
        Scenario("undo", ["undo", "j.journal"], dict(tree_stubs), setup=journaled,
                 after=["undo", "j.journal"], journal="j.journal", sample=True),
    ]


def identity(path, with_xattrs):
    st = os.lstat(path)
    attributes = {}
    if with_xattrs:
        attributes = {name: os.getxattr(path, name, follow_symlinks=False)
                      for name in sorted(os.listxattr(path, follow_symlinks=False))}
    return (st.st_uid, st.st_gid, st.st_mode & 0o7777, st.st_mtime_ns, attributes)


def describe_difference(expected, found):
    labels = ("owner", "group", "mode", "mtime", "xattrs")
    parts = []
    for label, want, got in zip(labels, expected, found):
        if want == got:
            continue
        if label == "mode":
            parts.append(f"mode {got:04o} not {want:04o}")
        elif label == "xattrs":
            parts.append(f"xattrs {sorted(got)} not {sorted(want)}")
        elif label == "mtime":
            parts.append(f"mtime {time.strftime('%Y-%m-%d', time.gmtime(got / 1e9))}"
                         f" not {time.strftime('%Y-%m-%d', time.gmtime(want / 1e9))}")
        else:
            parts.append(f"{label} {got} not {want}")
    return ", ".join(parts)


class Harness:
    def __init__(self, tool, strace, scratch, xattrs, timeout):
        self.tool = tool
        self.strace = strace
        self.scratch = scratch
        self.xattrs = xattrs
        self.timeout = timeout

    def prepare(self, scenario):
        """A fresh directory holding the scenario's inputs and its targets,
        with the setup command run in it."""
        root = tempfile.mkdtemp(prefix=scenario.name + ".", dir=self.scratch)
        work = os.path.join(root, "w")
        os.mkdir(work)
        for name, data in scenario.inputs.items():
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
        for name, data in scenario.targets.items():
            if data is None:
                continue
            path = os.path.join(work, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
            os.chown(path, OWNER, GROUP)
            os.chmod(path, MODE)
            if self.xattrs:
                os.setxattr(path, *XATTR)
            os.utime(path, ns=(ATIME_NS, MTIME_NS))
        if scenario.setup:
            self.run_plain(scenario, scenario.setup, work, "the set-up")
        return root, work

    def run_plain(self, scenario, args, work, what, allowed=(0,)):
        """Runs the tool undisturbed; returns its status, or a problem."""
        try:
            done = subprocess.run([self.tool, *args], cwd=work, stdin=subprocess.DEVNULL,
                                  capture_output=True, timeout=self.timeout)
        except subprocess.TimeoutExpired:
            return f"{what} ({' '.join(args[:1])}) did not end within {self.timeout} s"
        if done.returncode not in allowed:
            problem = (f"{what} ({' '.join(args[:1])}) ended with status {done.returncode}: "
                       + done.stderr.decode(errors="replace").strip()[:200])
            if what == "the set-up":
                raise SystemExit(f"{scenario.name}: {problem}")
            return problem
        return done.returncode

    def old_identity(self):
        return (OWNER, GROUP, MODE, MTIME_NS, dict([XATTR]) if self.xattrs else {})

    def list_calls(self, scenario):
        """Runs the command once, undisturbed: its new bytes and identity,
        and how many times each system call is made (and before the
        command first names one of its files)."""
        root, work = self.prepare(scenario)
        try:
            scenario.before = {name: read_or_none(os.path.join(work, name))
                               for name in scenario.targets}
            log = os.path.join(root, "strace.log")
            done = subprocess.run([self.strace, "-f", "-qq", "-s", "256", "-o", log, self.tool,
                                   *scenario.args], cwd=work, stdin=subprocess.DEVNULL,
                                  capture_output=True, timeout=self.timeout)
            if done.returncode != 0:
                raise SystemExit(f"{scenario.name}: the undisturbed run failed with status "
                                 f"{done.returncode}: {done.stderr.decode(errors='replace')}")
            scenario.new, scenario.new_identity = {}, {}
            for name in scenario.targets:
                path = os.path.join(work, name)
                scenario.new[name] = read_or_none(path)
                scenario.new_identity[name] = identity(path, self.xattrs)
            if all(scenario.new[name] == scenario.before[name] for name in scenario.targets):
                raise SystemExit(f"{scenario.name}: the undisturbed run changed no file")
            names = "|".join(re.escape(name) for name in scenario.files())
            mentions = re.compile(r'"(?:[^"]*/)?\.?(?:' + names + r')(?:\.tmp\.[^"]*)?"|'
                                  + re.escape(work))
            call = re.compile(r"^(\d+)\s+(\w+)\(")
            per_thread, before = {}, {}
            started = False
            with open(log, encoding="utf-8", errors="replace") as f:
                for line in f:
                    match = call.match(line)
                    if not match:
                        continue
                    pid, name = match.groups()
                    # execve names the files too, in the tool's arguments.
                    started = started or (name != "execve" and bool(mentions.search(line)))
                    per_thread.setdefault(name, {}).setdefault(pid, 0)
                    per_thread[name][pid] += 1
                    if not started:
                        before[name] = before.get(name, 0) + 1
            scenario.counts = {name: max(by_pid.values()) for name, by_pid in per_thread.items()}
            scenario.skipped = before
        finally:
            shutil.rmtree(root, ignore_errors=True)

    def inject(self, scenario, syscall, n, fault):
        """One run with the Nth call of syscall failing with fault (an errno
        name, or SIGKILL); returns (injected, problems)."""
        action = "signal=SIGKILL" if fault == KILL else "error=" + fault
        root, work = self.prepare(scenario)
        problems = []
        try:
            log = os.path.join(root, "strace.log")
            # --seccomp-bpf stops the tool only at the traced call, which
            # saves time, but strace 6.1 then delivers no injected signal.
            quick = [] if fault == KILL else ["--seccomp-bpf"]
            command = [self.strace, "-f", "-qq", *quick, "-o", log, "-e", "trace=" + syscall,
                       "-e", f"inject={syscall}:{action}:when={n}", self.tool, *scenario.args]
            try:
                done = subprocess.run(command, cwd=work, stdin=subprocess.DEVNULL,
                                      capture_output=True, timeout=self.timeout)
                status = done.returncode
            except subprocess.TimeoutExpired:
                status = None
                problems.append(f"no end within {self.timeout} s")
            with open(log, encoding="utf-8", errors="replace") as f:
                trace = f.read()
            killed = fault == KILL and status == -signal.SIGKILL
            injected = "(INJECTED)" in trace or killed
            if status is not None and status < 0 and not killed:
                problems.append("died by " + signal.Signals(-status).name)
            problems += self.check_targets(scenario, work, status, fault)
            if problems and status is not None:
                problems = [f"{problem} (exit {status})" for problem in problems]
            if scenario.after:
                problems += self.check_after(scenario, work)
            return injected, problems
        finally:
            shutil.rmtree(root, ignore_errors=True)

    def check_targets(self, scenario, work, status, fault):
        """Every target holds its bytes from before the run with the old
        identity, or the new bytes with the identity kept."""
        problems = []
        unreplaced = []
        several = len(scenario.targets) > 1
        for name in scenario.targets:
            old, new = scenario.before[name], scenario.new[name]
            label = name + ": " if several else "target "
            path = os.path.join(work, name)
            replaced = False
            if not os.path.lexists(path):
                if old is not None:
                    problems.append(label + "gone")
            else:
                with open(path, "rb") as f:
                    data = f.read()
                found = identity(path, self.xattrs)
                if data == new and data != old:
                    replaced = True
                    wanted = scenario.new_identity[name] if old is None else self.old_identity()
                    if old is None:
                        # A new file's times are those of the run.
                        found = found[:3] + (wanted[3],) + found[4:]
                elif data == old:
                    wanted = self.old_identity()
                else:
                    problems.append(f"{label}holds other bytes ({len(data)} bytes)")
                    wanted = found
                if found != wanted:
                    problems.append(label + ("new" if replaced else "old") + " bytes but "
                                    + describe_difference(wanted, found))
            if new != old and not replaced:
                unreplaced.append(name)
        if status == 0 and unreplaced:
            problems.append("exit 0 without replacing " + ", ".join(unreplaced))
        if fault != KILL:
            left = temporary_files(work)
            if left:
                problems.append("temporary file left: " + ", ".join(left))
        return problems

    def check_after(self, scenario, work):
        """After the injected run, the journal's undo, run to its end, puts
        every target back as prepared, byte for byte; without a journal the
        run must have replaced nothing."""
        journal = os.path.join(work, scenario.journal)
        problems = []
        if not os.path.exists(journal):
            changed = [name for name in scenario.targets
                       if read_or_none(os.path.join(work, name)) != scenario.before[name]]
            if changed:
                problems.append("no journal, yet replaced " + ", ".join(changed))
            return problems
        status = self.run_plain(scenario, scenario.after, work, "then undo", allowed=(0, 1))
        if isinstance(status, str):
            problems.append(status)
        for name, prepared in scenario.targets.items():
            path = os.path.join(work, name)
            data = read_or_none(path)
            if data != prepared:
                which = ("the new" if data == scenario.new[name] else "the edited"
                         if data == scenario.before[name] else "other")
                problems.append(f"then undo: {name} holds {which} bytes")
            elif identity(path, self.xattrs) != self.old_identity():
                problems.append(f"then undo: {name}: restored but "
                                + describe_difference(self.old_identity(),
                                                      identity(path, self.xattrs)))
        return problems


def read_or_none(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def temporary_files(work):
    """The temporary files (.NAME.tmp.*) anywhere below work."""
    return sorted(os.path.relpath(os.path.join(folder, name), work)
                  for folder, _, names in os.walk(work) for name in names
                  if name.startswith(".") and ".tmp." in name)


def user_xattrs_work(directory):
    probe = os.path.join(directory, "xattr-probe")
    with open(probe, "wb"):
        pass
    try:
        os.setxattr(probe, *XATTR)
        return True
    except OSError as error:
        if error.errno in (errno.ENOTSUP, errno.EOPNOTSUPP, errno.EPERM):
            return False
        raise
    finally:
        os.unlink(probe)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--tool", default=os.environ.get("STUBMETA_TOOL", "build/tools/stubmeta"))
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--scratch", help="directory for the runs (default: a new one in "
                        "/var/tmp); must be on a local file system")
    parser.add_argument("--only", action="append", help="run only this scenario (repeatable)")
    parser.add_argument("--errors", default=",".join(ERRORS + (KILL,)),
                        help="comma-separated faults to inject (default: all)")
    parser.add_argument("--quick", action="store_true",
                        help="inject only EIO and the kill (a shorter run for make test)")
    parser.add_argument("--all-calls", action="store_true",
                        help="inject also into the calls made before the command names a file")
    parser.add_argument("--timeout", type=int, default=60, help="seconds a run may take")
    parser.add_argument("--sample", type=int, metavar="N",
                        help="inject into N of the calls of each long scenario (edit, undo), "
                        "drawn at random by --seed (default: every call)")
    parser.add_argument("--seed", type=int, default=1, help="the sample's seed (default 1)")
    options = parser.parse_args()

    strace = shutil.which("strace")
    if strace is None:
        print("strace not found: fault injection skipped")
        return SKIP
    if os.geteuid() != 0:
        print("not root: fault injection skipped (the targets are owned by another user)")
        return SKIP
    tool = os.path.abspath(options.tool)
    if not os.access(tool, os.X_OK):
        raise SystemExit(f"{tool}: no such tool")
    faults = ["EIO", KILL] if options.quick else options.errors.split(",")

    with open(os.path.join(EXAMPLES, "celerra.stub"), "rb") as f:
        stub = f.read()
    with open(os.path.join(EXAMPLES, "unix-layout2.stub"), "rb") as f:
        unix_stub = f.read()
    tree_stubs = {}
    for name, example in TREE.items():
        with open(os.path.join(EXAMPLES, example), "rb") as f:
            tree_stubs[name] = f.read()
    chosen = [s for s in scenarios(stub, unix_stub, tree_stubs)
              if not options.only or s.name in options.only]
    sampler = random.Random(options.seed)

    scratch = options.scratch or tempfile.mkdtemp(prefix="stubmeta-faults.", dir="/var/tmp")
    os.makedirs(scratch, exist_ok=True)
    os.chmod(scratch, 0o755)
    start = time.monotonic()
    try:
        xattrs = user_xattrs_work(scratch)
        if not xattrs:
            print("the file system refuses user extended attributes: not checked")
        harness = Harness(tool, strace, scratch, xattrs, options.timeout)
        runs = []
        for scenario in chosen:
            harness.list_calls(scenario)
            points = []
            for syscall, count in sorted(scenario.counts.items()):
                first = 1 if options.all_calls else scenario.skipped.get(syscall, 0) + 1
                points += [(syscall, n) for n in range(first, count + 1)]
            sampled = ""
            if scenario.sample and options.sample is not None and options.sample < len(points):
                sampled = f" (a sample of {options.sample} of {len(points)}, seed {options.seed})"
                points = sorted(sampler.sample(points, options.sample))
            for syscall, n in points:
                runs += [(scenario, syscall, n, fault) for fault in faults
                         if fault == KILL or syscall not in CANNOT_FAIL]
            print(f"{scenario.name}: {sum(scenario.counts.values())} calls of "
                  f"{len(scenario.counts)} system calls, {len(points)} injected into{sampled}")
        violations, reached, unreached = [], 0, {}
        with concurrent.futures.ThreadPoolExecutor(max_workers=options.jobs) as pool:
            futures = {pool.submit(harness.inject, *run): run for run in runs}
            for future in concurrent.futures.as_completed(futures):
                scenario, syscall, n, fault = futures[future]
                injected, problems = future.result()
                reached += injected
                if not injected:
                    key = f"{syscall}:{fault}"
                    unreached[key] = unreached.get(key, 0) + 1
                violations += [(scenario.name, syscall, n, fault, p) for p in problems]
    finally:
        if not options.scratch:
            shutil.rmtree(scratch, ignore_errors=True)
    elapsed = time.monotonic() - start

    print(f"{len(runs)} injected runs ({reached} reached their call) in {elapsed:.0f} s "
          f"with {options.jobs} workers")
    if unreached:
        print("not reached (call:fault runs): "
              + ", ".join(f"{key} {count}" for key, count in sorted(unreached.items())))
    if not violations:
        print("no violations")
        return 0
    # One row for the faults that broke the same check at the same call.
    grouped = {}
    for command, syscall, n, fault, problem in violations:
        grouped.setdefault((command, syscall, n, problem), []).append(fault)
    order = {fault: i for i, fault in enumerate(ERRORS + (KILL,))}
    rows = sorted((command, syscall, n, ",".join(sorted(faults, key=order.get)), problem)
                  for (command, syscall, n, problem), faults in grouped.items())
    header = ("command", "syscall", "N", "faults", "what went wrong")
    widths = [max(len(str(row[i])) for row in [header] + rows) for i in range(4)]
    print(f"{len(violations)} violations:")
    for row in [header] + rows:
        print("  ".join(str(cell).ljust(width) for cell, width in zip(row, widths)) + "  " + row[4])
    return 1


if __name__ == "__main__":
    sys.exit(main())
