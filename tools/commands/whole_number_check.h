// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The check on an option that takes a count (--max-depth), shared by
// stubmeta and stubmeta-mpi.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace stubmeta_cli {

// Digits only: CLI11's conversion alone would wrap "-1" around.
inline CLI::Validator whole_number_check() {
    return CLI::Validator(
        [](const std::string& value) {
            return !value.empty() && value.find_first_not_of("0123456789") == std::string::npos
                       ? std::string()
                       : std::string("expects a whole number, 0 or more");
        },
        "");
}

}  // namespace stubmeta_cli
