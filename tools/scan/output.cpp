// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "scan/output.h"

#include <array>
#include <charconv>

#include "stub/type_names.h"
#include "scan/ntfs_output.h"
#include "record/json.h"
#include "record/text.h"

namespace stubmeta_cli {
namespace {

// value with digits decimals, as printf's %.Nf writes it.
std::string fixed_point(double value, int digits) {
    std::array<char, 64> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value,
                                      std::chars_format::fixed, digits);
    if (result.ec != std::errc())
        return "-";
    return std::string(text.data(), result.ptr);
}

std::string type_column(const ScanRow& row) {
    return row.type == 0 ? "- UNIX" : std::to_string(row.type) + " " + type_name(row.type);
}

std::string csv_field(const std::string& value) {
    if (value.find_first_of(",\"\r\n") == std::string::npos)
        return value;
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

double files_per_second(const ScanSummary& summary) {
    return summary.elapsedSeconds > 0
               ? static_cast<double>(summary.filesExamined) / summary.elapsedSeconds
               : 0.0;
}

}  // namespace

void count_row(ScanSummary& summary, const ScanRow& row) {
    if (row.ntfs && summary.ntfs) {
        ++summary.ntfs->reparsePoints;
        if (row.ntfs->otherTag) {
            ++summary.ntfs->otherTags[row.ntfs->tag];
            return;
        }
    }
    ++summary.stubs;
    ++summary.stubsByType[row.type];
    if (row.damaged)
        ++summary.damaged;
    summary.apparentSize += row.apparentSize;
    summary.allocatedSize += row.allocatedSize;
}

std::string row_text(const ScanRow& row) {
    std::string line = printable(row.path) + "  ";
    if (row.ntfs) {
        line += ntfs_text_columns(*row.ntfs, row.apparentSize, row.allocatedSize) + "  ";
        if (row.ntfs->otherTag)
            return line + "-  other  " + row.problem;
    }
    line += type_column(row) + "  ";
    if (row.damaged)
        return line + "damaged  " + row.problem;
    return line + "ok  common1=" + std::to_string(row.common1) +
           " number2=" + std::to_string(row.number2) + " text=\"" + printable(row.text) + "\"";
}

std::string row_json(const ScanRow& row) {
    Json object;
    object["path"] = json_text(row.path);
    if (row.type == 0) {
        object["type"] = nullptr;
        object["typeName"] = nullptr;
    } else {
        object["type"] = row.type;
        object["typeName"] = type_name(row.type);
    }
    const bool other = row.ntfs && row.ntfs->otherTag;
    object["state"] = other ? "other" : row.damaged ? "damaged" : "ok";
    if (other || row.damaged) {
        object["error"] = json_text(row.problem);
    } else {
        object["common1"] = row.common1;
        object["number2"] = json_uint64(row.number2);
        object["text"] = json_text(row.text);
    }
    object["apparentSize"] = row.apparentSize;
    object["allocatedSize"] = row.allocatedSize;
    if (row.ntfs)
        add_ntfs_json(object, *row.ntfs);
    return json_line(object);
}

std::string csv_header(bool ntfs) {
    const std::string header =
        "path,type,typeName,state,common1,number2,text,apparentSize,allocatedSize,error";
    return ntfs ? header + "," + ntfs_csv_header() : header;
}

std::string row_csv(const ScanRow& row) {
    const bool known = row.type != 0;
    const bool other = row.ntfs && row.ntfs->otherTag;
    const bool fields = !row.damaged && !other;
    const std::string state = other ? "other" : row.damaged ? "damaged" : "ok";
    std::string line = csv_field(row.path) + "," + (known ? std::to_string(row.type) : "") + "," +
                       (known ? type_name(row.type) : "") + "," + state + "," +
                       (fields ? std::to_string(row.common1) : "") + "," +
                       (fields ? std::to_string(row.number2) : "") + "," +
                       (fields ? csv_field(row.text) : "") + "," +
                       std::to_string(row.apparentSize) + "," + std::to_string(row.allocatedSize) +
                       "," + csv_field(row.problem);
    return row.ntfs ? line + "," + ntfs_csv_fields(*row.ntfs) : line;
}

std::string summary_text(const ScanSummary& summary) {
    std::string byType;
    for (const auto& [type, count] : summary.stubsByType) {
        byType += byType.empty() ? " (" : ", ";
        byType += (type == 0 ? std::string("unknown") : "type " + std::to_string(type)) + ": " +
                  std::to_string(count);
    }
    if (!byType.empty())
        byType += ")";
    const std::string timing = fixed_point(summary.elapsedSeconds, 3) + " s, " +
                               fixed_point(files_per_second(summary), 0) + " files/s";
    return "files examined  " + std::to_string(summary.filesExamined) + "\n" + "stubs           " +
           std::to_string(summary.stubs) + byType + "\n" + "damaged         " +
           std::to_string(summary.damaged) + "\n" + "unreadable      " +
           std::to_string(summary.unreadable) + "\n" + "apparent size   " +
           std::to_string(summary.apparentSize) + " bytes\n" + "allocated size  " +
           std::to_string(summary.allocatedSize) + " bytes\n" +
           (summary.ntfs ? ntfs_summary_text(*summary.ntfs) : std::string()) + "elapsed         " +
           timing + "\n";
}

std::string summary_json(const ScanSummary& summary) {
    Json byType = Json::object();
    for (const auto& [type, count] : summary.stubsByType)
        byType[type == 0 ? std::string("unknown") : std::to_string(type)] = count;
    Json inner;
    inner["filesExamined"] = summary.filesExamined;
    inner["stubs"] = summary.stubs;
    inner["stubsByType"] = byType;
    inner["damaged"] = summary.damaged;
    inner["unreadable"] = summary.unreadable;
    inner["apparentSize"] = summary.apparentSize;
    inner["allocatedSize"] = summary.allocatedSize;
    if (summary.ntfs)
        add_ntfs_summary_json(inner, *summary.ntfs);
    inner["elapsedSeconds"] = summary.elapsedSeconds;
    inner["filesPerSecond"] = files_per_second(summary);
    Json object;
    object["summary"] = inner;
    return json_line(object);
}

}  // namespace stubmeta_cli
