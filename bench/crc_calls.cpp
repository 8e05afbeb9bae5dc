// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// tw_crc32 called through the shared library, as a program linking it does,
// beside ISA-L's crc32_gzip_refl and libdeflate's libdeflate_crc32 at every
// size from 16 bytes to 64 KiB, in two ways:
//   latency     each call takes the value the one before it returned, so
//               the calls run one after another (a checksum over pieces);
//   throughput  the calls are independent (many small envelopes), so the
//               processor may overlap them.
// Each cell is the fastest of several rounds, every function measured in
// every round, so one noisy moment cannot favour one of them.  The ratio
// columns are the yardstick's time over tw_crc32's: 1.00 means as fast, above
// 1 faster.  The two yardsticks preset and invert the value; that costs two
// XORs a call and is left in, in their favour.
//   stubmeta_crc_calls [--rounds N]
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string_view>
#include <vector>

#include <isa-l/crc.h>
#include <libdeflate.h>

#include "stubmeta.h"

namespace {

using Crc = std::uint32_t (*)(std::uint32_t, const unsigned char*, std::size_t);

std::uint32_t CallTw(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    tw_crc32(data, length, &crc);
    return crc;
}
std::uint32_t CallIsal(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    return crc32_gzip_refl(crc, data, length);
}
std::uint32_t CallDeflate(std::uint32_t crc, const unsigned char* data, std::size_t length) {
    return libdeflate_crc32(crc, data, length);
}

struct Contender {
    const char* name;
    Crc crc;
};
constexpr std::array<Contender, 3> kContenders = {{
    {"tw_crc32", CallTw},
    {"ISA-L crc32_gzip_refl", CallIsal},
    {"libdeflate_crc32", CallDeflate},
}};

constexpr std::array<std::size_t, 19> kSizes = {
    16, 17, 24, 31, 32, 48, 63, 64, 100, 128, 255, 256, 326, 512, 1000, 1024, 4096, 16384, 65536};

// Eight buffers of 64 KiB, so independent calls read different memory.
constexpr std::size_t kBuffers = 8;
constexpr std::size_t kBufferSize = 65536;

const std::vector<unsigned char>& Data() {
    static const std::vector<unsigned char> bytes = [] {
        std::vector<unsigned char> b(kBuffers * kBufferSize);
        std::mt19937 random(1);
        for (auto& byte : b)
            byte = static_cast<unsigned char>(random());
        return b;
    }();
    return bytes;
}

// Calls per measurement: about 4 MiB of input, and at least 20,000 calls.
std::size_t CallsFor(std::size_t size) {
    return std::max<std::size_t>(20000, (std::size_t{4} << 20) / size);
}

volatile std::uint32_t sink;

// Nanoseconds per call, dependent calls.
double Latency(Crc crc, std::size_t size) {
    const unsigned char* data = Data().data();
    const std::size_t calls = CallsFor(size);
    std::uint32_t value = 0xFFFFFFFFu;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < calls; ++i)
        value = crc(value, data + (i % kBuffers) * kBufferSize, size);
    const auto stop = std::chrono::steady_clock::now();
    sink = value;
    return std::chrono::duration<double, std::nano>(stop - start).count() /
           static_cast<double>(calls);
}

// Nanoseconds per call, independent calls: each starts afresh, and the
// results meet only in a running XOR the next call does not wait for.
double Throughput(Crc crc, std::size_t size) {
    const unsigned char* data = Data().data();
    const std::size_t calls = CallsFor(size);
    std::uint32_t folded = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < calls; ++i)
        folded ^= crc(0, data + (i % kBuffers) * kBufferSize, size);
    const auto stop = std::chrono::steady_clock::now();
    sink = folded;
    return std::chrono::duration<double, std::nano>(stop - start).count() /
           static_cast<double>(calls);
}

struct Cell {
    std::array<double, kContenders.size()> latency;
    std::array<double, kContenders.size()> throughput;
};

void PrintTable(const char* title, const std::vector<Cell>& cells, bool latency) {
    std::printf("\n%s (ns per call; ratio = yardstick time / tw_crc32 time)\n", title);
    std::printf("| bytes | tw_crc32 | ISA-L | ratio | libdeflate | ratio |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    double worstIsal = 1e9;
    double worstDeflate = 1e9;
    for (std::size_t s = 0; s < kSizes.size(); ++s) {
        const auto& t = latency ? cells[s].latency : cells[s].throughput;
        const double isal = t[1] / t[0];
        const double deflate = t[2] / t[0];
        worstIsal = std::min(worstIsal, isal);
        worstDeflate = std::min(worstDeflate, deflate);
        std::printf("| %zu | %.2f | %.2f | %.2fx | %.2f | %.2fx |\n", kSizes[s], t[0], t[1], isal,
                    t[2], deflate);
    }
    std::printf("lowest ratio: %.2fx against ISA-L, %.2fx against libdeflate\n", worstIsal,
                worstDeflate);
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 7;
    if (argc == 3 && std::string_view(argv[1]) == "--rounds")
        rounds = std::max(1, std::atoi(argv[2]));
    else if (argc != 1) {
        std::fprintf(stderr, "usage: stubmeta_crc_calls [--rounds N]\n");
        return 2;
    }
    // Every contender gives the same value before anything is timed.
    for (const std::size_t size : kSizes) {
        std::uint32_t tw = 0xFFFFFFFFu;
        tw_crc32(Data().data(), size, &tw);
        if (~tw != crc32_gzip_refl(0, Data().data(), size) ||
            ~tw != libdeflate_crc32(0, Data().data(), size)) {
            std::fprintf(stderr, "stubmeta_crc_calls: values differ at %zu bytes\n", size);
            return 1;
        }
    }
    std::vector<Cell> cells(kSizes.size());
    for (auto& cell : cells) {
        cell.latency.fill(1e18);
        cell.throughput.fill(1e18);
    }
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t s = 0; s < kSizes.size(); ++s) {
            for (std::size_t c = 0; c < kContenders.size(); ++c) {
                cells[s].latency[c] =
                    std::min(cells[s].latency[c], Latency(kContenders[c].crc, kSizes[s]));
                cells[s].throughput[c] =
                    std::min(cells[s].throughput[c], Throughput(kContenders[c].crc, kSizes[s]));
            }
        }
    }
    PrintTable("Latency: dependent calls", cells, true);
    PrintTable("Throughput: independent calls", cells, false);
    return 0;
}
