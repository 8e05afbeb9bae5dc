/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
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
 *  - Any parse call that may try type 1 (NTFS) skips the
 *    STUBMETA_NTFS_HEADER_SIZE-byte reparse header and reads from the byte
 *    after it, without looking at the header: such an input must hold at
 *    least STUBMETA_NTFS_HEADER_SIZE readable bytes before its text.
 *
 * The header's sections, in order:
 *   Version                 STUBMETA_VERSION_*
 *   Limits                  sizes of the stub layouts and of buffers
 *   Linkage                 STUBMETA_API
 *   The record and types    StubType, StubFamily, ReparseData
 *   Fixed interface         ParseReparseData..., GenerateReparseData,
 *                           StubTypeAsString, the allocation pair, helpers
 *   Bounded interface       StubmetaStatus, stubmeta_parse,
 *                           stubmeta_generate, stubmeta_identify
 *   Envelope and checksum   tkhsm_meta2stub, tkhsm_stub2meta,
 *                           stubmeta_envelope_open, tw_crc32
 *   Versions and errors     stubmeta_strerror, stubmeta_version
 *
 * This header compiles as C99 and as C++ and uses no compiler extension
 * outside the STUBMETA_API macro below.
 */
#ifndef STUBMETA_H
#define STUBMETA_H

#include <stdint.h>

/* ======================================================================== */
/*                                 Version                                  */
/* ======================================================================== */

/* The library's version.  These three lines are its only statement: the
 * build reads them from here. */
#define STUBMETA_VERSION_MAJOR 0
#define STUBMETA_VERSION_MINOR 1
#define STUBMETA_VERSION_PATCH 0
/* MAJOR * 10000 + MINOR * 100 + PATCH, for comparisons in #if. */
#define STUBMETA_VERSION_NUMBER                                                                    \
    (STUBMETA_VERSION_MAJOR * 10000 + STUBMETA_VERSION_MINOR * 100 + STUBMETA_VERSION_PATCH)
#define STUBMETA_STRINGIFY_(x) #x
#define STUBMETA_STRINGIFY(x) STUBMETA_STRINGIFY_(x)
/* "MAJOR.MINOR.PATCH", as stubmeta_version() returns it. */
#define STUBMETA_VERSION_STRING                                                                    \
    STUBMETA_STRINGIFY(STUBMETA_VERSION_MAJOR)                                                     \
    "." STUBMETA_STRINGIFY(STUBMETA_VERSION_MINOR) "." STUBMETA_STRINGIFY(STUBMETA_VERSION_PATCH)

/* ======================================================================== */
/*                                  Limits                                  */
/* ======================================================================== */

/* The reparse header in front of the text in a reparse buffer (an NTFS or
 * CSVFS stub). */
#define STUBMETA_NTFS_HEADER_SIZE 24
/* The envelope's header: magic, version, total length, value, text length. */
#define STUBMETA_ENVELOPE_HEADER_SIZE 21
/* The envelope's overhead: its header, the text's terminator and the 4
 * checksum bytes.  A sound envelope's total length is its text's length
 * plus this. */
#define STUBMETA_ENVELOPE_OVERHEAD (STUBMETA_ENVELOPE_HEADER_SIZE + 1 + 4)
/* The longest text an envelope holds: the longest that keeps the 16-bit
 * total length field in range. */
#define STUBMETA_ENVELOPE_TEXT_MAX (65535 - STUBMETA_ENVELOPE_OVERHEAD)
/* The longest text of a Unix stub: it fills at most the 1024-byte longText
 * field with its terminator. */
#define STUBMETA_UNIX_TEXT_MAX 1023
/* The eight bytes every envelope opens with. */
#define STUBMETA_ENVELOPE_MAGIC "QSTUB\n\x0E\xAF"
#define STUBMETA_ENVELOPE_MAGIC_SIZE 8
/* The most bytes any stub of any type occupies: the largest envelope the
 * 16-bit total length field describes (65,535 bytes) rounded up; every text
 * layout is far shorter, and a reparse buffer holds at most 16,384.  A
 * reader that judges a file by its opening never needs more than this many
 * of its first bytes. */
