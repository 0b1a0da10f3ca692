// Muralrun copied elsewhere as an installation lays it out: with the module
// it loads Qt from beside it. Needs MURALRUN_PATH.
#pragma once

#include <filesystem>
#include <string>

// The copy's path.
inline std::string copy_muralrun(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    const auto replace = fs::copy_options::overwrite_existing;
    fs::copy_file(MURALRUN_PATH, folder / "Muralrun", replace);
    fs::create_directories(folder / "modules");
    fs::copy_file(fs::path(MURALRUN_PATH).parent_path() / "modules/muralis-qt.so", folder / "modules/muralis-qt.so",
                  replace);
    return (folder / "Muralrun").string();
}
