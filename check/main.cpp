// kestrune-check: the window's checks for files and pipelines.
#include "checker.h"
#include "platform.h"

int main(int argc, char** argv) {
    check::platform::StartUp();
    check::Environment env;
    env.localeOutput = check::platform::PreferredOutput();
    return check::RunCommandLine(check::platform::Arguments(argc, argv), env);
}
