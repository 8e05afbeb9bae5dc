// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "sparse_image.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

#include "ntfs/ntfs3g.h"
extern "C" {
#include <ntfs-3g/unistr.h>
}
// libntfs-3g's own min and max, which unistr.h brings back.
#undef min
#undef max

namespace stubmeta::fuzz {
namespace {

constexpr std::size_t kUpcaseEntries = 65536;
constexpr std::size_t kPieceHeader = 9;
// Runs shorter than these stay inside a piece of bytes: a piece costs
// kPieceHeader bytes of input.
constexpr std::size_t kShortestFill = 64;
constexpr std::size_t kShortestGap = 16;

std::uint32_t little_endian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void put32(std::vector<std::uint8_t>& out, std::uint64_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void put_piece(std::vector<std::uint8_t>& out, std::size_t offset, std::size_t length,
               PieceKind kind) {
    put32(out, offset);
    put32(out, length);
    out.push_back(static_cast<std::uint8_t>(kind));
}

std::size_t run_of(const std::vector<unsigned char>& image, std::size_t at) {
    std::size_t end = at;
    while (end < image.size() && image[end] == image[at])
        ++end;
    return end - at;
}

}  // namespace

const std::vector<unsigned char>& upcase_table_bytes() {
    static const std::vector<unsigned char> table = [] {
        std::vector<ntfschar> entries(kUpcaseEntries);
        ntfs_upcase_table_build(entries.data(),
                                static_cast<u32>(entries.size() * sizeof(ntfschar)));
        std::vector<unsigned char> bytes(entries.size() * sizeof(ntfschar));
        std::memcpy(bytes.data(), entries.data(), bytes.size());
        return bytes;
    }();
    return table;
}

std::uint64_t lay_out_sparse_image(
    const std::uint8_t* data, std::size_t size,
    const std::function<void(std::uint64_t, const unsigned char*, std::size_t)>& lay) {
    if (size < 4)
        return 0;
    const std::uint64_t imageSize = std::min<std::uint64_t>(little_endian32(data), kLargestImage);
    std::size_t at = 4;
    std::uint64_t laid = 0;
    std::vector<unsigned char> fill;
    while (size - at >= kPieceHeader && laid < kMostBytesLaid) {
        const std::uint64_t offset = little_endian32(data + at);
        std::uint64_t length = little_endian32(data + at + 4);
        const auto kind = static_cast<PieceKind>(data[at + 8] % 3);
        at += kPieceHeader;
        const std::uint8_t* bytes = data + at;
        if (kind == PieceKind::Bytes) {
            length = std::min<std::uint64_t>(length, size - at);
            at += static_cast<std::size_t>(length);
        } else if (kind == PieceKind::Fill) {
            if (at == size)
                break;
            fill.assign(std::size_t{1} << 16, data[at++]);
        } else {
            length = std::min<std::uint64_t>(length, upcase_table_bytes().size());
            bytes = upcase_table_bytes().data();
        }
        if (offset >= imageSize)
            continue;
        length = std::min({length, imageSize - offset, kMostBytesLaid - laid});
        laid += length;
        if (kind != PieceKind::Fill) {
            lay(offset, bytes, static_cast<std::size_t>(length));
            continue;
        }
        for (std::uint64_t done = 0; done < length;) {
            const auto part =
                static_cast<std::size_t>(std::min<std::uint64_t>(fill.size(), length - done));
            lay(offset + done, fill.data(), part);
            done += part;
        }
    }
    return imageSize;
}

bool write_sparse_image(const std::uint8_t* data, std::size_t size, int fd) {
    bool written = true;
    const std::uint64_t imageSize = lay_out_sparse_image(
        data, size, [&](std::uint64_t offset, const unsigned char* bytes, std::size_t count) {
            written = written && ::pwrite(fd, bytes, count, static_cast<off_t>(offset)) ==
                                     static_cast<ssize_t>(count);
        });
    return written && ::ftruncate(fd, static_cast<off_t>(imageSize)) == 0;
}

std::vector<std::uint8_t> encode_sparse_image(const std::vector<unsigned char>& image) {
    const std::vector<unsigned char>& table = upcase_table_bytes();
    const auto found = std::search(image.begin(), image.end(), table.begin(), table.end());
    const std::size_t upcaseAt = static_cast<std::size_t>(found - image.begin());
    std::vector<std::uint8_t> out;
    put32(out, image.size());
    std::size_t at = 0;
    while (at < image.size()) {
        if (at == upcaseAt) {
            put_piece(out, at, table.size(), PieceKind::UpcaseTable);
            at += table.size();
            continue;
        }
        const std::size_t run = run_of(image, at);
        if (image[at] == 0 || run >= kShortestFill) {
            if (image[at] != 0) {
                put_piece(out, at, run, PieceKind::Fill);
                out.push_back(image[at]);
            }
            at += std::min(run, upcaseAt > at ? upcaseAt - at : run);
            continue;
        }
        // Bytes up to the next long gap, long fill or the table.
        std::size_t end = at;
        while (end < image.size() && end != upcaseAt) {
            const std::size_t next = run_of(image, end);
            if ((image[end] == 0 && next >= kShortestGap) || next >= kShortestFill)
                break;
            end += std::min(next, upcaseAt > end ? upcaseAt - end : next);
        }
        put_piece(out, at, end - at, PieceKind::Bytes);
        out.insert(out.end(), image.begin() + static_cast<std::ptrdiff_t>(at),
                   image.begin() + static_cast<std::ptrdiff_t>(end));
        at = end;
    }
    return out;
}

}  // namespace stubmeta::fuzz
