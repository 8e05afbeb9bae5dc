/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The device libntfs-3g reads a volume through: the image file or block
// device, read-only, with a small cache of the blocks read last.
//
// libntfs-3g reads an MFT record (1 KiB) at a time; records come in order,
// so reading 256 KiB blocks turns a read per record into a read per few
// hundred.  Memory stays at four blocks whatever the volume.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ntfs/ntfs3g.h"

namespace stubmeta_cli {

class CachedDevice {
public:
    // A device for image, not yet open (ntfs_device_mount opens it).
    // Throws std::bad_alloc when libntfs-3g cannot allocate it.
    explicit CachedDevice(const std::string& image);
    CachedDevice(const CachedDevice&) = delete;
    CachedDevice& operator=(const CachedDevice&) = delete;
    // Frees the device unless a mounted volume took it over (released()).
    ~CachedDevice();

    ntfs_device* get() const noexcept { return device_; }
    // A mounted volume owns the device now; ntfs_umount frees it.
    void released() noexcept { owned_ = false; }

    // The device operations, called by libntfs-3g with the device.
    int open(int flags);
    int close();
    s64 seek(s64 offset, int whence);
    s64 read(void* buffer, s64 count);
    s64 pread(void* buffer, s64 count, s64 offset);
    int stat(struct stat* status) const;
    int ioctl(unsigned long request, void* argument) const;

private:
    static constexpr std::size_t kBlock = std::size_t{256} * 1024;
    static constexpr std::size_t kSlots = 4;
    struct Slot {
        std::int64_t block = -1;  // the block held, -1 for none
        std::size_t valid = 0;    // bytes read into it (fewer at the end)
        std::vector<unsigned char> bytes;
    };

    // The slot holding block, read in when it is not there; nullptr with
    // errno set when reading fails.
    const Slot* load(std::int64_t block);

    ntfs_device* device_ = nullptr;
    bool owned_ = true;
    int fd_ = -1;
    s64 position_ = 0;
    std::array<Slot, kSlots> slots_;
};

}  // namespace stubmeta_cli
