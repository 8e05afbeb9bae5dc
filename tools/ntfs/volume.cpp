// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "ntfs/volume.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "support/file_reading.h"
#include "support/printable.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

constexpr std::size_t kBootSectorSize = 512;

// The volume's size in bytes: a regular file's, or a device's end.
std::uint64_t image_bytes(int fd) {
    const off_t end = ::lseek(fd, 0, SEEK_END);
    return end > 0 ? static_cast<std::uint64_t>(end) : 0;
}

// Reads the boot sector; returns the image's size in bytes.
std::uint64_t check_boot_sector(const std::string& image) {
    // O_NONBLOCK: a FIFO is refused at once rather than waited on for a
    // writer whose data could not be read at the places a volume needs.
    const Descriptor fd(::open(image.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0)
        throw ToolError(kExitUsageOrIo,
                        printable(image) + ": cannot open the volume: " + std::strerror(errno));
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        throw ToolError(kExitUsageOrIo,
                        printable(image) + ": cannot stat: " + std::strerror(errno));
    if (S_ISDIR(status.st_mode))
        throw ToolError(kExitUsageOrIo, printable(image) + ": is a directory, not an NTFS volume");
    if (S_ISFIFO(status.st_mode))
        throw ToolError(kExitUsageOrIo,
                        printable(image) +
                            ": is a FIFO, not an NTFS volume (give an image file or a device)");
    std::array<unsigned char, kBootSectorSize> sector{};
    std::size_t got = 0;
    while (got < sector.size()) {
        const ssize_t read =
            ::pread(fd.get(), sector.data() + got, sector.size() - got, static_cast<off_t>(got));
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            throw ToolError(kExitUsageOrIo, printable(image) + ": cannot read the boot sector: " +
                                                std::strerror(errno));
        if (read == 0)
            break;
        got += static_cast<std::size_t>(read);
    }
    const std::string problem = boot_sector_problem(sector.data(), got);
    if (!problem.empty())
        throw ToolError(kExitUsageOrIo, printable(image) + ": not an NTFS volume: " + problem);
    return image_bytes(fd.get());
}

}  // namespace

std::string boot_sector_problem(const unsigned char* sector, std::size_t size) {
    if (size < kBootSectorSize)
        return "it holds " + std::to_string(size) + " bytes, less than a boot sector";
    constexpr std::size_t kOemOffset = 3;
    constexpr std::size_t kOemSize = 8;
    const std::string oem(reinterpret_cast<const char*>(sector) + kOemOffset, kOemSize);
    if (oem == "NTFS    ")
        return std::string();
    bool zero = true;
    for (std::size_t i = 0; i < size && zero; ++i)
        zero = sector[i] == 0;
    if (zero)
        return "its boot sector is all zero bytes";
    return "its boot sector holds the OEM name \"" + printable(oem) + "\", not \"NTFS    \"";
}

NtfsVolume::NtfsVolume(const std::string& image) {
    const std::uint64_t bytes = check_boot_sector(image);
    // libntfs-3g reports on stderr by default; the tool words its own errors.
    ntfs_log_set_handler(ntfs_log_handler_null);
    device_ = std::make_unique<CachedDevice>(image);
    volume_ = ntfs_device_mount(device_->get(),
                                static_cast<ntfs_mount_flags>(NTFS_MNT_RDONLY | NTFS_MNT_FORENSIC));
    if (volume_ != nullptr)
        device_->released();
    if (volume_ == nullptr)
        throw ToolError(kExitUsageOrIo, printable(image) + ": cannot open the NTFS volume: " +
                                            std::strerror(errno));
    const std::uint64_t claimed =
        volume_->mft_na != nullptr && volume_->mft_na->initialized_size > 0
            ? static_cast<std::uint64_t>(volume_->mft_na->initialized_size) >>
                  volume_->mft_record_size_bits
            : 0;
    const std::uint64_t room = volume_->mft_record_size != 0 ? bytes / volume_->mft_record_size : 0;
    records_ = claimed < room ? claimed : room;
}

NtfsVolume::~NtfsVolume() {
    if (volume_ != nullptr)
        static_cast<void>(ntfs_umount(volume_, FALSE));
}

}  // namespace stubmeta_cli
