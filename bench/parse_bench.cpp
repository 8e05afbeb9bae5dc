// Parsing each type through ParseReparseDataForStubType (its own type) and
// through ParseReparseData (the first-match search), and, as the floor a
// parse cannot go below, the same number of allocation pairs on their own.
#include <array>
#include <string>

#include <benchmark/benchmark.h>

#include "sample_stubs.h"

namespace {

using stubmeta::bench::SampleStub;

void ParseAsOwnType(benchmark::State &state, const SampleStub *sample) {
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

void ParseFirstMatch(benchmark::State &state, const SampleStub *sample) {
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
void AllocationPairs(benchmark::State &state, int count) {
    std::array<void *, 64> blocks{};
    for (auto _ : state) {
        for (int i = 0; i < count; ++i)
            blocks[static_cast<std::size_t>(i)] = AllocateMemory_t(16);
        benchmark::DoNotOptimize(blocks.data());
        for (int i = 0; i < count; ++i)
            FreeMemory_t(blocks[static_cast<std::size_t>(i)]);
    }
}

// Registered at start-up, once the samples (and each one's allocation
// count) are known.
const bool kRegistered = [] {
    for (const SampleStub &s : stubmeta::bench::TypeSamples()) {
        benchmark::RegisterBenchmark(("BM_ParseForStubType/" + s.label).c_str(), ParseAsOwnType,
                                     &s);
        benchmark::RegisterBenchmark(("BM_ParseReparseData/" + s.label).c_str(), ParseFirstMatch,
                                     &s);
        const int pairs = stubmeta::bench::AllocationsPerParse(s);
        benchmark::RegisterBenchmark(
            ("BM_AllocationPairs/" + s.label + "/" + std::to_string(pairs)).c_str(),
            AllocationPairs, pairs);
    }
    for (const SampleStub &s : stubmeta::bench::UnixLayoutSamples()) {
        benchmark::RegisterBenchmark(("BM_ParseUnixForStubType/" + s.label).c_str(),
                                     ParseAsOwnType, &s);
        benchmark::RegisterBenchmark(("BM_ParseUnixReparseData/" + s.label).c_str(),
                                     ParseFirstMatch, &s);
    }
    return true;
}();

} // namespace
