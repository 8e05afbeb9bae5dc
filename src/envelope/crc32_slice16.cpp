// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "envelope/crc32_slice16.h"

#include "support/bytes.h"

namespace stubmeta {

std::uint32_t Crc32SliceBy16(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    while (length >= 16) {
        crc = Crc32SixteenByteStep(crc, LoadLittleEndian64(data), LoadLittleEndian64(data + 8));
        data += 16;
        length -= 16;
    }
    return Crc32Bytewise(crc, data, length);
}

}  // namespace stubmeta
