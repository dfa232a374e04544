// What kestrune-check asks of the operating system, in one unit: the command line and the
// standard streams at start-up, reading a file or standard input, writing to standard output
// or a console, telling whether two names are one file, and writing a file whole or not at all.
// platform.cpp is POSIX, platform_windows.cpp the wide Windows API; nothing else in check/ knows
// which one it runs on. Names are UTF-8 on Windows (the command line is read in UTF-16) and
// bytes as the system gives them elsewhere.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "encoding.h"

namespace check::platform {

// Readies the standard streams before anything is read or written: a closed one is held open
// so that no file takes its place, and on Windows they carry bytes untranslated.
void StartUp();
// The command line without the program's name.
std::vector<std::string> Arguments(int argc, char** argv);
// The output encoding when none is asked for: the locale's on POSIX, code page 932 on Windows.
Encoding PreferredOutput();
// Whether file names are UTF-8 whatever the output encoding (so that text output converts
// them), rather than the system's bytes, printed as they are.
bool NamesAreUtf8();

// A name as the standard library opens it (std::ifstream): UTF-16 on Windows.
std::filesystem::path PathOf(const std::string& name);

// Opens a file for reading; -1 with `error` (an errno) set when it cannot be opened.
int OpenForReading(const std::string& path, int& error);
void Close(int fd);
// Reads what is there, at most n bytes: the count, 0 at the end, -1 with `error` set.
long ReadSome(int fd, char* buffer, std::size_t n, int& error);

// Writes blocks of bytes in `encoding` to a stream and flushes it: as they are, or, where the
// stream is a Windows console, as the characters they encode, so that they show whatever the
// console's code page.
class Writer {
  public:
    Writer(std::FILE* file, Encoding encoding);
    // False with `error` (an errno) set when not everything was written.
    bool Write(std::string_view bytes, int& error);

  private:
    std::FILE* file_;
    Encoding encoding_;
    void* console_ = nullptr;  // the console's handle, where there is one
};

// Whether a stream is a terminal (a console on Windows), where a progress line can be redrawn.
bool IsTerminal(std::FILE* file);
// The size of what a descriptor reads where it is a regular file; none for a pipe or a device.
std::optional<unsigned long long> RegularFileSize(int fd);

// A file as the system knows it, whatever it is called.
struct FileId {
    unsigned long long device, inode;
    bool operator==(const FileId&) const = default;
};
// None when there is no such file.
std::optional<FileId> IdOfPath(const std::string& path);
std::optional<FileId> IdOfDescriptor(int fd);

// A file written in full before it takes its name: the bytes go to a file of no name (or of a
// temporary one starting with a dot, where the file system cannot make nameless files, and on
// Windows) in the destination's folder, which Commit() renames over the destination once
// everything is written and on disk. Until then an existing file of that name is untouched; a
// run that fails leaves it so, and so does a killed one (which on Windows leaves its temporary
// file beside it).
class ReplacingFile {
  public:
    ReplacingFile() = default;
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // False with `error` (an errno) set when no such file can be made there.
    bool Open(const std::string& path, int& error);
    std::FILE* stream() const { return stream_; }
    // False with `error` set when the bytes could not all be written, or the name not taken.
    bool Commit(int& error);

  private:
    std::string path_;
    std::string temporary_;  // empty for a nameless file
    std::FILE* stream_ = nullptr;
    int fd_ = -1;
    int mode_ = 0;
};

}  // namespace check::platform
