/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Test-only seam in the allocation pair.  Built only into the internal test
// library (STUBMETA_ALLOCATION_SEAM); the shipped library has no such state.
// Counters are per thread, so concurrent tests do not disturb each other.
#ifndef STUBMETA_DISPATCH_ALLOCATION_SEAM_H
#define STUBMETA_DISPATCH_ALLOCATION_SEAM_H

#include <cstdint>

namespace stubmeta::testing {

// Makes the n-th allocation from now on fail (1 = the next one); 0 never.
void FailAllocationNumber(std::uint64_t n);
// Allocations attempted since the last ResetAllocationCounters.
std::uint64_t AllocationsAttempted();
// Blocks taken and not yet released since the last reset.
std::int64_t BlocksOutstanding();
void ResetAllocationCounters();

// Used by the allocation pair.
bool AllocationAllowed();
void NoteAllocated();
void NoteReleased();

}  // namespace stubmeta::testing

#endif
