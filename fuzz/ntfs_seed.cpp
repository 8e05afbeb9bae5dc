// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
// Writes an NTFS image in the sparse form fuzz_ntfs_volume reads, and
// checks that the form lays the image out again byte for byte.
//
// Usage: fuzz_ntfs_seed IMAGE SEED
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "sparse_image.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_ntfs_seed IMAGE SEED\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<unsigned char> image{std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>()};
    if (!in || image.empty() || image.size() > stubmeta::fuzz::kLargestImage) {
        std::fprintf(stderr, "fuzz_ntfs_seed: %s: unreadable, empty or larger than 64 MiB\n",
                     argv[1]);
        return 1;
    }
    const std::vector<std::uint8_t> seed = stubmeta::fuzz::encode_sparse_image(image);
    std::vector<unsigned char> again;
    again.resize(stubmeta::fuzz::lay_out_sparse_image(
        seed.data(), seed.size(),
        [&again](std::uint64_t offset, const unsigned char* bytes, std::size_t count) {
            if (again.size() < offset + count)
                again.resize(offset + count);
            std::copy(bytes, bytes + count, again.begin() + static_cast<std::ptrdiff_t>(offset));
        }));
    if (again != image) {
        std::fprintf(stderr, "fuzz_ntfs_seed: %s: the sparse form does not give it back\n",
                     argv[1]);
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(seed.data()),
              static_cast<std::streamsize>(seed.size()));
    std::printf("%s: %zu bytes as %zu\n", argv[2], image.size(), seed.size());
    return out ? 0 : 1;
}
