/* stubmeta.h -- reading and writing the metadata of archived-file stubs
 *
 * An archiving product that moves a file's data to secondary storage leaves
 * a stub behind, and the stub carries a line or two of metadata text: as the
 * data of a Windows reparse point (NTFS, CSVFS), as the content of a stub on
 * a Celerra or DMNas network file server, or as the content of a Unix stub
 * file wrapped in a small checksummed binary envelope.  This library
 * recognises and parses that metadata into one fixed record, ReparseData,
 * writes a record back as the exact text of a chosen stub type, and wraps
 * and unwraps the envelope.
 *
 * The library performs no I/O, keeps no state between calls and starts no
 * threads.  Every function may run on any number of threads at once provided
 * no two calls share a record or an output buffer.  Nothing is printed,
 * logged or thrown: the result is the only report.
 *
 * Caller's duties, common to every call:
 *  - The caller owns the record, the input and every output buffer for the
 *    whole call; the library keeps no pointer to any of them.
 *  - Parse inputs carry no length.  A text stub must end with a NUL byte.
 *    A Unix envelope is passed whole: the reader takes its extent from the
 *    envelope's own length field and reads up to that many bytes.
 *  - Any parse call that may try type 1 (NTFS) skips the 24-byte reparse
 *    header and reads from the 25th byte on, without looking at the first 24:
 *    such an input must hold at least 24 readable bytes before its text.
 *
 * Statuses: the parse and envelope functions return 0 for success and -1 for
 * failure; writers return the number of bytes written or -1.
 *
 * This header compiles as C99 and as C++ and uses no compiler extension
 * outside the STUBMETA_API macro below.
 */
#ifndef STUBMETA_H
#define STUBMETA_H

#include <stdint.h>

#define STUBMETA_VERSION_MAJOR 0
#define STUBMETA_VERSION_MINOR 1
#define STUBMETA_VERSION_PATCH 0

/* STUBMETA_API marks the exported functions.  On Windows the library's own
 * sources define STUBMETA_BUILDING and export them from stubmeta.dll;
 * callers import them from it, or define STUBMETA_STATIC when they link
 * the library's code in directly.  Elsewhere the names are the only ones
 * left visible in the shared library. */
#if defined(_WIN32)
#if defined(STUBMETA_BUILDING)
#define STUBMETA_API __declspec(dllexport)
#elif defined(STUBMETA_STATIC)
#define STUBMETA_API
#else
#define STUBMETA_API __declspec(dllimport)
#endif
#elif defined(__GNUC__) || defined(__clang__)
#define STUBMETA_API __attribute__((visibility("default")))
#else
#define STUBMETA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Stub type numbers.  5 is a second number for the DMNas layout: accepted
 * wherever 4 is, but a DMNas parse always records 4.  6 and 7 share the Unix
 * layout and differ only in the byte order of the envelope's checksum. */
typedef uint32_t StubType;
enum {
    STUB_TYPE_INVALID = 0,
    STUB_TYPE_WINDOWS_LOCAL = 1,
    STUB_TYPE_WINDOWS_LOCAL_CSVFS = 2,
    STUB_TYPE_WINDOWS_CELERRA = 3,
    STUB_TYPE_WINDOWS_DMNAS = 4,
    STUB_TYPE_WINDOWS_DMNAS_ALT = 5,
    STUB_TYPE_UNIX_BIGENDIAN = 6,
    STUB_TYPE_UNIX_LITTLEENDIAN = 7
};

/* Stub families for ParseReparseDataFor. */
typedef uint32_t StubFamily;
enum {
    STUB_FAMILY_WINDOWS = 1, /* types 1, 2 */
    STUB_FAMILY_NAS = 2,     /* types 3, 4 */
    STUB_FAMILY_UNIX = 3     /* types 6, 7 */
};

/* The five numbers that open every layout. */
typedef struct CommonFields {
    uint32_t common1;
    uint64_t common2;
    uint64_t common3;
    uint64_t common4;
    uint64_t common5;
} CommonFields;

/* The one record every parser fills and every writer reads.  Its field order
 * and widths are fixed: callers compile against them.  Texts are
 * NUL-terminated single-byte text.  A successful parse writes only the fields
 * its layout carries (each text field terminated) and stubType; every other
 * field keeps what the caller put there.  A failed parse writes nothing. */
typedef struct ReparseData {
    uint32_t stubType; /* set only by a successful parse */
    CommonFields common;
    char shortText[72];
    uint64_t number1;
    char auxText[72];
    uint64_t number2;
    int32_t unixTextKind; /* Unix only: 1 = text in longText, else shortText */
    uint64_t number3;     /* Unix: also the envelope's value; 0 writes 4096 */
    char extraText[72];
    int64_t signedNumber;
    int32_t flag; /* 0 or 1 */
    char longText[1024];
    uint32_t number4;
    uint64_t number5;
    char tailText[65];
    char headText[72]; /* DMNas first-line text */
} ReparseData;

/* Tries the types 6, 7, 1, 2, 3, 4 in that order; the first that parses wins.
 * Because the Unix types come first, a bare text of another layout that fits
 * the Unix template comes back as type 6: a caller that knows the family or
 * type should say so.  Reads from byte 25 on when it reaches type 1.
 * Returns 0 with the record filled, or -1 (also for a null pointer) with the
 * record untouched. */
