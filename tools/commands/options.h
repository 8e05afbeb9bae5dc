/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Options several commands share: where a stub's bytes come from, and
// which types to try on them.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "support/file_reading.h"
#include "stub/detection.h"
#include "stub/verdict.h"

namespace stubmeta_cli {

struct InputOptions {
    bool noHeader = false;  // prepend 24 zero bytes (a bare NTFS text)
    bool xattr = false;     // read the attribute, not the content
    std::string attribute = kDefaultReparseAttribute;
    std::string ntfsImage;  // read each file's reparse buffer inside this NTFS volume
};

struct MatchOptions {
    std::string as;           // a type name or number, or empty
    std::string family;       // a family name, or empty
    bool firstMatch = false;  // the library's first match, for bare texts
};

// The bytes of a stub as read, and what they are.
struct StubInput {
    StubBytes bytes;
    std::uint64_t wholeSize = 0;  // the file's or attribute's size
    bool dataPastRead = false;    // FileRead::dataPastRead
    StubSource source = StubSource::Content;
};

// Adds --no-header, --xattr and --attribute to a command.
void add_input_options(CLI::App& command, InputOptions& options);

// Adds --ntfs IMAGE (files named inside an NTFS volume) to a command that
// has the input options.
void add_ntfs_input_option(CLI::App& command, InputOptions& options);

// Adds --as, --family and --first-match (mutually exclusive) to a command.
void add_match_options(CLI::App& command, MatchOptions& options);

// --format text|json for the commands that report on files one by one.
void add_file_report_format(CLI::App& command, std::string& format);

// The bytes of a stub: the file's first 65,536 bytes ("-": standard input)
// or its attribute, behind 24 zero bytes with --no-header.  Throws
// ToolError.
StubInput read_input(const std::string& path, const InputOptions& options);

// Reads path and judges it by the one rule (judge_stub).  Throws ToolError
// when it cannot be read.
Verdict judge_input(const std::string& path, const InputOptions& options,
                    const MatchRequest& request);

// The request the options name.  Throws ToolError (status 2) for an
// unknown type or family.
MatchRequest match_request(const MatchOptions& options);

// Reads a type option's value; throws ToolError (status 2) naming option.
StubType type_option(const std::string& option, const std::string& value);

// The text printed after the options of every command.
std::string exit_status_help();

}  // namespace stubmeta_cli
