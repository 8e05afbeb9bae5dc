// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The library's one allocation pair.  Every block the library takes goes
// through here, so a caller (or a test) sees all of its memory in one place.
#include <cstdlib>

#include "stubmeta.h"

#ifdef STUBMETA_ALLOCATION_SEAM
#include "dispatch/allocation_seam.h"
#endif

extern "C" {

STUBMETA_API void* AllocateMemory_t(uint64_t size) {
#ifdef STUBMETA_ALLOCATION_SEAM
    if (!stubmeta::testing::AllocationAllowed())
        return nullptr;
#endif
    if (size > SIZE_MAX)
        return nullptr;
    // malloc(0) may answer null; a zero-byte request is still a valid block.
    void* block = std::malloc(size == 0 ? 1 : static_cast<std::size_t>(size));
#ifdef STUBMETA_ALLOCATION_SEAM
    if (block != nullptr)
        stubmeta::testing::NoteAllocated();
#endif
    return block;
}

STUBMETA_API void FreeMemory_t(void* block) {
#ifdef STUBMETA_ALLOCATION_SEAM
    if (block != nullptr)
        stubmeta::testing::NoteReleased();
#endif
    std::free(block);
}

}  // extern "C"
