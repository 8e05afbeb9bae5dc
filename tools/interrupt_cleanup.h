// Removing a temporary file when SIGINT, SIGTERM or SIGHUP ends the tool
// before the file was moved into place.
#pragma once

#include <csignal>
#include <string>

namespace stubmeta_cli {

// While an instance lives, those three signals remove its file and then
// end the process as they would have (so the exit status still tells the
// signal).  One instance at a time: the tool writes one file at a time.
class RemoveOnInterrupt {
public:
    // Throws ToolError (status 2) for a path too long to keep.
    explicit RemoveOnInterrupt(const std::string& path);
    RemoveOnInterrupt(const RemoveOnInterrupt&) = delete;
    RemoveOnInterrupt& operator=(const RemoveOnInterrupt&) = delete;
    ~RemoveOnInterrupt();

    // Holds the signals back: call before moving the file into place.
    void hold() noexcept;
    // Stops guarding (the file has been moved into place), then lets a
    // held signal through, which now ends the process without removing
    // anything.  Without disarm, the destructor lets a held signal through
    // first, while the file is still guarded.
    void disarm() noexcept;

private:
    void release() noexcept;
    void restore_handlers() noexcept;

    struct sigaction previous_[3]{};
    sigset_t held_{};
    bool holding_ = false;
};

}  // namespace stubmeta_cli
