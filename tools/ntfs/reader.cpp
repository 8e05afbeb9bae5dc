// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "ntfs/reader.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "support/printable.h"
#include "support/tool_status.h"
#include "ntfs/reparse.h"
#include "ntfs/volume.h"

namespace stubmeta_cli {
namespace {

// The image opened last; commands read their files one after another.
struct OpenImage {
    std::string image;
    std::unique_ptr<NtfsVolume> volume;
};

NtfsVolume& volume_of(const std::string& image) {
    static OpenImage open;
    if (!open.volume || open.image != image) {
        open.volume.reset();
        open.volume = std::make_unique<NtfsVolume>(image);
        open.image = image;
    }
    return *open.volume;
}

}  // namespace

StubBytes read_ntfs_reparse(const std::string& image, const std::string& path) {
    NtfsVolume& volume = volume_of(image);
    if (path.empty() || path[0] != '/')
        throw ToolError(kExitUsageOrIo, printable(path) + ": not a path from the root of " +
                                            printable(image) + " (it must open with '/')");
    ntfs_inode* inode = ntfs_pathname_to_inode(volume.get(), nullptr, path.c_str());
    if (inode == nullptr)
        throw ToolError(kExitUsageOrIo, printable(path) + ": cannot find it in " +
                                            printable(image) + ": " + std::strerror(errno));
    // A name ending in '/' names a directory, as a path to open(2) does.
    if (path.size() > 1 && path.back() == '/' &&
        (inode->mrec->flags & MFT_RECORD_IS_DIRECTORY) == 0) {
        static_cast<void>(ntfs_inode_close(inode));
        throw ToolError(kExitUsageOrIo, printable(path) + ": cannot find it in " +
                                            printable(image) + ": " + std::strerror(ENOTDIR));
    }
    const bool reparse = (file_attributes(inode) & FILE_ATTR_REPARSE_POINT) != 0;
    ntfs_attr* attribute =
        reparse ? ntfs_attr_open(inode, AT_REPARSE_POINT, AT_UNNAMED, 0) : nullptr;
    std::string buffer;
    std::string problem;
    if (attribute == nullptr) {
        problem = "has no reparse point in " + printable(image);
    } else if (attribute->data_size < 0 ||
               static_cast<std::uint64_t>(attribute->data_size) > kLongestReparseBuffer) {
        problem = "its reparse data claims " + std::to_string(attribute->data_size) +
                  " bytes, more than the 16,384 a reparse point holds";
    } else {
        buffer.assign(static_cast<std::size_t>(attribute->data_size), '\0');
        if (ntfs_attr_pread(attribute, 0, attribute->data_size, buffer.data()) !=
            attribute->data_size)
            problem = std::string("reading its reparse data: ") + std::strerror(errno);
    }
    if (attribute != nullptr)
        ntfs_attr_close(attribute);
    static_cast<void>(ntfs_inode_close(inode));
    if (!problem.empty())
        throw ToolError(attribute == nullptr ? kExitRefused : kExitUsageOrIo,
                        printable(path) + ": " + problem);
    // The system's own reparse points (no GUID header) are no stub here
    // either; any other buffer is judged by the caller as a reparse buffer,
    // which says "not a stub" in its own words for one holding no stub text.
    ScanRow row;
    judge_reparse_buffer(buffer, row);
    if (row.ntfs->otherTag && row.ntfs->guid.empty())
        throw ToolError(kExitRefused, printable(path) + ": not a stub: " + row.problem);
    return StubBytes(buffer);
}

}  // namespace stubmeta_cli
