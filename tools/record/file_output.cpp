// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "record/file_output.h"

#include <algorithm>

#include "support/atomic_write.h"
#include "stub/type_names.h"
#include "support/console.h"
#include "stub/envelope_report.h"
#include "support/file_reading.h"
#include "support/output_target.h"
#include "record/readback_check.h"
#include "record/text.h"
#include "stub/detection.h"
#include "stub/writer.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

std::string field_list(const std::vector<Field>& fields) {
    std::string list;
    for (Field field : fields) {
        if (!list.empty())
            list += ", ";
        list += field_info(field).name;
    }
    return list;
}

std::string join(const std::vector<std::string>& phrases) {
    std::string line;
    for (const std::string& phrase : phrases) {
        if (!line.empty())
            line += "; ";
        line += phrase;
    }
    return line;
}

// The stub's bytes: the library's rendering in the layout asked for,
// re-wrapped when the envelope is to carry a value of its own.
std::string render(const StubRequest& request, const std::string& target, bool reparseHeader) {
    ReparseData record = request.record;
    if (is_unix_type(request.type) && request.unixLayout != 0) {
        // A Unix record's unixTextKind picks the layout: 1 gives layout 1,
        // 2 gives layout 2 or 3 by auxText.  The kind written still follows
        // the text.
        record.stubType = request.type;
        record.unixTextKind = request.unixLayout == 1 ? 1 : 2;
    }
    std::string stub = render_stub(record, request.type, RenderOptions{reparseHeader}, target);
    if (!is_unix_type(request.type) || !request.envelopeValue)
        return stub;
    const StubBytes written(stub);
    const EnvelopeReport report = examine_envelope(written);
    if (!report.ok || report.value == *request.envelopeValue)
        return stub;
    return wrap_text(stub.substr(kEnvelopeHeaderSize, report.textLength), *request.envelopeValue,
                     request.type, target);
}

// The fields that must read back: those checked, less the dropped ones.
std::vector<Field> surviving(const StubRequest& request, const std::vector<Field>& dropped) {
    std::vector<Field> fields;
    for (Field field : request.checked)
        if (std::find(dropped.begin(), dropped.end(), field) == dropped.end())
            fields.push_back(field);
    return fields;
}

// text is the stub without a reparse header: the NTFS parse is given a zero
// one in its place, the others read the text itself.
void print_preview(const StubRequest& request, const std::string& text, const std::string& target,
                   const std::vector<Field>& dropped) {
    MatchRequest asWritten;
    asWritten.mode = MatchRequest::Mode::OneType;
    asWritten.type = request.type;
    StubBytes bytes(text);
    if (request.type == STUB_TYPE_WINDOWS_LOCAL)
        bytes = bytes.with_zero_header();
    std::string preview;
    if (std::optional<Detection> detection = detect_stub(bytes, asWritten))
        preview = detection_to_text(target, *detection, asWritten.describe(), false);
    else
        preview = printable(target) + ":\n  (would not parse back as type " +
                  std::to_string(request.type) + ")\n";
    preview += "  dropped       " + (dropped.empty() ? "nothing" : field_list(dropped)) + "\n";
    preview += "  written       nothing (--dry-run)\n";
    write_out(preview);
    flush_out();
}

}  // namespace

void write_stub(const StubRequest& request, const StubOutputOptions& options) {
    const std::string& target = options.file.output;
    const StubType type = request.type;
    if ((options.withHeader || options.bareText) && !is_reparse_type(type))
        throw ToolError(kExitUsageOrIo,
                        std::string("stubmeta: ") +
                            (options.bareText ? "--bare-text" : "--with-header") +
                            " applies to NTFS and CSVFS stubs (types 1 and 2) only");
    const bool reparseHeader = is_reparse_type(type) && !options.bareText;
    const std::vector<Field> dropped = request.sourceType != 0
                                           ? dropped_fields(request.record, type, request.checked)
                                           : std::vector<Field>{};
    const std::string text = render(request, target, false);
    const std::string stub = reparseHeader ? render(request, target, true) : text;
    if (options.dryRun)
        print_preview(request, text, target, dropped);

    if (!dropped.empty() && !options.dropFields)
        throw ToolError(kExitRefused, printable(request.sourcePath) + ": converting " +
                                          type_name(request.sourceType) + " to " + type_name(type) +
                                          " would drop " + field_list(dropped) +
                                          "; use --drop-fields to convert anyway");
    if (is_unix_type(type)) {
        const EnvelopeReport report = examine_envelope(StubBytes(stub));
        if (!report.ok)
            throw ToolError(kExitRefused, printable(target) +
                                              ": refused: the envelope would be damaged (" +
                                              report.problem + ")");
    }
    const std::vector<std::string> problems =
        readback_problems(request.record, type, surviving(request, dropped), text);
    if (!problems.empty()) {
        if (!options.allowDifferences)
            throw ToolError(kExitRefused, printable(target) + ": refused: " + join(problems) +
                                              "; it would not read back the same "
                                              "(--allow-differences writes it anyway)");
        print_error(printable(target) + ": warning: " + join(problems) +
                    "; written anyway (--allow-differences)");
    }
    if (options.dryRun) {
        resolve_output_target(options.file);
        return;
    }
    write_output_file(stub, options.file);
    if (options.bareText)
        print_error(printable(target) + ": written as a bare " + type_name(type) +
                    " text without its reparse header" +
                    (type == STUB_TYPE_WINDOWS_LOCAL ? "; read it back with --no-header" : ""));
}

}  // namespace stubmeta_cli
