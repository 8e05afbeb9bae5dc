// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Unix stubs: a colon-separated text in one of four layouts, normally inside
// the checksummed envelope.  Layout 0 holds the five common numbers only;
// layouts 1 to 3 add a text kind, the text's length, the text and, in turn,
// number1, then auxText and the envelope's value, always ending with
// number2 after a "|".  One template reads layouts 1 to 3: its free-text
// rule lets a text end at the "|" when the fields after it are left out.
#include <array>
#include <cstring>
#include <string_view>

#include "envelope/envelope.h"
#include "envelope/envelope_layout.h"
#include "formats/fields.h"
#include "formats/formats.h"
#include "formats/text_render.h"
#include "formats/token_array.h"

namespace stubmeta {
namespace {

constexpr int kTokenCount = 12;
constexpr const char* kTemplate = "{1}:{2}:{3}:{4}:{5}:{6}:{7}:{8}:{9}:{10}:{11}|{12}";
constexpr auto kSteps = CompileTemplate<TemplateStepCount(kTemplate)>(kTemplate);
constexpr FreeTextRule kShortenedStubRule = {9, "|"};

// An envelope's text holds at most 1023 characters (and a terminator),
// both when read and when written.
constexpr std::size_t kTextAreaSize = STUBMETA_UNIX_TEXT_MAX + 1;
// The envelope's value when the record's number3 is 0.
constexpr std::uint64_t kDefaultSize = 4096;
// unixTextKind 1 keeps the text in longText, any other in shortText.
constexpr std::int32_t kLongTextKind = 1;

enum class UnixLayout { CommonOnly, Text, TextNumber, Full };

UnixLayout ChooseLayout(const ReparseData& r, bool hasText, bool hasAux) {
    if (r.stubType == STUB_TYPE_UNIX_BIGENDIAN || r.stubType == STUB_TYPE_UNIX_LITTLEENDIAN) {
        // A record read from a Unix stub keeps the layout its kind gave it.
        switch (r.unixTextKind) {
        case 1:
            return UnixLayout::Text;
        case 2:
            return hasAux ? UnixLayout::Full : UnixLayout::TextNumber;
        default:
            return UnixLayout::CommonOnly;
        }
    }
    if (!hasText)
        return UnixLayout::CommonOnly;
    if (r.number1 == 0)
        return UnixLayout::Text;
    return hasAux ? UnixLayout::Full : UnixLayout::TextNumber;
}

}  // namespace

void PopulateReparseDataUnixLayout(ReparseData* record, const Token* tokens,
                                   std::int32_t* position) {
    const Token* t = tokens + *position;
    record->unixTextKind = static_cast<std::int32_t>(TokenLow32(t[0]));
    // t[1], the text's length, is neither stored nor checked.
    if (record->unixTextKind == kLongTextKind)
        CopyTokenText(t[2], record->longText);
    else
        CopyTokenText(t[2], record->shortText);
    record->number1 = TokenUnsigned64(t[3]);
    CopyTokenText(t[4], record->auxText);
    record->number3 = TokenUnsigned64(t[5]);
    record->number2 = TokenUnsigned64(t[6]);
    *position += 7;
}

namespace {

// The text of an opened envelope, up to its first NUL.
std::string_view EnvelopeText(const char* text, std::size_t length) {
    const void* nul = std::memchr(text, '\0', length);
    return {text, nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - text)
                                 : length};
}

// Finds the text of a Unix stub: *text and *byteOrder filled, or a failure
// status.  An input that opens with the envelope's magic is only ever read
// as an envelope, so its checksum is always verified; its text is read where
// it stands, up to its first NUL.  Any other input is read as bare text,
// which is recorded as big-endian.
std::int32_t FindUnixText(StubInput& input, std::string_view* text, StubType* byteOrder) {
    if (input.bounded()) {
        StubmetaEnvelope info{};
        const std::int32_t status = envelope::OpenBounded(input.bytes(), input.limit(), &info);
        if (status == STUBMETA_E_BAD_MAGIC) {
            *text = input.text();
            return STUBMETA_OK;
        }
        if (status != STUBMETA_OK)
            return status;
        if (info.textLength >= kTextAreaSize)
            return STUBMETA_E_TEXT_TOO_LONG;
        *text = EnvelopeText(info.text, static_cast<std::size_t>(info.textLength));
        *byteOrder = info.byteOrder;
        return STUBMETA_OK;
    }
    envelope::Contents contents;
    switch (envelope::Open(input.bytes(), static_cast<std::int64_t>(kTextAreaSize), &contents)) {
    case envelope::OpenStatus::NoMagic:
        *text = input.text();
        return STUBMETA_OK;
    case envelope::OpenStatus::Opened:
        *text = EnvelopeText(contents.text, contents.textLength);
        *byteOrder = contents.byteOrder;
        return STUBMETA_OK;
    default:
        return STUBMETA_E_NO_MATCH;
    }
}

}  // namespace

