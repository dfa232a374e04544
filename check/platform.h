// What kestrune-check asks of the operating system, in one unit: reading a file or standard
// input, telling whether two names are one file, and writing a file whole or not at all.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

namespace check::platform {

// Opens a file for reading; -1 with `error` (an errno) set when it cannot be opened.
int OpenForReading(const std::string& path, int& error);
void Close(int fd);
// Reads what is there, at most n bytes: the count, 0 at the end, -1 with `error` set.
long ReadSome(int fd, char* buffer, std::size_t n, int& error);

// A file as the system knows it, whatever it is called.
struct FileId {
    unsigned long long device, inode;
    bool operator==(const FileId&) const = default;
};
// None when there is no such file.
std::optional<FileId> IdOfPath(const std::string& path);
std::optional<FileId> IdOfDescriptor(int fd);

// A file written in full before it takes its name: the bytes go to a file of no name (or of a
// hidden one, where the file system cannot make nameless files) in the destination's folder,
// which Commit() renames over the destination once everything is written and on disk. Until
// then an existing file of that name is untouched; a run that fails or is killed leaves it so.
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
