// stubmeta verify: check Unix stub envelopes and explain what is wrong with
// a damaged one.
#include <memory>

#include "command_options.h"
#include "console.h"
#include "commands.h"
#include "envelope_report.h"
#include "record_json.h"
#include "record_text.h"
#include "tool_status.h"

namespace stubmeta_cli {
namespace {

struct VerifyOptions {
    std::vector<std::string> files;
    std::string format = "text";
};

std::string verdict_text(const std::string& path, const EnvelopeReport& report) {
    if (!report.ok)
        return printable(path) + ": damaged: " + report.problem;
    return printable(path) + ": ok: " + std::to_string(report.totalLength) + " bytes, value " +
           std::to_string(report.value) + ", text " + std::to_string(report.textLength) +
           " bytes, checksum " + hex32(report.computedChecksum) + " stored " +
           byte_order_name(report.byteOrder);
}

Json verdict_json(const std::string& path, const EnvelopeReport& report) {
    Json object;
    object["path"] = json_text(path);
    object["state"] = report.ok ? "ok" : "damaged";
    if (!report.ok)
        object["error"] = report.problem;
    if (report.totalLength != 0) {
        Json envelope;
        envelope["version"] = report.version;
        envelope["totalLength"] = report.totalLength;
        envelope["value"] = json_uint64(report.value);
        envelope["textLength"] = report.textLength;
        if (report.computedChecksum != 0 || report.storedChecksum != 0) {
            envelope["storedChecksum"] = hex32(report.storedChecksum);
            envelope["computedChecksum"] = hex32(report.computedChecksum);
        }
        if (report.byteOrder != 0)
            envelope["byteOrder"] = byte_order_name(report.byteOrder);
        object["envelope"] = envelope;
    }
    return object;
}

int run_verify(const VerifyOptions& options) {
    int status = kExitOk;
    for (const std::string& path : options.files) {
        try {
            const EnvelopeReport report = examine_envelope(read_stub_file(path).buffer);
            const std::string line = options.format == "json"
                                         ? json_line(verdict_json(path, report))
                                         : verdict_text(path, report);
            write_line(line);
            flush_out();
            if (!report.ok)
                status = worse_status(status, kExitRefused);
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
        "verify", "Check Unix stub envelopes and say exactly what is wrong with a damaged one");
    command->add_option("FILE", options->files, "Enveloped Unix stub files")->required();
    command->add_option("--format", options->format, "Output format: text, or json (JSON Lines)")
        ->check(CLI::IsMember({"text", "json"}))
        ->default_str("text");
    command->footer(
        "Each file gets one line: ok with the envelope's size, value, text length and\n"
        "checksum, or damaged with the first fault found (bad magic, unknown version,\n"
        "lengths that disagree, truncated file, empty text, checksum mismatch with the\n"
        "stored and computed values in hexadecimal).\n\n"
        "Examples:\n"
        "  stubmeta verify examples/stubs/unix-layout1.stub examples/stubs/unix-damaged.stub\n"
        "  stubmeta verify --format json /srv/archive/*.stub\n\n" +
        exit_status_help());
    return {command, [options] { return run_verify(*options); }};
}

}  // namespace stubmeta_cli
