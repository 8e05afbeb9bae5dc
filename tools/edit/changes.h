/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Which stubs an edit selects and what it changes in them, decided on the
// parsed record alone: nothing here touches a file.
#pragma once

#include <string>
#include <vector>

#include "record/fields.h"
#include "stubmeta.hpp"

namespace stubmeta_cli {

// FIELD=VALUE, its value read as create --set reads it.
struct FieldTest {
    Field field{};
    FieldValue value;
};

// A text field starting with from gets to in its place.
struct PrefixChange {
    Field field{};
    std::string from;
    std::string to;
};

struct EditRequest {
    std::vector<FieldTest> where;        // all must hold
    std::vector<StubType> types;         // empty: any type
    std::vector<FieldTest> set;          // applied first, in order
    std::vector<PrefixChange> prefixes;  // then these, in order
};

// Reads "FIELD=VALUE" given to option (--where, --set).  Throws ToolError
// (status 2) naming option for an unknown field or a value the field
// cannot hold.
FieldTest parse_field_test(const std::string& option, const std::string& assignment);

// Reads --replace-prefix's FIELD OLD NEW; the field must be a text.
// Throws ToolError (status 2) otherwise.
PrefixChange parse_prefix_change(const std::string& field, const std::string& from,
                                 const std::string& to);

struct FieldChange {
    Field field{};
    std::string before;  // value_as_text of the old value
    std::string after;
};

enum class EditOutcome {
    NotSelected,  // another type, or a --where that does not hold
    Unchanged,    // selected, but no change applies (a prefix not found, a value already set)
    Changed,
    Skipped,  // a change the stub's layout cannot hold
};

struct EditPlan {
    EditOutcome outcome = EditOutcome::NotSelected;
    ReparseData record{};              // the record to write when Changed
    std::vector<FieldChange> changes;  // Changed: the fields whose value differs
    std::string problem;               // Skipped: why, one phrase
};

// Applies request to record, read as a stub of type.  A changed field the
// type's layout does not carry skips the stub; so does a value that does
// not fit its field.
EditPlan plan_edit(const ReparseData& record, StubType type, const EditRequest& request);

}  // namespace stubmeta_cli
