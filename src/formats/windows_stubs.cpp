// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Windows-local (NTFS), CSVFS and Celerra stubs: one 14-field layout.  The
// CSVFS text opens with the stub prefix and has no shortened form; the NTFS
// text sits behind the 24-byte reparse header.  The layouts themselves are
// the tables of stubmeta_layouts.hpp.
#include <string_view>

#include "formats/formats.h"
#include "formats/layout_codec.h"

namespace stubmeta {
namespace {

using NtfsCodec = LayoutCodec<layouts::ntfs>;
using CsvfsCodec = LayoutCodec<layouts::csvfs>;
using CelerraCodec = LayoutCodec<layouts::celerra>;

template <typename Codec>
std::int32_t GenerateWindowsLayout(const ReparseData* r, char* buffer, std::int32_t capacity) {
    const typename Codec::Values values = Codec::Prepare(*r, typename Codec::Indices{});
    return RenderText<kRenderArea>(buffer, capacity,
                                   [&](auto& out) { Codec::Render(*r, values, out); });
}

}  // namespace

std::int32_t ParseReparseDataNtfs(StubInput& input, ReparseData* record) {
    if (!input.holdsHeader())
        return STUBMETA_E_NO_MATCH;
    return NtfsCodec::Parse(input.textAfterHeader(), STUB_TYPE_WINDOWS_LOCAL, record);
}

std::int32_t ParseReparseDataCsvfs(StubInput& input, ReparseData* record) {
    return CsvfsCodec::Parse(input.text(), STUB_TYPE_WINDOWS_LOCAL_CSVFS, record);
}

std::int32_t ParseReparseDataCelerra(StubInput& input, ReparseData* record) {
    return CelerraCodec::Parse(input.text(), STUB_TYPE_WINDOWS_CELERRA, record);
}

std::int32_t GenerateReparseDataNtfs(const ReparseData* record, char* buffer,
                                     std::int32_t capacity) {
    return GenerateWindowsLayout<NtfsCodec>(record, buffer, capacity);
}

std::int32_t GenerateReparseDataCsvfs(const ReparseData* record, char* buffer,
                                      std::int32_t capacity) {
    return GenerateWindowsLayout<CsvfsCodec>(record, buffer, capacity);
}

std::int32_t GenerateReparseDataCelerra(const ReparseData* record, char* buffer,
                                        std::int32_t capacity) {
    return GenerateWindowsLayout<CelerraCodec>(record, buffer, capacity);
}

}  // namespace stubmeta
