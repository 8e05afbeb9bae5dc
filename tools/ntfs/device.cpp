// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "ntfs/device.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/ioctl.h>
#include <unistd.h>

namespace stubmeta_cli {
namespace {

CachedDevice& of(ntfs_device* device) { return *static_cast<CachedDevice*>(device->d_private); }

s64 refuse_write(ntfs_device* /*device*/, const void* /*buffer*/, s64 /*count*/) {
    errno = EROFS;
    return -1;
}

s64 refuse_pwrite(ntfs_device* /*device*/, const void* /*buffer*/, s64 /*count*/, s64 /*offset*/) {
    errno = EROFS;
    return -1;
}

// The operations of every cached device, each handing on to the device's
// CachedDevice.
ntfs_device_operations* operations() {
    static ntfs_device_operations table = {
        [](ntfs_device* device, int flags) { return of(device).open(flags); },
        [](ntfs_device* device) { return of(device).close(); },
        [](ntfs_device* device, s64 offset, int whence) { return of(device).seek(offset, whence); },
        [](ntfs_device* device, void* buffer, s64 count) { return of(device).read(buffer, count); },
        refuse_write,
        [](ntfs_device* device, void* buffer, s64 count, s64 offset) {
            return of(device).pread(buffer, count, offset);
        },
        refuse_pwrite,
        [](ntfs_device* /*device*/) { return 0; },  // nothing written, nothing to sync
        [](ntfs_device* device, struct stat* status) { return of(device).stat(status); },
        [](ntfs_device* device, unsigned long request, void* argument) {
            return of(device).ioctl(request, argument);
        },
    };
    return &table;
}

void set_state(ntfs_device* device, ntfs_device_state_bits bit, bool on) {
    const unsigned long mask = 1UL << static_cast<unsigned>(bit);
    device->d_state = on ? device->d_state | mask : device->d_state & ~mask;
}

}  // namespace

CachedDevice::CachedDevice(const std::string& image) {
    for (Slot& slot : slots_)
        slot.bytes.resize(kBlock);
    device_ = ntfs_device_alloc(image.c_str(), 0, operations(), this);
    if (device_ == nullptr)
        throw std::bad_alloc();
}

CachedDevice::~CachedDevice() {
    if (owned_) {
        if (fd_ >= 0)
            static_cast<void>(close());
        static_cast<void>(ntfs_device_free(device_));
    }
}

int CachedDevice::open(int flags) {
    if ((flags & O_ACCMODE) != O_RDONLY) {
        errno = EROFS;
        return -1;
    }
    // As when the boot sector was read: a FIFO put in the image's place
    // since is not waited on.
    fd_ = ::open(device_->d_name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0)
        return -1;
    struct stat status {};
    if (::fstat(fd_, &status) == 0 && S_ISFIFO(status.st_mode)) {
        static_cast<void>(close());
        errno = ESPIPE;
        return -1;
    }
    set_state(device_, ND_Block, S_ISBLK(status.st_mode));
    set_state(device_, ND_ReadOnly, true);
    set_state(device_, ND_Open, true);
    return 0;
}

int CachedDevice::close() {
    const int status = ::close(fd_);
    fd_ = -1;
    set_state(device_, ND_Open, false);
    return status;
}

s64 CachedDevice::seek(s64 offset, int whence) {
    if (whence == SEEK_SET) {
        position_ = offset;
    } else if (whence == SEEK_CUR) {
        position_ += offset;
    } else {
        const off_t end = ::lseek(fd_, 0, SEEK_END);
        if (end < 0)
            return -1;
        position_ = end + offset;
    }
    return position_;
}

s64 CachedDevice::read(void* buffer, s64 count) {
    const s64 got = pread(buffer, count, position_);
    if (got > 0)
        position_ += got;
    return got;
}

s64 CachedDevice::pread(void* buffer, s64 count, s64 offset) {
    if (count < 0 || offset < 0) {
        errno = EINVAL;
        return -1;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    s64 done = 0;
    while (done < count) {
        const s64 at = offset + done;
        const Slot* slot = load(at / static_cast<s64>(kBlock));
        if (slot == nullptr)
            return done > 0 ? done : -1;
        const auto within = static_cast<std::size_t>(at % static_cast<s64>(kBlock));
        if (within >= slot->valid)
            break;  // the end of the image
        const std::size_t part =
            std::min(slot->valid - within, static_cast<std::size_t>(count - done));
        std::memcpy(out + done, slot->bytes.data() + within, part);
        done += static_cast<s64>(part);
    }
    return done;
}

const CachedDevice::Slot* CachedDevice::load(std::int64_t block) {
    Slot& slot = slots_[static_cast<std::size_t>(block) % kSlots];
    if (slot.block == block)
        return &slot;
    slot.block = -1;
    slot.valid = 0;
    while (slot.valid < kBlock) {
        const ssize_t got = ::pread(fd_, slot.bytes.data() + slot.valid, kBlock - slot.valid,
                                    static_cast<off_t>(block) * static_cast<off_t>(kBlock) +
                                        static_cast<off_t>(slot.valid));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return nullptr;
        if (got == 0)
            break;
        slot.valid += static_cast<std::size_t>(got);
    }
    slot.block = block;
    return &slot;
}

int CachedDevice::stat(struct stat* status) const { return ::fstat(fd_, status); }

int CachedDevice::ioctl(unsigned long request, void* argument) const {
    // The size and geometry queries of a block device.
    return ::ioctl(fd_, request, argument);
}

}  // namespace stubmeta_cli
