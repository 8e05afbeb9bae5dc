// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "ntfs/reparse.h"

#include <cctype>
#include <string>

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

void mark_other(ScanRow& row, std::string why) {
    row.ntfs->otherTag = true;
    row.problem = std::move(why);
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
    // The same rule as a reparse buffer read through --xattr or from a file.
    const Verdict verdict = judge_stub(StubBytes(std::string(buffer)), buffer.size(),
                                       StubSource::ReparseAttribute, MatchRequest{});
    if (verdict.state == StubState::NotStub) {
        mark_other(row, "reparse tag " + reparse_tag_hex(row.ntfs->tag) + " holding no stub text");
        return;
    }
    row.type = verdict.type;
    row.damaged = verdict.state == StubState::Damaged;
    row.problem = verdict.problem;
    if (!row.damaged)
        take_key_fields(row, verdict.detection.record);
}

}  // namespace stubmeta_cli
