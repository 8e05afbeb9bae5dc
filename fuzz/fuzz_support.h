/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Helpers shared by the fuzz targets: how an input is handed to the library,
// how parameters are taken from the front of an input, and how a broken
// property ends the run (libFuzzer keeps the input that aborted).
#ifndef STUBMETA_FUZZ_FUZZ_SUPPORT_H
#define STUBMETA_FUZZ_FUZZ_SUPPORT_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "stubmeta.h"

namespace stubmeta::fuzz {

// Zero bytes after every parse input of the fixed entry points: with this
// much padding no read can leave the copy, whatever the input says.
inline constexpr std::size_t kZeroPadding = STUBMETA_PADDING;

// The input as a caller that read a stub file hands it over: a copy of the
// bytes followed by kZeroPadding zero bytes.
inline std::vector<char> PaddedCopy(const std::uint8_t* data, std::size_t size) {
    std::vector<char> copy(size + kZeroPadding, '\0');
    if (size != 0)
        std::memcpy(copy.data(), data, size);
    return copy;
}

// The input up to its first zero byte and one NUL, in a block of exactly
// that size, so that AddressSanitizer reports any read past the NUL.
inline std::vector<char> ExactText(const std::uint8_t* data, std::size_t size) {
    const void* nul = size != 0 ? std::memchr(data, 0, size) : nullptr;
    const std::size_t length =
        nul != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - data)
                       : size;
    std::vector<char> copy(length + 1, '\0');
    if (length != 0)
        std::memcpy(copy.data(), data, length);
    return copy;
}

// Ends the run: a property of the library does not hold for this input.
[[noreturn]] inline void Fail(const char* property) {
    std::fprintf(stderr, "stubmeta fuzz: property broken: %s\n", property);
    std::abort();
}

inline void Require(bool holds, const char* property) {
    if (!holds)
        Fail(property);
}

// Takes fixed-size parameters from the front of an input, zeros once the
// input is exhausted, and hands over whatever is left.
class ParameterReader {
public:
    ParameterReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t byte() {
        if (size_ == 0)
            return 0;
        --size_;
        return *data_++;
    }

    // Little-endian, so that a seed file is easy to write by hand.
    std::uint64_t unsigned64(int bytes) {
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= std::uint64_t{byte()} << (8 * i);
        return value;
    }

    const std::uint8_t* rest() const { return data_; }
    std::size_t restSize() const { return size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// A buffer capacity from four input bytes: negative values stay as they are
// (the library must refuse them), others are brought below 70,000 so that a
// buffer of exactly that size can be handed over.
inline std::int32_t CapacityFrom(ParameterReader& reader) {
    const auto raw = static_cast<std::int32_t>(static_cast<std::uint32_t>(reader.unsigned64(4)));
    return raw < 0 ? raw : raw % 70000;
}

// A heap block of exactly `capacity` bytes (one for a capacity of 0 or
// less, which the library must not write), filled with a pattern so that a
// refused call can be seen to have left it alone.
inline std::vector<char> PatternBuffer(std::int32_t capacity) {
    return std::vector<char>(capacity > 0 ? static_cast<std::size_t>(capacity) : 1u, '\x5A');
}

inline bool Untouched(const std::vector<char>& buffer) {
    for (const char c : buffer) {
        if (c != '\x5A')
            return false;
    }
    return true;
}

// The byte order a reader must find in an envelope of `size` bytes that
// this machine wrote: its own, except that a trailer reading the same both
// ways counts as big-endian.
inline StubType ExpectedByteOrder(const char* envelope, std::size_t size) {
    const char* trailer = envelope + size - 4;
    if (trailer[0] == trailer[3] && trailer[1] == trailer[2])
        return STUB_TYPE_UNIX_BIGENDIAN;
    return std::endian::native == std::endian::little ? STUB_TYPE_UNIX_LITTLEENDIAN
                                                      : STUB_TYPE_UNIX_BIGENDIAN;
}

// A record whose every byte is a pattern, so that unwritten fields stand out.
inline ReparseData PatternRecord() {
    ReparseData record;
    std::memset(&record, 0xA5, sizeof record);
    return record;
}

inline bool SameBytes(const ReparseData& a, const ReparseData& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace stubmeta::fuzz

#endif
