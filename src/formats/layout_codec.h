/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Reading and writing a stub text from its layout table (stubmeta_layouts.hpp).
//
// Everything a layout's parser and writer need follows from the table, at
// compile time: the template and its steps, the free-text rule, which
// tokens are texts and how wide their fields are, how each token fills the
// record and how each field is printed.  The per-field work is unrolled
// over the table's entries, so each layout compiles to straight-line code.
#ifndef STUBMETA_FORMATS_LAYOUT_CODEC_H
#define STUBMETA_FORMATS_LAYOUT_CODEC_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "formats/fields.h"
#include "formats/text_render.h"
#include "formats/token_array.h"
#include "stubmeta.h"
#include "stubmeta_layouts.hpp"
#include "tokenize/tokenize.h"

namespace stubmeta {

// unixTextKind 1 keeps the Unix text in longText, any other in shortText.
inline constexpr std::int32_t kLongTextKind = 1;

template <const Layout& L>
struct LayoutCodec {
    static constexpr std::size_t kFieldCount = L.field_count;
    static constexpr auto kTemplate = layouts::template_text<layouts::template_length(L)>(L);
    static constexpr auto kSteps =
        CompileTemplate<TemplateStepCount(kTemplate.data())>(kTemplate.data());
    static constexpr FreeTextRule kRule = {L.first_optional, {L.terminator, '\0'}};
    static constexpr const FreeTextRule* rule() { return L.first_optional != 0 ? &kRule : nullptr; }
    using Indices = std::make_index_sequence<kFieldCount>;

    // The most characters a rendering can add up to (as a LengthBound
    // counts them), which the working area must exceed.
    static constexpr std::size_t LongestText() {
        std::size_t length = L.prefix.size() + L.suffix.size();
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            const LayoutField& f = L.fields[i];
            length += f.separator.size();
            switch (f.coding) {
            case FieldCoding::unsigned_number:
                length += f.width == 4 ? kMaxDecimalLength<std::uint32_t>
                                       : kMaxDecimalLength<std::uint64_t>;
                break;
            case FieldCoding::flag:
            case FieldCoding::text_kind:
                length += kMaxDecimalLength<int>;
                break;
            case FieldCoding::text:
                length += f.width - 1;
                break;
            case FieldCoding::kind_text:
                length += sizeof(ReparseData::longText) - 1;
                break;
            default:
                length += kMaxDecimalLength<std::int64_t>;
                break;
            }
        }
        return length;
    }
    static_assert(LongestText() < kRenderArea);

    // The entry of the Unix text's kind, which decides where its text goes.
    static constexpr std::size_t KindIndex() {
        for (std::size_t i = 0; i < kFieldCount; ++i)
            if (L.fields[i].coding == FieldCoding::text_kind)
                return i;
        return kFieldCount;
    }

    // The width of the field token I fills.
    template <std::size_t I>
    static std::size_t TextWidth(const Token* tokens) {
        constexpr LayoutField f = L.fields[I];
        if constexpr (f.coding == FieldCoding::kind_text) {
            return TokenLow32(tokens[KindIndex()]) == static_cast<std::uint32_t>(kLongTextKind)
                       ? sizeof(ReparseData::longText)
                       : sizeof(ReparseData::shortText);
        } else {
            return f.width;
        }
    }

    template <std::size_t I>
    static bool FitsOne(const Token* tokens) {
        constexpr FieldCoding coding = L.fields[I].coding;
        if constexpr (coding == FieldCoding::text || coding == FieldCoding::kind_text)
            return TokenTextLength(tokens[I]) < TextWidth<I>(tokens);
        else
            return true;
    }

    // True when every text token fits its field with a terminator.
    template <std::size_t... I>
    static bool Fits(const Token* tokens, std::index_sequence<I...> /*fields*/) {
        return (FitsOne<I>(tokens) && ...);
    }

    template <typename Number>
    static void Store(ReparseData* record, std::size_t offset, Number value) {
        std::memcpy(reinterpret_cast<char*>(record) + offset, &value, sizeof value);
    }

    template <std::size_t I>
    static void FillOne(ReparseData* record, const Token& token) {
        constexpr LayoutField f = L.fields[I];
        if constexpr (f.coding == FieldCoding::unsigned_number ||
                      f.coding == FieldCoding::text_size) {
            if constexpr (f.width == sizeof(std::uint32_t))
                Store(record, f.offset, TokenLow32(token));
            else
                Store(record, f.offset, TokenUnsigned64(token));
        } else if constexpr (f.coding == FieldCoding::signed_number) {
            static_assert(f.width == sizeof(std::int64_t));
            Store(record, f.offset, TokenSigned64(token));
        } else if constexpr (f.coding == FieldCoding::flag) {
            Store(record, f.offset, TokenFlag(token));
        } else if constexpr (f.coding == FieldCoding::text_kind) {
            Store(record, f.offset, static_cast<std::int32_t>(TokenLow32(token)));
        } else if constexpr (f.coding == FieldCoding::text) {
            CopyTokenText(token, reinterpret_cast<char*>(record) + f.offset, f.width);
        } else if constexpr (f.coding == FieldCoding::kind_text) {
            if (record->unixTextKind == kLongTextKind)
                CopyTokenText(token, record->longText);
            else
                CopyTokenText(token, record->shortText);
        }
        // text_length: neither stored nor checked.
    }

