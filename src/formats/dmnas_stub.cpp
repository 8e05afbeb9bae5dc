// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// DMNas stubs: the visible content of a stub file on a DMNas server.  A
// first line "QZSTUB:" and one text, a second line of fields, then a banner
// for a person who opens the file.  The banner is written in full but never
// compared when reading, so a stub whose banner was edited or lost still
// parses as long as its second line ends with a carriage return.
#include <array>
#include <string_view>

#include "formats/fields.h"
#include "formats/formats.h"
#include "formats/text_render.h"
#include "formats/token_array.h"

namespace stubmeta {
namespace {

constexpr int kTokenCount = 16;
constexpr char kBannerText[] =
    "******* \r\nThis file has been archived by Velmora Data Archiver. Please contact system "
    "administrator, or check if Tarkwell services are running.\r\n******* \r\n";
constexpr std::string_view kBanner = kBannerText;

template <std::size_t A, std::size_t B>
constexpr std::array<char, A + B - 1> Concatenate(const char (&a)[A], const char (&b)[B]) {
    std::array<char, A + B - 1> joined{};
    for (std::size_t i = 0; i + 1 < A; ++i)
        joined[i] = a[i];
    for (std::size_t i = 0; i < B; ++i)
        joined[A - 1 + i] = b[i];
    return joined;
}

// The banner is part of the template, but the walk stops after token 16.
constexpr auto kTemplate = Concatenate(
    "QZSTUB:{1}\r\n{2}:{3}:{4}:{5}:{6}?{7}|{8}|{9}|{10}|{11}|{12}|{13}|{14}|{15}?{16}\r\n",
    kBannerText);
constexpr auto kSteps = CompileTemplate<TemplateStepCount(kTemplate.data())>(kTemplate.data());
// Stubs may leave out fields 11 to 15, ending field 10 at the "?".
constexpr FreeTextRule kShortenedStubRule = {11, "?"};

// The working area holds the longest text the field widths allow.
constexpr std::size_t kDMNasTextArea = 2048;

}  // namespace

void PopulateReparseDataDMNasLayout(ReparseData* record, const Token* tokens,
                                    std::int32_t* position) {
    const Token* t = tokens + *position;
    CopyTokenText(t[0], record->longText);
    record->number2 = TokenUnsigned64(t[1]);
    record->number4 = TokenLow32(t[2]);
    record->number3 = TokenUnsigned64(t[3]);
    record->number1 = TokenUnsigned64(t[4]);
    record->flag = TokenFlag(t[5]);
    CopyTokenText(t[6], record->shortText);
    CopyTokenText(t[7], record->auxText);
    record->number5 = TokenUnsigned64(t[8]);
    CopyTokenText(t[9], record->tailText);
    *position += 10;
}

std::int32_t ParseReparseDataDMNas(StubInput& input, ReparseData* record) {
    return ParseLayout<kTokenCount>(
        input.text(), kSteps.data(), &kShortenedStubRule,
        [](const Token* tokens) {
            return TextTokensFit(tokens, {{0, sizeof(ReparseData::headText)},
                                          {6, sizeof record->longText},
                                          {12, sizeof record->shortText},
                                          {13, sizeof record->auxText},
                                          {15, sizeof record->tailText}});
        },
        [record](const Token* tokens) {
            CopyTokenText(tokens[0], record->headText);
            std::int32_t position = 1;
            PopulateReparseDataCore(&record->common, tokens, &position);
            PopulateReparseDataDMNasLayout(record, tokens, &position);
            // Types 4 and 5 name one layout; a parse always records 4.
            record->stubType = STUB_TYPE_WINDOWS_DMNAS;
        });
}

std::int32_t GenerateReparseDataDMNas(const ReparseData* r, char* buffer, std::int32_t capacity) {
    const std::string_view headText = FieldText(r->headText);
    const std::string_view longText = FieldText(r->longText);
    const std::string_view shortText = FieldText(r->shortText);
    const std::string_view auxText = FieldText(r->auxText);
    const std::string_view tailText = FieldText(r->tailText);
    return RenderText<kDMNasTextArea>(buffer, capacity, [&](auto& out) {
        out.text("QZSTUB:").text(headText).text("\r\n");
        out.number(r->common.common1).character(':').number(r->common.common2).character(':');
        out.number(r->common.common3).character(':').number(r->common.common4).character(':');
        out.number(r->common.common5).character('?');
        out.text(longText).character('|');
        out.number(r->number2).character('|');
        out.number(r->number4).character('|');
        out.number(r->number3).character('|');
        out.number(r->number1).character('|');
        out.number(r->flag != 0 ? 1 : 0).character('|');
        out.text(shortText).character('|');
        out.text(auxText).character('|');
        out.number(r->number5).character('?');
        out.text(tailText).text("\r\n");
        out.text(kBanner);
    });
}

}  // namespace stubmeta
