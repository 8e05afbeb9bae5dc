#include "stub_output.h"

#include "atomic_write.h"
#include "readback_check.h"
#include "stub_writer.h"
#include "tool_status.h"

namespace stubmeta_cli {

void add_output_options(CLI::App& command, OutputOptions& options) {
    command.add_option("-o,--output", options.output, "The stub file to write")->required();
    command.add_flag("--force", options.force,
                     "Replace an existing file, and write a record that would not read back "
                     "the same");
    command.add_flag("--with-header", options.withHeader,
                     "NTFS only: write the 24-byte reparse header (tag 0, the text's length, "
                     "zero GUID) before the text, as a reparse buffer holds it");
}

void write_checked_stub(const ReparseData& record, StubType type, const OutputOptions& options) {
    const std::string& target = options.output;
    if (options.withHeader && type != STUB_TYPE_WINDOWS_LOCAL)
        throw ToolError(kExitUsageOrIo,
                        "stubmeta: --with-header applies to NTFS stubs (type 1) only");
    const std::string text = render_stub(record, type, RenderOptions{}, target);
    if (std::optional<std::string> problem = readback_problem(record, type, text)) {
        if (!options.force)
            throw ToolError(kExitRefused, target + ": refused: " + *problem +
                                              "; it would not read back the same "
                                              "(--force writes it anyway)");
        print_error(target + ": warning: " + *problem + "; written anyway (--force)");
    }
    const std::string bytes =
        options.withHeader ? render_stub(record, type, RenderOptions{true}, target) : text;
    write_file_atomically(target, bytes, options.force);
}

}  // namespace stubmeta_cli
