// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "sample_stubs.h"

#include <cstring>
#include <stdexcept>

#include "dispatch/allocation_seam.h"

namespace stubmeta::bench {
namespace {

constexpr int kNtfsHeader = 24;
constexpr int kCapacity = 8192;

void Copy(char* field, std::size_t width, const char* text) {
    std::strncpy(field, text, width - 1);
    field[width - 1] = '\0';
}

std::vector<char> Render(const ReparseData& record, StubType type) {
    const int offset = type == STUB_TYPE_WINDOWS_LOCAL ? kNtfsHeader : 0;
    std::vector<char> bytes(static_cast<std::size_t>(kCapacity + offset), '\0');
    const int32_t size = GenerateReparseData(&record, type, bytes.data() + offset, kCapacity);
    if (size < 0)
        throw std::runtime_error("the writer refused a sample record");
    // Keep a NUL after the stub's bytes for the text parsers.
    bytes.resize(static_cast<std::size_t>(offset + size + 1));
    bytes.back() = '\0';
    return bytes;
}

// The text inside an envelope, with its NUL.
std::vector<char> Unwrap(const std::vector<char>& envelope) {
    std::vector<char> text(70000);
    StubType order = 0;
    if (tkhsm_stub2meta(envelope.data(), nullptr, nullptr, text.data(),
                        static_cast<int32_t>(text.size()), &order) != 0)
        throw std::runtime_error("a sample envelope does not unwrap");
    text.resize(std::strlen(text.data()) + 1);
    return text;
}

// The same envelope with its trailing checksum in the other byte order.
std::vector<char> SwapChecksum(std::vector<char> envelope) {
    char* trailer = envelope.data() + envelope.size() - 1 - 4;
    std::swap(trailer[0], trailer[3]);
    std::swap(trailer[1], trailer[2]);
    return envelope;
}

}  // namespace

ReparseData FullRecord() {
    ReparseData r{};
    r.common = {1, 1700000000, 4242, 7, 18446744073709551615ull};
    Copy(r.extraText, sizeof r.extraText, "vault-a");
    Copy(r.shortText, sizeof r.shortText, "tape0042");
    Copy(r.auxText, sizeof r.auxText, "pool7");
    Copy(r.longText, sizeof r.longText, "/archive/projects/2024/quarterly/report-final.pdf");
    Copy(r.headText, sizeof r.headText, "fileid-9f3c11aa");
    Copy(r.tailText, sizeof r.tailText, "sha1-deadbeefcafef00d");
    r.number1 = 123456;
    r.number2 = 99;
    r.number3 = 8192;
    r.number4 = 4294967295u;
    r.number5 = 1048576;
    r.signedNumber = -8;
    r.flag = 1;
    return r;
}

ReparseData UnixRecord(int layout) {
    ReparseData r = FullRecord();
    switch (layout) {
    case 0:
        r.shortText[0] = '\0';
        r.longText[0] = '\0';
        break;
    case 1:
        r.shortText[0] = '\0';
        r.number1 = 0;
        break;
    case 2:
        r.auxText[0] = '\0';
        break;
    default:
        break;
    }
    return r;
}

const std::vector<SampleStub>& TypeSamples() {
    static const std::vector<SampleStub> samples = [] {
        const ReparseData full = FullRecord();
        const std::vector<char> envelope = Render(UnixRecord(3), STUB_TYPE_UNIX_LITTLEENDIAN);
        return std::vector<SampleStub>{
            {"1_ntfs", STUB_TYPE_WINDOWS_LOCAL, Render(full, STUB_TYPE_WINDOWS_LOCAL)},
            {"2_csvfs", STUB_TYPE_WINDOWS_LOCAL_CSVFS, Render(full, STUB_TYPE_WINDOWS_LOCAL_CSVFS)},
            {"3_celerra", STUB_TYPE_WINDOWS_CELERRA, Render(full, STUB_TYPE_WINDOWS_CELERRA)},
            {"4_dmnas", STUB_TYPE_WINDOWS_DMNAS, Render(full, STUB_TYPE_WINDOWS_DMNAS)},
            {"6_unix_bare", STUB_TYPE_UNIX_BIGENDIAN, Unwrap(envelope)},
            {"6_unix_envelope_be", STUB_TYPE_UNIX_BIGENDIAN, SwapChecksum(envelope)},
            {"7_unix_envelope_le", STUB_TYPE_UNIX_LITTLEENDIAN, envelope},
        };
    }();
    return samples;
}

const std::vector<SampleStub>& UnixLayoutSamples() {
    static const std::vector<SampleStub> samples = [] {
        std::vector<SampleStub> out;
        for (int layout = 1; layout <= 3; ++layout) {
            const std::vector<char> envelope =
                Render(UnixRecord(layout), STUB_TYPE_UNIX_LITTLEENDIAN);
            const std::string name = "layout" + std::to_string(layout);
            out.push_back({name + "_bare", STUB_TYPE_UNIX_BIGENDIAN, Unwrap(envelope)});
            out.push_back({name + "_envelope", STUB_TYPE_UNIX_LITTLEENDIAN, envelope});
        }
        return out;
    }();
    return samples;
}

int AllocationsPerParse(const SampleStub& sample) {
    ReparseData record{};
    testing::ResetAllocationCounters();
    if (ParseReparseDataForStubType(sample.bytes.data(), sample.type, &record) != 0)
        throw std::runtime_error("a sample stub does not parse: " + sample.label);
    return static_cast<int>(testing::AllocationsAttempted());
}

}  // namespace stubmeta::bench
