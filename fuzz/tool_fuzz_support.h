/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// Helpers shared by the targets of the tool's own inputs: an input handed
// over as a file (the tool's readers open paths), and a broken property
// reported even when libFuzzer has closed standard error (-close_fd_mask).
#ifndef STUBMETA_FUZZ_TOOL_FUZZ_SUPPORT_H
#define STUBMETA_FUZZ_TOOL_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace stubmeta::fuzz {

// Standard error as it was when the target started: LLVMFuzzerInitialize
// runs before libFuzzer closes the descriptor.
inline int& ReportDescriptor() {
    static int descriptor = ::dup(STDERR_FILENO);
    return descriptor;
}

[[noreturn]] inline void Broken(const char* property) {
    const std::string line = std::string("stubmeta fuzz: property broken: ") + property + "\n";
    static_cast<void>(::write(ReportDescriptor(), line.data(), line.size()));
    std::abort();
}

inline void Check(bool holds, const char* property) {
    if (!holds)
        Broken(property);
}

// An anonymous file in memory, named by a path the tool can open.
class MemoryFile {
public:
    MemoryFile() : fd_(::memfd_create("stubmeta-fuzz", MFD_CLOEXEC)) {
        Check(fd_ >= 0, "a memory file can be made");
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    ~MemoryFile() { ::close(fd_); }

    int fd() const noexcept { return fd_; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

    void write_all(const std::uint8_t* data, std::size_t size) const {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t wrote = ::write(fd_, data + done, size - done);
            Check(wrote > 0, "the input can be written to a memory file");
            done += static_cast<std::size_t>(wrote);
        }
    }

private:
    int fd_;
};

}  // namespace stubmeta::fuzz

#endif
