// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "ntfs/paths.h"

#include <cstring>
#include <optional>
#include <vector>

namespace stubmeta_cli {
namespace {

constexpr std::uint64_t kRootRecord = 5;
// Deeper chains are loops or damage: a path holds at most 32,767 UTF-16
// units, so at most about 16,000 directories.
constexpr std::size_t kDeepestChain = 16384;

struct FileName {
    // cppcheck-suppress unusedStructMember ; read through std::optional<FileName>
    std::string name;
    std::uint64_t parent = 0;
    std::uint16_t parentSequence = 0;
};

void append_utf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The file's name and parent, preferring a long name to a DOS one; none
// when no FILE_NAME attribute holds a whole name.
std::optional<FileName> file_name(ntfs_inode* inode) {
    ntfs_attr_search_ctx* context = ntfs_attr_get_search_ctx(inode, nullptr);
    if (context == nullptr)
        return std::nullopt;
    std::optional<FileName> best;
    bool bestIsDos = true;
    while (ntfs_attr_lookup(AT_FILE_NAME, AT_UNNAMED, 0, CASE_SENSITIVE, 0, nullptr, 0, context) ==
           0) {
        const ATTR_RECORD* attribute = context->attr;
        if (attribute->non_resident != 0)
            continue;
        const std::uint32_t offset = le16_to_cpu(attribute->value_offset);
        const std::uint32_t length = le32_to_cpu(attribute->value_length);
        // The value must lie inside the attribute, and the name inside the value.
        if (offset > le32_to_cpu(attribute->length) ||
            length > le32_to_cpu(attribute->length) - offset || length < sizeof(FILE_NAME_ATTR))
            continue;
        const auto* value = reinterpret_cast<const FILE_NAME_ATTR*>(
            reinterpret_cast<const std::uint8_t*>(attribute) + offset);
        if (sizeof(FILE_NAME_ATTR) + std::size_t{2} * value->file_name_length > length)
            continue;
        const bool dos = name_space(value) == FILE_NAME_DOS;
        if (best && (dos || !bestIsDos))
            continue;
        const MFT_REF parent = le64_to_cpu(value->parent_directory);
        // The name's units, copied out of the packed attribute.
        std::vector<std::uint16_t> units(value->file_name_length);
        std::memcpy(units.data(),
                    reinterpret_cast<const std::uint8_t*>(value) + sizeof(FILE_NAME_ATTR),
                    std::size_t{2} * units.size());
        best = FileName{utf8_from_utf16(units.data(), units.size()), MREF(parent), MSEQNO(parent)};
        bestIsDos = dos;
    }
    ntfs_attr_put_search_ctx(context);
    return best;
}

}  // namespace

std::string utf8_from_utf16(const std::uint16_t* units, std::size_t count) {
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t unit = le16_to_cpu(units[i]);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < count) {
            const std::uint32_t low = le16_to_cpu(units[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        append_utf8(out, unit >= 0xD800 && unit < 0xE000 ? 0xFFFDu : unit);
    }
    return out;
}

std::string NtfsPaths::path_of(ntfs_inode* inode) {
    const std::optional<FileName> name = file_name(inode);
    if (!name)
        return "<record " + std::to_string(inode->mft_no) + ">";
    if (inode->mft_no == kRootRecord)
        return "/";
    return directory_path(name->parent, name->parentSequence, inode->mft_no) + "/" + name->name;
}

std::string NtfsPaths::directory_path(std::uint64_t record, std::uint16_t sequence,
                                      std::uint64_t child) {
    // Climbs to the root or a directory already known, then comes down
    // again keeping the path of every directory passed.
    struct Step {
        std::uint64_t record;
        std::uint16_t sequence;
        std::string name;
    };
    std::vector<Step> chain;
    std::unordered_set<std::uint64_t> seen{child};
    std::string base;
    while (true) {
        if (record == kRootRecord)
            break;
        if (const auto known = directories_.find(record); known != directories_.end()) {
            base = sequence == 0 || known->second.sequence == sequence
                       ? known->second.path
                       : "<orphan " + std::to_string(record) + ">";
            break;
        }
        if (!seen.insert(record).second || chain.size() == kDeepestChain) {
            base = "<loop " + std::to_string(record) + ">";
            break;
        }
        ntfs_inode* directory = ntfs_inode_open(volume_, record);
        std::optional<FileName> name;
        std::uint16_t ownSequence = 0;
        if (directory != nullptr) {
            ownSequence = record_sequence(directory->mrec);
            const bool fits = (sequence == 0 || ownSequence == sequence) &&
                              (record_flags(directory->mrec) & MFT_RECORD_IS_DIRECTORY) != 0;
            if (fits)
                name = file_name(directory);
            static_cast<void>(ntfs_inode_close(directory));
        }
        if (!name) {
            base = "<orphan " + std::to_string(record) + ">";
            break;
        }
        chain.push_back(Step{record, ownSequence, std::move(name->name)});
        record = name->parent;
        sequence = name->parentSequence;
    }
    for (auto step = chain.rbegin(); step != chain.rend(); ++step) {
        base += "/" + step->name;
        directories_.emplace(step->record, KnownDirectory{step->sequence, base});
    }
    return base;
}

}  // namespace stubmeta_cli
