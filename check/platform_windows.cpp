// Windows, through the wide API: names are UTF-8 inside the program and UTF-16 at every call, so
// that a file of any name opens whatever the system's code page. Descriptors are the C
// runtime's, each over a Windows handle, so that standard input and opened files read alike.
// Not supported: file modes and ACLs (a replaced file gets its folder's), and names longer than
// MAX_PATH without the \\?\ prefix.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "platform.h"

namespace check::platform {

namespace {

std::wstring Wide(std::string_view utf8) {
    std::wstring wide(utf8.size(), L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n : 0);
    return wide;
}

std::string Utf8(std::wstring_view wide) {
    std::string utf8(wide.size() * 3, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(n > 0 ? n : 0);
    return utf8;
}

// The errno the C runtime would give for a system error, so that messages read as on Linux.
int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:
            return EPIPE;
        case ERROR_INVALID_HANDLE:
            return EBADF;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        default:
            return EIO;
    }
}

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// A descriptor of the C runtime over `handle`, which it then owns; -1 with the handle closed.
int DescriptorOf(HANDLE handle, int flags) {
    const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), flags | _O_BINARY);
    if (fd < 0) CloseHandle(handle);
    return fd;
}

std::optional<FileId> IdOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) {
        return std::nullopt;
    }
    return FileId{
        info.dwVolumeSerialNumber,
        (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\:");
    if (slash == std::string::npos) return ".";
    if (path[slash] == ':') return path.substr(0, slash + 1) + ".";  // C:name is in C:'s folder
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

}  // namespace

// The standard streams carry our bytes as they are: text mode would add a CR before every LF
// and stop reading at a Ctrl-Z. A closed one is held by NUL, opened the wrong way round, so
// that a file opened later cannot take its descriptor and using it fails as on POSIX.
void StartUp() {
    for (int fd : {0, 1, 2}) {
        if (_get_osfhandle(fd) < 0) {
            const int held = _open("NUL", fd == 0 ? _O_WRONLY : _O_RDONLY);
            if (held >= 0 && held != fd) {
                _dup2(held, fd);
                _close(held);
            }
        }
        _setmode(fd, _O_BINARY);
    }
}

// The command line in UTF-16, whatever the ANSI code page, so that any file name arrives whole;
// in UTF-8 from here on, as on Linux, where header names given on it are matched.
std::vector<std::string> Arguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) args.push_back(Utf8(wide[i]));
    LocalFree(wide);
    return args;
}

// What Windows tools expect of text in a file or a pipe.
Encoding PreferredOutput() {
    return Encoding::Cp932;
}

bool NamesAreUtf8() {
    return true;
}

std::filesystem::path PathOf(const std::string& name) {
    return Wide(name);
}

int OpenForReading(const std::string& path, int& error) {
    const HANDLE handle = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = ErrnoOf(GetLastError());
        return -1;
    }
    const int fd = DescriptorOf(handle, _O_RDONLY);
    if (fd < 0) error = EMFILE;
    return fd;
}

void Close(int fd) {
    _close(fd);
}

long ReadSome(int fd, char* buffer, std::size_t n, int& error) {
    const HANDLE handle = HandleOf(fd);
    DWORD got = 0;
    const DWORD want = n > (1u << 30) ? (1u << 30) : static_cast<DWORD>(n);
    if (handle != INVALID_HANDLE_VALUE && ReadFile(handle, buffer, want, &got, nullptr)) {
        return static_cast<long>(got);
    }
    const DWORD failure = handle == INVALID_HANDLE_VALUE ? ERROR_INVALID_HANDLE : GetLastError();
    if (failure == ERROR_BROKEN_PIPE) return 0;  // a pipe whose writer is done: the end
    error = ErrnoOf(failure);
    return -1;
}

Writer::Writer(std::FILE* file, Encoding encoding) : file_(file), encoding_(encoding) {
    const HANDLE handle = HandleOf(_fileno(file));
    DWORD mode;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) console_ = handle;
}

