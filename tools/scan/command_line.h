// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The options stubmeta scan and stubmeta-mpi scan both take, declared once
// so that the two programs read the same command line the same way.
#pragma once

#include <cstdint>

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "scan/examine.h"
#include "scan/report.h"
#include "scan/walk.h"
#include "support/file_reading.h"

namespace stubmeta_cli {

struct ScanCommandLine {
    std::vector<std::string> paths;
    std::string files0From;  // a NUL-separated list of roots instead, "-" for stdin
    WalkOptions walk;        // --follow-symlinks, --xdev, --exclude, --max-depth
    bool xattr = false;
    std::string attribute = kDefaultReparseAttribute;
    ReportOptions report;
    MatchRequest match;  // --as, --family, --first-match: the types bare texts are read as

    // How files met inside the trees are read: links only with --follow-symlinks.
    ExamineOptions examine_in_trees() const {
        return {walk.followSymlinks, xattr, attribute, match};
    }
    // How roots that are files are read: a root named by the user is followed.
    ExamineOptions examine_roots() const { return {true, xattr, attribute, match}; }
};

// PATH, --files0-from, --follow-symlinks, --xdev, --exclude, --max-depth.
void add_tree_options(CLI::App& command, ScanCommandLine& options);

// --xattr (described by xattrHelp) and --attribute, which implies --xattr.
void add_attribute_options(CLI::App& command, bool& xattr, std::string& attribute,
                           const std::string& xattrHelp);

// --format, --sort, --print0, --state.
void add_report_options(CLI::App& command, ReportOptions& report);

// Throws CLI11's error for --print0 beside a --format it would drop.
void check_report_options(const ReportOptions& report);

// Throws CLI11's error for a command line naming neither PATH nor --files0-from.
void require_roots(const ScanCommandLine& options);

// Holds a numeric option to the tool's one reader of numbers (digits only,
// from least to most): CLI11's own conversion would wrap "-1" around and
// take " 5", "+5" and "0x10".  Every numeric option carries it.
CLI::Validator decimal_check(std::uint64_t least, std::uint64_t most);

}  // namespace stubmeta_cli
