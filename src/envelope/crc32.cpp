// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include <atomic>

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

// The path tw_crc32 runs: at first a stand-in that asks the processor,
// records its answer here and runs the path it chose; from then on that
// path.  The one value this ever changes to depends only on the processor,
// and every path gives the same result, so a thread that still sees the
// stand-in merely asks again: relaxed order is enough.  A namespace-scope
// constant-initialised pointer rather than a function-local static keeps
// the guard, and the registers its slow path saves, out of every call.
std::uint32_t ChooseAndRun(std::uint32_t crc, const unsigned char* data, std::size_t length);
constinit std::atomic<Crc32Path> chosenPath{ChooseAndRun};

std::uint32_t ChooseAndRun(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    const Crc32Path path = ChooseCrc32Path();
    chosenPath.store(path, std::memory_order_relaxed);
    return path(crc, data, length);
}

}  // namespace
}  // namespace stubmeta

extern "C" STUBMETA_API void tw_crc32(const void* data, uint64_t length, uint32_t* crc) {
    // The running value is the caller's: read once, written once, nothing
    // preset or inverted, so runs over consecutive pieces chain.
    *crc = stubmeta::chosenPath.load(std::memory_order_relaxed)(
        *crc, static_cast<const unsigned char*>(data), static_cast<std::size_t>(length));
}
