// Saves a schedule the way the editor does, for the crash-safety tests:
//
//   muralis_replace_text_driver TARGET SOURCE
//
// writes the bytes of SOURCE into TARGET through LinuxFiles::replace_text.
// Exits 0 when saved; on a failure prints the failure's text to standard
// error and exits 1.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/linux/linux_files.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s TARGET SOURCE\n", argv[0]);
        return 2;
    }
    std::ifstream source(argv[2], std::ios::binary);
    if (!source) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 2;
    }
    const std::string text{std::istreambuf_iterator<char>(source), std::istreambuf_iterator<char>()};
    try {
        muralis::linux_platform::LinuxFiles().replace_text(argv[1], text);
    } catch (const muralis::Failure& failure) {
        std::fprintf(stderr, "replace_text: %s\n", failure.what());
        return 1;
    }
    return 0;
}
