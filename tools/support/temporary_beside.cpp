// SPDX-FileCopyrightText: 2026 The stubmeta developers
// SPDX-License-Identifier: MIT
#include "support/temporary_beside.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace stubmeta_cli {

int create_temporary_beside(int directoryFd, std::string_view path, mode_t mode,
                            std::string& temporaryPath) {
    static constexpr std::string_view kLetters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static constexpr std::size_t kLongestStem = 200;
    const std::size_t slash = path.rfind('/');
    const std::size_t base = slash == std::string_view::npos ? 0 : slash + 1;
    const std::string stem = std::string(path.substr(0, base)) + "." +
                             std::string(path.substr(base, kLongestStem)) + ".tmp.";
    std::random_device entropy;
    std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = stem;
        for (int i = 0; i < 6; ++i)
            temporaryPath += kLetters[pick(entropy)];
        const int created =
            ::openat(directoryFd, temporaryPath.c_str(),
                     O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, mode);
        if (created >= 0 || errno != EEXIST)
            return created;
    }
    return -1;  // errno is still EEXIST
}

int write_whole(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0)
            return -1;
        done += static_cast<std::size_t>(wrote);
    }
    return 0;
}

}  // namespace stubmeta_cli
