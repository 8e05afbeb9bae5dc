// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include <iostream>
#include <stubmeta.hpp>

int main() {
    // Any bytes of known length: a std::string, a file's contents, a view.
    const auto record = stubmeta::parse("1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99",
                                        stubmeta::Family::nas_stubs);
    if (!record)
        return 1;
    std::cout << stubmeta::type_name(record->stubType) << " " << record->longText << "\n";

    const std::string envelope = stubmeta::generate(*record, STUB_TYPE_UNIX_BIGENDIAN);
    const auto opened = stubmeta::unwrap(envelope);
    std::cout << envelope.size() << " bytes holding " << opened->text << "\n";
    try {
        stubmeta::wrap(std::string(70000, 'x'), 0);
    } catch (const stubmeta::error& e) {
        std::cout << "refused: " << e.what() << "\n";
    }
}
