// Wine's start-up floor: a GUI-subsystem program that does nothing, linked
// like Muralrun.exe (static, no console).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
