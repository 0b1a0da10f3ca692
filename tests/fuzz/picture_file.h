// The file the picture fuzzers hand their input to, since both decoders
// read pictures from files: one per process, in memory (/dev/shm) where
// there is one, removed when the process ends.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace muralis::fuzzing {

inline const std::string& picture_file()
{
    static const std::string path = [] {
        const std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string name = folder + "/muralis-fuzz-" + std::to_string(::getpid()) + ".bmp";
        static std::string removed_at_exit;
        removed_at_exit = name;
        std::atexit([] { std::remove(removed_at_exit.c_str()); });
        return name;
    }();
    return path;
}

// Writes data into the picture file, replacing what it held.
inline const std::string& picture_file_holding(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = picture_file();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
    return path;
}

inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace muralis::fuzzing
