#include "scan_output.h"

#include <array>
#include <charconv>

#include "cli_types.h"
#include "record_json.h"
#include "record_text.h"

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
    ++summary.stubs;
    ++summary.stubsByType[row.type];
    if (row.damaged)
        ++summary.damaged;
    summary.apparentSize += row.apparentSize;
    summary.allocatedSize += row.allocatedSize;
}

std::string row_text(const ScanRow& row) {
    std::string line = printable(row.path) + "  " + type_column(row) + "  ";
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
    object["state"] = row.damaged ? "damaged" : "ok";
    if (row.damaged) {
        object["error"] = json_text(row.problem);
    } else {
        object["common1"] = row.common1;
        object["number2"] = json_uint64(row.number2);
        object["text"] = json_text(row.text);
    }
    object["apparentSize"] = row.apparentSize;
    object["allocatedSize"] = row.allocatedSize;
    return json_line(object);
}

std::string csv_header() {
    return "path,type,typeName,state,common1,number2,text,apparentSize,allocatedSize,error";
}

std::string row_csv(const ScanRow& row) {
    const bool known = row.type != 0;
    return csv_field(row.path) + "," + (known ? std::to_string(row.type) : "") + "," +
           (known ? type_name(row.type) : "") + "," + (row.damaged ? "damaged" : "ok") + "," +
           (row.damaged ? "" : std::to_string(row.common1)) + "," +
           (row.damaged ? "" : std::to_string(row.number2)) + "," +
           (row.damaged ? "" : csv_field(row.text)) + "," + std::to_string(row.apparentSize) + "," +
           std::to_string(row.allocatedSize) + "," + csv_field(row.problem);
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
           std::to_string(summary.allocatedSize) + " bytes\n" + "elapsed         " + timing + "\n";
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
    inner["elapsedSeconds"] = summary.elapsedSeconds;
    inner["filesPerSecond"] = files_per_second(summary);
    Json object;
    object["summary"] = inner;
    return json_line(object);
}

}  // namespace stubmeta_cli