#define STUBMETA_READ_MAX 65536
/* Zero bytes a caller of the fixed parse functions puts after an input of
 * unknown content so that no read leaves its buffer: the largest envelope
 * the length field can describe plus the NTFS header. */
#define STUBMETA_PADDING (STUBMETA_READ_MAX + STUBMETA_NTFS_HEADER_SIZE)
/* Bytes that hold any stub a writer produces from any record, its NUL
 * included: every text field counts at most its width (1377 bytes in all),
 * every number at most 20 digits (280), and the fixed text (separators,
 * prefix, the DMNas banner, the envelope's framing) well under 1024. */
#define STUBMETA_STUB_SIZE_MAX 4096

/* ======================================================================== */
/*                                 Linkage                                  */
/* ======================================================================== */

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

/* ======================================================================== */
/*                           The record and types                           */
/* ======================================================================== */

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

/* ======================================================================== */
/*                             Fixed interface                              */
/* ======================================================================== */
/* The fixed functions are not told the length of their input: it ends as
 * the caller's duties above describe.  The fixed parse and envelope
 * functions return 0 for success and -1 for failure; writers return the
 * number of bytes written or -1. */

/* ParseReparseData tries the types 6, 7, 1, 2, 3, 4 in that order; the first
 * that parses wins.  Reads from byte STUBMETA_NTFS_HEADER_SIZE + 1 on when it
 * reaches type 1.
 *
 * Returns: 0 with the record filled, or -1 (also for a null pointer) with the
 * record untouched.
 *
 * Note: because the Unix types come first, a bare text of another layout
 * that fits the Unix template comes back as type 6: a caller that knows the
 * family or type should say so. */
STUBMETA_API int32_t ParseReparseData(const char* input, ReparseData* record);

/* ParseReparseDataFor tries the types of one family: 1 Windows (1, 2), 2 NAS
 * (3, 4), 3 Unix (6, 7).
 *
 * Returns: -1 for any other family; otherwise as ParseReparseData. */
STUBMETA_API int32_t ParseReparseDataFor(const char* input, ReparseData* record, StubFamily family);

/* ParseReparseDataForWindowsStubs, ParseReparseDataForNasStubs and
 * ParseReparseDataForUnixStubs try types 1 then 2, 3 then 4, and 6 then 7
 * respectively.
 *
 * Returns: as ParseReparseData. */
STUBMETA_API int32_t ParseReparseDataForWindowsStubs(const char* input, ReparseData* record);
STUBMETA_API int32_t ParseReparseDataForNasStubs(const char* input, ReparseData* record);
STUBMETA_API int32_t ParseReparseDataForUnixStubs(const char* input, ReparseData* record);

/* ParseReparseDataForStubTypes tries the count types listed, in order; the
 * first that parses wins.
 *
 * Returns: 0 with the record filled, or -1 when input, record or types is
 * null, when count is 0 or negative, and when no listed type parses (the
 * record is then untouched). */
STUBMETA_API int32_t ParseReparseDataForStubTypes(const char* input, ReparseData* record,
                                                  const StubType* types, int32_t count);

/* ParseReparseDataForStubType parses input as one type (note the argument
 * order).  Type 1 reads its text from byte STUBMETA_NTFS_HEADER_SIZE + 1 on;
 * types 4 and 5 both record 4; types 6 and 7 record the byte order actually
 * found (6 for bare text).
 *
 * Returns: 0 with the record filled, or -1 for a null pointer, a type of 0 or
 * above 7, or input that does not parse as that type. */
STUBMETA_API int32_t ParseReparseDataForStubType(const char* input, StubType type,
                                                 ReparseData* record);

