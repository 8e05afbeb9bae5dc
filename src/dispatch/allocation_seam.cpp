// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "dispatch/allocation_seam.h"

namespace stubmeta::testing {
namespace {

struct Counters {
    std::uint64_t attempted = 0;
    std::uint64_t failAt = 0;
    std::int64_t outstanding = 0;
};

thread_local Counters counters;

}  // namespace

void FailAllocationNumber(std::uint64_t n) {
    counters.failAt = n == 0 ? 0 : counters.attempted + n;
}
std::uint64_t AllocationsAttempted() { return counters.attempted; }
std::int64_t BlocksOutstanding() { return counters.outstanding; }
void ResetAllocationCounters() { counters = Counters{}; }

bool AllocationAllowed() {
    ++counters.attempted;
    return counters.attempted != counters.failAt;
}
void NoteAllocated() { ++counters.outstanding; }
void NoteReleased() { --counters.outstanding; }

}  // namespace stubmeta::testing
