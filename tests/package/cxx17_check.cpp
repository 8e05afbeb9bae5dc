// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Compiled as C++17 under the project's warnings: every function of the C++
// interface, without the std::span overloads.
#include "stubmeta.hpp"

#if defined(__cpp_lib_span)
#error "this check is meant to compile without std::span"
#endif

int stubmeta_cxx17_check();

int stubmeta_cxx17_check() {
    const auto record =
        stubmeta::parse(std::string_view("1:2:3:4:5:1:5:/a/b|9"), stubmeta::Family::unix_stubs);
    if (!record || !stubmeta::parse("x", StubType{3}) || !stubmeta::parse("x"))
        return 1;
    const std::string stub = stubmeta::generate(*record, STUB_TYPE_UNIX_BIGENDIAN);
    const auto opened = stubmeta::unwrap(stubmeta::wrap("1:2:3:4:5", 1));
    const stubmeta::EnvelopeCheck check = stubmeta::check_envelope(stub);
    if (check.status != STUBMETA_OK && stubmeta::message(check.status)[0] == '\0')
        return 2;
    return static_cast<int>(stub.size() + stubmeta::type_name(1).size() + opened->size +
                            stubmeta::crc32(stub));
}
