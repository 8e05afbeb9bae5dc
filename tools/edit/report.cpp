// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "edit/report.h"

#include <array>
#include <cstdio>
#include <unistd.h>
#include <utility>

#include "record/json.h"
#include "support/console.h"
#include "support/printable.h"
#include "support/tool_status.h"

namespace stubmeta_cli {
namespace {

std::string csv_field(const std::string& value) {
    if (value.find_first_of(",\"\r\n") == std::string::npos)
        return value;
    std::string quoted = "\"";
    for (const char c : value) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string quoted_if_text(const FieldChange& change, const std::string& value) {
    if (field_info(change.field).kind != FieldKind::Text)
        return value;
    return "\"" + printable(value) + "\"";
}

}  // namespace

EditReport::EditReport(std::string format, bool dryRun, ScanProgress& progress)
    : format_(std::move(format)), dryRun_(dryRun), progress_(progress),
      onTerminal_(::isatty(STDOUT_FILENO) == 1) {}

void EditReport::begin() {
    if (format_ == "csv")
        print("path,field,old,new\n");
}

std::string EditReport::rows_of(const std::string& path, const FileEdit& edit) const {
    std::string lines;
    for (const FieldChange& change : edit.changes) {
        const std::string_view name = field_info(change.field).name;
        if (format_ == "json") {
            Json object = Json::object();
            object["path"] = json_text(path);
            object["field"] = std::string(name);
            object["old"] = json_text(change.before);
            object["new"] = json_text(change.after);
            if (dryRun_)
                object["dryRun"] = true;
            lines += json_line(object) + "\n";
        } else if (format_ == "csv") {
            lines += csv_field(path) + "," + std::string(name) + "," + csv_field(change.before) +
                     "," + csv_field(change.after) + "\n";
        } else {
            lines += printable(path) + "  " + std::string(name) + "  " +
                     quoted_if_text(change, change.before) + " -> " +
                     quoted_if_text(change, change.after) + "\n";
        }
    }
    return lines;
}

void EditReport::print(const std::string& lines) {
    if (holding_) {
        held_.rows += lines;
        ++heldRows_;
        return;
    }
    const auto write = [&lines] {
        write_out(lines);
        flush_out();
    };
    if (onTerminal_)
        progress_.while_paused(write);
    else
        write();
}

void EditReport::print_message(const std::string& line) {
    if (holding_)
        held_.messages.push_back(line);
    else
        progress_.while_paused([&line] { print_error(line); });
}

void EditReport::hold() {
    const std::lock_guard<std::mutex> lock(mutex_);
    holding_ = true;
}

HeldEditOutput EditReport::take_held() {
    const std::lock_guard<std::mutex> lock(mutex_);
    HeldEditOutput held = std::move(held_);
    held.counts = counts_;
    held_ = HeldEditOutput();
    counts_ = EditCounts();
    heldRows_ = 0;
    return held;
}

std::size_t EditReport::held_lines() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return heldRows_ + held_.messages.size();
}

void EditReport::add_held(const HeldEditOutput& held) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!held.rows.empty())
        print(held.rows);
    for (const std::string& line : held.messages)
        print_message(line);
    EditCounts& c = counts_;
    const EditCounts& more = held.counts;
    c.examined += more.examined;
    c.stubs += more.stubs;
    c.changed += more.changed;
    c.unchanged += more.unchanged;
    c.notSelected += more.notSelected;
    c.damaged += more.damaged;
    c.skipped += more.skipped;
    c.lostUpdates += more.lostUpdates;
    c.failed += more.failed;
}

void EditReport::add(const std::string& path, const FileEdit& edit) {
    const std::lock_guard<std::mutex> lock(mutex_);
    ++counts_.examined;
    const bool stub = edit.outcome != FileOutcome::NotStub && edit.outcome != FileOutcome::Failed;
    counts_.stubs += stub ? 1 : 0;
    switch (edit.outcome) {
    case FileOutcome::NotStub:
        return;
    case FileOutcome::Damaged:
        ++counts_.damaged;
        return;
    case FileOutcome::NotSelected:
        ++counts_.notSelected;
        return;
    case FileOutcome::Unchanged:
        ++counts_.unchanged;
        return;
    case FileOutcome::Changed:
        ++counts_.changed;
        print(rows_of(path, edit));
        return;
    case FileOutcome::Skipped:
        ++counts_.skipped;
        break;
    case FileOutcome::LostUpdate:
        ++counts_.lostUpdates;
        break;
    case FileOutcome::Failed:
        --counts_.examined;
        ++counts_.failed;
        break;
    }
    print_message(edit.message);
}

void EditReport::add_unreadable(const std::string& message) {
    const std::lock_guard<std::mutex> lock(mutex_);
    ++counts_.failed;
    print_message(message);
}

int EditReport::finish(double elapsedSeconds) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const EditCounts& c = counts_;
    struct Item {
        const char* key;    // JSON
        const char* label;  // text
        std::uint64_t value;
    };
    const Item items[] = {
        {"filesExamined", "files examined", c.examined},
        {"stubs", "stubs", c.stubs},
        {dryRun_ ? "wouldChange" : "changed", dryRun_ ? "would change" : "changed", c.changed},
        {"unchanged", "unchanged", c.unchanged},
        {"notSelected", "not selected", c.notSelected},
        {"damaged", "damaged", c.damaged},
        {"skipped", "skipped", c.skipped},
        {"lostUpdates", "lost updates", c.lostUpdates},
        {"unreadable", "unreadable", c.failed}};
    if (format_ == "json") {
        Json inner = Json::object();
        for (const Item& item : items)
            inner[item.key] = item.value;
        inner["elapsedSeconds"] = elapsedSeconds;
        Json object = Json::object();
        object["summary"] = inner;
        write_out(json_line(object) + "\n");
    } else {
        std::string text;
        for (const Item& item : items)
            text += (std::string(item.label) + "                ").substr(0, 16) +
                    std::to_string(item.value) + "\n";
        std::array<char, 32> elapsed{};
        (void)std::snprintf(elapsed.data(), elapsed.size(), "%.3f s", elapsedSeconds);
        text += std::string("elapsed         ") + elapsed.data() + "\n";
        if (format_ == "csv")
            write_error_text(text);
        else
            write_out(text);
    }
    flush_out();
    if (c.failed != 0)
        return kExitUsageOrIo;
    return c.skipped != 0 || c.lostUpdates != 0 ? kExitRefused : kExitOk;
}

}  // namespace stubmeta_cli
