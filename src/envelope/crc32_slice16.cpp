#include "envelope/crc32_slice16.h"

namespace stubmeta {
namespace {

// Eight bytes as a little-endian number, whatever the host's byte order;
// compilers turn this into one load on a little-endian host.
std::uint64_t LoadLittleEndian64(const unsigned char* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

}  // namespace

std::uint32_t Crc32SliceBy16(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    while (length >= 16) {
        crc = Crc32SixteenByteStep(crc, LoadLittleEndian64(data), LoadLittleEndian64(data + 8));
        data += 16;
        length -= 16;
    }
    return Crc32Bytewise(crc, data, length);
}

}  // namespace stubmeta
