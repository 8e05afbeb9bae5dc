// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Writes the seed corpora of the fuzz targets, one file a seed, into
// <directory>/<target>/: valid stubs of every type made by the library's
// own writers, their shortened forms, their envelopes with reader
// parameters in front, tokenizer runs with each layout's template, count and
// rule, and inputs for the write -> read target.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "stubmeta.h"
#include "stubmeta_layouts.hpp"

namespace {

namespace fs = std::filesystem;
using Bytes = std::string;

void Save(const fs::path& directory, const std::string& name, const Bytes& bytes) {
    fs::create_directories(directory);
    std::ofstream out(directory / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template <std::size_t N>
void SetText(char (&field)[N], std::string_view text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size() < N ? text.size() : N - 1);
}

struct Sample {
    std::string name;
    ReparseData record;
};

std::vector<Sample> Samples() {
    std::vector<Sample> samples;
    ReparseData r{};
    r.common = {1, 2, 3, 4, 5};
    SetText(r.shortText, "short");
    SetText(r.auxText, "aux");
    SetText(r.extraText, "extra");
    SetText(r.longText, "/archive/volume/long name.dat");
    SetText(r.tailText, "tail");
    SetText(r.headText, "head");
    r.number1 = 7;
    r.number2 = 9;
    r.number3 = 8192;
    r.number4 = 11;
    r.number5 = 12;
    r.signedNumber = -8;
    r.flag = 1;
    samples.push_back({"full", r});

    ReparseData bare{};
    bare.common = {10, 20, 30, 40, 50};
    samples.push_back({"empty", bare});

    ReparseData longOnly = r;
    SetText(longOnly.shortText, "");
    longOnly.number1 = 0;
    samples.push_back({"long", longOnly});

    ReparseData unixRead = r;
    unixRead.stubType = STUB_TYPE_UNIX_LITTLEENDIAN;
    unixRead.unixTextKind = 2;
    SetText(unixRead.auxText, "");
    samples.push_back({"unix-kind2", unixRead});

    ReparseData wide = r;
    constexpr auto kMax = std::numeric_limits<std::uint64_t>::max();
    wide.common = {std::numeric_limits<std::uint32_t>::max(), kMax, kMax, kMax, kMax};
    wide.number1 = wide.number2 = wide.number3 = wide.number5 = kMax;
    wide.number4 = std::numeric_limits<std::uint32_t>::max();
    wide.signedNumber = std::numeric_limits<std::int64_t>::min();
    SetText(wide.shortText, std::string(71, 's'));
    SetText(wide.auxText, std::string(71, 'a'));
    SetText(wide.extraText, std::string(71, 'e'));
    SetText(wide.tailText, std::string(64, 't'));
    SetText(wide.headText, std::string(71, 'h'));
    SetText(wide.longText, std::string(600, 'l'));
    samples.push_back({"wide", wide});
    return samples;
}

Bytes Written(const ReparseData& record, StubType type) {
    std::vector<char> buffer(8192);
    const std::int32_t n =
        GenerateReparseData(&record, type, buffer.data(), static_cast<std::int32_t>(buffer.size()));
    if (n < 0)
        return {};
    return Bytes(buffer.data(), static_cast<std::size_t>(n));
}

Bytes LittleEndian(std::uint64_t value, int bytes) {
    Bytes out;
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
    return out;
}

// The text inside an envelope.
Bytes Unwrapped(const Bytes& envelope) {
    std::vector<char> text(1024);
    StubType order = 0;
    if (tkhsm_stub2meta(envelope.c_str(), nullptr, nullptr, text.data(), 1024, &order) != 0)
        return {};
    return Bytes(text.data());
}

// A layout's template up to its last field's separator: the tokenizer
// stops there, so a seed need not carry the DMNas banner.
constexpr stubmeta::Layout WithoutSuffix(stubmeta::Layout layout) {
    layout.suffix = {};
    return layout;
}
template <const stubmeta::Layout& L>
constexpr stubmeta::Layout kFieldsOnly = WithoutSuffix(L);
template <const stubmeta::Layout& L>
constexpr auto kTemplateOf =
    stubmeta::layouts::template_text<stubmeta::layouts::template_length(kFieldsOnly<L>)>(
        kFieldsOnly<L>);

struct Layout {
    const char* name;
    const char* templateText;
    int count;
    int firstOptional;  // 0: no rule
    char terminator;
    StubType type;
};

template <const stubmeta::Layout& L>
constexpr Layout Described(StubType type) {
    return {L.name.data(),
            kTemplateOf<L>.data(),
            static_cast<int>(L.field_count),
            L.first_optional,
            L.first_optional != 0 ? L.terminator : '?',
            type};
}

constexpr Layout kLayouts[] = {
    Described<stubmeta::layouts::celerra>(3),
    Described<stubmeta::layouts::csvfs>(2),
    Described<stubmeta::layouts::dmnas>(4),
    Described<stubmeta::layouts::unix_stub>(6),
};

Bytes TokenizerSeed(const Layout& layout, const Bytes& text) {
    Bytes seed;
    seed.push_back(static_cast<char>(layout.count + 4));
    seed.push_back(static_cast<char>(layout.firstOptional + 2));
    seed.push_back(layout.terminator);
    seed.push_back(layout.firstOptional != 0 ? 1 : 0);
    seed += layout.templateText;
    seed.push_back('\0');
    seed += text;
    return seed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    const fs::path parse = root / "parse";
    const fs::path envelope = root / "envelope";
    const fs::path tokenize = root / "tokenize";
    const fs::path roundtrip = root / "roundtrip";
    // The bounded target's seeds are the parse seeds behind a byte naming
    // the type tried (0: first-match).
    const fs::path bounded = root / "bounded";
    const auto saveParse = [&](const std::string& name, StubType type, const Bytes& stub) {
        Save(parse, name, stub);
        Save(bounded, name, Bytes(1, static_cast<char>(type)) + stub);
    };

    for (const Sample& sample : Samples()) {
        for (StubType type = 1; type <= 7; ++type) {
            if (type == STUB_TYPE_WINDOWS_DMNAS_ALT || type == STUB_TYPE_UNIX_LITTLEENDIAN)
                continue;  // the same writers as 4 and 6
            const Bytes stub = Written(sample.record, type);
            if (stub.empty())
                continue;
            const std::string name = sample.name + "-type" + std::to_string(type);
            if (type == STUB_TYPE_WINDOWS_LOCAL)
                saveParse(name, type, Bytes(24, '\x01') + stub);
            else
                saveParse(name, type, stub);
            if (type == STUB_TYPE_UNIX_BIGENDIAN) {
                const Bytes text = Unwrapped(stub);
                saveParse(sample.name + "-unix-bare", 0, text);
                // switches, capacity, value, envelope
                Save(envelope, sample.name + "-all-outputs",
                     Bytes(1, '\x07') + LittleEndian(1024, 4) + LittleEndian(4096, 8) + stub);
                Save(envelope, sample.name + "-size-query",
                     Bytes(1, '\x03') + LittleEndian(8, 4) + LittleEndian(1, 8) + stub);
                Save(envelope, sample.name + "-no-buffer",
                     Bytes(1, '\x06') + LittleEndian(0, 4) + LittleEndian(0, 8) + stub);
                Save(tokenize, sample.name + "-unix", TokenizerSeed(kLayouts[3], text));
            }
        }
        Save(tokenize, sample.name + "-windows",
             TokenizerSeed(kLayouts[0], Written(sample.record, 3)));
        Save(tokenize, sample.name + "-csvfs",
             TokenizerSeed(kLayouts[1], Written(sample.record, 2)));
        Save(tokenize, sample.name + "-dmnas",
             TokenizerSeed(kLayouts[2], Written(sample.record, 4)));
    }

    // Shortened stubs, which leave out the fields the free-text rule allows.
    const Bytes shortWindows = "1:2:3:4:5:extra:short:7:-8?/long|9";
    const Bytes shortDMNas = "QZSTUB:head\r\n1:2:3:4:5?/long|6|7|8|9?tail\r\n";
    const Bytes shortUnix = "1:2:3:4:5:1:5:/a/b|9";
    saveParse("short-type1", 1, Bytes(24, '\x01') + shortWindows);
    saveParse("short-type3", 3, shortWindows);
    saveParse("short-type4", 4, shortDMNas);
    saveParse("short-unix-bare", 0, shortUnix);
    Save(tokenize, "short-windows", TokenizerSeed(kLayouts[0], shortWindows));
    Save(tokenize, "short-dmnas", TokenizerSeed(kLayouts[2], shortDMNas));
    Save(tokenize, "short-unix", TokenizerSeed(kLayouts[3], shortUnix));
    Save(tokenize, "fail-3rd-block",
         TokenizerSeed(kLayouts[3], shortUnix).replace(3, 1, 1, static_cast<char>(1 | (3 << 1))));

    // The envelope of the nine-byte text 1:2:3:4:5 with value 4096.
    std::vector<char> small(64);
    const std::int32_t n = tkhsm_meta2stub("1:2:3:4:5", 4096, small.data(), 64);
    Save(envelope, "worked-example",
         Bytes(1, '\x07') + LittleEndian(10, 4) + LittleEndian(4096, 8) +
             Bytes(small.data(), static_cast<std::size_t>(n)));

    // Inputs for the write -> read target: pseudo-random bytes of several
    // lengths (a record is derived from any bytes).
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    for (int seed = 0; seed < 8; ++seed) {
        Bytes bytes;
        const std::size_t length = 64u << (seed % 5);
        for (std::size_t i = 0; i < length; ++i) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            bytes.push_back(static_cast<char>(state >> 56));
        }
        Save(roundtrip, "random-" + std::to_string(seed), bytes);
    }
    Save(roundtrip, "zeros", Bytes(200, '\0'));
    // Found by fuzzing: an all-zero record, whose Windows-local text starts
    // with an empty prefix and empty texts.
    Save(roundtrip, "finding-empty-windows-texts", Bytes(4, '\0'));
    return 0;
}