/* GenerateReparseData renders record as the stub of the given type (the type
 * picks the writer, not record->stubType) into buffer, whose size is capacity
 * bytes.  Text types write the text and a NUL; types 6 and 7 write an
 * envelope in this machine's byte order.  A text field is read at most up to
 * its declared width.
 *
 * Returns: for a text type the text's length without the NUL, for types 6
 * and 7 the envelope's size; or -1, leaving buffer untouched, for a null
 * pointer, a type of 0 or above 7, a capacity of 0 or less, or output that
 * does not fit (a capacity exactly equal to the output's size is enough);
 * the Unix writer also refuses a text of more than STUBMETA_UNIX_TEXT_MAX
 * characters. */
STUBMETA_API int32_t GenerateReparseData(const ReparseData* record, StubType type, char* buffer,
                                         int32_t capacity);

/* The library's one allocation pair.
 *
 * Returns: AllocateMemory_t a block of size bytes from the process heap, or
 * null.  FreeMemory_t releases a block AllocateMemory_t returned (null does
 * nothing).
 *
 * Note: a parse releases all it took before it returns. */
STUBMETA_API void* AllocateMemory_t(uint64_t size);
STUBMETA_API void FreeMemory_t(void* block);

/* StubTypeAsString copies the name of type ("WINDOWS_LOCAL", ..., "Invalid"
 * for 0 and above 7) into destination with strncpy semantics: at most
 * capacity bytes, the rest after a shorter name filled with NULs, and no
 * terminator when the name has capacity characters or more.
 *
 * Note: does nothing when destination is null or capacity is 0. */
STUBMETA_API void StubTypeAsString(StubType type, char* destination, uint64_t capacity);

/* tkhsm_ntohll converts a 64-bit number from network (big-endian) to host
 * byte order. */
STUBMETA_API uint64_t tkhsm_ntohll(uint64_t value);

/* tkhsm_atoll is the C library's atoll: skips leading white space, takes one
 * sign and the digits that follow.  text must not be null.
 *
 * Returns: the number; 0 for text without digits.  Out-of-range values
 * saturate at the 64-bit limits. */
STUBMETA_API int64_t tkhsm_atoll(const char* text);

/* ======================================================================== */
/*               Bounded interface: parse, generate, identify               */
/* ======================================================================== */
/* The bounded functions (stubmeta_parse, stubmeta_identify, and
 * stubmeta_envelope_open below) are told the length of their input and never
 * read outside it, so an input needs neither a terminator nor padding;
 * stubmeta_generate is told the capacity of its output.  They return 0 or a
 * negative StubmetaStatus that stubmeta_strerror explains. */

/* Statuses of the bounded functions: 0 is success, every failure negative.
 * The envelope codes follow the order in which the checks are made. */
typedef int32_t StubmetaStatus;
enum {
    STUBMETA_OK = 0,
    STUBMETA_E_ARGUMENT = -1,          /* a null pointer or a count below 1 */
    STUBMETA_E_NO_MATCH = -2,          /* no type tried parses the input */
    STUBMETA_E_FIELD_TOO_LONG = -3,    /* a text field is wider than its record field */
    STUBMETA_E_NO_MEMORY = -4,         /* a working block could not be had */
    STUBMETA_E_BAD_MAGIC = -5,         /* not an envelope */
    STUBMETA_E_BAD_VERSION = -6,       /* an envelope of an unknown version */
    STUBMETA_E_TOTAL_TOO_SMALL = -7,   /* total length below the overhead */
    STUBMETA_E_TRUNCATED = -8,         /* the envelope reaches past the input */
    STUBMETA_E_CHECKSUM = -9,          /* checksum matches in neither byte order */
    STUBMETA_E_EMPTY_TEXT = -10,       /* the envelope's text length is 0 */
    STUBMETA_E_LENGTH_MISMATCH = -11,  /* text length + overhead != total length */
    STUBMETA_E_UNTERMINATED = -12,     /* no zero byte right after the text */
    STUBMETA_E_OUTPUT_TOO_SMALL = -13, /* an output buffer cannot hold the result */
    STUBMETA_E_TEXT_TOO_LONG = -14,    /* a text exceeds its layout's limit */
    STUBMETA_E_NOT_UNIX_TEXT = -15,    /* a sound envelope whose text is no Unix layout */
    STUBMETA_E_BAD_FIELDS = -16,       /* the fields do not parse as the type the opening names */
    STUBMETA_E_REPARSE_LENGTH = -17,   /* a reparse header's length disagrees with its data */
    STUBMETA_E_NOT_A_STUB = -18        /* nothing in the opening marks a stub */
};

