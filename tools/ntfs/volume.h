/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// An NTFS volume, a regular file or a block device, opened read-only
// through libntfs-3g.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "ntfs/device.h"

#include "ntfs/ntfs3g.h"

namespace stubmeta_cli {

// Why a boot sector is no NTFS one ("it holds the OEM name \"mkfs.fat\""),
// or an empty string for an NTFS boot sector.
std::string boot_sector_problem(const unsigned char* sector, std::size_t size);

class NtfsVolume {
public:
    // Mounts image with the read-only and forensic flags: nothing is
    // replayed, repaired or written (the device refuses writes too).  Throws ToolError (status 2) naming
    // image and the cause, one line: for a file that is no NTFS volume,
    // what its boot sector holds.
    explicit NtfsVolume(const std::string& image);
    NtfsVolume(const NtfsVolume&) = delete;
    NtfsVolume& operator=(const NtfsVolume&) = delete;
    ~NtfsVolume();

    ntfs_volume* get() const noexcept { return volume_; }
    // The MFT records to visit: as many as the MFT's initialised data
    // holds, but never more than the image's bytes could hold.
    std::uint64_t record_count() const noexcept { return records_; }

private:
    std::unique_ptr<CachedDevice> device_;  // its cache outlives the mount
    ntfs_volume* volume_ = nullptr;
    std::uint64_t records_ = 0;
};

}  // namespace stubmeta_cli
