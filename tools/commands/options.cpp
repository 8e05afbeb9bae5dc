// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "commands/options.h"

#include <algorithm>

#include "stub/type_names.h"
#include "ntfs/reader.h"
#include "scan/command_line.h"
#include "support/tool_status.h"

namespace stubmeta_cli {

void add_input_options(CLI::App& command, InputOptions& options) {
    command.add_flag("--no-header", options.noHeader,
                     "Read a bare NTFS text (as create --bare-text writes it): "
                     "put 24 zero bytes in front as the reparse header");
    add_attribute_options(command, options.xattr, options.attribute,
                          "Read the file's reparse data from an extended attribute instead of "
                          "its content; the file's data is never opened");
}

void add_ntfs_input_option(CLI::App& command, InputOptions& options) {
    command
        .add_option("--ntfs", options.ntfsImage,
                    "Read each FILE's reparse point inside this NTFS volume (image file or "
                    "block device; FILE is a path from its root, '/' as separator)")
        ->type_name("IMAGE")
        ->excludes("--xattr")
        ->excludes("--attribute")
        ->excludes("--no-header");
}

void add_match_options(CLI::App& command, MatchOptions& options) {
    auto* as = command.add_option("--as", options.as,
                                  "Parse as this type only: 1..7, ntfs, csvfs, celerra, dmnas, "
                                  "unix, or a type name such as WINDOWS_CELERRA (any case)");
    auto* family =
        command.add_option("--family", options.family,
                           "Try only this family: windows (1, 2), nas (3, 4), unix (6, 7)");
    auto* firstMatch = command.add_flag(
        "--first-match", options.firstMatch,
        "Try the library's own order (types 6, 7, 1, 2, 3, 4) on a bare text: a bare Celerra or "
        "CSVFS text then reads as Unix type 6");
    as->excludes(family);
    firstMatch->excludes(as);
    firstMatch->excludes(family);
}

void add_file_report_format(CLI::App& command, std::string& format) {
    command.add_option("--format", format, "Output format: text, or json (JSON Lines)")
        ->check(CLI::IsMember({"text", "json"}))
        ->default_str("text");
}

StubInput read_input(const std::string& path, const InputOptions& options) {
    StubInput input;
    if (!options.ntfsImage.empty()) {
        input.bytes = read_ntfs_reparse(options.ntfsImage, path);
        input.wholeSize = input.bytes.size();
        input.source = StubSource::ReparseAttribute;
    } else if (options.xattr) {
        input.bytes = read_stub_attribute(path, options.attribute);
        input.wholeSize = input.bytes.size();
        input.source = StubSource::ReparseAttribute;
    } else {
        FileRead file = read_stub_file(path);
        input.bytes = std::move(file.buffer);
        input.wholeSize = file.apparentSize;
        input.dataPastRead = file.dataPastRead;
    }
    if (options.noHeader) {
        // A made-up reparse header whose length counts the text, as a
        // reparse point's does, so that the text is judged as it would be
        // there.
        std::string buffer(kNtfsHeaderSize, '\0');
        const std::size_t length = std::min<std::size_t>(input.bytes.size(), 0xFFFF);
        buffer[4] = static_cast<char>(length & 0xFF);
        buffer[5] = static_cast<char>(length >> 8);
        input.bytes = StubBytes(buffer + input.bytes.content());
        input.wholeSize += kNtfsHeaderSize;
        input.source = StubSource::BareNtfsText;
    }
    return input;
}

Verdict judge_input(const std::string& path, const InputOptions& options,
                    const MatchRequest& request) {
    // A file without the attribute, or on a file system without such
    // attributes, is no stub, as scan --xattr counts it.
    if (options.xattr && options.ntfsImage.empty() && path != "-" &&
        !has_attribute(path, options.attribute, true)) {
        Verdict verdict;
        verdict.problem = "has no attribute " + options.attribute;
        return verdict;
    }
    const StubInput input = read_input(path, options);
    Verdict verdict = judge_stub(input.bytes, input.wholeSize, input.source, request);
    measure_trailing(verdict, input.bytes, input.wholeSize, input.dataPastRead);
    return verdict;
}

StubType type_option(const std::string& option, const std::string& value) {
    std::optional<StubType> type = parse_type(value);
    if (!type)
        throw ToolError(kExitUsageOrIo, "stubmeta: " + option + ": unknown stub type \"" + value +
                                            "\" (see stubmeta types)");
    return *type;
}

MatchRequest match_request(const MatchOptions& options) {
    MatchRequest request;
    if (!options.as.empty()) {
        request.mode = MatchRequest::Mode::OneType;
        request.type = type_option("--as", options.as);
    } else if (!options.family.empty()) {
        std::optional<StubFamily> family = parse_family(options.family);
        if (!family)
            throw ToolError(kExitUsageOrIo, "stubmeta: --family: unknown family \"" +
                                                options.family + "\" (windows, nas or unix)");
        request.mode = MatchRequest::Mode::Family;
        request.family = *family;
    } else if (options.firstMatch) {
        request.mode = MatchRequest::Mode::FirstMatch;
    }
    return request;
}

std::string exit_status_help() {
    return "Exit status: 0 all good; 1 something was not a stub, was damaged or was "
           "refused; 2 usage or I/O error.\n";
}

}  // namespace stubmeta_cli