/* stubmeta_parse parses the length bytes at input.  types null tries
 * 6, 7, 1, 2, 3, 4 as ParseReparseData does; otherwise the count types listed
 * are tried in order as by ParseReparseDataForStubTypes.  A text stub ends at
 * its first NUL or at length, whichever comes first; type 1 needs at least
 * STUBMETA_NTFS_HEADER_SIZE bytes and reads from the byte after them; an
 * envelope whose total length reaches past length does not parse.  Every
 * other input that the fixed entry points accept when it is followed by zero
 * bytes gives their result and their record.
 *
 * Returns: 0 with the record filled, or a negative status with the record
 * untouched: STUBMETA_E_ARGUMENT, STUBMETA_E_NO_MEMORY, an envelope status
 * when the input opens with the envelope's magic and no type parsed,
 * STUBMETA_E_TEXT_TOO_LONG for an envelope text over STUBMETA_UNIX_TEXT_MAX
 * characters, STUBMETA_E_FIELD_TOO_LONG, or STUBMETA_E_NO_MATCH.
 *
 * Never: reads input[length] or beyond. */
STUBMETA_API int32_t stubmeta_parse(const void* input, uint64_t length, const StubType* types,
                                    int32_t count, ReparseData* record);

/* stubmeta_generate renders record as the stub of the given type into the
 * capacity bytes at buffer, as GenerateReparseData does: the type picks the
 * layout, text types add a NUL, types 6 and 7 write an envelope in this
 * machine's byte order.
 *
 * Returns: 0 with *written the bytes written (the NUL not counted), or:
 *  - STUBMETA_E_OUTPUT_TOO_SMALL with *written the capacity the stub needs
 *    (its NUL counted) and buffer untouched, so a call with a null buffer and
 *    a capacity of 0 asks for the size alone;
 *  - STUBMETA_E_TEXT_TOO_LONG when a Unix stub's text would exceed
 *    STUBMETA_UNIX_TEXT_MAX characters;
 *  - STUBMETA_E_ARGUMENT (nothing written) for a null record or written, a
 *    type of 0 or above 7, or a null buffer with a capacity above 0.
 *
 * Never: writes more than capacity bytes, nor allocates. */
STUBMETA_API int32_t stubmeta_generate(const ReparseData* record, StubType type, void* buffer,
                                       uint64_t capacity, uint64_t* written);

/* What the bytes given to stubmeta_identify are (StubmetaQuery.kind). */
enum {
    STUBMETA_INPUT_CONTENT = 0, /* a file's content: its opening decides */
    STUBMETA_INPUT_REPARSE = 1, /* a reparse buffer: the reparse header, then data */
    STUBMETA_INPUT_TEXT = 2     /* a bare text of the types named */
};

/* The answer's state (StubmetaIdentity.state). */
enum {
    STUBMETA_STATE_NO_STUB = 0, /* not a stub */
    STUBMETA_STATE_OK = 1,      /* a sound stub: it parses as its type */
    STUBMETA_STATE_DAMAGED = 2  /* it opens as a stub but does not parse */
};

/* How the stub was found (StubmetaIdentity.foundBy). */
enum {
    STUBMETA_FOUND_NOTHING = 0,
    STUBMETA_FOUND_ENVELOPE = 1,       /* the envelope magic */
    STUBMETA_FOUND_QZSTUB_LINE = 2,    /* a first line opening with "QZSTUB:" */
    STUBMETA_FOUND_REPARSE_HEADER = 3, /* a reparse header */
    STUBMETA_FOUND_NAMED_TYPES = 4     /* one of the types the caller named */
};

