/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The per-type parsers and writers behind the exported entry points.
//
// Parsers read a StubInput (NTFS: from byte 25 on; Unix: bare text or a
// whole envelope) and return STUBMETA_OK with the record filled, or a
// negative StubmetaStatus with the record untouched, and release every token
// before they return.  Writers return the number of bytes written (text
// writers: without the NUL) or -1 with the buffer untouched.
#ifndef STUBMETA_FORMATS_FORMATS_H
#define STUBMETA_FORMATS_FORMATS_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "stubmeta.h"
#include "tokenize/tokenize.h"

namespace stubmeta {

// The NTFS reparse buffer's fixed header (tag, data length, reserved word,
// GUID) in front of the text.
inline constexpr std::size_t kNtfsHeaderSize = STUBMETA_NTFS_HEADER_SIZE;

// A parse input, measured at most once per call however many types are
// tried: the text up to its NUL, and the text from byte 25 on for NTFS.  A
// bounded input also ends at its length and is never read beyond it; an
// unbounded one is read up to its NUL (and, as an envelope, up to the
// envelope's own length field's extent).
class StubInput {
public:
    explicit StubInput(const char* bytes) : bytes_(bytes) {}
    StubInput(const char* bytes, std::size_t length) : bytes_(bytes), limit_(length) {}

    const char* bytes() const { return bytes_; }
    bool bounded() const { return limit_ != kUnmeasured; }
    std::size_t limit() const { return limit_; }

    std::string_view text() {
        if (length_ == kUnmeasured)
            length_ = measure(bytes_, limit_);
        return {bytes_, length_};
    }

    // False for a bounded input too short to hold the NTFS header.
    bool holdsHeader() const { return !bounded() || limit_ >= kNtfsHeaderSize; }

    // When the whole input has been measured and runs past the header, the
    // text behind the header is its tail; otherwise (a NUL in the header)
    // it is measured on its own.  Only for an input that holdsHeader().
    std::string_view textAfterHeader() {
        if (afterHeader_ == kUnmeasured) {
            afterHeader_ = length_ != kUnmeasured && length_ >= kNtfsHeaderSize
                               ? length_ - kNtfsHeaderSize
                               : measure(bytes_ + kNtfsHeaderSize,
                                         bounded() ? limit_ - kNtfsHeaderSize : kUnmeasured);
        }
        return {bytes_ + kNtfsHeaderSize, afterHeader_};
    }

private:
    static constexpr std::size_t kUnmeasured = static_cast<std::size_t>(-1);

    // The length up to the first NUL, or up to limit when it has none there.
    static std::size_t measure(const char* bytes, std::size_t limit) {
        if (limit == kUnmeasured)
            return std::strlen(bytes);
        const void* nul = std::memchr(bytes, '\0', limit);
        return nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes)
                              : limit;
    }

    const char* bytes_;
    std::size_t limit_ = kUnmeasured;
    std::size_t length_ = kUnmeasured;
    std::size_t afterHeader_ = kUnmeasured;
};

std::int32_t ParseReparseDataNtfs(StubInput& input, ReparseData* record);
std::int32_t ParseReparseDataCsvfs(StubInput& input, ReparseData* record);
std::int32_t ParseReparseDataCelerra(StubInput& input, ReparseData* record);
std::int32_t ParseReparseDataDMNas(StubInput& input, ReparseData* record);
std::int32_t ParseReparseDataUnix(StubInput& input, ReparseData* record);

std::int32_t GenerateReparseDataNtfs(const ReparseData* record, char* buffer,
                                     std::int32_t capacity);
std::int32_t GenerateReparseDataCsvfs(const ReparseData* record, char* buffer,
                                      std::int32_t capacity);
std::int32_t GenerateReparseDataCelerra(const ReparseData* record, char* buffer,
                                        std::int32_t capacity);
std::int32_t GenerateReparseDataDMNas(const ReparseData* record, char* buffer,
                                      std::int32_t capacity);
// `type` (6 or 7) is not consulted: the envelope always carries this
// machine's byte order.
std::int32_t GenerateReparseDataUnix(const ReparseData* record, StubType type, char* buffer,
                                     std::int32_t capacity);

}  // namespace stubmeta

#endif
