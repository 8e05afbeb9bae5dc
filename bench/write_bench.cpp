// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Each writer, and snprintf rendering the same texts, the yardstick for
// rendering numbers without printf.
#include <cinttypes>
#include <cstdio>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>

#include "sample_stubs.h"

namespace {

void Write(benchmark::State& state, StubType type) {
    const ReparseData record = type >= STUB_TYPE_UNIX_BIGENDIAN ? stubmeta::bench::UnixRecord(3)
                                                                : stubmeta::bench::FullRecord();
    std::vector<char> buffer(8192);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            GenerateReparseData(&record, type, buffer.data(), static_cast<int32_t>(buffer.size())));
        benchmark::ClobberMemory();
    }
}

// The Unix text of the full layout, as its writer renders it before it
// wraps it.
void BM_SnprintfUnixText(benchmark::State& state) {
    const ReparseData r = stubmeta::bench::UnixRecord(3);
    const std::string_view text = r.shortText;
    char buffer[1024];
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            std::snprintf(buffer, sizeof buffer,
                          "%" PRIu32 ":%" PRIu64 ":%" PRIu64 ":%" PRIu64 ":%" PRIu64
                          ":%d:%zu:%s:%" PRIu64 ":%s:%" PRIu64 "|%" PRIu64,
                          r.common.common1, r.common.common2, r.common.common3, r.common.common4,
                          r.common.common5, 2, text.size(), r.shortText, r.number1, r.auxText,
                          r.number3, r.number2));
        benchmark::ClobberMemory();
    }
}

// The fourteen-field Windows text (Celerra: no prefix).
void BM_SnprintfWindowsText(benchmark::State& state) {
    const ReparseData r = stubmeta::bench::FullRecord();
    char buffer[2048];
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            std::snprintf(buffer, sizeof buffer,
                          "%" PRIu32 ":%" PRIu64 ":%" PRIu64 ":%" PRIu64 ":%" PRIu64
                          ":%s:%s:%" PRIu64 ":%" PRId64 ":%d:%s:%" PRIu64 "?%s|%" PRIu64,
                          r.common.common1, r.common.common2, r.common.common3, r.common.common4,
                          r.common.common5, r.extraText, r.shortText, r.number1, r.signedNumber,
                          r.flag != 0 ? 1 : 0, r.auxText, r.number5, r.longText, r.number2));
        benchmark::ClobberMemory();
    }
}

BENCHMARK_CAPTURE(Write, 1_ntfs, STUB_TYPE_WINDOWS_LOCAL);
BENCHMARK_CAPTURE(Write, 2_csvfs, STUB_TYPE_WINDOWS_LOCAL_CSVFS);
BENCHMARK_CAPTURE(Write, 3_celerra, STUB_TYPE_WINDOWS_CELERRA);
BENCHMARK_CAPTURE(Write, 4_dmnas, STUB_TYPE_WINDOWS_DMNAS);
BENCHMARK_CAPTURE(Write, 7_unix_envelope, STUB_TYPE_UNIX_LITTLEENDIAN);
BENCHMARK(BM_SnprintfUnixText);
BENCHMARK(BM_SnprintfWindowsText);

}  // namespace
