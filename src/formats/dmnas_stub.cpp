// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// DMNas stubs: the visible content of a stub file on a DMNas server.  A
// first line with the stub prefix and one text, a second line of fields,
// then a banner for a person who opens the file.  The banner is written in
// full but never compared when reading, so a stub whose banner was edited
// or lost still parses as long as its second line ends with a carriage
// return.  The layout itself is a table of stubmeta_layouts.hpp.
#include "formats/formats.h"
#include "formats/layout_codec.h"

namespace stubmeta {
namespace {

using DMNasCodec = LayoutCodec<layouts::dmnas>;

}  // namespace

std::int32_t ParseReparseDataDMNas(StubInput& input, ReparseData* record) {
    // Types 4 and 5 name one layout; a parse always records 4.
    return DMNasCodec::Parse(input.text(), STUB_TYPE_WINDOWS_DMNAS, record);
}

std::int32_t GenerateReparseDataDMNas(const ReparseData* r, char* buffer, std::int32_t capacity) {
    const DMNasCodec::Values values = DMNasCodec::Prepare(*r, DMNasCodec::Indices{});
    return RenderText<kRenderArea>(buffer, capacity,
                                   [&](auto& out) { DMNasCodec::Render(*r, values, out); });
}

}  // namespace stubmeta
