// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Wrapping the Unix text of the full layout in an envelope and unwrapping
// it again, checksum included.
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "sample_stubs.h"

namespace {

using stubmeta::bench::TypeSamples;

const stubmeta::bench::SampleStub& SampleLabelled(const char* label) {
    for (const auto& s : TypeSamples())
        if (s.label == label)
            return s;
    throw std::runtime_error("no such sample");
}

void BM_EnvelopeWrap(benchmark::State& state) {
    const char* text = SampleLabelled("6_unix_bare").bytes.data();
    std::vector<char> buffer(70000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            tkhsm_meta2stub(text, 8192, buffer.data(), static_cast<int32_t>(buffer.size())));
        benchmark::ClobberMemory();
    }
}

void BM_EnvelopeUnwrap(benchmark::State& state) {
    const char* envelope = SampleLabelled("7_unix_envelope_le").bytes.data();
    std::vector<char> buffer(70000);
    for (auto _ : state) {
        int32_t total = 0;
        uint64_t value = 0;
        StubType order = 0;
        benchmark::DoNotOptimize(tkhsm_stub2meta(envelope, &total, &value, buffer.data(),
                                                 static_cast<int32_t>(buffer.size()), &order));
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_EnvelopeWrap);
BENCHMARK(BM_EnvelopeUnwrap);

}  // namespace
