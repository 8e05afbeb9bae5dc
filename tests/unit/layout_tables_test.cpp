// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// The layout tables of stubmeta_layouts.hpp, from which every parser and
// writer is derived: each type's template as a reader of the tables sees
// it, and a text written from a table reading back through the library.
#include <cstring>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "stubmeta.hpp"

namespace {

template <const stubmeta::Layout& L>
std::string TemplateOf() {
    constexpr auto text =
        stubmeta::layouts::template_text<stubmeta::layouts::template_length(L)>(L);
    return text.data();
}

TEST(LayoutTables, EachTypeHasItsTemplateAndRule) {
    const std::string banner(stubmeta::layouts::dmnas.suffix);
    const struct {
        StubType type;
        std::string templateText;
        std::int32_t firstOptional;
        char terminator;
    } cases[] = {
        {1, "{1}:{2}:{3}:{4}:{5}:{6}:{7}:{8}:{9}:{10}:{11}:{12}?{13}|{14}", 10, '?'},
        {2, "QZSTUB:{1}:{2}:{3}:{4}:{5}:{6}:{7}:{8}:{9}:{10}:{11}:{12}?{13}|{14}", 0, '\0'},
        {3, "{1}:{2}:{3}:{4}:{5}:{6}:{7}:{8}:{9}:{10}:{11}:{12}?{13}|{14}", 10, '?'},
        {4,
         "QZSTUB:{1}\r\n{2}:{3}:{4}:{5}:{6}?{7}|{8}|{9}|{10}|{11}|{12}|{13}|{14}|{15}?{16}\r\n" +
             banner,
         11, '?'},
        {6, "{1}:{2}:{3}:{4}:{5}:{6}:{7}:{8}:{9}:{10}:{11}|{12}", 9, '|'},
    };
    const std::string templates[] = {
        TemplateOf<stubmeta::layouts::ntfs>(), TemplateOf<stubmeta::layouts::csvfs>(),
        TemplateOf<stubmeta::layouts::celerra>(), TemplateOf<stubmeta::layouts::dmnas>(),
        TemplateOf<stubmeta::layouts::unix_stub>()};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].type);
        const stubmeta::Layout* layout = stubmeta::layouts::of(cases[i].type);
        ASSERT_NE(layout, nullptr);
        EXPECT_EQ(templates[i], cases[i].templateText);
        EXPECT_EQ(layout->first_optional, cases[i].firstOptional);
        EXPECT_EQ(layout->terminator, cases[i].terminator);
    }
    EXPECT_EQ(stubmeta::layouts::of(5), stubmeta::layouts::of(4));
    EXPECT_EQ(stubmeta::layouts::of(7), stubmeta::layouts::of(6));
    EXPECT_EQ(stubmeta::layouts::of(0), nullptr);
    EXPECT_EQ(stubmeta::layouts::of(8), nullptr);
}

// Every text field of every layout, filled to its width, is written by
// the library and read back in full: the tables' widths are the record's.
// (The Unix text itself is bounded by the envelope's text limit instead.)
TEST(LayoutTables, EveryTextFieldHoldsItsWidth) {
    for (StubType type : {1u, 2u, 3u, 4u, 6u}) {
        const stubmeta::Layout& layout = *stubmeta::layouts::of(type);
        for (std::size_t i = 0; i < layout.field_count; ++i) {
            const stubmeta::LayoutField& field = layout.fields[i];
            if (field.coding != stubmeta::FieldCoding::text)
                continue;
            SCOPED_TRACE(std::to_string(type) + " " + std::string(field.name));
            ReparseData record{};
            // A Unix writer's layout holding a text, number1 and auxText.
            record.shortText[0] = 's';
            record.number1 = 1;
            std::memset(reinterpret_cast<char*>(&record) + field.offset, 'x', field.width - 1);
            std::string stub = stubmeta::generate(record, type);
            if (layout.header != 0)
                stub.insert(0, layout.header, '\1');
            const auto parsed = stubmeta::parse(stub, type);
            ASSERT_TRUE(parsed.has_value());
            EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(&*parsed) + field.offset),
                      field.width - 1);
        }
    }
}

TEST(LayoutTables, FamiliesAndSearchOrder) {
    EXPECT_EQ(stubmeta::layouts::types_of(0), nullptr);
    EXPECT_EQ(stubmeta::layouts::types_of(4), nullptr);
    EXPECT_EQ((*stubmeta::layouts::types_of(STUB_FAMILY_NAS))[1], STUB_TYPE_WINDOWS_DMNAS);
    // A bare Celerra text fits the Unix template: the search order takes it
    // as type 6, the NAS family as type 3.
    const std::string_view celerra = "1:2:3:4:5:ex:short:7:-8:1:aux:12?/long/path|99";
    EXPECT_EQ(stubmeta::parse(celerra)->stubType, stubmeta::layouts::search_order[0]);
    EXPECT_EQ(stubmeta::parse(celerra, stubmeta::Family::nas_stubs)->stubType, 3u);
}

}  // namespace
