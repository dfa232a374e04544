// POSIX, and Linux where it helps: a nameless file (O_TMPFILE) leaves nothing behind when the
// process is killed.
#include "platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace check::platform {

int OpenForReading(const std::string& path, int& error) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) error = errno;
    return fd;
}

void Close(int fd) {
    close(fd);
}

long ReadSome(int fd, char* buffer, std::size_t n, int& error) {
    for (;;) {
        const ssize_t got = read(fd, buffer, n);
        if (got >= 0) return static_cast<long>(got);
        if (errno == EINTR) continue;
        error = errno;
        return -1;
    }
}

namespace {

std::optional<FileId> IdOf(const struct stat& s) {
    return FileId{static_cast<unsigned long long>(s.st_dev),
                  static_cast<unsigned long long>(s.st_ino)};
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::optional<FileId> IdOfPath(const std::string& path) {
    struct stat s;
    if (stat(path.c_str(), &s) != 0) return std::nullopt;
    return IdOf(s);
}

std::optional<FileId> IdOfDescriptor(int fd) {
    struct stat s;
    if (fstat(fd, &s) != 0) return std::nullopt;
    return IdOf(s);
}

ReplacingFile::~ReplacingFile() {
    if (stream_ != nullptr) std::fclose(stream_);
    if (!temporary_.empty()) unlink(temporary_.c_str());
}

bool ReplacingFile::Open(const std::string& path, int& error) {
    path_ = path;
    // The file keeps the mode of the one it replaces; a new one gets what the umask allows.
    struct stat s;
    if (stat(path.c_str(), &s) == 0) {
        mode_ = static_cast<int>(s.st_mode & 07777);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode_ = static_cast<int>(0666 & ~mask);
    }
    const std::string folder = FolderOf(path);
#ifdef O_TMPFILE
    fd_ = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
#endif
    if (fd_ < 0) {
        std::string name = folder + "/.kestrune-XXXXXX";
        fd_ = mkstemp(name.data());
        if (fd_ < 0) {
            error = errno;
            return false;
        }
        temporary_ = name;
    }
    stream_ = fdopen(fd_, "wb");
    if (stream_ == nullptr) {
        error = errno;
        close(fd_);
        return false;
    }
    return true;
}

bool ReplacingFile::Commit(int& error) {
    const auto fail = [&] {
        error = errno != 0 ? errno : EIO;
        return false;
    };
    errno = 0;
    if (std::fflush(stream_) != 0 || std::ferror(stream_) || fchmod(fd_, mode_) != 0 ||
        fsync(fd_) != 0) {
        return fail();
    }
    if (temporary_.empty()) {
        // A nameless file gets a hidden name beside the destination, then the destination's.
        std::string name = FolderOf(path_) + "/.kestrune-XXXXXX";
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        for (int attempt = 0; attempt < 100 && temporary_.empty(); ++attempt) {
            name.replace(name.size() - 6, 6, std::to_string(100000 + std::rand() % 900000));
            if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                temporary_ = name;
            } else if (errno != EEXIST) {
                return fail();
            }
        }
        if (temporary_.empty()) return fail();
    }
    if (rename(temporary_.c_str(), path_.c_str()) != 0) return fail();
    temporary_.clear();
    return true;
}

}  // namespace check::platform
