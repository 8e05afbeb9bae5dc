/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Rendering a stub text without printf.  A writer describes its text once,
// as a function of the output it appends to; that function runs first over
// a LengthBound, which adds up the longest each number can render and each
// text's actual length, and then over a TextWriter.  When the bound fits the
// caller's buffer the text is rendered straight into it; otherwise it is
// rendered into a working area on the stack and copied over only once it is
// known to fit, so a refused write leaves the buffer untouched.
#ifndef STUBMETA_FORMATS_TEXT_RENDER_H
#define STUBMETA_FORMATS_TEXT_RENDER_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <type_traits>

#include "support/bytes.h"

namespace stubmeta {

// The characters of a text field up to its NUL, never beyond its width.
inline std::string_view FieldText(const char* field, std::size_t width) {
    return {field, BoundedLength(field, width)};
}

template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}

// "00" to "99", two characters each.
inline constexpr char kDigitPairs[] = "00010203040506070809"
                                      "10111213141516171819"
                                      "20212223242526272829"
                                      "30313233343536373839"
                                      "40414243444546474849"
                                      "50515253545556575859"
                                      "60616263646566676869"
                                      "70717273747576777879"
                                      "80818283848586878889"
                                      "90919293949596979899";

inline void WriteDigitPair(char* out, std::uint32_t value) {
    std::memcpy(out, kDigitPairs + 2 * static_cast<std::size_t>(value), 2);
}

// Exactly eight digits, with leading zeros, of a value below 10^8.  The two
// halves and their pairs do not wait on each other.
inline void WriteEightDigits(char* out, std::uint32_t value) {
    const std::uint32_t high = value / 10000;
    const std::uint32_t low = value % 10000;
    WriteDigitPair(out, high / 100);
    WriteDigitPair(out + 2, high % 100);
    WriteDigitPair(out + 4, low / 100);
    WriteDigitPair(out + 6, low % 100);
}

// A value below 10^8 without leading zeros; returns the end of its digits.
inline char* WriteShortDecimal(char* out, std::uint32_t value) {
    if (value < 10) {
        *out = static_cast<char>('0' + value);
        return out + 1;
    }
    if (value < 100) {
        WriteDigitPair(out, value);
        return out + 2;
    }
    int digits = 3;
    for (std::uint32_t next = 1000; digits < 8 && value >= next; next *= 10)
        ++digits;
    char* end = out + digits;
    char* p = end;
    while (value >= 100) {
        p -= 2;
        WriteDigitPair(p, value % 100);
        value /= 100;
    }
    if (value >= 10)
        WriteDigitPair(p - 2, value);
    else
        p[-1] = static_cast<char>('0' + value);
    return end;
}

// Any unsigned 64-bit value: up to three groups of at most eight digits.
inline char* WriteDecimal(char* out, std::uint64_t value) {
    constexpr std::uint64_t kEightDigits = 100000000u;
    if (value < kEightDigits)
        return WriteShortDecimal(out, static_cast<std::uint32_t>(value));
    const std::uint64_t upper = value / kEightDigits;
    const auto lowest = static_cast<std::uint32_t>(value % kEightDigits);
    if (upper < kEightDigits) {
        out = WriteShortDecimal(out, static_cast<std::uint32_t>(upper));
    } else {
        out = WriteShortDecimal(out, static_cast<std::uint32_t>(upper / kEightDigits));
        WriteEightDigits(out, static_cast<std::uint32_t>(upper % kEightDigits));
        out += 8;
    }
    WriteEightDigits(out, lowest);
    return out + 8;
}

inline char* WriteDecimal(char* out, std::int64_t value) {
    if (value >= 0)
        return WriteDecimal(out, static_cast<std::uint64_t>(value));
    *out = '-';
    return WriteDecimal(out + 1, 0 - static_cast<std::uint64_t>(value));
}

// The most characters a number of this type renders to, sign included.
template <typename Integer>
inline constexpr std::size_t
    kMaxDecimalLength = static_cast<std::size_t>(std::numeric_limits<Integer>::digits10) + 1 +
                        (std::is_signed_v<Integer> ? 1 : 0);

// Adds up the longest text a rendering can produce.
class LengthBound {
public:
    LengthBound& text(std::string_view s) {
        size_ += s.size();
        return *this;
    }
    LengthBound& character(char /*c*/) {
        ++size_;
        return *this;
    }
    template <typename Integer>
    LengthBound& number(Integer /*value*/) {
        size_ += kMaxDecimalLength<Integer>;
        return *this;
    }
    std::size_t size() const { return size_; }

private:
    std::size_t size_ = 0;
};

// Appends to memory known to hold the whole text (a LengthBound said so);
// nothing is checked.
class TextWriter {
public:
    explicit TextWriter(char* out) : start_(out), out_(out) {}

    TextWriter& text(std::string_view s) {
        CopyBytes(out_, s.data(), s.size());
        out_ += s.size();
        return *this;
    }
    TextWriter& character(char c) {
        *out_++ = c;
        return *this;
    }
    template <typename Integer>
    TextWriter& number(Integer value) {
        if constexpr (std::is_signed_v<Integer>)
            out_ = WriteDecimal(out_, static_cast<std::int64_t>(value));
        else
            out_ = WriteDecimal(out_, static_cast<std::uint64_t>(value));
        return *this;
    }
    std::size_t size() const { return static_cast<std::size_t>(out_ - start_); }

private:
    char* start_;
    char* out_;
};

// The working area every writer renders into when its text may not fit the
// caller's buffer: more than the longest text any record's fields can give
// in any layout (checked against the layout tables in layout_codec.h).
inline constexpr std::size_t kRenderArea = 2048;

// Renders a text and its NUL into the caller's buffer.  Returns the text's
// length, or -1 with the buffer untouched when it does not fit.  AreaSize
// must exceed the longest text the rendering can produce.
template <std::size_t AreaSize, typename Render>
std::int32_t RenderText(char* buffer, std::int32_t capacity, const Render& render) {
    if (capacity <= 0)
        return -1;
    LengthBound bound;
    render(bound);
    if (bound.size() < static_cast<std::size_t>(capacity)) {
        TextWriter out(buffer);
        render(out);
        buffer[out.size()] = '\0';
        return static_cast<std::int32_t>(out.size());
    }
    if (bound.size() >= AreaSize)  // beyond what any record's fields can hold
        return -1;
    std::array<char, AreaSize> area;
    TextWriter out(area.data());
    render(out);
    if (out.size() >= static_cast<std::size_t>(capacity))
        return -1;
    std::memcpy(buffer, area.data(), out.size());
    buffer[out.size()] = '\0';
    return static_cast<std::int32_t>(out.size());
}

}  // namespace stubmeta

#endif
