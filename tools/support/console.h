/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Standard output and standard error for the commands.  Every write to
// standard output is checked, so a full disk or a closed pipe ends the
// command with a clear error instead of a listing that silently stops.
#pragma once

#include <string_view>

namespace stubmeta_cli {

// Writes text to standard output as it stands.  Throws ToolError (exit
// status 2) when the stream refuses it.
void write_out(std::string_view text);

// Writes text and a line feed to standard output; throws as write_out does.
void write_line(std::string_view text);

// Pushes what standard output holds to its file, so a reader of a pipe
// sees each file's result as it is made.  Throws as write_out does.
void flush_out();

// Names the program and command every error line starts with, as in
// "stubmeta verify"; set once, before any thread prints.  Until then the
// lines start with "stubmeta".
void set_error_prefix(std::string_view prefix);

// Prints one error line on standard error, "PREFIX: message".  A message
// that starts with the program's name and a colon ("stubmeta: --set ...")
// gets the prefix in its place; one that names another program is printed
// as it is.  Control bytes left in message are escaped as \xNN, so the
// error stays one line.  Never throws: with standard error itself gone
// there is nowhere left to report to, so the failure is only remembered for
// the exit status (error_output_lost).
void print_error(std::string_view message) noexcept;

// Writes text as it stands to standard error, as print_error does.
void write_error_text(std::string_view text) noexcept;

// True once a write to standard error failed.
bool error_output_lost() noexcept;

}  // namespace stubmeta_cli
