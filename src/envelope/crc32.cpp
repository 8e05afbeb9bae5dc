#include "envelope/crc32_table.h"
#include "stubmeta.h"

extern "C" STUBMETA_API void tw_crc32(const void *data, uint64_t length, uint32_t *crc) {
    // The running value is the caller's: read once, written once, nothing
    // preset or inverted, so runs over consecutive pieces chain.
    *crc = stubmeta::Crc32Bytewise(*crc, static_cast<const unsigned char *>(data),
                                   static_cast<std::size_t>(length));
}
