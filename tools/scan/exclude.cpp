// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "scan/exclude.h"

#include <algorithm>
#include <fnmatch.h>

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
        if (!rule.pattern.empty())
            rules_.push_back(std::move(rule));
    }
}

bool ExcludeRules::excludes(const std::string& relativePath, const char* name,
                            bool directory) const {
    return std::ranges::any_of(rules_, [&](const Rule& rule) {
        if (rule.directoriesOnly && !directory)
            return false;
        const int matched =
            rule.wholePath ? ::fnmatch(rule.pattern.c_str(), relativePath.c_str(), FNM_PATHNAME)
                           : ::fnmatch(rule.pattern.c_str(), name, 0);
        return matched == 0;
    });
}

}  // namespace stubmeta_cli
