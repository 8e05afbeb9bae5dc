# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""Writes a C program that prints the size of every structure the public
header defines and the offset and size of each of its fields, as the C
compiler lays them out, with "signed" or "unsigned" after an integer field
and "-" after any other (array, structure, pointer):

    ReparseData 1488
    ReparseData.stubType 0 4 unsigned
    ReparseData.common 8 40 -
    ...

The fields are read from the header's `typedef struct NAME { ... } NAME;`
blocks, so the program lists what the header declares, not a copy of it.

    layout_program.py HEADER OUTPUT [TABLES_OUTPUT]

With TABLES_OUTPUT it also writes a C++ program that prints what the
library's constexpr tables (stubmeta_layouts.hpp, beside HEADER) say about
stubs, one fact a line, for the binding to be held against:

    family 1 1 2
    order 6 7 1 2 3 4
    version 0.1.0
"""

import re
import sys
from pathlib import Path

STRUCTURE = re.compile(r"typedef\s+struct\s+(\w+)\s*\{(.*?)\}\s*\1\s*;", re.S)
COMMENT = re.compile(r"/\*.*?\*/|//[^\n]*", re.S)
# A member: its type, then its name and an optional array bound.
MEMBER = re.compile(r"^([\w\s\*]+?)\s*\b(\w+)\s*(\[[^\]]*\])?$")


def structures(header: str):
    """(name, [(field name, its type or None)]) for every structure the
    header defines; the type is given for integer fields only."""
    found = STRUCTURE.findall(COMMENT.sub(" ", header))
    for name, body in found:
        fields = []
        for member in filter(None, (part.strip() for part in body.split(";"))):
            match = MEMBER.match(" ".join(member.split()))
            if not match:
                sys.exit(f"{name}: cannot read the member `{member}`: one field per declaration")
            kind, field, bound = match.groups()
            scalar = not bound and "*" not in kind and kind not in {n for n, _ in found}
            fields.append((field, kind if scalar else None))
        yield name, fields


def program(header_path: Path) -> str:
    lines = ["#include <stddef.h>", "#include <stdio.h>", f'#include "{header_path.name}"', "",
             "int main(void) {"]
    found = list(structures(header_path.read_text()))
    if not found:
        sys.exit(f"{header_path}: no structure found")
    for name, fields in found:
        lines.append(f'    printf("{name} %zu\\n", sizeof({name}));')
        for field, kind in fields:
            sign = f'(({kind})-1 < ({kind})1 ? "signed" : "unsigned")' if kind else '"-"'
            lines.append(f'    printf("{name}.{field} %zu %zu %s\\n", offsetof({name}, {field}), '
                         f"sizeof((({name}*)0)->{field}), {sign});")
    lines += ["    return 0;", "}", ""]
    return "\n".join(lines)


def tables_program() -> str:
    return "\n".join([
        "#include <cstdio>",
        '#include "stubmeta_layouts.hpp"',
        "",
        "int main() {",
        "    for (StubFamily family = STUB_FAMILY_WINDOWS; family <= STUB_FAMILY_UNIX; ++family) {",
        '        std::printf("family %u", family);',
        "        for (StubType type : *stubmeta::layouts::types_of(family))",
        '            std::printf(" %u", type);',
        '        std::printf("\\n");',
        "    }",
        '    std::printf("order");',
        "    for (StubType type : stubmeta::layouts::search_order)",
        '        std::printf(" %u", type);',
        '    std::printf("\\nversion %s\\n", STUBMETA_VERSION_STRING);',
        "    return 0;",
        "}",
        ""])


if __name__ == "__main__":
    Path(sys.argv[2]).write_text(program(Path(sys.argv[1])))
    if len(sys.argv) > 3:
        Path(sys.argv[3]).write_text(tables_program())
