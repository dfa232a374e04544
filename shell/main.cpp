// The process entry: the window, its loop, and exit code 0 whatever happened.
#include "shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    StartUp(instance);
    MessageLoop();
    ExitProcess(0);
    return 0;
}
