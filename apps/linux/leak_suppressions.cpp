// Linked into the Linux programs when they are built with the sanitizers.
//
// Qt's D-Bus thread (libQt6DBus over libdbus) keeps a read buffer that
// libdbus allocates and never frees before the process ends; LeakSanitizer
// reports it at exit as a leak of about 1 KiB, and turns the exit code of a
// program that ended normally into 1. The allocation is libdbus's own, so
// only that library is named here: a leak in this project's code is still
// reported.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}