/* Which facts of StubmetaIdentity hold (bits of its known field). */
enum {
    STUBMETA_KNOWN_TEXT = 1,           /* textOffset, textLength */
    STUBMETA_KNOWN_STUB_LENGTH = 2,    /* stubLength, trailing */
    STUBMETA_KNOWN_ENVELOPE_TOTAL = 4, /* envelopeVersion, envelopeTotal */
    STUBMETA_KNOWN_CHECKSUMS = 8,      /* storedBigEndian, storedLittleEndian, computed */
    STUBMETA_KNOWN_ENVELOPE_VALUE = 16 /* envelopeValue, envelopeTextLength */
};

/* What the caller knows of the bytes it passes to stubmeta_identify.  A null
 * query stands for a file's whole content. */
typedef struct StubmetaQuery {
    uint32_t kind;         /* STUBMETA_INPUT_CONTENT, _REPARSE or _TEXT */
    StubFamily family;     /* _TEXT with types null: that family's types, or
                              0 for the order 6, 7, 1, 2, 3, 4 */
    uint64_t wholeSize;    /* the whole object's size when the bytes are only
                              its start; 0 when they are all of it */
    const StubType* types; /* _TEXT: the types to try, in order, or null */
    int32_t count;         /* the number of types */
    uint32_t reserved;     /* 0 */
} StubmetaQuery;

/* stubmeta_identify's answer.  Every field has a fixed width, so the
 * layout is the same for every compiler; the caller sets structSize. */
typedef struct StubmetaIdentity {
    uint32_t structSize;         /* in: sizeof(StubmetaIdentity) */
    uint32_t state;              /* STUBMETA_STATE_* */
    StubType type;               /* the stub's type; 0 when no stub */
    uint32_t foundBy;            /* STUBMETA_FOUND_* */
    int32_t status;              /* STUBMETA_OK, or why damaged or no stub */
    uint32_t known;              /* STUBMETA_KNOWN_* bits: which facts below hold */
    uint64_t textOffset;         /* where the stub's text starts in the input */
    uint64_t textLength;         /* and its length, up to its first NUL */
    uint64_t stubLength;         /* the input bytes the stub occupies */
    uint64_t trailing;           /* input bytes after the stub */
    uint64_t envelopeTotal;      /* an envelope's total length field */
    uint64_t envelopeValue;      /* its value field, once the checksum matched */
    uint64_t envelopeTextLength; /* its text length field, likewise */
    uint32_t storedBigEndian;    /* its stored checksum read big-endian */
    uint32_t storedLittleEndian; /* and read little-endian */
    uint32_t computed;           /* the checksum of the bytes it covers */
    uint32_t envelopeVersion;    /* its version byte */
} StubmetaIdentity;