// A console shows characters, not bytes: the block is converted from its encoding to UTF-16
// whole. Output hands over whole characters, so no character is cut between two blocks.
bool Writer::Write(std::string_view bytes, int& error) {
    if (console_ == nullptr) {
        errno = 0;
        SetLastError(ERROR_SUCCESS);
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() ||
            std::fflush(file_) != 0) {
            // The C runtime calls a pipe closed at its other end EINVAL; the message says so.
            const DWORD failure = GetLastError();
            const bool closedPipe = failure == ERROR_NO_DATA || failure == ERROR_BROKEN_PIPE;
            error = closedPipe ? EPIPE : errno != 0 ? errno : EIO;
            return false;
        }
        return true;
    }
    const UINT codePage = encoding_ == Encoding::Utf8 ? CP_UTF8 : 932;
    std::wstring wide(bytes.size(), L'\0');
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      wide.data(), static_cast<int>(wide.size()));
    for (std::size_t done = 0; done < static_cast<std::size_t>(n > 0 ? n : 0);) {
        DWORD written = 0;
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(n - done, 1 << 14));
        if (!WriteConsoleW(console_, wide.data() + done, piece, &written, nullptr) ||
            written == 0) {
            error = ErrnoOf(GetLastError());
            return false;
        }
        done += written;
    }
    return true;
}

std::optional<FileId> IdOfPath(const std::string& path) {
    // No access asked: the file's identity only, even where it cannot be read.
    const HANDLE handle =
        CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    const std::optional<FileId> id = IdOfHandle(handle);
    CloseHandle(handle);
    return id;
}

std::optional<FileId> IdOfDescriptor(int fd) {
    return IdOfHandle(HandleOf(fd));
}

// A console answers GetConsoleMode; a redirected stream, even to NUL (a character device), does
// not.
bool IsTerminal(std::FILE* file) {
    DWORD mode = 0;
    return GetConsoleMode(HandleOf(_fileno(file)), &mode) != 0;
}

std::optional<unsigned long long> RegularFileSize(int fd) {
    const HANDLE handle = HandleOf(fd);
    LARGE_INTEGER size;
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) return std::nullopt;
    return static_cast<unsigned long long>(size.QuadPart);
}

ReplacingFile::~ReplacingFile() {
    if (stream_ != nullptr) std::fclose(stream_);
    if (!temporary_.empty()) DeleteFileW(Wide(temporary_).c_str());
}

// The bytes go to a new file beside the destination, so that the rename stays on one volume.
bool ReplacingFile::Open(const std::string& path, int& error) {
    path_ = path;
    const std::string folder = FolderOf(path);
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temporary_ = folder + "\\.kestrune-" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(attempt) + ".tmp";
        handle = CreateFileW(Wide(temporary_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (handle == INVALID_HANDLE_VALUE) {
        error = ErrnoOf(GetLastError());
        temporary_.clear();
        return false;
    }
    fd_ = DescriptorOf(handle, _O_WRONLY);
    if (fd_ >= 0) stream_ = _fdopen(fd_, "wb");
    if (stream_ == nullptr) {
        error = fd_ < 0 ? EMFILE : errno;
        if (fd_ >= 0) _close(fd_);
        DeleteFileW(Wide(temporary_).c_str());
        temporary_.clear();
        return false;
    }
    return true;
}

// The file is closed before the rename, which Windows refuses for an open file; WRITE_THROUGH
// returns only once the new name is on disk.
bool ReplacingFile::Commit(int& error) {
    errno = 0;
    if (std::fflush(stream_) != 0 || std::ferror(stream_)) {
        error = errno != 0 ? errno : EIO;
        return false;
    }
    if (!FlushFileBuffers(HandleOf(fd_))) {
        error = ErrnoOf(GetLastError());
        return false;
    }
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!closed) {
        error = errno != 0 ? errno : EIO;
        return false;
    }
    if (!MoveFileExW(Wide(temporary_).c_str(), Wide(path_).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = ErrnoOf(GetLastError());
        return false;
    }
    temporary_.clear();
    return true;
}

}  // namespace check::platform
