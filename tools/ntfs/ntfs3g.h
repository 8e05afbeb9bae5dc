/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// libntfs-3g's headers, in the order they need: they use size_t, va_list,
// NULL and time() without including what declares them, and declare C
// functions without C++ linkage.  <sys/stat.h> comes first, or ntfstime.h
// declares its own struct timespec.  Its min and max macros are undefined.
#pragma once

// clang-format off
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <sys/stat.h>
#include <sys/types.h>

extern "C" {
#include <ntfs-3g/types.h>
#include <ntfs-3g/layout.h>
#include <ntfs-3g/volume.h>
#include <ntfs-3g/attrib.h>
#include <ntfs-3g/device.h>
#include <ntfs-3g/dir.h>
#include <ntfs-3g/inode.h>
#include <ntfs-3g/mft.h>
#include <ntfs-3g/logging.h>
}
// clang-format on

// support.h defines min and max as macros, which break the standard
// library's own min and max included after it.
#undef min
#undef max

#include <cstddef>
#include <cstring>

namespace stubmeta_cli {

// Flags as stored, read as bytes: libntfs-3g types them as enums, and a
// damaged record holds bits that C++ may not load as the enum type; some
// lie in packed structures, whose members must not be bound to references.
template <typename Bits>
Bits bits_at(const void* object, std::size_t offset) noexcept {
    Bits bits = 0;
    std::memcpy(&bits, static_cast<const unsigned char*>(object) + offset, sizeof bits);
    return bits;
}

// The file attributes (FILE_ATTR_*) of an open inode.
inline std::uint32_t file_attributes(const ntfs_inode* inode) noexcept {
    return bits_at<std::uint32_t>(inode, offsetof(ntfs_inode, flags));
}

// An MFT record's flags (MFT_RECORD_*).
inline std::uint16_t record_flags(const MFT_RECORD* record) noexcept {
    return bits_at<std::uint16_t>(record, offsetof(MFT_RECORD, flags));
}

// An MFT record's sequence number.
inline std::uint16_t record_sequence(const MFT_RECORD* record) noexcept {
    return bits_at<std::uint16_t>(record, offsetof(MFT_RECORD, sequence_number));
}

// A file name's namespace (FILE_NAME_POSIX, _WIN32, _DOS, _WIN32_AND_DOS).
inline std::uint8_t name_space(const FILE_NAME_ATTR* name) noexcept {
    return bits_at<std::uint8_t>(name, offsetof(FILE_NAME_ATTR, file_name_type));
}

}  // namespace stubmeta_cli
