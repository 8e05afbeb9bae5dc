/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Paths of files in an NTFS volume, rebuilt from each file's name and
// parent reference, with the paths of the directories met kept for the
// files that follow: memory grows with the directories, not the files.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "ntfs/ntfs3g.h"

namespace stubmeta_cli {

// UTF-8 from UTF-16LE code units (count of them); an unpaired surrogate
// becomes U+FFFD.
std::string utf8_from_utf16(const std::uint16_t* units, std::size_t count);

class NtfsPaths {
public:
    explicit NtfsPaths(ntfs_volume* volume) : volume_(volume) {}

    // The path of the open file, '/'-separated from the root.  A file
    // whose chain of parents breaks (a parent record gone, reused or no
    // directory) gets a path opening with "<orphan N>", N the record that
    // was missing; a chain that comes back on itself "<loop N>".  Neither
    // opens with '/'.  A file without a name is "<record N>" itself.
    std::string path_of(ntfs_inode* inode);

private:
    // The path of the directory at record (with sequence number, 0 for
    // any), with no trailing '/' ("" for the root).
    std::string directory_path(std::uint64_t record, std::uint16_t sequence, std::uint64_t child);

    struct KnownDirectory {
        std::uint16_t sequence;
        std::string path;
    };
    ntfs_volume* volume_;
    std::unordered_map<std::uint64_t, KnownDirectory> directories_;
};

}  // namespace stubmeta_cli
