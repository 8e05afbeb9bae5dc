/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The stubs the benchmarks read and the records they write, built once
// through the library's own writers.
#ifndef STUBMETA_BENCH_SAMPLE_STUBS_H
#define STUBMETA_BENCH_SAMPLE_STUBS_H

#include <string>
#include <vector>

#include "stubmeta.h"

namespace stubmeta::bench {

// One parse input: its bytes (NUL-terminated, NTFS with its 24-byte header),
// the type it is, and a label for the benchmark's name.
struct SampleStub {
    std::string label;
    StubType type;
    std::vector<char> bytes;
};

// A record with every field filled, plausible in size for a real stub.
ReparseData FullRecord();

// The four Unix layouts: 0 the common numbers only, 1 a text, 2 a text and
// number1, 3 everything.
ReparseData UnixRecord(int layout);

// One sample of each text type (1 to 4), and of Unix layout 3 bare, in an
// envelope with the checksum little-endian (7) and big-endian (6).
const std::vector<SampleStub>& TypeSamples();

// Unix layouts 1 to 3 bare and in a little-endian envelope (layout 0, the
// common numbers alone, is written but never read back).
const std::vector<SampleStub>& UnixLayoutSamples();

// How many blocks one parse of `sample` as its own type takes from the
// allocation pair.
int AllocationsPerParse(const SampleStub& sample);

}  // namespace stubmeta::bench

#endif
