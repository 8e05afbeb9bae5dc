#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""The tool's folders as floors: a file of tools/ may include the headers
of its own folder and of the floors below its own, never one above it nor
a neighbour on its own floor, so no two folders can ever depend on each
other.  The command-line parser is included only where command lines are
declared.  Prints each include that breaks this and exits 1; quiet and 0
when the house stands as built.

Usage: scripts/checks/layers.py [TOOLS_DIR]   (default: tools/ beside scripts/)
"""

import pathlib
import re
import sys

# The floors from the bottom up: the folders of one floor use only those of
# the floors below.  tools/CMakeLists.txt links the same way.
FLOORS = [
    ["support"],  # console, files, atomic replacement, exit statuses
    ["stub"],  # what a stub is: detection, verdicts, type names, writing
    ["record"],  # a stub's fields as records, JSON and text, stub files
    ["scan"],  # the walk, examination, the scan's output and command line
    ["ntfs", "edit"],  # NTFS volumes; changing stubs in place, undoing it
    ["commands", "mpi"],  # stubmeta's commands; stubmeta-mpi's parts
    ["main"],  # tools/main.cpp and tools/mpi/main.cpp, the programs
]

# Where <CLI/...> may be included: the commands, the programs, and the scan's
# and the edit's command lines, which stubmeta and stubmeta-mpi share.
CLI_ALLOWED = re.compile(r"^(commands/.*|main\.cpp|mpi/main\.cpp|(scan|edit)/command_line\.(h|cpp))$")

FLOOR_OF = {part: index for index, parts in enumerate(FLOORS) for part in parts}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def part_of(relative):
    """The part a file of tools/ belongs to: its folder, or "main"."""
    if relative.name == "main.cpp":
        return "main"
    return relative.parts[0] if len(relative.parts) > 1 else None


def find_cycle(edges):
    """A cycle in the folder graph as a list of folders, or None."""
    state = {}

    def visit(node, path):
        state[node] = "open"
        path.append(node)
        for target in sorted(edges.get(node, ())):
            if state.get(target) == "open":
                return path[path.index(target):] + [target]
            if target not in state:
                found = visit(target, path)
                if found:
                    return found
        state[node] = "done"
        path.pop()
        return None

    for node in sorted(edges):
        if node not in state:
            found = visit(node, [])
            if found:
                return found
    return None


def check(tools):
    findings = []
    edges = {}
    for path in sorted(tools.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        relative = path.relative_to(tools)
        part = part_of(relative)
        if part is None:
            findings.append(f"tools/{relative}: a source outside every folder")
            continue
        if part not in FLOOR_OF:
            findings.append(f"tools/{relative}: folder {part}/ is not in the layer table "
                            f"(scripts/checks/layers.py)")
            continue
        lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
        for number, line in enumerate(lines, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            where = f"tools/{relative}:{number}"
            bracket, header = match.groups()
            if bracket == "<":
                if header.startswith("CLI/") and not CLI_ALLOWED.match(relative.as_posix()):
                    findings.append(f"{where}: includes <{header}> below the command lines")
                continue
            target = header.split("/")[0] if "/" in header else None
            if target not in FLOOR_OF or target == part or target == "main":
                continue  # the library's headers, or its own folder
            edges.setdefault(part, set()).add(target)
            if FLOOR_OF[target] >= FLOOR_OF[part]:
                kind = "beside it" if FLOOR_OF[target] == FLOOR_OF[part] else "above it"
                findings.append(f"{where}: {part}/ includes \"{header}\", a floor {kind}")
    cycle = find_cycle(edges)
    if cycle:
        findings.append("folders include each other: " + " -> ".join(cycle))
    return findings


def main():
    default = pathlib.Path(__file__).resolve().parents[2] / "tools"
    tools = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else default
    if not tools.is_dir():
        print(f"layers: {tools}: no such directory", file=sys.stderr)
        return 2
    findings = check(tools)
    for finding in findings:
        print(finding, file=sys.stderr)
    if findings:
        print(f"layers: {len(findings)} findings; the floors are in scripts/checks/layers.py",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
