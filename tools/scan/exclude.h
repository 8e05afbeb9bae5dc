/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Which entries of a tree --exclude leaves out of a scan.
#pragma once

#include <string>
#include <vector>

namespace stubmeta_cli {

// Glob patterns (fnmatch) matched against an entry's path relative to the
// root being walked, in the way rsync's and fd's excludes read:
//   - a pattern without '/' matches the entry's name at any depth
//     ("*.tmp", "cache");
//   - a pattern with '/' matches the whole relative path, anchored at the
//     root, a leading '/' being optional ("/build", "src/*/out"); '*' and
//     '?' never match a '/' there;
//   - a trailing '/' makes a pattern match directories only ("cache/").
// An excluded directory is not entered at all.
class ExcludeRules {
public:
    explicit ExcludeRules(const std::vector<std::string>& patterns);

    bool empty() const noexcept { return rules_.empty(); }

    // Whether the entry at relativePath (no leading '/'), whose last
    // component is name, is left out.
    bool excludes(const std::string& relativePath, const char* name, bool directory) const;

private:
    struct Rule {
        std::string pattern;
        bool wholePath = false;  // matched against the relative path
        bool directoriesOnly = false;
    };
    std::vector<Rule> rules_;
};

}  // namespace stubmeta_cli