/* stubmeta_identify says what the length bytes at input are, by the rule
 * below.  identity receives the answer; record, when not null, receives the
 * stub's fields for an ok answer exactly as stubmeta_parse of the same bytes
 * with the answer's type gives them, and is left untouched otherwise.
 * Allocates no more than stubmeta_parse does.
 *
 * Rule for a bare text (query->kind STUBMETA_INPUT_TEXT): it is tried as the
 * types named: query->types (count of them) in order, or with types null the
 * types of query->family, or with family 0 the order 6, 7, 1, 2, 3, 4.  When
 * a Unix type is among them and the input opens with the envelope magic, the
 * envelope decides as in step 1 below; when CSVFS (2) is among them and
 * the input is a whole reparse buffer (step 3) whose text opens with
 * "QZSTUB:", the buffer decides as in step 3; otherwise the first type that parses
 * gives an ok answer found by STUBMETA_FOUND_NAMED_TYPES, and when none does
 * there is no stub, with stubmeta_parse's status.
 *
 * Rule for any other input: it is judged by its opening, in this order.
 *   1. The envelope magic: a Unix stub found by STUBMETA_FOUND_ENVELOPE,
 *      whose type is the byte order its checksum matched in (6 or 7, or 0
 *      when it matched in neither).  It is damaged when the envelope is not
 *      whole and sound (the status of stubmeta_envelope_open's first failed
 *      check), when its text is longer than STUBMETA_UNIX_TEXT_MAX
 *      (STUBMETA_E_TEXT_TOO_LONG) and when its text is no Unix layout
 *      (STUBMETA_E_NOT_UNIX_TEXT).  The text lies behind the
 *      STUBMETA_ENVELOPE_HEADER_SIZE-byte header; bytes after the envelope
 *      are trailing and do not make it damaged.
 *   2. A first line opening with "QZSTUB:": a DMNas stub (4), else a CSVFS
 *      text (2), found by STUBMETA_FOUND_QZSTUB_LINE; damaged (4) when
 *      neither parses.
 *   3. A reparse buffer: kind STUBMETA_INPUT_REPARSE, or a content whose
 *      first STUBMETA_NTFS_HEADER_SIZE bytes have the shape of a reparse
 *      header (a zero reserved word in bytes 6 and 7, a little-endian length
 *      in bytes 4 and 5 of 1 to 16,360) whose length counts exactly the rest
 *      of wholeSize bytes.  Found by STUBMETA_FOUND_REPARSE_HEADER, its text
 *      lying behind the STUBMETA_NTFS_HEADER_SIZE bytes: a CSVFS stub (2)
 *      when that text opens with "QZSTUB:" (damaged when it does not parse),
 *      else an NTFS stub (1).  Neither parsing, it is a damaged NTFS stub (1)
 *      when the bytes after the header hold a colon and no stub
 *      (STUBMETA_E_NOT_A_STUB) when they hold none or the buffer is shorter
 *      than its header.  An ok stub in a reparse buffer whose header's length
 *      is not the number of bytes after the header is damaged
 *      (STUBMETA_E_REPARSE_LENGTH).
 *   4. Anything else is no stub (STUBMETA_E_NOT_A_STUB).
 * The fields that do not parse give a damaged stub the status
 * STUBMETA_E_FIELD_TOO_LONG when a text is wider than its record field and
 * STUBMETA_E_BAD_FIELDS otherwise.
 *
 * Agreement with stubmeta_parse: whatever the answer, an ok answer parses
 * with stubmeta_parse as its type, and a parse as that type of a damaged
 * stub's bytes fails, but for a reparse buffer damaged only by its header's
 * length (STUBMETA_E_REPARSE_LENGTH), whose text does parse.
 *
 * Facts: identity->known says which facts hold: the text's place once the
 * stub's text was found, the stub's extent for a whole envelope or a reparse
 * buffer, and each of the envelope's fields as far as its checks got (a
 * value and text length the checksum does not vouch for are not facts).
 * Facts that do not hold are 0.
 *
 * Returns:
 *  - STUBMETA_OK with identity filled, whatever the answer;
 *  - STUBMETA_E_NO_MEMORY (identity says no stub) when a working block could
 *    not be had;
 *  - STUBMETA_E_ARGUMENT, writing nothing, for a null input or identity, an
 *    identity->structSize other than sizeof(StubmetaIdentity), an unknown
 *    kind or family, types named with a kind other than STUBMETA_INPUT_TEXT,
 *    or a count below 1 with types not null.
 *
 * Never: reads input[length] or beyond. */
STUBMETA_API int32_t stubmeta_identify(const void* input, uint64_t length,
                                       const StubmetaQuery* query, StubmetaIdentity* identity,
                                       ReparseData* record);

/* ======================================================================== */
/*                          Envelope and checksum                           */
/* ======================================================================== */
/* A Unix stub's text travels in a checksummed envelope that is
 * STUBMETA_ENVELOPE_OVERHEAD bytes longer than the text: a header of
 * STUBMETA_ENVELOPE_HEADER_SIZE bytes opening with STUBMETA_ENVELOPE_MAGIC,
 * the text's terminator and 4 checksum bytes. */

/* tkhsm_meta2stub wraps the NUL-terminated text (T bytes, at most
 * STUBMETA_ENVELOPE_TEXT_MAX) in an envelope of T + STUBMETA_ENVELOPE_OVERHEAD
 * bytes carrying value, at the start of buffer.  The checksum is stored in
 * this machine's byte order.  text and buffer must not be null.
 *
 * Returns: T + STUBMETA_ENVELOPE_OVERHEAD, or -1 with buffer untouched when
 * capacity is smaller than that or the text is too long. */
