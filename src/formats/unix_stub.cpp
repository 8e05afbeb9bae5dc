// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Unix stubs: a colon-separated text in one of four layouts, normally inside
// the checksummed envelope.  Layout 0 holds the five common numbers only;
// layouts 1 to 3 add a text kind, the text's length, the text and, in turn,
// number1, then auxText and the envelope's value, always ending with
// number2 after a "|".  One template reads layouts 1 to 3: its free-text
// rule lets a text end at the "|" when the fields after it are left out.
// The layout itself is a table of stubmeta_layouts.hpp.
#include <array>
#include <cstring>
#include <string_view>

#include "envelope/envelope.h"
#include "envelope/envelope_layout.h"
#include "formats/formats.h"
#include "formats/layout_codec.h"

namespace stubmeta {
namespace {

using UnixCodec = LayoutCodec<layouts::unix_stub>;

// An envelope's text holds at most 1023 characters (and a terminator),
// both when read and when written.
constexpr std::size_t kTextAreaSize = STUBMETA_UNIX_TEXT_MAX + 1;
// The writer's layouts: the five numbers; then the text; the text and
// number1; everything (least_unix_layout in the table).
enum UnixLayout : int { kCommonOnly = 0, kText = 1, kTextNumber = 2, kFull = 3 };

int ChooseLayout(const ReparseData& r, bool hasText, bool hasAux) {
    if (r.stubType == STUB_TYPE_UNIX_BIGENDIAN || r.stubType == STUB_TYPE_UNIX_LITTLEENDIAN) {
        // A record read from a Unix stub keeps the layout its kind gave it.
        switch (r.unixTextKind) {
        case 1:
            return kText;
        case 2:
            return hasAux ? kFull : kTextNumber;
        default:
            return kCommonOnly;
        }
    }
    if (!hasText)
        return kCommonOnly;
    if (r.number1 == 0)
        return kText;
    return hasAux ? kFull : kTextNumber;
}

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

    return UnixCodec::Parse(text, byteOrder, record);
}

std::int32_t GenerateReparseDataUnix(const ReparseData* r, StubType /*type*/, char* buffer,
                                     std::int32_t capacity) {
    UnixCodec::Values values = UnixCodec::Prepare(*r, UnixCodec::Indices{});
    const std::string_view shortText = FieldText(r->shortText);
    values.unixText = shortText.empty() ? FieldText(r->longText) : shortText;
    values.kind = shortText.empty() ? 1 : 2;
    const std::uint64_t size = r->number3 != 0 ? r->number3 : layouts::default_unix_size;
    values.size = size;
    values.shown = ChooseLayout(*r, !values.unixText.empty(), r->auxText[0] != '\0');

    const auto render = [&](auto& out) { UnixCodec::Render(*r, values, out); };
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
