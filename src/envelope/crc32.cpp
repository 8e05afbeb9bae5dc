#include "envelope/crc32_arm.h"
#include "envelope/crc32_fold.h"
#include "envelope/crc32_slice16.h"
#include "stubmeta.h"

namespace stubmeta {
namespace {

using Crc32Path = std::uint32_t (*)(std::uint32_t, const unsigned char*, std::size_t);

// The fastest path this processor runs; every path gives the same value.
Crc32Path ChooseCrc32Path() {
    if (Crc32FoldWideSupported())
        return Crc32FoldWide;
    if (Crc32FoldSupported())
        return Crc32Fold;
    if (Crc32ArmSupported())
        return Crc32Arm;
    return Crc32SliceBy16;
}

}  // namespace
}  // namespace stubmeta

extern "C" STUBMETA_API void tw_crc32(const void* data, uint64_t length, uint32_t* crc) {
    // Chosen once, on the first call; the initialisation of a local static
    // is thread-safe, and the pointer never changes afterwards.
    static const stubmeta::Crc32Path path = stubmeta::ChooseCrc32Path();
    // The running value is the caller's: read once, written once, nothing
    // preset or inverted, so runs over consecutive pieces chain.
    *crc = path(*crc, static_cast<const unsigned char*>(data), static_cast<std::size_t>(length));
}
