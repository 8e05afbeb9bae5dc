// Unix stubs: a colon-separated text in one of four layouts, normally inside
// the checksummed envelope.  Layout 0 holds the five common numbers only;
// layouts 1 to 3 add a text kind, the text's length, the text and, in turn,
// number1, then auxText and the envelope's value, always ending with
// number2 after a "|".  One template reads layouts 1 to 3: its free-text
// rule lets a text end at the "|" when the fields after it are left out.
#include <array>
#include <string_view>

#include "envelope/envelope_layout.h"
#include "formats/fields.h"
#include "formats/formats.h"
#include "formats/text_render.h"

namespace stubmeta {
namespace {

constexpr int kTokenCount = 12;
constexpr const char *kTemplate = "{1}:{2}:{3}:{4}:{5}:{6}:{7}:{8}:{9}:{10}:{11}|{12}";
constexpr FreeTextRule kShortenedStubRule = {9, "|"};

// The text area that an envelope's text is taken into and a record is
// rendered into: 1023 characters and a terminator.
constexpr std::size_t kTextAreaSize = 1024;
// The envelope's value when the record's number3 is 0.
constexpr std::uint64_t kDefaultSize = 4096;
// unixTextKind 1 keeps the text in longText, any other in shortText.
constexpr std::int32_t kLongTextKind = 1;

enum class UnixLayout { CommonOnly, Text, TextNumber, Full };

UnixLayout ChooseLayout(const ReparseData &r) {
    const bool hasAux = !FieldText(r.auxText).empty();
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
    if (FieldText(r.shortText).empty() && FieldText(r.longText).empty())
        return UnixLayout::CommonOnly;
    if (r.number1 == 0)
        return UnixLayout::Text;
    return hasAux ? UnixLayout::Full : UnixLayout::TextNumber;
}

} // namespace

std::int32_t PopulateReparseDataUnix(ReparseData *record, const Token *tokens,
                                     std::int32_t *position) {
    const Token *t = tokens + *position;
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
    return 0;
}

std::int32_t ParseReparseDataUnix(const char *input, ReparseData *record) {
    // An input that opens with the envelope's magic is only ever read as an
    // envelope, so its checksum is always verified.  Any other input is read
    // as bare text, which is recorded as big-endian.
    std::array<char, kTextAreaSize> unwrapped;
    const char *text = input;
    StubType byteOrder = STUB_TYPE_UNIX_BIGENDIAN;
    if (envelope::StartsWithMagic(input)) {
        byteOrder = STUB_TYPE_INVALID;
        if (tkhsm_stub2meta(input, nullptr, nullptr, unwrapped.data(),
                            static_cast<std::int32_t>(unwrapped.size()), &byteOrder) != 0 ||
            byteOrder == STUB_TYPE_INVALID)
            return -1;
        text = unwrapped.data();
    }

    std::array<Token, kTokenCount> tokens{};
    std::int32_t status =
        Tokenize(kTemplate, text, tokens.data(), kTokenCount, &kShortenedStubRule);
    if (status == 0) {
        const bool longKind = TokenLow32(tokens[5]) == static_cast<std::uint32_t>(kLongTextKind);
        const std::size_t textWidth = longKind ? sizeof record->longText : sizeof record->shortText;
        if (!TextTokensFit(tokens.data(), {{7, textWidth}, {9, sizeof record->auxText}}))
            status = -1;
    }
    if (status == 0) {
        std::int32_t position = 0;
        PopulateReparseDataCore(&record->common, tokens.data(), &position);
        PopulateReparseDataUnix(record, tokens.data(), &position);
        record->stubType = byteOrder;
    }
    FreeTokens(tokens.data(), kTokenCount);
    return status == 0 ? 0 : -1;
}

std::int32_t GenerateReparseDataUnix(const ReparseData *r, StubType /*type*/, char *buffer,
                                     std::int32_t capacity) {
    const std::string_view shortText = FieldText(r->shortText);
    const std::string_view text = shortText.empty() ? FieldText(r->longText) : shortText;
    const int kind = shortText.empty() ? 1 : 2;
    const std::uint64_t size = r->number3 != 0 ? r->number3 : kDefaultSize;

    TextArea<kTextAreaSize> out;
    out.number(r->common.common1).character(':').number(r->common.common2).character(':');
    out.number(r->common.common3).character(':').number(r->common.common4).character(':');
    out.number(r->common.common5);
    const UnixLayout layout = ChooseLayout(*r);
    if (layout != UnixLayout::CommonOnly) {
        out.character(':').number(kind).character(':').number(text.size()).character(':');
        out.text(text);
        if (layout == UnixLayout::TextNumber || layout == UnixLayout::Full)
            out.character(':').number(r->number1);
        if (layout == UnixLayout::Full)
            out.character(':').text(FieldText(r->auxText)).character(':').number(size);
        out.character('|').number(r->number2);
    }
    // A text longer than the 1023 characters the area holds is refused, not
    // cut short.
    if (out.overflowed())
        return -1;
    const std::int32_t written = tkhsm_meta2stub(out.c_str(), size, buffer, capacity);
    return written < 0 ? -1 : written;
}

} // namespace stubmeta
