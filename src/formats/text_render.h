// Rendering a stub text without printf: numbers through std::to_chars into a
// working area on the stack, copied to the caller's buffer only once the
// whole text is known to fit, so a refused write leaves the buffer untouched.
#ifndef STUBMETA_FORMATS_TEXT_RENDER_H
#define STUBMETA_FORMATS_TEXT_RENDER_H

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace stubmeta {

// The characters of a text field up to its NUL, never beyond its width.
inline std::string_view FieldText(const char *field, std::size_t width) {
    const void *nul = std::memchr(field, '\0', width);
    return {field, nul == nullptr
                       ? width
                       : static_cast<std::size_t>(static_cast<const char *>(nul) - field)};
}

template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}

// A text of at most N - 1 characters, leaving room for a terminator.  An
// append that would not fit marks the text as overflowed and is dropped.
template <std::size_t N>
class TextArea {
public:
    TextArea &text(std::string_view s) {
        if (s.size() > N - 1 - size_) {
            overflow_ = true;
            return *this;
        }
        if (s.empty()) // an empty view may carry a null pointer
            return *this;
        std::memcpy(data_.data() + size_, s.data(), s.size());
        size_ += s.size();
        return *this;
    }
    TextArea &character(char c) { return text(std::string_view(&c, 1)); }

    template <typename Integer>
    TextArea &number(Integer value) {
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        return text(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
    }

    bool overflowed() const { return overflow_; }
    std::size_t size() const { return size_; }
    // The text with its terminator; valid while the area lives.
    const char *c_str() {
        data_[size_] = '\0';
        return data_.data();
    }
    std::string_view view() const { return {data_.data(), size_}; }

private:
    std::array<char, N> data_;
    std::size_t size_ = 0;
    bool overflow_ = false;
};

// Copies a rendered text and its NUL into the caller's buffer.  Returns the
// text's length, or -1 with the buffer untouched when it does not fit.
template <std::size_t N>
std::int32_t CommitText(const TextArea<N> &area, char *buffer, std::int32_t capacity) {
    if (area.overflowed() || capacity <= 0 || area.size() >= static_cast<std::size_t>(capacity))
        return -1;
    std::memcpy(buffer, area.view().data(), area.size());
    buffer[area.size()] = '\0';
    return static_cast<std::int32_t>(area.size());
}

} // namespace stubmeta

#endif