STUBMETA_API int32_t ParseReparseData(const char* input, ReparseData* record);

/* Tries the types of one family: 1 Windows (1, 2), 2 NAS (3, 4), 3 Unix
 * (6, 7).  Returns -1 for any other family; otherwise as ParseReparseData. */
STUBMETA_API int32_t ParseReparseDataFor(const char* input, ReparseData* record, StubFamily family);

/* Try types 1 then 2, 3 then 4, and 6 then 7 respectively. */
STUBMETA_API int32_t ParseReparseDataForWindowsStubs(const char* input, ReparseData* record);
STUBMETA_API int32_t ParseReparseDataForNasStubs(const char* input, ReparseData* record);
STUBMETA_API int32_t ParseReparseDataForUnixStubs(const char* input, ReparseData* record);

/* Tries the count types listed, in order; the first that parses wins.
 * Returns -1 when input, record or types is null, when count is 0 or
 * negative, and when no listed type parses (the record is then untouched). */
STUBMETA_API int32_t ParseReparseDataForStubTypes(const char* input, ReparseData* record,
                                                  const StubType* types, int32_t count);

/* Parses input as one type (note the argument order).  Type 1 reads its text
 * from byte 25 on; types 4 and 5 both record 4; types 6 and 7 record the byte
 * order actually found (6 for bare text).  Returns -1 for a null pointer, a
 * type of 0 or above 7, or input that does not parse as that type. */
STUBMETA_API int32_t ParseReparseDataForStubType(const char* input, StubType type,
                                                 ReparseData* record);

/* Renders record as the stub of the given type (the type picks the writer,
 * not record->stubType) into buffer, whose size is capacity bytes.  Text
 * types write the text and a NUL and return the text's length without the
 * NUL; types 6 and 7 write an envelope in this machine's byte order and
 * return its size.  A text field is read at most up to its declared width.
 * Returns -1, leaving buffer untouched, for a null pointer, a type of 0 or
 * above 7, a capacity of 0 or less, or output that does not fit (a capacity
 * exactly equal to the output's size is enough); the Unix writer also refuses
 * a text of more than 1023 characters. */
STUBMETA_API int32_t GenerateReparseData(const ReparseData* record, StubType type, char* buffer,
                                         int32_t capacity);

/* The library's one allocation pair: AllocateMemory_t returns a block of size
 * bytes from the process heap, or null; FreeMemory_t releases a block it
 * returned (null does nothing).  A parse releases all it took before it
 * returns. */
STUBMETA_API void* AllocateMemory_t(uint64_t size);
STUBMETA_API void FreeMemory_t(void* block);

/* Copies the name of type ("WINDOWS_LOCAL", ..., "Invalid" for 0 and above 7)
 * into destination with strncpy semantics: at most capacity bytes, the rest
 * after a shorter name filled with NULs, and no terminator when the name has
 * capacity characters or more.  Does nothing when destination is null or
 * capacity is 0. */
STUBMETA_API void StubTypeAsString(StubType type, char* destination, uint64_t capacity);

/* Wraps the NUL-terminated text (T bytes, at most 65509) in an envelope of
 * T + 26 bytes carrying value, at the start of buffer.  The checksum is
 * stored in this machine's byte order.  Returns T + 26, or -1 with buffer
 * untouched when capacity is smaller than that or the text is too long.
 * text and buffer must not be null. */
STUBMETA_API int32_t tkhsm_meta2stub(const char* text, uint64_t value, char* buffer,
                                     int32_t capacity);

/* Verifies the envelope at input (magic, version, lengths, checksum in both
 * byte orders, terminator) and unwraps it.  On success returns 0, stores the
 * envelope's size in *totalOut and its value in *valueOut (each if not null)
 * and, when buffer is not null, copies the text and its NUL into buffer,
 * which must be larger than the text (capacity > T).  byteOrderOut (not null)
 * receives 6 for a checksum stored big-endian, 7 for little-endian, as soon
 * as the checksum has matched, so a later failure may leave it set.  When
 * buffer is too small, *totalOut receives the envelope's size before -1 is
 * returned: a size query.  Never reads past the envelope's length field's
 * extent, nor past the NUL of an input shorter than the magic.  Returns -1
 * on any failure; buffer and *valueOut are written only on success. */
STUBMETA_API int32_t tkhsm_stub2meta(const char* input, int32_t* totalOut, uint64_t* valueOut,
                                     char* buffer, int32_t capacity, StubType* byteOrderOut);

/* One table-driven step of the reflected CRC-32 (polynomial 0xEDB88320) over
 * length bytes of data, updating the caller's running value *crc.  Nothing is
 * preset or inverted, so calls chain; started from 0xFFFFFFFF the result is
 * the complement of the standard CRC-32. */
STUBMETA_API void tw_crc32(const void* data, uint64_t length, uint32_t* crc);

/* Converts a 64-bit number from network (big-endian) to host byte order. */
STUBMETA_API uint64_t tkhsm_ntohll(uint64_t value);

/* The C library's atoll: skips leading white space, takes one sign and the
 * digits that follow; text without digits gives 0.  Out-of-range values
 * saturate at the 64-bit limits.  text must not be null. */
STUBMETA_API int64_t tkhsm_atoll(const char* text);

#ifdef __cplusplus
}
#endif

#endif /* STUBMETA_H */
