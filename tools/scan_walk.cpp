#include "scan_walk.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace stubmeta_cli {
namespace {

using DirectoryId = std::pair<dev_t, ino_t>;

class TreeWalker {
public:
    TreeWalker(const WalkOptions& options, const std::function<void(const std::string&)>& onFile,
               const std::function<void(const std::string&)>& onUnreadable)
        : options_(options), onFile_(onFile), onUnreadable_(onUnreadable) {}

    void visit_root(const std::string& path) {
        struct stat status {};
        if (!options_.followSymlinks && ::lstat(path.c_str(), &status) == 0 &&
            S_ISLNK(status.st_mode)) {
            unreadable(path, "a symbolic link, not followed without --follow-symlinks");
            return;
        }
        visit(path);
    }

    void visit(const std::string& path) {
        struct stat status {};
        const int result = options_.followSymlinks ? ::stat(path.c_str(), &status)
                                                   : ::lstat(path.c_str(), &status);
        if (result != 0) {
            unreadable(path, errno == ENOENT && options_.followSymlinks
                                 ? "dangling symbolic link or missing file"
                                 : std::strerror(errno));
            return;
        }
        if (S_ISREG(status.st_mode))
            onFile_(path);
        else if (S_ISDIR(status.st_mode))
            enter(path, status);
        // Symbolic links (when not followed), FIFOs, sockets and devices
        // hold no stub and are never opened.
    }

private:
    void enter(const std::string& path, const struct stat& status) {
        const DirectoryId id{status.st_dev, status.st_ino};
        if (ancestors_.count(id) != 0) {
            unreadable(path, "symbolic link loop (leads back to a directory above it)");
            return;
        }
        // A directory reached twice through links is walked once.
        if (!visited_.insert(id).second)
            return;
        DIR* directory = ::opendir(path.c_str());
        if (directory == nullptr) {
            unreadable(path, std::strerror(errno));
            return;
        }
        ancestors_.insert(id);
        const std::string prefix = path.empty() || path.back() == '/' ? path : path + "/";
        std::vector<std::string> children;
        errno = 0;
        while (const dirent* entry = ::readdir(directory)) {
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
                children.push_back(prefix + name);
            errno = 0;
        }
        const int readError = errno;
        ::closedir(directory);
        if (readError != 0)
            unreadable(path, std::strerror(readError));
        for (const std::string& child : children)
            visit(child);
        ancestors_.erase(id);
    }

    void unreadable(const std::string& path, const std::string& cause) {
        onUnreadable_(path + ": " + cause);
    }

    const WalkOptions& options_;
    const std::function<void(const std::string&)>& onFile_;
    const std::function<void(const std::string&)>& onUnreadable_;
    std::set<DirectoryId> ancestors_;
    std::set<DirectoryId> visited_;
};

}  // namespace

void walk_trees(const std::vector<std::string>& roots, const WalkOptions& options,
                const std::function<void(const std::string&)>& onFile,
                const std::function<void(const std::string&)>& onUnreadable) {
    TreeWalker walker(options, onFile, onUnreadable);
    for (const std::string& root : roots)
        walker.visit_root(root);
}

}  // namespace stubmeta_cli
