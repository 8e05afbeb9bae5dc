// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "ntfs/reparse.h"

#include <cctype>

#include "support/hex_text.h"
#include "stub/detection.h"
#include "stub/verdict.h"
#include "stub/type_names.h"

namespace stubmeta_cli {
namespace {

constexpr std::uint32_t kSystemTagBit = 0x80000000u;
constexpr std::size_t kGuidOffset = 8;

std::uint32_t little_endian(std::string_view bytes, std::size_t offset, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i]))
                 << (8 * i);
    return value;
}

// Digits, then a colon: how every NTFS stub text opens.
bool opens_like_ntfs_text(std::string_view data) {
    std::size_t digits = 0;
    while (digits < data.size() && std::isdigit(static_cast<unsigned char>(data[digits])) != 0)
        ++digits;
    return digits != 0 && digits < data.size() && data[digits] == ':';
}

void mark_other(ScanRow& row, std::string why) {
    row.ntfs->otherTag = true;
    row.problem = std::move(why);
}

// Parses bytes as type alone: a stub row, ok or damaged.
void parse_as(const StubBytes& bytes, StubType type, ScanRow& row) {
    MatchRequest request;
    request.mode = MatchRequest::Mode::OneType;
    request.type = type;
    row.type = type;
    if (std::optional<Detection> detection = detect_stub(bytes, request)) {
        take_key_fields(row, detection->record);
        return;
    }
    row.damaged = true;
    row.problem =
        "the reparse data does not parse as " + std::string(type_name(type)) + " stub text";
}

}  // namespace

std::string guid_text(const unsigned char* bytes) {
    // Data1 (4 bytes), Data2 and Data3 (2 each) little-endian, then 8 bytes in order.
    static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string text;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        append_hex(text, bytes[kOrder[i]], 2);
    }
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void judge_reparse_buffer(std::string_view buffer, ScanRow& row) {
    if (!row.ntfs)
        row.ntfs.emplace();
    if (buffer.size() < 8) {
        mark_other(row, "a reparse buffer of " + std::to_string(buffer.size()) +
                            " bytes, too short for its header");
        return;
    }
    row.ntfs->tag = little_endian(buffer, 0, 4);
    const std::string name = reparse_tag_name(row.ntfs->tag);
    if ((row.ntfs->tag & kSystemTagBit) != 0 || buffer.size() < kNtfsHeaderSize) {
        mark_other(row, name.empty() ? "reparse tag " + reparse_tag_hex(row.ntfs->tag) : name);
        return;
    }
    row.ntfs->guid = guid_text(reinterpret_cast<const unsigned char*>(buffer.data() + kGuidOffset));
    const std::string_view data = buffer.substr(kNtfsHeaderSize);
    const bool csvfs = data.substr(0, kDmnasPrefix.size()) == kDmnasPrefix;
    if (!csvfs && !opens_like_ntfs_text(data)) {
        mark_other(row, "reparse tag " + reparse_tag_hex(row.ntfs->tag) + " holding no stub text");
        return;
    }
    if (csvfs)
        parse_as(StubBytes(std::string(data)), STUB_TYPE_WINDOWS_LOCAL_CSVFS, row);
    else
        parse_as(StubBytes(std::string(buffer)), STUB_TYPE_WINDOWS_LOCAL, row);
    const std::uint32_t length = little_endian(buffer, 4, 2);
    if (!row.damaged && length != data.size()) {
        row.damaged = true;
        row.problem = "the reparse header counts " + std::to_string(length) +
                      " bytes after the GUID, the buffer holds " + std::to_string(data.size());
    }
}

}  // namespace stubmeta_cli
