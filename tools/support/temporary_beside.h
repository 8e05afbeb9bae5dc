/* SPDX-FileCopyrightText: 2026 The stubmeta developers */
/* SPDX-License-Identifier: MIT */
// The temporary file a replacement is written to before it takes the
// file's place: beside the file, so that the rename stays within one file
// system, under a name no one else is using.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace stubmeta_cli {

// Creates ".NAME.tmp.XXXXXX" beside the file path names (relative to
// directoryFd, or to the current directory with AT_FDCWD, where path may
// hold directories) as mkstemp does, but with the mode given rather than
// mkstemp's fixed 0600, so that a new file comes out with the permissions
// any new file there gets: O_EXCL and O_NOFOLLOW, tried under other names
// while one exists.  NAME is cut to 200 bytes so that the temporary name
// fits wherever the file's own does.  Returns the open descriptor and sets
// temporaryPath (relative as path is), or -1 with errno set.
int create_temporary_beside(int directoryFd, std::string_view path, mode_t mode,
                            std::string& temporaryPath);

// Writes all of bytes to fd from offset 0, again after EINTR and short
// writes.  Returns 0, or -1 with errno set.
int write_whole(int fd, std::string_view bytes);

}  // namespace stubmeta_cli
