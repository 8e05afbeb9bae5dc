// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The list `scan --files0-from` reads: arbitrary bytes in a file.
//
// The names read, each followed by a NUL, give the list back (a last name
// without its NUL counts as if it had one); none holds a NUL or is longer
// than the reader allows; where() names the list and how many names came.
#include <cstddef>
#include <cstdint>
#include <string>

#include "scan/roots.h"
#include "support/tool_status.h"
#include "tool_fuzz_support.h"

namespace {

using namespace stubmeta::fuzz;

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

    stubmeta_cli::NulSeparatedNames names(list.path(), [] { return false; }, [] {});
    std::string joined;
    std::string name;
    std::size_t count = 0;
    while (names.next(name)) {
        Check(name.find('\0') == std::string::npos, "a name holds no NUL");
        joined += name;
        joined += '\0';
        ++count;
        Check(names.where() == list.path() + ":" + std::to_string(count),
              "where() counts the names read");
    }
    Check(joined == expected, "the names give the list back");
    return 0;
}
