// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Parsing each type through ParseReparseDataForStubType (its own type) and
// through ParseReparseData (the first-match search), and, as the floor a
// parse cannot go below, the same number of allocation pairs on their own.
#include <array>
#include <chrono>
#include <string>

#include <benchmark/benchmark.h>

#include "sample_stubs.h"

namespace {

using stubmeta::bench::SampleStub;

void ParseAsOwnType(benchmark::State& state, const SampleStub* sample) {
    ReparseData record{};
    if (ParseReparseDataForStubType(sample->bytes.data(), sample->type, &record) != 0) {
        state.SkipWithError("the sample does not parse as its own type");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            ParseReparseDataForStubType(sample->bytes.data(), sample->type, &record));
        benchmark::ClobberMemory();
    }
}

void ParseFirstMatch(benchmark::State& state, const SampleStub* sample) {
    ReparseData record{};
    if (ParseReparseData(sample->bytes.data(), &record) != 0) {
        state.SkipWithError("the sample does not parse");
        return;
    }
    // Which type the first-match search settles on.
    state.SetLabel("found type " + std::to_string(record.stubType));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseReparseData(sample->bytes.data(), &record));
        benchmark::ClobberMemory();
    }
}

// `count` blocks taken and then released, as a parse holds its tokens until
// it has filled the record; small blocks, as tokens are.
void AllocationPairs(benchmark::State& state, int count) {
    std::array<void*, 64> blocks{};
    for (auto _ : state) {
        for (int i = 0; i < count; ++i)
            blocks[static_cast<std::size_t>(i)] = AllocateMemory_t(16);
        benchmark::DoNotOptimize(blocks.data());
        for (int i = 0; i < count; ++i)
            FreeMemory_t(blocks[static_cast<std::size_t>(i)]);
    }
}

// The parse and the same number of allocation pairs alternated in blocks of
// a few microseconds inside one benchmark, timed on the wall clock.  Both
// halves see the same machine, so their ratio (the parse goal's measure)
// holds steady on a shared host where two rows taken seconds apart can
// differ by a quarter.
void ParseAgainstAllocationPairs(benchmark::State& state, const SampleStub* sample) {
    using Clock = std::chrono::steady_clock;
    constexpr int kBlock = 64;
    const int pairs = stubmeta::bench::AllocationsPerParse(*sample);
    ReparseData record{};
    std::array<void*, 64> blocks{};
    Clock::duration parsing{};
    Clock::duration allocating{};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        for (int n = 0; n < kBlock; ++n) {
            benchmark::DoNotOptimize(
                ParseReparseDataForStubType(sample->bytes.data(), sample->type, &record));
            benchmark::ClobberMemory();
        }
        const Clock::time_point middle = Clock::now();
        for (int n = 0; n < kBlock; ++n) {
            for (int i = 0; i < pairs; ++i)
                blocks[static_cast<std::size_t>(i)] = AllocateMemory_t(16);
            benchmark::DoNotOptimize(blocks.data());
            for (int i = 0; i < pairs; ++i)
                FreeMemory_t(blocks[static_cast<std::size_t>(i)]);
        }
        parsing += middle - start;
        allocating += Clock::now() - middle;
    }
    const double calls = static_cast<double>(state.iterations()) * kBlock;
    const double parseNs = std::chrono::duration<double, std::nano>(parsing).count() / calls;
    const double pairsNs = std::chrono::duration<double, std::nano>(allocating).count() / calls;
    state.counters["parse_ns"] = parseNs;
    state.counters["pairs_ns"] = pairsNs;
    state.counters["ratio"] = pairsNs > 0 ? parseNs / pairsNs : 0;
}

// Registered at start-up, once the samples (and each one's allocation
// count) are known.
const bool kRegistered = [] {
    for (const SampleStub& s : stubmeta::bench::TypeSamples()) {
        benchmark::RegisterBenchmark(("BM_ParseForStubType/" + s.label).c_str(), ParseAsOwnType,
                                     &s);
        benchmark::RegisterBenchmark(("BM_ParseReparseData/" + s.label).c_str(), ParseFirstMatch,
                                     &s);
        const int pairs = stubmeta::bench::AllocationsPerParse(s);
        benchmark::RegisterBenchmark(
            ("BM_AllocationPairs/" + s.label + "/" + std::to_string(pairs)).c_str(),
            AllocationPairs, pairs);
        benchmark::RegisterBenchmark(("BM_ParseAgainstAllocationPairs/" + s.label).c_str(),
                                     ParseAgainstAllocationPairs, &s);
    }
    for (const SampleStub& s : stubmeta::bench::UnixLayoutSamples()) {
        benchmark::RegisterBenchmark(("BM_ParseUnixForStubType/" + s.label).c_str(), ParseAsOwnType,
                                     &s);
        benchmark::RegisterBenchmark(("BM_ParseUnixReparseData/" + s.label).c_str(),
                                     ParseFirstMatch, &s);
    }
    return true;
}();

}  // namespace
