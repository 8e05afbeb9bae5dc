// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// tw_crc32 beside zlib's crc32 and ISA-L's crc32_gzip_refl at the same
// sizes, and the library's own portable paths for reference.  zlib and
// ISA-L preset and invert the value; that costs two XORs per call and does
// not change the ratios.
#include <cstdint>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>
#include <isa-l/crc.h>
#include <zlib.h>

#include "envelope/crc32_fold.h"
#include "envelope/crc32_slice16.h"
#include "envelope/crc32_table.h"
#include "stubmeta.h"

namespace {

const std::vector<unsigned char>& RandomData() {
    static const std::vector<unsigned char> data = [] {
        std::vector<unsigned char> bytes(65536);
        std::mt19937 random(1);
        for (auto& b : bytes)
            b = static_cast<unsigned char>(random());
        return bytes;
    }();
    return data;
}

template <typename Step>
void RunCrc(benchmark::State& state, Step step) {
    const auto length = static_cast<std::size_t>(state.range(0));
    const unsigned char* data = RandomData().data();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (auto _ : state) {
        crc = step(crc, data, length);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_Crc32_tw_crc32(benchmark::State& state) {
    RunCrc(state, [](std::uint32_t crc, const unsigned char* data, std::size_t length) {
        tw_crc32(data, length, &crc);
        return crc;
    });
}

void BM_Crc32_zlib(benchmark::State& state) {
    RunCrc(state, [](std::uint32_t crc, const unsigned char* data, std::size_t length) {
        return static_cast<std::uint32_t>(crc32(crc, data, static_cast<uInt>(length)));
    });
}

void BM_Crc32_isal(benchmark::State& state) {
    RunCrc(state, [](std::uint32_t crc, const unsigned char* data, std::size_t length) {
        return crc32_gzip_refl(crc, data, length);
    });
}

void BM_Crc32_slice16(benchmark::State& state) { RunCrc(state, stubmeta::Crc32SliceBy16); }

// The two folding paths called directly, where this processor has them.
void BM_Crc32_fold128(benchmark::State& state) {
    if (!stubmeta::Crc32FoldSupported()) {
        state.SkipWithError("no PCLMULQDQ on this processor");
        return;
    }
    RunCrc(state, stubmeta::Crc32Fold);
}

void BM_Crc32_fold512(benchmark::State& state) {
    if (!stubmeta::Crc32FoldWideSupported()) {
        state.SkipWithError("no VPCLMULQDQ with AVX-512 on this processor");
        return;
    }
    RunCrc(state, stubmeta::Crc32FoldWide);
}

void BM_Crc32_bytewise(benchmark::State& state) {
    RunCrc(state, [](std::uint32_t crc, const unsigned char* data, std::size_t length) {
        return stubmeta::Crc32Bytewise(crc, data, length);
    });
}

void CrcSizes(benchmark::internal::Benchmark* b) {
    for (std::int64_t size : {16, 64, 256, 1024, 4096, 65536})
        b->Arg(size);
}

BENCHMARK(BM_Crc32_tw_crc32)->Apply(CrcSizes);
BENCHMARK(BM_Crc32_zlib)->Apply(CrcSizes);
BENCHMARK(BM_Crc32_isal)->Apply(CrcSizes);
BENCHMARK(BM_Crc32_fold128)->Apply(CrcSizes);
BENCHMARK(BM_Crc32_fold512)->Apply(CrcSizes);
BENCHMARK(BM_Crc32_slice16)->Apply(CrcSizes);
BENCHMARK(BM_Crc32_bytewise)->Apply(CrcSizes);

}  // namespace
