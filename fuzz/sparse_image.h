/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// An NTFS image as a fuzz input: its size, then pieces laid over zero
// bytes.  A fresh volume is mostly zeros, a run of 0xFF (the journal) and
// the 128 KiB upper-case table every volume carries, so a 2 MiB image
// fits in a few tens of KiB and mutations land on the bytes that matter.
//
//   u32 image size (little-endian, at most kLargestImage)
//   pieces, each: u32 offset, u32 length, u8 kind, then
//     kind 0: the bytes themselves (fewer when the input ends first)
//     kind 1: one byte, repeated length times
//     kind 2: nothing; the upper-case table's bytes from its start
// Kinds are taken modulo 3.  Pieces are clipped to the image, and the
// bytes laid out are capped (kMostBytesLaid) so that no input costs more
// than a few milliseconds to lay out.
#ifndef STUBMETA_FUZZ_SPARSE_IMAGE_H
#define STUBMETA_FUZZ_SPARSE_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace stubmeta::fuzz {

inline constexpr std::uint64_t kLargestImage = std::uint64_t{64} << 20;
inline constexpr std::uint64_t kMostBytesLaid = std::uint64_t{16} << 20;

enum class PieceKind : std::uint8_t { Bytes = 0, Fill = 1, UpcaseTable = 2 };

// The upper-case table libntfs-3g builds (and mkntfs writes), as bytes.
const std::vector<unsigned char>& upcase_table_bytes();

// Calls lay(offset, bytes, count) for every run of bytes the input puts
// in the image, in input order (later pieces overwrite earlier ones);
// returns the image's size.
std::uint64_t lay_out_sparse_image(
    const std::uint8_t* data, std::size_t size,
    const std::function<void(std::uint64_t, const unsigned char*, std::size_t)>& lay);

// Writes the image an input describes into fd (an empty file).  Returns
// false when the file refuses it.
bool write_sparse_image(const std::uint8_t* data, std::size_t size, int fd);

// The input describing image exactly, the upper-case table found in it
// given by reference.
std::vector<std::uint8_t> encode_sparse_image(const std::vector<unsigned char>& image);

}  // namespace stubmeta::fuzz

#endif
