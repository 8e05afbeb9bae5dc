#include "scan_walk.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace stubmeta_cli {
namespace {

using DirectoryId = std::pair<dev_t, ino_t>;

// A batch is handed on at this many files or bytes of names, so that the
// readers start early and a huge directory is never held whole.
constexpr std::size_t kBatchFiles = 256;
constexpr std::size_t kBatchBytes = 16384;

bool is_dot_or_dot_dot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

class TreeWalker {
public:
    TreeWalker(const WalkOptions& options, const std::function<void(FileBatch&&)>& onFiles,
               const std::function<void(const std::string&)>& onUnreadable)
        : options_(options), onFiles_(onFiles), onUnreadable_(onUnreadable),
          loose_(std::make_shared<const OpenDirectory>(nullptr, std::string())),
          looseFiles_(loose_) {}

    void visit_root(const std::string& path) {
        struct stat status {};
        if (!options_.followSymlinks && ::lstat(path.c_str(), &status) == 0 &&
            S_ISLNK(status.st_mode)) {
            unreadable(path, "a symbolic link, not followed without --follow-symlinks");
            return;
        }
        visit(path);
    }

    // Hands on the files met outside a directory listing.
    void finish() { hand_on(looseFiles_, loose_); }

private:
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
            add(looseFiles_, loose_, path.c_str());
        else if (S_ISDIR(status.st_mode))
            enter(path, status);
        // Symbolic links (when not followed), FIFOs, sockets and devices
        // hold no stub and are never opened.
    }

    void enter(const std::string& path, const struct stat& status) {
        const DirectoryId id{status.st_dev, status.st_ino};
        if (ancestors_.contains(id)) {
            unreadable(path, "symbolic link loop (leads back to a directory above it)");
            return;
        }
        // A directory reached twice through links is walked once.
        if (!visited_.insert(id).second)
            return;
        DIR* stream = ::opendir(path.c_str());
        if (stream == nullptr) {
            unreadable(path, std::strerror(errno));
            return;
        }
        auto directory = std::make_shared<const OpenDirectory>(
            stream, path.empty() || path.back() == '/' ? path : path + "/");
        ancestors_.insert(id);
        std::vector<std::string> others;
        const int readError = list(*stream, directory, others);
        // Let go of the directory: it stays open only while its files wait
        // to be read, not while the walk goes deeper.
        directory.reset();
        if (readError != 0)
            unreadable(path, std::strerror(readError));
        for (const std::string& other : others)
            visit(other);
        ancestors_.erase(id);
    }

    // Reads a directory's entries: its regular files are handed on by
    // name, while the paths of the entries that need a closer look
    // (directories, entries that could not be stat'ed) are put in others,
    // to be visited once the listing is done.  Returns the error that
    // ended the listing, or 0.
    int list(DIR& stream, const std::shared_ptr<const OpenDirectory>& directory,
             std::vector<std::string>& others) {
        const std::string& prefix = directory->prefix();
        FileBatch files(directory);
        errno = 0;
        while (const dirent* entry = ::readdir(&stream)) {
            const char* name = entry->d_name;
            if (!is_dot_or_dot_dot(name)) {
                switch (kind_of(directory->fd(), *entry)) {
                case Kind::File:
                    add(files, directory, name);
                    break;
                case Kind::Other:
                    others.push_back(prefix + name);
                    break;
                case Kind::Skipped:
                    break;
                }
            }
            errno = 0;
        }
        const int readError = errno;
        hand_on(files, directory);
        return readError;
    }

    enum class Kind { File, Other, Skipped };

    Kind kind_of(int directoryFd, const dirent& entry) const {
        switch (entry.d_type) {
        case DT_REG:
            return Kind::File;
        case DT_DIR:
            return Kind::Other;
        case DT_LNK:
            if (!options_.followSymlinks)
                return Kind::Skipped;
            break;
        case DT_UNKNOWN:
            break;
        default:
            return Kind::Skipped;
        }
        // A link to follow, or a file system that does not give types.
        struct stat status {};
        if (::fstatat(directoryFd, entry.d_name, &status,
                      options_.followSymlinks ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
            return Kind::Other;  // visiting it reports why
        if (S_ISREG(status.st_mode))
            return Kind::File;
        return S_ISDIR(status.st_mode) ? Kind::Other : Kind::Skipped;
    }

    void add(FileBatch& batch, const std::shared_ptr<const OpenDirectory>& directory,
             const char* name) {
        batch.add(name);
        if (batch.count() >= kBatchFiles || batch.bytes() >= kBatchBytes)
            hand_on(batch, directory);
    }

    void hand_on(FileBatch& batch, const std::shared_ptr<const OpenDirectory>& directory) {
        if (batch.count() == 0)
            return;
        onFiles_(std::exchange(batch, FileBatch(directory)));
    }

    void unreadable(const std::string& path, const std::string& cause) {
        onUnreadable_(path + ": " + cause);
    }

    const WalkOptions& options_;
    const std::function<void(FileBatch&&)>& onFiles_;
    const std::function<void(const std::string&)>& onUnreadable_;
    std::shared_ptr<const OpenDirectory> loose_;  // files named by their paths
    FileBatch looseFiles_;
    std::set<DirectoryId> ancestors_;
    std::set<DirectoryId> visited_;
};

}  // namespace

OpenDirectory::~OpenDirectory() {
    if (stream_ != nullptr)
        ::closedir(stream_);
}

OpenDirectory::OpenDirectory(DIR* stream, const std::string& prefix)
    : stream_(stream), fd_(stream != nullptr ? ::dirfd(stream) : AT_FDCWD), prefix_(prefix) {}

void FileBatch::add(const char* name) {
    names_.append(name, std::strlen(name) + 1);
    ++count_;
}

void walk_trees(const std::vector<std::string>& roots, const WalkOptions& options,
                const std::function<void(FileBatch&&)>& onFiles,
                const std::function<void(const std::string&)>& onUnreadable) {
    TreeWalker walker(options, onFiles, onUnreadable);
    for (const std::string& root : roots)
        walker.visit_root(root);
    walker.finish();
}

}  // namespace stubmeta_cli
