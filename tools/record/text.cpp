// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "record/text.h"

#include <string>

#include "stub/type_names.h"
#include "stub/envelope_report.h"
#include "record/fields.h"

namespace stubmeta_cli {
namespace {

void add_line(std::string& out, std::string_view name, const std::string& value) {
    out += "  ";
    out += name;
    out.append(name.size() < 14 ? 14 - name.size() : 1, ' ');
    out += value;
    out += '\n';
}

}  // namespace

std::string detection_to_text(const std::string& path, const Detection& detection,
                              std::string_view howFound, bool bareTextNote) {
    const ReparseData& record = detection.record;
    std::string out = printable(path) + ":\n";
    add_line(out, "type",
             std::to_string(record.stubType) + " " + type_name(record.stubType) + " (" +
                 std::string(howFound) + ")");
    for (Field field : layout_fields(record, record.stubType)) {
        const FieldValue value = get_field(record, field);
        const bool isText = std::holds_alternative<std::string>(value);
        add_line(out, field_info(field).name,
                 isText ? "\"" + printable(std::get<std::string>(value)) + "\""
                        : value_as_text(value));
    }
    if (is_unix_type(record.stubType)) {
        if (detection.unixLayout != 0)
            add_line(out, "unixLayout", std::to_string(detection.unixLayout));
        if (detection.envelope) {
            const EnvelopeReport& facts = *detection.envelope;
            add_line(out, "envelope",
                     std::to_string(facts.totalLength) + " bytes, value " +
                         std::to_string(facts.value) + ", checksum ok, stored " +
                         byte_order_name(facts.byteOrder));
        } else {
            add_line(out, "envelope", "none (bare text)");
            if (bareTextNote)
                add_line(out, "note",
                         "a bare text that fits the Unix layout; if it is another type, "
                         "name it with --as or --family");
        }
    }
    return out;
}

}  // namespace stubmeta_cli
