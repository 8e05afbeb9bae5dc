# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
"""The files scan() reads, by the rules of `stubmeta scan --sort`: a root
that is a symbolic link is followed (as `find -H` does), links inside the
tree are not, and everything comes in the order of the paths' bytes."""

import os
import stat
from typing import Iterator, List, Optional, Tuple

# A regular file to read (no error), or an entry that could not be
# examined (its error).
Found = Tuple[str, Optional[OSError]]


def files_in_path_order(root: str) -> Iterator[Found]:
    """The regular files at or under root, and the folders that could not
    be listed, in the order of their paths' bytes.  The entries of a
    folder are taken in the order of their names, a folder's name with a
    "/" after it: its files' paths then sort among its siblings' as the
    folder's name does, so a walk in that order yields every path sorted."""
    try:
        status = os.stat(root)
    except OSError as error:
        yield root, error
        return
    if stat.S_ISREG(status.st_mode):
        yield root, None
    if not stat.S_ISDIR(status.st_mode):
        return
    # A walk of its own rather than recursion: a tree may be deeper than
    # Python's recursion limit.
    pending: List[Iterator[Tuple[str, bool]]] = []
    folder: Optional[str] = root
    while True:
        if folder is not None:
            try:
                pending.append(iter(_entries(folder)))
            except OSError as error:
                yield folder, error
        folder = None
        if not pending:
            return
        entry = next(pending[-1], None)
        if entry is None:
            pending.pop()
        elif entry[1]:
            folder = entry[0]
        else:
            yield entry[0], None


def _entries(folder: str) -> List[Tuple[str, bool]]:
    """The regular files and folders in folder, as (path, whether a
    folder), in path order; links and other kinds are passed over."""
    prefix = folder if folder.endswith("/") else folder + "/"
    keyed = []
    with os.scandir(folder) as listing:
        for entry in listing:
            try:
                is_folder = entry.is_dir(follow_symlinks=False)
                is_file = not is_folder and entry.is_file(follow_symlinks=False)
            except OSError:
                is_folder, is_file = True, False  # entering it says why
            if is_folder or is_file:
                key = os.fsencode(entry.name) + (b"/" if is_folder else b"")
                keyed.append((key, prefix + entry.name, is_folder))
    keyed.sort()
    return [(path, is_folder) for _, path, is_folder in keyed]
