// The per-type parsers and writers behind the exported entry points.
//
// Parsers take a NUL-terminated input (NTFS: from byte 25 on; Unix: bare
// text or a whole envelope), return 0 with the record filled or -1 with the
// record untouched, and release every token before they return.  Writers
// return the number of bytes written (text writers: without the NUL) or -1
// with the buffer untouched.
#ifndef STUBMETA_FORMATS_FORMATS_H
#define STUBMETA_FORMATS_FORMATS_H

#include <cstdint>

#include "stubmeta.h"
#include "tokenize/tokenize.h"

namespace stubmeta {

std::int32_t ParseReparseDataNtfs(const char *input, ReparseData *record);
std::int32_t ParseReparseDataCsvfs(const char *input, ReparseData *record);
std::int32_t ParseReparseDataCelerra(const char *input, ReparseData *record);
std::int32_t ParseReparseDataDMNas(const char *input, ReparseData *record);
std::int32_t ParseReparseDataUnix(const char *input, ReparseData *record);

std::int32_t GenerateReparseDataNtfs(const ReparseData *record, char *buffer,
                                     std::int32_t capacity);
std::int32_t GenerateReparseDataCsvfs(const ReparseData *record, char *buffer,
                                      std::int32_t capacity);
std::int32_t GenerateReparseDataCelerra(const ReparseData *record, char *buffer,
                                        std::int32_t capacity);
std::int32_t GenerateReparseDataDMNas(const ReparseData *record, char *buffer,
                                      std::int32_t capacity);
// `type` (6 or 7) is not consulted: the envelope always carries this
// machine's byte order.
std::int32_t GenerateReparseDataUnix(const ReparseData *record, StubType type, char *buffer,
                                     std::int32_t capacity);

// Fill the fields after the five common numbers (Windows-local, CSVFS and
// Celerra; DMNas; Unix), reading from *position and advancing it by 9, 10
// and 7.  Return 0.  Callers check text widths first (TextTokensFit).
std::int32_t PopulateReparseDataInfo1(ReparseData *record, const Token *tokens,
                                      std::int32_t *position);
std::int32_t PopulateReparseDataInfo2(ReparseData *record, const Token *tokens,
                                      std::int32_t *position);
std::int32_t PopulateReparseDataUnix(ReparseData *record, const Token *tokens,
                                     std::int32_t *position);

// The NTFS reparse buffer's fixed header (tag, data length, reserved word,
// GUID) in front of the text.
inline constexpr int kNtfsHeaderSize = 24;

} // namespace stubmeta

#endif