std::int32_t ParseReparseDataUnix(StubInput& input, ReparseData* record) {
    std::string_view text;
    StubType byteOrder = STUB_TYPE_UNIX_BIGENDIAN;
    if (const std::int32_t status = FindUnixText(input, &text, &byteOrder); status != STUBMETA_OK)
        return status;

    return ParseLayout<kTokenCount>(
        text, kSteps.data(), &kShortenedStubRule,
        [](const Token* tokens) {
            const bool longKind =
                TokenLow32(tokens[5]) == static_cast<std::uint32_t>(kLongTextKind);
            const std::size_t textWidth =
                longKind ? sizeof(ReparseData::longText) : sizeof(ReparseData::shortText);
            return TextTokensFit(tokens, {{7, textWidth}, {9, sizeof(ReparseData::auxText)}});
        },
        [record, byteOrder](const Token* tokens) {
            std::int32_t position = 0;
            PopulateReparseDataCore(&record->common, tokens, &position);
            PopulateReparseDataUnixLayout(record, tokens, &position);
            record->stubType = byteOrder;
        });
}

std::int32_t GenerateReparseDataUnix(const ReparseData* r, StubType /*type*/, char* buffer,
                                     std::int32_t capacity) {
    const std::string_view shortText = FieldText(r->shortText);
    const std::string_view longText = FieldText(r->longText);
    const std::string_view auxText = FieldText(r->auxText);
    const std::string_view text = shortText.empty() ? longText : shortText;
    const int kind = shortText.empty() ? 1 : 2;
    const std::uint64_t size = r->number3 != 0 ? r->number3 : kDefaultSize;
    const UnixLayout layout = ChooseLayout(*r, !text.empty(), !auxText.empty());

    const auto render = [&](auto& out) {
        out.number(r->common.common1).character(':').number(r->common.common2).character(':');
        out.number(r->common.common3).character(':').number(r->common.common4).character(':');
        out.number(r->common.common5);
        if (layout == UnixLayout::CommonOnly)
            return;
        out.character(':').number(kind).character(':').number(text.size()).character(':');
        out.text(text);
        if (layout == UnixLayout::TextNumber || layout == UnixLayout::Full)
            out.character(':').number(r->number1);
        if (layout == UnixLayout::Full)
            out.character(':').text(auxText).character(':').number(size);
        out.character('|').number(r->number2);
    };
    if (capacity < 0)
        return -1;
    const auto room = static_cast<std::size_t>(capacity);
    auto* envelope = reinterpret_cast<unsigned char*>(buffer);

    // When the longest the text can be is both short enough for the
    // envelope and fits the buffer, it is rendered in its place there.
    LengthBound bound;
    render(bound);
    if (bound.size() < kTextAreaSize && bound.size() + envelope::kOverhead <= room) {
        TextWriter out(buffer + envelope::kTextOffset);
        render(out);
        return static_cast<std::int32_t>(envelope::Close(envelope, out.size(), size));
    }
    // Otherwise its actual length decides.  A text longer than 1023
    // characters is refused, not cut short.
    if (bound.size() >= kRenderArea)  // beyond what any record's fields can hold
        return -1;
    std::array<char, kRenderArea> area;
    TextWriter out(area.data());
    render(out);
    if (out.size() >= kTextAreaSize || out.size() + envelope::kOverhead > room)
        return -1;
    std::memcpy(buffer + envelope::kTextOffset, area.data(), out.size());
    return static_cast<std::int32_t>(envelope::Close(envelope, out.size(), size));
}

}  // namespace stubmeta
