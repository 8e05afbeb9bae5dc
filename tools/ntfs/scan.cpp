// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "ntfs/scan.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/printable.h"
#include "support/tool_status.h"
#include "ntfs/paths.h"
#include "ntfs/reparse.h"
#include "ntfs/volume.h"

namespace stubmeta_cli {
namespace {

// The MFT bitmap, read a chunk at a time so that memory stays the same
// whatever size the volume claims for it.
class MftBitmap {
public:
    explicit MftBitmap(ntfs_volume* volume) : volume_(volume) {}

    // Whether the bitmap marks record in use; true where it cannot be read,
    // leaving the record itself to tell.
    bool in_use(std::uint64_t record) {
        const std::uint64_t byte = record / 8;
        if (!loaded_ || byte < start_ || byte >= start_ + kChunk) {
            start_ = byte - byte % kChunk;
            got_ = volume_->mftbmp_na == nullptr
                       ? -1
                       : ntfs_attr_pread(volume_->mftbmp_na, static_cast<s64>(start_),
                                         static_cast<s64>(kChunk), chunk_.data());
            loaded_ = true;
        }
        if (got_ <= 0 || byte - start_ >= static_cast<std::uint64_t>(got_))
            return true;
        return (chunk_[byte - start_] >> (record % 8) & 1u) != 0;
    }

private:
    static constexpr std::uint64_t kChunk = 65536;
    ntfs_volume* volume_;
    std::vector<unsigned char> chunk_ = std::vector<unsigned char>(kChunk);
    std::uint64_t start_ = 0;
    s64 got_ = 0;
    bool loaded_ = false;
};

// Frees what libntfs-3g allocated with malloc.
struct FreeWithFree {
    void operator()(void* memory) const noexcept { std::free(memory); }
};

// Whether record, which could not be opened, holds no file of its own:
// free (the bitmap is behind) or an extension of another record.
bool holds_no_file(ntfs_volume* volume, std::uint64_t record) {
    MFT_RECORD* raw = nullptr;
    if (ntfs_file_record_read(volume, record, &raw, nullptr) != 0)
        return false;
    const std::unique_ptr<MFT_RECORD, FreeWithFree> owned(raw);
    return (record_flags(raw) & MFT_RECORD_IN_USE) == 0 || raw->base_mft_record != 0;
}

// The whole reparse buffer of an open file, or why it cannot be had.
bool read_reparse(ntfs_inode* inode, std::string& buffer, std::string& why) {
    ntfs_attr* attribute = ntfs_attr_open(inode, AT_REPARSE_POINT, AT_UNNAMED, 0);
    if (attribute == nullptr) {
        why = std::string("marked a reparse point, but its reparse data cannot be read: ") +
              std::strerror(errno);
        return false;
    }
    const s64 size = attribute->data_size;
    bool read = false;
    if (size < 0 || static_cast<std::uint64_t>(size) > kLongestReparseBuffer) {
        why = "its reparse data claims " + std::to_string(size) +
              " bytes, more than the 16,384 a reparse point holds";
    } else {
        buffer.assign(static_cast<std::size_t>(size), '\0');
        read = ntfs_attr_pread(attribute, 0, size, buffer.data()) == size;
        if (!read)
            why = std::string("reading its reparse data: ") + std::strerror(errno);
    }
    ntfs_attr_close(attribute);
    return read;
}

std::uint64_t not_negative(s64 value) { return value > 0 ? static_cast<std::uint64_t>(value) : 0; }

class VolumeScan {
public:
    VolumeScan(const std::string& image, const NtfsVolume& volume, bool namePrefix,
               const NtfsScanOptions& options, ScanReport& report, ScanCounters& counters)
        : image_(image), volume_(volume), prefix_(namePrefix ? printable(image) + ":" : ""),
          options_(options), report_(report), counters_(counters), bitmap_(volume.get()),
          paths_(volume.get()) {}

    void run(ScanStop& stop) {
        for (std::uint64_t record = 0; record < volume_.record_count(); ++record) {
            if (record % 256 == 0) {
                stop.check_output();
                if (stop.requested())
                    return;
            }
            if (bitmap_.in_use(record))
                examine(record);
        }
    }

private:
    void examine(std::uint64_t record) {
        ntfs_inode* inode = ntfs_inode_open(volume_.get(), record);
        if (inode == nullptr) {
            const int error = errno;
            if (!holds_no_file(volume_.get(), record))
                report_.add_unreadable(printable(image_) + ": MFT record " +
                                       std::to_string(record) +
                                       ": cannot open: " + std::strerror(error));
            return;
        }
        if (inode->mrec->base_mft_record == 0) {
            counters_.filesExamined.fetch_add(1, std::memory_order_relaxed);
            if ((file_attributes(inode) & FILE_ATTR_REPARSE_POINT) != 0)
                examine_reparse_point(inode);
        }
        static_cast<void>(ntfs_inode_close(inode));
    }

    void examine_reparse_point(ntfs_inode* inode) {
        std::string buffer;
        std::string why;
        if (!read_reparse(inode, buffer, why)) {
            report_.add_unreadable(printable(image_) + ": MFT record " +
                                   std::to_string(inode->mft_no) + " (" +
                                   printable(paths_.path_of(inode)) + "): " + why);
            return;
        }
        ScanRow row;
        row.ntfs.emplace();
        judge_reparse_buffer(buffer, row);
        if (row.ntfs->otherTag && !options_.allReparse) {
            report_.count_other_reparse(row.ntfs->tag);
            return;
        }
        row.path = prefix_ + paths_.path_of(inode);
        row.ntfs->record = inode->mft_no;
        const std::uint32_t flags = file_attributes(inode);
        row.ntfs->offline = (flags & FILE_ATTR_OFFLINE) != 0;
        row.ntfs->sparse = (flags & FILE_ATTR_SPARSE_FILE) != 0;
        row.apparentSize = not_negative(inode->data_size);
        row.allocatedSize = not_negative(inode->allocated_size);
        if (!row.ntfs->otherTag)
            counters_.stubsFound.fetch_add(1, std::memory_order_relaxed);
        report_.add_row(row);
    }

    const std::string& image_;
    const NtfsVolume& volume_;
    const std::string prefix_;
    const NtfsScanOptions& options_;
    ScanReport& report_;
    ScanCounters& counters_;
    MftBitmap bitmap_;
    NtfsPaths paths_;
};

}  // namespace

void scan_ntfs_images(const NtfsScanOptions& options, ScanReport& report, ScanCounters& counters,
                      ScanStop& stop) {
    for (const std::string& image : options.images) {
        if (stop.requested())
            return;
        std::optional<NtfsVolume> volume;
        try {
            volume.emplace(image);
        } catch (const ToolError& error) {
            report.add_unreadable(error.what());
            continue;
        }
        VolumeScan scan(image, *volume, options.images.size() > 1, options, report, counters);
        scan.run(stop);
    }
}

bool ntfs_support_built() { return true; }

}  // namespace stubmeta_cli
