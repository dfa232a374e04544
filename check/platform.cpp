// POSIX, and Linux where it helps: a nameless file (O_TMPFILE) leaves nothing behind when the
// process is killed.
#include "platform.h"

#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>

namespace check::platform {

// A standard descriptor closed at start-up would be taken by the first file opened, and
// results would be written into it. Hold its place with /dev/null opened the wrong way round,
// so that using it fails (EBADF) and is reported like any other failed read or write.
void StartUp() {
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int held = open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        if (held != fd && held >= 0) {
            dup2(held, fd);
            close(held);
        }
    }
    std::setlocale(LC_CTYPE, "");
}

std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

Encoding PreferredOutput() {
    return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0 ? Encoding::Utf8 : Encoding::Cp932;
}

bool NamesAreUtf8() {
    return false;
}

Writer::Writer(std::FILE* file, Encoding encoding) : file_(file), encoding_(encoding) {}

bool Writer::Write(std::string_view bytes, int& error) {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() ||
        std::fflush(file_) != 0) {
        error = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

std::filesystem::path PathOf(const std::string& name) {
    return name;
}

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

bool IsTerminal(std::FILE* file) {
    return isatty(fileno(file)) == 1;
}

std::optional<unsigned long long> RegularFileSize(int fd) {
    struct stat s;
    if (fstat(fd, &s) != 0 || !S_ISREG(s.st_mode)) return std::nullopt;
    return static_cast<unsigned long long>(s.st_size);
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
