// libntfs-3g's headers, in the order they need: they use size_t, va_list,
// NULL and time() without including what declares them, and declare C
// functions without C++ linkage.  <sys/stat.h> comes first, or ntfstime.h
// declares its own struct timespec.  Its min and max macros are undefined.
#pragma once

// clang-format off
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <sys/stat.h>
#include <sys/types.h>

extern "C" {
#include <ntfs-3g/types.h>
#include <ntfs-3g/layout.h>
#include <ntfs-3g/volume.h>
#include <ntfs-3g/attrib.h>
#include <ntfs-3g/inode.h>
#include <ntfs-3g/mft.h>
#include <ntfs-3g/logging.h>
}
// clang-format on

// support.h defines min and max as macros, which break the standard
// library's own min and max included after it.
#undef min
#undef max

#include <cstring>
#include <type_traits>

namespace stubmeta_cli {

// The bits of one of libntfs-3g's enum fields as stored.  A damaged record
// holds any bits there, which C++ may not load as the enum type.
template <typename Field>
auto stored_bits(const Field& field) noexcept {
    static_assert(sizeof(Field) == 1 || sizeof(Field) == 2 || sizeof(Field) == 4);
    using Bits =
        std::conditional_t<sizeof(Field) == 1, std::uint8_t,
                           std::conditional_t<sizeof(Field) == 2, std::uint16_t, std::uint32_t>>;
    Bits bits = 0;
    std::memcpy(&bits, &field, sizeof bits);
    return bits;
}

}  // namespace stubmeta_cli
