// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta verify: is each file a sound stub, and what exactly is wrong
// with a damaged one?
#include <memory>

#include "stub/type_names.h"
#include "commands/options.h"
#include "commands/commands.h"
#include "support/console.h"
#include "stub/envelope_report.h"
#include "record/json.h"
#include "record/text.h"
#include "stub/verdict.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

struct VerifyOptions {
    std::vector<std::string> files;
    std::string format = "text";
    MatchOptions match;
    InputOptions input;
};

std::string envelope_summary(const EnvelopeReport& report) {
    return std::to_string(report.totalLength) + " bytes, value " + std::to_string(report.value) +
           ", text " + std::to_string(report.textLength) + " bytes, checksum " +
           hex32(report.computedChecksum) + " stored " + byte_order_name(report.byteOrder);
}

std::string verdict_text(const std::string& path, const Verdict& verdict) {
    const std::string name = printable(path) + ": ";
    if (verdict.state != StubState::Ok)
        return name + (verdict.state == StubState::Damaged ? "damaged: " : "not a stub: ") +
               verdict.problem;
    std::string line = name + "ok: " + std::to_string(verdict.type) + " " + type_name(verdict.type);
    if (verdict.envelope)
        line += ", " + envelope_summary(*verdict.envelope);
    if (verdict.trailingBytes != 0)
        line += ", " + std::to_string(verdict.trailingBytes) + " bytes after the envelope (" +
                trailing_name(verdict.trailing) + ")";
    return line;
}

// Only the facts the library's checks vouch for: a damaged envelope's
// value and text length are left out until its checksum has matched.
Json envelope_json(const EnvelopeReport& report) {
    Json envelope;
    envelope["version"] = report.version;
    envelope["totalLength"] = report.totalLength;
    if ((report.known & STUBMETA_KNOWN_ENVELOPE_VALUE) != 0) {
        envelope["value"] = json_uint64(report.value);
        envelope["textLength"] = report.textLength;
    }
    if ((report.known & STUBMETA_KNOWN_CHECKSUMS) != 0) {
        envelope["storedChecksum"] = hex32(report.storedChecksum);
        envelope["computedChecksum"] = hex32(report.computedChecksum);
    }
    if (report.byteOrder != 0)
        envelope["byteOrder"] = byte_order_name(report.byteOrder);
    return envelope;
}

Json verdict_json(const std::string& path, const Verdict& verdict) {
    Json object;
    object["path"] = json_text(path);
    object["state"] = state_name(verdict.state);
    object["type"] = verdict.type != 0 ? Json(verdict.type) : Json(nullptr);
    if (verdict.state != StubState::Ok) {
        object["error"] = json_text(verdict.problem);
        // The library's own word for it, the same in every door.
        object["reason"] = stubmeta::message(verdict.status);
    }
    if (verdict.envelope && (verdict.envelope->known & STUBMETA_KNOWN_ENVELOPE_TOTAL) != 0)
        object["envelope"] = envelope_json(*verdict.envelope);
    if (verdict.trailingBytes != 0) {
        object["trailingBytes"] = verdict.trailingBytes;
        object["trailingContent"] = trailing_name(verdict.trailing);
    }
    return object;
}

int run_verify(const VerifyOptions& options) {
    const MatchRequest request = match_request(options.match);
    int status = kExitOk;
    for (const std::string& path : options.files) {
        try {
            const Verdict verdict = judge_input(path, options.input, request);
            write_line(options.format == "json" ? json_line(verdict_json(path, verdict))
                                                : verdict_text(path, verdict));
            flush_out();
            // Zeros or holes after the envelope are a stub kept at the
            // original's size; only data there is worth a word.
            if (verdict.trailing == Trailing::Data)
                print_error(printable(path) +
                            ": warning: " + std::to_string(verdict.trailingBytes) +
                            " bytes after the end of the envelope, not all zeros");
            if (verdict.state != StubState::Ok)
                status = worse_status(status, kExitRefused);
        } catch (const OutputLost&) {
            throw;
        } catch (const ToolError& error) {
            print_error(error.what());
            status = worse_status(status, error.status());
        }
    }
    return status;
}

}  // namespace

Command add_verify_command(CLI::App& app) {
    auto options = std::make_shared<VerifyOptions>();
    CLI::App* command = app.add_subcommand(
        "verify", "Check that each file is a sound stub and say exactly what is wrong if not");
    command->add_option("FILE", options->files, "Stub files (- for standard input)")->required();
    add_file_report_format(*command, options->format);
    add_match_options(*command, options->match);
    add_input_options(*command, options->input);
    add_ntfs_input_option(*command, options->input);
    command->footer(
        "Each file gets one line, by the rule inspect and scan follow: ok with its type (for\n"
        "an envelope also its size, value, text length and checksum), damaged with the first\n"
        "fault found (unknown version, truncated file, checksum mismatch with the stored\n"
        "and computed values in hexadecimal, empty text, lengths that disagree, a text\n"
        "that is no Unix layout, fields that do not parse), or not a stub.  The bytes\n"
        "after an envelope are counted to the end of the file and named data, zeros\n"
        "(zeros and holes only) or zeros as far as read; data there is a warning, and\n"
        "the stub still verifies.  --as or\n"
        "--family reads bare texts of a known type (a share holding Celerra stubs).\n\n"
        "Examples:\n"
        "  stubmeta verify examples/stubs/unix-layout1.stub examples/stubs/unix-damaged.stub\n"
        "  stubmeta verify --format json /srv/archive/*.stub\n"
        "  stubmeta verify --xattr /mnt/ntfs/archived.doc\n\n" +
        exit_status_help());
    return {command, [options] { return run_verify(*options); }};
}

}  // namespace stubmeta_cli
