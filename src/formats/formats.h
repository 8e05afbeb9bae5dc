// The per-type parsers and writers behind the exported entry points.
//
// Parsers take a NUL-terminated input (NTFS: from byte 25 on; Unix: bare
// text or a whole envelope), return 0 with the record filled or -1 with the
// record untouched, and release every token before they return.  Writers
// return the number of bytes written (text writers: without the NUL) or -1
// with the buffer untouched.
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
inline constexpr std::size_t kNtfsHeaderSize = 24;

// A parse input, measured at most once per call however many types are
// tried: the text up to its NUL, and the text from byte 25 on for NTFS.
class StubInput {
public:
    explicit StubInput(const char* bytes) : bytes_(bytes) {}

    const char* bytes() const { return bytes_; }

    std::string_view text() {
        if (length_ == kUnmeasured)
            length_ = std::strlen(bytes_);
        return {bytes_, length_};
    }

    // When the whole input has been measured and runs past the header, the
    // text behind the header is its tail; otherwise (a NUL in the header)
    // it is measured on its own.
    std::string_view textAfterHeader() {
        if (afterHeader_ == kUnmeasured) {
            afterHeader_ = length_ != kUnmeasured && length_ >= kNtfsHeaderSize
                               ? length_ - kNtfsHeaderSize
                               : std::strlen(bytes_ + kNtfsHeaderSize);
        }
        return {bytes_ + kNtfsHeaderSize, afterHeader_};
    }

private:
    static constexpr std::size_t kUnmeasured = static_cast<std::size_t>(-1);
    const char* bytes_;
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

// Fill the fields after the five common numbers (Windows-local, CSVFS and
// Celerra; DMNas; Unix), reading from *position and advancing it by 9, 10
// and 7.  Return 0.  Callers check text widths first (TextTokensFit).
std::int32_t PopulateReparseDataInfo1(ReparseData* record, const Token* tokens,
                                      std::int32_t* position);
std::int32_t PopulateReparseDataInfo2(ReparseData* record, const Token* tokens,
                                      std::int32_t* position);
std::int32_t PopulateReparseDataUnix(ReparseData* record, const Token* tokens,
                                     std::int32_t* position);

}  // namespace stubmeta

#endif