STUBMETA_API int32_t tkhsm_meta2stub(const char* text, uint64_t value, char* buffer,
                                     int32_t capacity);

/* tkhsm_stub2meta verifies the envelope at input (magic, version, lengths,
 * checksum in both byte orders, terminator) and unwraps it.  On success it
 * stores the envelope's size in *totalOut and its value in *valueOut (each if
 * not null) and, when buffer is not null, copies the text and its NUL into
 * buffer, which must be larger than the text (capacity > T).
 *
 * Returns: 0 on success; -1 on any failure.
 *
 * Notes:
 *  - byteOrderOut (not null) receives 6 for a checksum stored big-endian, 7
 *    for little-endian, as soon as the checksum has matched, so a later
 *    failure may leave it set.
 *  - When buffer is too small, *totalOut receives the envelope's size before
 *    -1 is returned: a size query.
 *  - buffer and *valueOut are written only on success.
 *
 * Never: reads past the envelope's length field's extent, nor past the NUL
 * of an input shorter than the magic. */
STUBMETA_API int32_t tkhsm_stub2meta(const char* input, int32_t* totalOut, uint64_t* valueOut,
                                     char* buffer, int32_t capacity, StubType* byteOrderOut);

/* What stubmeta_envelope_open learns of an envelope.  Fields the checks did
 * not reach are 0 (text null). */
typedef struct StubmetaEnvelope {
    uint64_t total;              /* the total length field */
    uint64_t value;              /* the 64-bit value field */
    StubType byteOrder;          /* 6 checksum stored big-endian, 7 little-endian */
    const char* text;            /* the text inside the input, not copied */
    uint64_t textLength;         /* the text length field */
    uint32_t storedBigEndian;    /* the stored checksum read big-endian */
    uint32_t storedLittleEndian; /* and read little-endian */
    uint32_t computed;           /* the checksum of the bytes it covers */
    uint64_t trailing;           /* input bytes after the envelope */
} StubmetaEnvelope;

/* stubmeta_envelope_open checks the envelope in the length bytes at input, in
 * tkhsm_stub2meta's order: magic, version, total length of at least
 * STUBMETA_ENVELOPE_OVERHEAD, the envelope within length (a header cut short
 * counts as truncated), checksum, then the text: not empty, lengths that
 * agree, a zero byte after it.  Fills *info as far as the checks got.
 *
 * Returns: 0, or the status of the first failed check; STUBMETA_E_ARGUMENT
 * (info untouched) when input or info is null.
 *
 * Never: copies anything, nor reads outside the envelope's extent nor past
 * length. */
STUBMETA_API int32_t stubmeta_envelope_open(const void* input, uint64_t length,
                                            StubmetaEnvelope* info);

/* tw_crc32 is one table-driven step of the reflected CRC-32 (polynomial
 * 0xEDB88320) over length bytes of data, updating the caller's running value
 * *crc.
 *
 * Note: nothing is preset or inverted, so calls chain; started from
 * 0xFFFFFFFF the result is the complement of the standard CRC-32. */
STUBMETA_API void tw_crc32(const void* data, uint64_t length, uint32_t* crc);

/* ======================================================================== */
/*                           Versions and errors                            */
/* ======================================================================== */

/* stubmeta_strerror explains a status.
 *
 * Returns: a constant English message for status: one for each
 * StubmetaStatus, one for 0 and one for any other value.
 *
 * Never: returns null. */
STUBMETA_API const char* stubmeta_strerror(int32_t status);

/* stubmeta_version names the library actually loaded, which may differ from
 * the STUBMETA_VERSION_* a caller compiled against.
 *
 * Returns: the library's version as "MAJOR.MINOR.PATCH", a constant
 * string. */
STUBMETA_API const char* stubmeta_version(void);

#ifdef __cplusplus
}
#endif

#endif /* STUBMETA_H */
