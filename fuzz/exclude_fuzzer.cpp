// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// --exclude patterns against an entry of a tree.
//
// Input: a flags byte (bit 0: the entry is a directory), then NUL-separated
// pieces: the last one is the entry's path relative to the root, the others
// the patterns (neither can hold a NUL on a command line or in a path).
// Beyond the sanitizers: a pattern with no special character matches the
// entry it spells (its name, or its whole path when it holds a '/'), a
// trailing '/' keeps a pattern to directories, a pattern without '/' gives
// the same answer at any depth, "**/" before a pattern without '/' changes
// no answer, and no answer depends on patterns that come after a matching
// one.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scan/exclude.h"
#include "tool_fuzz_support.h"

namespace {

using namespace stubmeta::fuzz;
using stubmeta_cli::ExcludeRules;

bool literal(const std::string& pattern) {
    return pattern.find_first_of("*?[\\") == std::string::npos;
}

std::string last_component(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool excludes(const std::vector<std::string>& patterns, const std::string& path, bool directory) {
    const std::string name = last_component(path);
    return ExcludeRules(patterns).excludes(path, name.c_str(), directory);
}

// The entry a literal pattern spells, and whether it stands for a whole
// path; nothing when the pattern spells none (empty, or a '/' alone).
bool spelled_entry(std::string pattern, std::string& entry, bool& directoryOnly) {
    directoryOnly = false;
    while (pattern.size() > 1 && pattern.back() == '/') {
        pattern.pop_back();
        directoryOnly = true;
    }
    if (!pattern.empty() && pattern.front() == '/')
        pattern.erase(0, 1);
    // A path has no empty component and no trailing '/'.
    if (pattern.empty() || pattern.back() == '/' || pattern.find("//") != std::string::npos)
        return false;
    entry = pattern;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    static_cast<void>(ReportDescriptor());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool directory = (data[0] & 1u) != 0;
    std::vector<std::string> pieces(1);
    for (std::size_t i = 1; i < size; ++i) {
        if (data[i] == 0)
            pieces.emplace_back();
        else
            pieces.back() += static_cast<char>(data[i]);
    }
    const std::string path = pieces.back();
    pieces.pop_back();
    const bool answer = excludes(pieces, path, directory);

    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::vector<std::string> one{pieces[i]};
        const bool matched = excludes(one, path, directory);
        if (matched)
            Check(answer, "a pattern that matches alone matches among others");
        if (matched && pieces[i].size() > 1 && pieces[i].back() == '/')
            Check(directory, "a trailing '/' matches directories only");
        if (pieces[i].find('/') == std::string::npos && path.find('/') == std::string::npos)
            Check(excludes(one, "deeper/" + path, directory) == matched,
                  "a pattern without '/' answers alike at any depth");
        if (!pieces[i].empty() && pieces[i].find('/') == std::string::npos)
            Check(excludes({"**/" + pieces[i]}, path, directory) == matched,
                  "a leading '**/' matches a name at any depth, as no '/' does");
        std::string entry;
        bool directoryOnly = false;
        if (literal(pieces[i]) && spelled_entry(pieces[i], entry, directoryOnly))
            Check(excludes(one, entry, true), "a literal pattern matches what it spells");
    }
    return 0;
}
