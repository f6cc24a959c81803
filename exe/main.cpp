// The entry of every Pathvex executable: the program lives in the shell
// library, built for this executable's variant.
#include "app/shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    return RunApplication(instance, commandLine);
}
