// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The list `scan --files0-from` reads: arbitrary bytes in a file.
//
// The names read, each followed by a NUL, give the list back (a last name
// without its NUL counts as if it had one); none holds a NUL; where() names
// the list and how many names came.  A list holding a name longer than
// PATH_MAX - 1 bytes is refused with status 2 at that name, after the ones
// before it, so that memory stays bounded whatever the list.
#include <cstddef>
#include <climits>
#include <cstdint>
#include <string>

#include "scan/roots.h"
#include "support/tool_status.h"
#include "tool_fuzz_support.h"

namespace {

using namespace stubmeta::fuzz;

constexpr std::size_t kLongestName = PATH_MAX - 1;

// The list up to its first name longer than kLongestName, or all of it.
std::size_t before_long_name(const std::string& list) {
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t nul = list.find('\0', start);
        if (nul == std::string::npos)
            nul = list.size();
        if (nul - start > kLongestName)
            return start;
        start = nul + 1;
    }
    return list.size();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    static_cast<void>(ReportDescriptor());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const MemoryFile list;
    list.write_all(data, size);
    std::string expected(reinterpret_cast<const char*>(data), size);
    if (!expected.empty() && expected.back() != '\0')
        expected += '\0';

    const std::size_t readable = before_long_name(expected);

    const std::string label = list.path() + ":";
    stubmeta_cli::NulSeparatedNames names(
        list.path(), [] { return false; }, [] {});
    std::string joined;
    std::string name;
    std::size_t count = 0;
    try {
        while (names.next(name)) {
            Check(name.find('\0') == std::string::npos, "a name holds no NUL");
            joined += name;
            joined += '\0';
            ++count;
            Check(names.where() == label + std::to_string(count), "where() counts the names read");
        }
    } catch (const stubmeta_cli::ToolError& error) {
        Check(error.status() == stubmeta_cli::kExitUsageOrIo, "a refused list is status 2");
        Check(readable < expected.size(), "only a list with a name too long is refused");
        Check(joined == expected.substr(0, readable), "the names before it are read");
        return 0;
    }
    Check(readable == expected.size(), "a name too long is refused");
    Check(joined == expected, "the names give the list back");
    return 0;
}
