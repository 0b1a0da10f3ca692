// The floor of Muralrun's job: only the two calls that do the work, copying
// today's picture to the daily bitmap and installing that as the wallpaper.
//
//   job_floor.exe PICTURE DAILY_BITMAP
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc != 3)
        return 2;
    if (!::CopyFileA(__argv[1], __argv[2], FALSE))
        return 1;
    ::SystemParametersInfoA(20, 0, __argv[2], 1);
    return 0;
}
