// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "scan/exclude.h"

#include <algorithm>
#include <cstddef>
#include <fnmatch.h>
#include <string_view>

namespace stubmeta_cli {

ExcludeRules::ExcludeRules(const std::vector<std::string>& patterns) {
    for (const std::string& given : patterns) {
        Rule rule;
        rule.pattern = given;
        while (rule.pattern.size() > 1 && rule.pattern.back() == '/') {
            rule.pattern.pop_back();
            rule.directoriesOnly = true;
        }
        rule.wholePath = rule.pattern.find('/') != std::string::npos;
        // Relative paths never start with '/': a leading one only anchors.
        if (rule.wholePath && rule.pattern.front() == '/')
            rule.pattern.erase(0, 1);
        if (rule.wholePath)
            split_at_double_stars(rule);
        if (!rule.pattern.empty())
            rules_.push_back(std::move(rule));
    }
}

// "a/**/b/*.c" gives the segments "a" and "b/*.c"; "**/x/**" the segment
// "x", open at both ends.  A pattern without a "**" component keeps no
// segments and is matched whole.
void ExcludeRules::split_at_double_stars(Rule& rule) {
    const std::string& pattern = rule.pattern;
    bool any = false;        // a "**" component met
    bool afterStars = true;  // no component since the last "**" (or the start)
    std::string segment;
    std::size_t start = 0;
    while (start <= pattern.size()) {
        std::size_t end = pattern.find('/', start);
        if (end == std::string::npos)
            end = pattern.size();
        const std::string_view component(pattern.data() + start, end - start);
        if (component == "**") {
            if (!any && afterStars)
                rule.anyPrefix = true;
            if (!afterStars)
                rule.segments.push_back(std::move(segment));
            segment.clear();
            any = true;
            afterStars = true;
        } else {
            if (!afterStars)
                segment += '/';
            segment += component;
            afterStars = false;
        }
        start = end + 1;
    }
    if (!any)
        return;
    rule.anySuffix = afterStars;
    if (!afterStars)
        rule.segments.push_back(std::move(segment));
}

// Each segment matches a run of whole components, in order: the first at
// the start unless the pattern opens with "**", the last at the end unless
// it ends with "**" (which then needs one component at least), with any
// number of components between.  The earliest match of a segment that has
// "**" after it is as good as any, since the "**" takes what follows.
bool ExcludeRules::matches_across(const Rule& rule, const std::string& relativePath) {
    std::vector<std::size_t> starts{0};  // of each component
    for (std::size_t i = 0; i < relativePath.size(); ++i)
        if (relativePath[i] == '/')
            starts.push_back(i + 1);
    const std::size_t components = starts.size();
    const auto run = [&](std::size_t first, std::size_t last) {  // components [first, last)
        const std::size_t end = last == components ? relativePath.size() : starts[last] - 1;
        return relativePath.substr(starts[first], end - starts[first]);
    };

    std::size_t next = 0;  // the first component not yet matched
    for (std::size_t i = 0; i < rule.segments.size(); ++i) {
        const std::string& segment = rule.segments[i];
        // A '/' of the path is matched only by a '/' of the pattern, so a
        // segment spans one component more than it has slashes.
        const std::size_t span = static_cast<std::size_t>(std::ranges::count(segment, '/')) + 1;
        if (span > components - next)
            return false;
        // The components the segment may start at: only the next one at
        // the start, only the last span at the end, any between otherwise.
        const bool atStart = i == 0 && !rule.anyPrefix;
        const bool atEnd = i + 1 == rule.segments.size() && !rule.anySuffix;
        std::size_t first = atEnd ? components - span : next;
        const std::size_t lastFirst = atStart ? next : components - span;
        const auto matchesAt = [&](std::size_t at) {
            return ::fnmatch(segment.c_str(), run(at, at + span).c_str(), FNM_PATHNAME) == 0;
        };
        while (first <= lastFirst && !matchesAt(first))
            ++first;
        if (first > lastFirst)
            return false;
        next = first + span;
    }
    return !rule.anySuffix || next < components;
}

bool ExcludeRules::excludes(const std::string& relativePath, const char* name,
                            bool directory) const {
    return std::ranges::any_of(rules_, [&](const Rule& rule) {
        if (rule.directoriesOnly && !directory)
            return false;
        if (rule.anyPrefix || rule.anySuffix || !rule.segments.empty())
            return matches_across(rule, relativePath);
        const int matched =
            rule.wholePath ? ::fnmatch(rule.pattern.c_str(), relativePath.c_str(), FNM_PATHNAME)
                           : ::fnmatch(rule.pattern.c_str(), name, 0);
        return matched == 0;
    });
}

}  // namespace stubmeta_cli