    // Fills the record from the tokens, in text order.
    template <std::size_t... I>
    static void Fill(ReparseData* record, const Token* tokens,
                     std::index_sequence<I...> /*fields*/) {
        (FillOne<I>(record, tokens[I]), ...);
    }

    // Cuts `text`, checks every text's width, and only then fills the record
    // and stamps `type`.  Returns STUBMETA_OK or a failure status.
    static std::int32_t Parse(std::string_view text, StubType type, ReparseData* record) {
        return ParseLayout<static_cast<std::int32_t>(kFieldCount)>(
            text, kSteps.data(), rule(),
            [](const Token* tokens) { return Fits(tokens, Indices{}); },
            [record, type](const Token* tokens) {
                Fill(record, tokens, Indices{});
                record->stubType = type;
            });
    }

    // What a writer prints, worked out once before rendering twice (once to
    // bound its length, once to write it).
    // Text fields only, numbered in text order.
    static constexpr std::size_t TextSlot(std::size_t index) {
        std::size_t slot = 0;
        for (std::size_t i = 0; i < index; ++i)
            slot += L.fields[i].coding == FieldCoding::text ? 1 : 0;
        return slot;
    }
    static constexpr std::size_t kTextCount = TextSlot(kFieldCount);

    struct Values {
        std::array<std::string_view, kTextCount> texts;
        std::string_view unixText;  // shortText, or longText when it is empty
        int kind = 1;               // 2 when the text is shortText
        std::uint64_t size = 0;     // number3, or the default when it is 0
        int shown = 3;              // the Unix writer's layout
    };

    template <std::size_t I>
    static void PrepareOne(const ReparseData& r, Values& v) {
        constexpr LayoutField f = L.fields[I];
        if constexpr (f.coding == FieldCoding::text)
            v.texts[TextSlot(I)] = FieldText(reinterpret_cast<const char*>(&r) + f.offset, f.width);
    }

    template <std::size_t... I>
    static Values Prepare(const ReparseData& r, std::index_sequence<I...> /*fields*/) {
        Values v;
        (PrepareOne<I>(r, v), ...);
        return v;
    }

    template <typename Number>
    static Number Load(const ReparseData& r, std::size_t offset) {
        Number value;
        std::memcpy(&value, reinterpret_cast<const char*>(&r) + offset, sizeof value);
        return value;
    }

    // The separator after field I.
    template <std::size_t I, typename Out>
    static void Separator(Out& out) {
        constexpr std::string_view separator = L.fields[I].separator;
        if constexpr (separator.size() == 1)
            out.character(separator[0]);
        else if constexpr (!separator.empty())
            out.text(separator);
    }

    template <std::size_t I>
    static constexpr bool Written(int shown) {
        return L.fields[I].least_unix_layout == 0 || L.fields[I].least_unix_layout <= shown;
    }

    template <std::size_t I, typename Out>
    static void RenderOne(const ReparseData& r, const Values& v, Out& out) {
        constexpr LayoutField f = L.fields[I];
        if (!Written<I>(v.shown))
            return;
        if constexpr (I > 0)
            Separator<I - 1>(out);
        if constexpr (f.coding == FieldCoding::unsigned_number) {
            if constexpr (f.width == sizeof(std::uint32_t))
                out.number(Load<std::uint32_t>(r, f.offset));
            else
                out.number(Load<std::uint64_t>(r, f.offset));
        } else if constexpr (f.coding == FieldCoding::signed_number) {
            out.number(Load<std::int64_t>(r, f.offset));
        } else if constexpr (f.coding == FieldCoding::flag) {
            out.number(Load<std::int32_t>(r, f.offset) != 0 ? 1 : 0);
        } else if constexpr (f.coding == FieldCoding::text) {
            out.text(v.texts[TextSlot(I)]);
        } else if constexpr (f.coding == FieldCoding::text_kind) {
            out.number(v.kind);
        } else if constexpr (f.coding == FieldCoding::text_length) {
            out.number(v.unixText.size());
        } else if constexpr (f.coding == FieldCoding::kind_text) {
            out.text(v.unixText);
        } else if constexpr (f.coding == FieldCoding::text_size) {
            out.number(v.size);
        }
    }

    // Prints the prefix, the fields the writer's layout holds with the
    // separator before each, and the suffix.
    template <typename Out, std::size_t... I>
    static void Render(const ReparseData& r, const Values& v, Out& out,
                       std::index_sequence<I...> /*fields*/) {
        if constexpr (!L.prefix.empty())
            out.text(L.prefix);
        (RenderOne<I>(r, v, out), ...);
        if (Written<kFieldCount - 1>(v.shown))
            Separator<kFieldCount - 1>(out);
        if constexpr (!L.suffix.empty())
            out.text(L.suffix);
    }

    template <typename Out>
    static void Render(const ReparseData& r, const Values& v, Out& out) {
        Render(r, v, out, Indices{});
    }
};

}  // namespace stubmeta

#endif
