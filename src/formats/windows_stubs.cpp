// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Windows-local (NTFS), CSVFS and Celerra stubs: one 14-field layout.  The
// CSVFS text opens with "QZSTUB:" and has no shortened form; the NTFS text
// sits behind the 24-byte reparse header.
#include <array>
#include <string_view>

#include "formats/fields.h"
#include "formats/formats.h"
#include "formats/text_render.h"
#include "formats/token_array.h"

namespace stubmeta {
namespace {

constexpr int kTokenCount = 14;
constexpr const char* kTemplate = "{1}:{2}:{3}:{4}:{5}:{6}:{7}:{8}:{9}:{10}:{11}:{12}?{13}|{14}";
constexpr const char* kCsvfsTemplate =
    "QZSTUB:{1}:{2}:{3}:{4}:{5}:{6}:{7}:{8}:{9}:{10}:{11}:{12}?{13}|{14}";
constexpr auto kSteps = CompileTemplate<TemplateStepCount(kTemplate)>(kTemplate);
constexpr auto kCsvfsSteps = CompileTemplate<TemplateStepCount(kCsvfsTemplate)>(kCsvfsTemplate);
constexpr std::string_view kCsvfsPrefix = "QZSTUB:";
// Stubs may leave out fields 10 to 12, ending field 9 at the "?".
constexpr FreeTextRule kShortenedStubRule = {10, "?"};

// The working area holds the longest text the field widths allow.
constexpr std::size_t kWindowsTextArea = 2048;

std::int32_t ParseWindowsLayout(std::string_view text, const TemplateStep* steps,
                                const FreeTextRule* rule, StubType type, ReparseData* record) {
    return ParseLayout<kTokenCount>(
        text, steps, rule,
        [](const Token* tokens) {
            return TextTokensFit(tokens, {{5, sizeof(ReparseData::extraText)},
                                          {6, sizeof record->shortText},
                                          {10, sizeof record->auxText},
                                          {12, sizeof record->longText}});
        },
        [record, type](const Token* tokens) {
            std::int32_t position = 0;
            PopulateReparseDataCore(&record->common, tokens, &position);
            PopulateReparseDataWindowsLayout(record, tokens, &position);
            record->stubType = type;
        });
}

std::int32_t GenerateWindowsLayout(const ReparseData* r, std::string_view prefix, char* buffer,
                                   std::int32_t capacity) {
    const std::string_view extraText = FieldText(r->extraText);
    const std::string_view shortText = FieldText(r->shortText);
    const std::string_view auxText = FieldText(r->auxText);
    const std::string_view longText = FieldText(r->longText);
    return RenderText<kWindowsTextArea>(buffer, capacity, [&](auto& out) {
        out.text(prefix);
        out.number(r->common.common1).character(':').number(r->common.common2).character(':');
        out.number(r->common.common3).character(':').number(r->common.common4).character(':');
        out.number(r->common.common5).character(':');
        out.text(extraText).character(':');
        out.text(shortText).character(':');
        out.number(r->number1).character(':');
        out.number(r->signedNumber).character(':');
        out.number(r->flag != 0 ? 1 : 0).character(':');
        out.text(auxText).character(':');
        out.number(r->number5).character('?');
        out.text(longText).character('|');
        out.number(r->number2);
    });
}

}  // namespace

void PopulateReparseDataWindowsLayout(ReparseData* record, const Token* tokens,
                                      std::int32_t* position) {
    const Token* t = tokens + *position;
    CopyTokenText(t[0], record->extraText);
    CopyTokenText(t[1], record->shortText);
    record->number1 = TokenUnsigned64(t[2]);
    record->signedNumber = TokenSigned64(t[3]);
    record->flag = TokenFlag(t[4]);
    CopyTokenText(t[5], record->auxText);
    record->number5 = TokenUnsigned64(t[6]);
    CopyTokenText(t[7], record->longText);
    record->number2 = TokenUnsigned64(t[8]);
    *position += 9;
}

std::int32_t ParseReparseDataNtfs(StubInput& input, ReparseData* record) {
    if (!input.holdsHeader())
        return STUBMETA_E_NO_MATCH;
    return ParseWindowsLayout(input.textAfterHeader(), kSteps.data(), &kShortenedStubRule,
                              STUB_TYPE_WINDOWS_LOCAL, record);
}

std::int32_t ParseReparseDataCsvfs(StubInput& input, ReparseData* record) {
    return ParseWindowsLayout(input.text(), kCsvfsSteps.data(), nullptr,
                              STUB_TYPE_WINDOWS_LOCAL_CSVFS, record);
}

std::int32_t ParseReparseDataCelerra(StubInput& input, ReparseData* record) {
    return ParseWindowsLayout(input.text(), kSteps.data(), &kShortenedStubRule,
                              STUB_TYPE_WINDOWS_CELERRA, record);
}

std::int32_t GenerateReparseDataNtfs(const ReparseData* record, char* buffer,
                                     std::int32_t capacity) {
    return GenerateWindowsLayout(record, {}, buffer, capacity);
}

std::int32_t GenerateReparseDataCsvfs(const ReparseData* record, char* buffer,
                                      std::int32_t capacity) {
    return GenerateWindowsLayout(record, kCsvfsPrefix, buffer, capacity);
}

std::int32_t GenerateReparseDataCelerra(const ReparseData* record, char* buffer,
                                        std::int32_t capacity) {
    return GenerateWindowsLayout(record, {}, buffer, capacity);
}

}  // namespace stubmeta
