/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Which entries of a tree --exclude leaves out of a scan.
#pragma once

#include <string>
#include <vector>

namespace stubmeta_cli {

// Glob patterns (fnmatch) matched against an entry's path relative to the
// root being walked, by the rules of gitignore:
//   - a pattern without '/' matches the entry's name at any depth
//     ("*.tmp", "cache");
//   - a pattern with '/' matches the whole relative path, anchored at the
//     root, a leading '/' being optional ("/build", "src/*/out"); '*', '?'
//     and '[...]' never match a '/' there;
//   - a component that is "**" alone matches any number of components:
//     "**/cache" a cache at any depth, "a/**/b" b anywhere below a (a/b
//     too), "a/**" everything below a; elsewhere "**" is a '*';
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
        // A whole-path pattern with "**" components: the globs between
        // them, and whether one opens or ends the pattern.
        std::vector<std::string> segments;
        bool anyPrefix = false;  // "**/..."
        bool anySuffix = false;  // ".../**"
    };
    static void split_at_double_stars(Rule& rule);
    static bool matches_across(const Rule& rule, const std::string& relativePath);
    std::vector<Rule> rules_;
};

}  // namespace stubmeta_cli
