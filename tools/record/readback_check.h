/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The checks before a stub is written: which of the record's fields the
// written stub carries, and whether it reads back as the record it was
// made from.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "record/fields.h"
#include "stubmeta.hpp"

namespace stubmeta_cli {

// The fields a stub of type written from record holds, in text order.  A
// Unix stub holds one text (shortText when set, else longText) and, by the
// layout the writer picks, number1, auxText and number3.
std::vector<Field> written_fields(const ReparseData& record, StubType type);

// The fields among fields that hold something (a non-empty text, a number
// other than 0) which a stub of type written from record would not hold: a
// Unix text hidden by the other text first, then in the order given.
// unixTextKind, which only says which text a Unix stub holds, never counts.
std::vector<Field> dropped_fields(const ReparseData& record, StubType type,
                                  std::span<const Field> fields);

// Every way rendered (the stub written for record as type, NTFS without its
// header) would not read back as type with fields holding what record
// holds, one phrase each naming the field, the value given, the value read
// back and, where known, why: "flag: given -1, would read back as 1 (a flag
// is written as 0 or 1)", "shortText holds ':', a separator in this layout
// (character 3)".  Empty when it reads back faithfully.
std::vector<std::string> readback_problems(const ReparseData& record, StubType type,
                                           std::span<const Field> fields,
                                           const std::string& rendered);

}  // namespace stubmeta_cli
