// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "edit/changes.h"

#include <algorithm>

#include "stub/type_names.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

Field known_field(const std::string& option, const std::string& name) {
    const std::optional<Field> field = field_by_name(name);
    if (!field)
        throw ToolError(kExitUsageOrIo,
                        "stubmeta edit: " + option + " " + name + ": not a field of the record");
    return *field;
}

// A DMNas stub reads back as type 4 whichever of 4 and 5 was written, so
// either names both.
bool same_type(StubType named, StubType found) {
    return named == found || (is_dmnas_type(named) && is_dmnas_type(found));
}

bool selected(const ReparseData& record, StubType type, const EditRequest& request) {
    if (!request.types.empty() &&
        std::none_of(request.types.begin(), request.types.end(),
                     [type](StubType named) { return same_type(named, type); }))
        return false;
    return std::all_of(
        request.where.begin(), request.where.end(),
        [&record](const FieldTest& test) { return get_field(record, test.field) == test.value; });
}

// Applies the --replace-prefix changes; a cause when a result does not fit.
std::optional<std::string> apply_prefixes(ReparseData& record, const EditRequest& request) {
    for (const PrefixChange& change : request.prefixes) {
        const std::string text = std::get<std::string>(get_field(record, change.field));
        if (text.compare(0, change.from.size(), change.from) != 0)
            continue;
        const std::string result = change.to + text.substr(change.from.size());
        if (std::optional<std::string> cause = set_field(record, change.field, result))
            return std::string(field_info(change.field).name) + ": " + *cause;
    }
    return std::nullopt;
}

}  // namespace

FieldTest parse_field_test(const std::string& option, const std::string& assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos)
        throw ToolError(kExitUsageOrIo,
                        "stubmeta edit: " + option + " " + assignment + ": expected FIELD=VALUE");
    const std::string name = assignment.substr(0, equals);
    const Field field = known_field(option, name);
    ReparseData scratch{};
    if (std::optional<std::string> cause =
            set_field_from_text(scratch, field, std::string_view(assignment).substr(equals + 1)))
        throw ToolError(kExitUsageOrIo, "stubmeta edit: " + option + " " + name + ": " + *cause);
    return {field, get_field(scratch, field)};
}

PrefixChange parse_prefix_change(const std::string& field, const std::string& from,
                                 const std::string& to) {
    const Field named = known_field("--replace-prefix", field);
    if (field_info(named).kind != FieldKind::Text)
        throw ToolError(kExitUsageOrIo,
                        "stubmeta edit: --replace-prefix " + field + ": not a text field");
    if (from.empty())
        throw ToolError(kExitUsageOrIo,
                        "stubmeta edit: --replace-prefix " + field + ": OLD is empty");
    return {named, from, to};
}

EditPlan plan_edit(const ReparseData& record, StubType type, const EditRequest& request) {
    EditPlan plan;
    if (!selected(record, type, request))
        return plan;
    plan.record = record;
    for (const FieldTest& change : request.set)
        if (std::optional<std::string> cause = set_field(plan.record, change.field, change.value)) {
            plan.outcome = EditOutcome::Skipped;
            plan.problem = std::string(field_info(change.field).name) + ": " + *cause;
            return plan;
        }
    if (std::optional<std::string> cause = apply_prefixes(plan.record, request)) {
        plan.outcome = EditOutcome::Skipped;
        plan.problem = *cause;
        return plan;
    }
    const std::vector<Field> carried = layout_fields(plan.record, type);
    for (Field field : all_fields()) {
        const FieldValue before = get_field(record, field);
        const FieldValue after = get_field(plan.record, field);
        if (before == after)
            continue;
        if (std::find(carried.begin(), carried.end(), field) == carried.end()) {
            plan.outcome = EditOutcome::Skipped;
            plan.problem = "a " + type_name(type) + " stub has no " +
                           std::string(field_info(field).name) + " to change";
            return plan;
        }
        plan.changes.push_back({field, value_as_text(before), value_as_text(after)});
    }
    plan.outcome = plan.changes.empty() ? EditOutcome::Unchanged : EditOutcome::Changed;
    return plan;
}

}  // namespace stubmeta_cli
