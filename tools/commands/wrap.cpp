// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// stubmeta wrap / unwrap: the envelope alone, around any text.
#include <memory>

#include "support/atomic_write.h"
#include "support/printable.h"
#include "commands/file_output_options.h"
#include "stub/type_names.h"
#include "commands/options.h"
#include "support/console.h"
#include "commands/commands.h"
#include "scan/command_line.h"
#include "stub/envelope_report.h"
#include "stub/verdict.h"
#include "stub/writer.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

struct WrapOptions {
    std::string textFile;
    std::uint64_t value = 4096;
    std::string byteOrder = "host";
    bool keepNewline = false;
    bool anyText = false;  // wrap a text no Unix layout reads
    FileOutputOptions output;
};

struct UnwrapOptions {
    std::string file;
    FileOutputOptions output;
};

// Far more than an envelope holds, so that wrap_text names the real limit
// and the text's own size.
constexpr std::size_t kLongestWrapInput = 1 << 20;

StubType byte_order_type(const std::string& order) {
    if (order == "big")
        return STUB_TYPE_UNIX_BIGENDIAN;
    if (order == "little")
        return STUB_TYPE_UNIX_LITTLEENDIAN;
    return host_unix_type();
}

int run_wrap(const WrapOptions& options) {
    std::string text = read_small_file(options.textFile, kLongestWrapInput);
    if (!options.keepNewline && !text.empty() && text.back() == '\n')
        text.pop_back();
    const std::string source = options.textFile == "-" ? "standard input" : options.textFile;
    // An envelope around no text is one that every reader calls damaged.
    if (text.empty())
        throw ToolError(kExitRefused, printable(source) +
                                          ": the text is empty; an envelope must hold at "
                                          "least one character (nothing written)");
    const std::string envelope =
        wrap_text(text, options.value, byte_order_type(options.byteOrder), options.output.output);
    // What is written must be what every reader calls a stub: an envelope
    // around a text no Unix layout reads is one verify calls damaged.
    if (!options.anyText) {
        const StubBytes wrapped(envelope);
        const Verdict verdict =
            judge_stub(wrapped, wrapped.size(), StubSource::Content, MatchRequest{});
        if (verdict.state != StubState::Ok)
            throw ToolError(kExitRefused, printable(source) + ": refused: the envelope would be " +
                                              verdict_problem(verdict) +
                                              " (--any-text wraps it anyway)");
    }
    write_output_file(envelope, options.output);
    return kExitOk;
}

// The text of a whole envelope is given out even when it is no Unix stub,
// since that is what unwrap is for; the status and message are then
// verify's, so that a script learns what it holds.
int run_unwrap(const UnwrapOptions& options) {
    const FileRead file = read_stub_file(options.file);
    const StubBytes& stub = file.buffer;
    const EnvelopeReport report = examine_envelope(stub);
    if (!report.ok)
        throw ToolError(kExitRefused,
                        printable(options.file) + ": damaged envelope: " + report.problem);
    const std::string text =
        std::string(stub.data() + kEnvelopeHeaderSize, report.textLength) + "\n";
    if (options.output.output.empty() || options.output.output == "-") {
        write_out(text);
        flush_out();
    } else {
        write_output_file(text, options.output);
    }
    const Verdict verdict =
        judge_stub(stub, file.apparentSize, StubSource::Content, MatchRequest{});
    if (verdict.state != StubState::Ok) {
        print_error(printable(options.file) + ": " + verdict_problem(verdict));
        return kExitRefused;
    }
    return kExitOk;
}

}  // namespace

Command add_wrap_command(CLI::App& app) {
    auto options = std::make_shared<WrapOptions>();
    CLI::App* command = app.add_subcommand("wrap", "Wrap a text file in a Unix stub envelope");
    command->add_option("TEXTFILE", options->textFile, "The text to wrap (- for standard input)")
        ->required();
    command->add_option("--value", options->value, "The 64-bit value the envelope carries")
        ->check(decimal_check(0, UINT64_MAX))
        ->default_str("4096");
    command
        ->add_option("--byte-order", options->byteOrder,
                     "How the checksum is stored: big (type 6), little (type 7) or host")
        ->check(CLI::IsMember({"big", "little", "host"}))
        ->default_str("host");
    command->add_flag("--keep-newline", options->keepNewline,
                      "Keep a final line feed as part of the text (by default one is dropped)");
    command->add_flag("--any-text", options->anyText,
                      "Wrap a text that no Unix stub layout reads (by default refused, since "
                      "every reader would call the envelope damaged)");
    add_file_output_options(*command, options->output, true, "Replace an existing file");
    command->footer("An empty text (after the final line feed is dropped) is refused, and so is\n"
                    "a text no Unix stub layout reads, unless --any-text.\n" +
                    file_output_help() +
                    "\nExamples:\n"
                    "  printf '1:2:3:4:5:1:5:/a/b|9' | stubmeta wrap - -o a.stub\n"
                    "  stubmeta wrap --value 8192 --byte-order big text.txt -o t.stub\n\n" +
                    exit_status_help());
    return {command, [options] { return run_wrap(*options); }};
}

Command add_unwrap_command(CLI::App& app) {
    auto options = std::make_shared<UnwrapOptions>();
    CLI::App* command =
        app.add_subcommand("unwrap", "Check an envelope and print or write the text it holds");
    command->add_option("FILE", options->file, "The envelope file")->required();
    add_file_output_options(*command, options->output, false,
                            "Replace an existing file (the text, with a final line feed, goes "
                            "to -o instead of standard output)");
    command->footer("The text of a whole envelope is given out; when it is no Unix stub, the exit\n"
                    "status and the message on stderr are verify's.\n" +
                    file_output_help() +
                    "\nExamples:\n"
                    "  stubmeta unwrap examples/stubs/unix-layout1.stub\n"
                    "  stubmeta unwrap a.stub -o a.txt\n\n" +
                    exit_status_help());
    return {command, [options] { return run_unwrap(*options); }};
}

}  // namespace stubmeta_cli
