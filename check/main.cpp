// kestrune-check: the window's checks for files and pipelines.
#include <langinfo.h>

#include <clocale>
#include <cstring>

#include "checker.h"

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "");
    check::Environment env;
    env.localeOutput = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0 ? check::Encoding::Utf8
                                                                       : check::Encoding::Cp932;
    return check::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), env);
}
