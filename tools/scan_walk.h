// Walking directory trees for scan: every regular file is handed on, and
// every entry that cannot be read is reported once.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace stubmeta_cli {

struct WalkOptions {
    bool followSymlinks = false;  // otherwise symbolic links are skipped
};

// Walks each root (a file or a directory) depth first, calling onFile for
// every regular file and onUnreadable with "path: cause" for every entry
// that cannot be opened or stat'ed, a dangling or looping link, and a
// directory that would be entered a second time through a link that
// leads back into its own ancestry.  Other entries (FIFOs, sockets,
// devices) are passed over without being opened.  A root that is a
// symbolic link is reported, not followed, unless links are followed.
void walk_trees(const std::vector<std::string>& roots, const WalkOptions& options,
                const std::function<void(const std::string&)>& onFile,
                const std::function<void(const std::string&)>& onUnreadable);

}  // namespace stubmeta_cli
