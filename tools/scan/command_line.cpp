// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "scan/command_line.h"

#include <cstdint>
#include <string>

#include "record/text.h"
#include "support/decimal.h"

namespace stubmeta_cli {

void add_tree_options(CLI::App& command, ScanCommandLine& options) {
    CLI::Option* paths = command.add_option("PATH", options.paths, "Files and directories to walk");
    command
        .add_option("--files0-from", options.files0From,
                    "Walk the NUL-separated paths this file lists instead (- for stdin)")
        ->type_name("FILE")
        ->excludes(paths);
    command.add_flag("--follow-symlinks", options.walk.followSymlinks,
                     "Follow symbolic links inside the trees (loops are detected and reported)");
    command.add_flag("--xdev", options.walk.sameFileSystem, "Stay on each root's file system");
    command
        .add_option("--exclude", options.walk.excludes,
                    "Leave out entries matching this glob (repeatable; see below)")
        ->type_name("GLOB")
        ->allow_extra_args(false);
    command
        .add_option("--max-depth", options.walk.maxDepth,
                    "Go at most N levels below each root (0: the roots alone)")
        ->check(decimal_check(0, SIZE_MAX))
        ->type_name("N");
}

void add_attribute_options(CLI::App& command, bool& xattr, std::string& attribute,
                           const std::string& xattrHelp) {
    command.add_flag("--xattr", xattr, xattrHelp);
    command.add_option("--attribute", attribute, "The attribute --xattr reads (implies --xattr)")
        ->default_str(kDefaultReparseAttribute)
        ->each([&xattr](const std::string&) { xattr = true; });
}

void add_report_options(CLI::App& command, ReportOptions& report) {
    command.add_option("--format", report.format, "Output format: text, json (JSON Lines) or csv")
        ->check(CLI::IsMember({"text", "json", "csv"}))
        ->default_str("text");
    command.add_flag("--sort", report.sort, "Print the rows sorted by path, once the scan is done");
    command.add_flag("--print0", report.print0,
                     "Print only the paths of the stubs found, each followed by a NUL, for "
                     "xargs -0 (no summary)");
    command.add_option("--state", report.state, "Keep only the rows in this state")
        ->check(CLI::IsMember({"ok", "damaged"}));
}

void check_report_options(const ReportOptions& report) {
    if (report.print0 && report.format != "text")
        throw CLI::ValidationError("--print0", "prints the paths alone, so --format " +
                                                   report.format +
                                                   " would be lost: give one or the other");
}

void require_roots(const ScanCommandLine& options) {
    if (options.paths.empty() && options.files0From.empty())
        throw CLI::RequiredError("PATH or --files0-from");
}

CLI::Validator decimal_check(std::uint64_t least, std::uint64_t most) {
    return CLI::Validator(
        [least, most](const std::string& value) -> std::string {
            std::uint64_t number = 0;
            switch (read_decimal(value, number, least, most)) {
            case DecimalRead::Ok:
                return {};
            case DecimalRead::NotDecimal:
                return "expects a decimal number, not \"" + printable(value) + "\"";
            case DecimalRead::OutOfRange:
                break;
            }
            return "expects a number from " + std::to_string(least) + " to " +
                   std::to_string(most) + ", not " + value;
        },
        "");
}

}  // namespace stubmeta_cli
