// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "scan/ntfs_output.h"

#include <algorithm>
#include <array>
#include <utility>

#include "support/hex_text.h"

namespace stubmeta_cli {
namespace {

std::string attribute_list(const NtfsFacts& facts) {
    if (facts.offline && facts.sparse)
        return "offline,sparse";
    if (facts.offline)
        return "offline";
    return facts.sparse ? "sparse" : "-";
}

// A tag and its name, as the summary lists them.
std::string tag_label(std::uint32_t tag) {
    const std::string name = reparse_tag_name(tag);
    return name.empty() ? reparse_tag_hex(tag) : reparse_tag_hex(tag) + " " + name;
}

}  // namespace

std::string reparse_tag_name(std::uint32_t tag) {
    using Known = std::pair<std::uint32_t, const char*>;
    static constexpr std::array<Known, 10> kKnown{{
        {0xA0000003u, "junction"},
        {0xA000000Cu, "symbolic link"},
        {0x80000013u, "deduplication"},
        {0x80000017u, "compressed (WOF)"},
        {0x80000014u, "NFS"},
        {0x8000001Bu, "app execution alias"},
        {0x80000023u, "Unix socket"},
        {0x8000000Au, "DFS"},
        {0x80000012u, "DFSR"},
        {0xA000001Du, "Linux symbolic link"},
    }};
    const auto* known = std::find_if(kKnown.begin(), kKnown.end(),
                                     [tag](const Known& entry) { return entry.first == tag; });
    if (known != kKnown.end())
        return known->second;
    // Cloud files tags differ only in the bits 12 to 15.
    if ((tag & 0xFFFF0FFFu) == 0x9000001Au)
        return "cloud files";
    return "";
}

std::string reparse_tag_hex(std::uint32_t tag) {
    std::string text = "0x";
    append_hex(text, tag, 8);
    return text;
}

std::string ntfs_text_columns(const NtfsFacts& facts, std::uint64_t size, std::uint64_t allocated) {
    return "record=" + std::to_string(facts.record) + " tag=" + reparse_tag_hex(facts.tag) +
           " guid=" + (facts.guid.empty() ? "-" : facts.guid) + " size=" + std::to_string(size) +
           " allocated=" + std::to_string(allocated) + " attributes=" + attribute_list(facts);
}

void add_ntfs_json(Json& object, const NtfsFacts& facts) {
    object["record"] = facts.record;
    object["tag"] = reparse_tag_hex(facts.tag);
    const std::string name = reparse_tag_name(facts.tag);
    object["tagName"] = name.empty() ? Json(nullptr) : Json(name);
    object["guid"] = facts.guid.empty() ? Json(nullptr) : Json(facts.guid);
    object["offline"] = facts.offline;
    object["sparse"] = facts.sparse;
}

std::string ntfs_csv_header() { return "record,tag,tagName,guid,offline,sparse"; }

std::string ntfs_csv_fields(const NtfsFacts& facts) {
    return std::to_string(facts.record) + "," + reparse_tag_hex(facts.tag) + "," +
           reparse_tag_name(facts.tag) + "," + facts.guid + "," + (facts.offline ? "1" : "0") +
           "," + (facts.sparse ? "1" : "0");
}

std::string ntfs_summary_text(const NtfsTotals& totals) {
    std::uint64_t others = 0;
    std::string tags;
    for (const auto& [tag, count] : totals.otherTags) {
        others += count;
        tags += (tags.empty() ? "" : ", ") + tag_label(tag) + ": " + std::to_string(count);
    }
    std::string line = "reparse points  " + std::to_string(totals.reparsePoints);
    if (totals.reparsePoints != 0)
        line += " (stubs: " + std::to_string(totals.reparsePoints - others) +
                (tags.empty() ? "" : "; other tags: " + tags) + ")";
    return line + "\n";
}

void add_ntfs_summary_json(Json& inner, const NtfsTotals& totals) {
    inner["reparsePoints"] = totals.reparsePoints;
    Json tags = Json::object();
    for (const auto& [tag, count] : totals.otherTags)
        tags[reparse_tag_hex(tag)] = count;
    inner["otherReparseTags"] = tags;
}

}  // namespace stubmeta_cli
