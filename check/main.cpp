// kestrune-check: the window's checks for files and pipelines.
#include <fcntl.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstring>

#include "checker.h"

namespace {

// A standard descriptor closed at start-up would be taken by the first file opened, and
// results would be written into it. Hold its place with /dev/null opened the wrong way round,
// so that using it fails (EBADF) and is reported like any other failed read or write.
void HoldClosedStandardDescriptors() {
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int held = open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        if (held != fd && held >= 0) {
            dup2(held, fd);
            close(held);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    HoldClosedStandardDescriptors();
    std::setlocale(LC_CTYPE, "");
    check::Environment env;
    env.localeOutput = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0 ? check::Encoding::Utf8
                                                                       : check::Encoding::Cp932;
    return check::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), env);
}
