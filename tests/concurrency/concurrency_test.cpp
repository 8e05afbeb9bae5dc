// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Threads calling the library at once must each get what a single thread
// gets.  A fixed set of tasks (build a record, write it as every type, parse
// each stub back, wrap and unwrap a text, checksum the outputs) is run once
// on one thread for reference, then by several threads together, released
// at the same moment so that their calls overlap, every thread on its own
// records and buffers.  Each task condenses everything it saw into a digest;
// any difference from the reference is a failure.  Under ThreadSanitizer
// the same run also proves that the calls share no unsynchronised state.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <latch>
#include <thread>
#include <vector>

#include "stubmeta.h"

namespace {

constexpr int kThreads = 4;
constexpr int kTasks = 300;

// A running digest of everything a task observed, with the library's own
// checksum (which is itself under test here).
class Digest {
public:
    void add(const void* bytes, std::size_t length) {
        const auto size = static_cast<std::uint64_t>(length);
        tw_crc32(&size, sizeof size, &crc_);
        tw_crc32(bytes, length, &crc_);
    }
    void add(std::int64_t value) { add(&value, sizeof value); }
    std::uint32_t value() const { return crc_; }

private:
    std::uint32_t crc_ = 0xFFFFFFFFu;
};

std::uint64_t Mix(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDull;
    x ^= x >> 33;
    return x;
}

template <std::size_t N>
void FillText(char (&field)[N], std::uint64_t seed, std::size_t length) {
    std::memset(field, 0, N);
    for (std::size_t i = 0; i < length && i + 1 < N; ++i)
        field[i] = static_cast<char>('a' + Mix(seed + i) % 26);
}

ReparseData TaskRecord(int task) {
    const std::uint64_t seed = std::uint64_t{0x9E3779B97F4A7C15u} * static_cast<unsigned>(task);
    ReparseData r;
    std::memset(&r, 0, sizeof r);
    r.common = {static_cast<std::uint32_t>(Mix(seed)), Mix(seed + 1), Mix(seed + 2), Mix(seed + 3),
                Mix(seed + 4)};
    r.number1 = Mix(seed + 5) % 3 == 0 ? 0 : Mix(seed + 6);
    r.number2 = Mix(seed + 7);
    r.number3 = Mix(seed + 8) % 2 == 0 ? 0 : Mix(seed + 9);
    r.number4 = static_cast<std::uint32_t>(Mix(seed + 10));
    r.number5 = Mix(seed + 11);
    r.signedNumber = static_cast<std::int64_t>(Mix(seed + 12));
    r.flag = static_cast<std::int32_t>(Mix(seed + 13) % 2);
    FillText(r.shortText, seed + 14, Mix(seed + 15) % 72);
    FillText(r.auxText, seed + 16, Mix(seed + 17) % 72);
    FillText(r.extraText, seed + 18, Mix(seed + 19) % 72);
    FillText(r.tailText, seed + 20, Mix(seed + 21) % 65);
    FillText(r.headText, seed + 22, Mix(seed + 23) % 72);
    FillText(r.longText, seed + 24, Mix(seed + 25) % 600);
    return r;
}

std::uint32_t RunTask(int task) {
    Digest digest;
    const ReparseData record = TaskRecord(task);
    std::vector<char> stub(8192);
    for (StubType type = 1; type <= 7; ++type) {
        const std::int32_t written =
            GenerateReparseData(&record, type, stub.data(), static_cast<std::int32_t>(stub.size()));
        digest.add(written);
        if (written < 0)
            continue;
        digest.add(stub.data(), static_cast<std::size_t>(written));

        // Type 1 sits behind a 24-byte header; every type is parsed both as
        // itself and by the first-match search.
        std::vector<char> input(24 + static_cast<std::size_t>(written) + 1, '\0');
        const std::size_t offset = type == STUB_TYPE_WINDOWS_LOCAL ? 24 : 0;
        std::memset(input.data(), 0x01, offset);
        std::memcpy(input.data() + offset, stub.data(), static_cast<std::size_t>(written));
        ReparseData parsed;
        std::memset(&parsed, 0, sizeof parsed);
        digest.add(ParseReparseDataForStubType(input.data(), type, &parsed));
        digest.add(&parsed, sizeof parsed);
        std::memset(&parsed, 0, sizeof parsed);
        digest.add(ParseReparseData(input.data(), &parsed));
        digest.add(&parsed, sizeof parsed);
    }

    std::vector<char> envelope(2048);
    const std::int32_t wrapped = tkhsm_meta2stub(record.longText, record.number2, envelope.data(),
                                                 static_cast<std::int32_t>(envelope.size()));
    digest.add(wrapped);
    std::vector<char> text(2048);
    std::int32_t total = 0;
    std::uint64_t value = 0;
    StubType order = 0;
    digest.add(tkhsm_stub2meta(envelope.data(), &total, &value, text.data(),
                               static_cast<std::int32_t>(text.size()), &order));
    digest.add(total);
    digest.add(static_cast<std::int64_t>(value));
    digest.add(order);
    digest.add(text.data(), std::strlen(text.data()));

    char name[32];
    StubTypeAsString(static_cast<StubType>(task % 9), name, sizeof name);
    digest.add(name, std::strlen(name));
    digest.add(static_cast<std::int64_t>(tkhsm_ntohll(record.number5)));
    digest.add(tkhsm_atoll(record.shortText));
    return digest.value();
}

std::vector<std::uint32_t> RunAllTasks() {
    std::vector<std::uint32_t> digests(kTasks);
    for (int task = 0; task < kTasks; ++task)
        digests[static_cast<std::size_t>(task)] = RunTask(task);
    return digests;
}

}  // namespace

int main() {
    const std::vector<std::uint32_t> reference = RunAllTasks();

    std::vector<std::vector<std::uint32_t>> results(kThreads);
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            results[static_cast<std::size_t>(t)] = RunAllTasks();
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    int failed = 0;
    for (int t = 0; t < kThreads; ++t) {
        for (int task = 0; task < kTasks; ++task) {
            const auto i = static_cast<std::size_t>(task);
            if (results[static_cast<std::size_t>(t)][i] != reference[i]) {
                std::fprintf(stderr, "thread %d, task %d: digest %08x, single thread %08x\n", t,
                             task, results[static_cast<std::size_t>(t)][i], reference[i]);
                ++failed;
            }
        }
    }
    std::printf("%d passed, %d failed\n", kThreads * kTasks - failed, failed);
    return failed == 0 ? 0 : 1;
}
