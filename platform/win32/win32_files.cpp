#include "platform/win32/win32_files.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string_view>

#include "platform/formats/picture_header.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_failure.h"

namespace muralis::win32 {

namespace {

constexpr DWORD not_normal = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// A name part that no other call of this process, nor another process,
// uses at the same moment. CREATE_NEW still guards against a stale file.
std::string unique_suffix()
{
    static std::atomic<unsigned> counter{0};
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, "%lx-%llx-%x", ::GetCurrentProcessId(),
                  static_cast<unsigned long long>(::GetTickCount64()), counter++);
    return suffix;
}

bool is_separator(char c)
{
    return c == '\\' || c == '/';
}

// Opens a new file whose name is prefix followed by a unique part and
// suffix, retrying while the name is taken. Returns the handle (invalid
// when the creation failed for another reason, GetLastError() telling why)
// and sets path_ansi to the name used.
FileHandle create_unique_file(const std::string& prefix_ansi, const char* suffix, DWORD access,
                              DWORD flags, std::string& path_ansi)
{
    for (int attempt = 0;; ++attempt) {
        path_ansi = prefix_ansi + unique_suffix() + suffix;
        FileHandle file(::CreateFileA(path_ansi.c_str(), access, 0, nullptr, CREATE_NEW, flags, nullptr));
        if (file || attempt == 99)
            return file;
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return file;
    }
}

void write_all(HANDLE file, std::string_view bytes, const std::string& path)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr))
            throw last_error_failure(path);
        done += written;
    }
}

// Removes what an earlier process killed while it wrote the target left
// behind: the files "TARGET.*.tmp" beside it. A live writer keeps its own
// open without sharing it for deletion, so that DeleteFile fails on it.
void remove_abandoned_temporary_files(const std::string& target_ansi)
{
    const std::size_t name_start = target_ansi.find_last_of("\\/") + 1;
    const std::string folder_ansi = target_ansi.substr(0, name_start);
    WIN32_FIND_DATAA found;
    FindHandle search(::FindFirstFileA((target_ansi + ".*.tmp").c_str(), &found));
    if (!search)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            ::DeleteFileA((folder_ansi + found.cFileName).c_str());
    } while (::FindNextFileA(search.get(), &found));
}

// A file created beside its target, deleted unless committed by the move
// over the target. Until the move, the target keeps its old content.
class TemporaryFile {
public:
    TemporaryFile(const std::string& target_ansi, const std::string& target_utf8)
        : m_target_ansi(target_ansi), m_target_utf8(target_utf8)
    {
        remove_abandoned_temporary_files(target_ansi);
        m_file = create_unique_file(target_ansi + ".", ".tmp", GENERIC_WRITE,
                                    FILE_ATTRIBUTE_NORMAL, m_path_ansi);
        if (!m_file)
            throw last_error_failure(target_utf8);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        m_file.close();
        if (!m_committed)
            ::DeleteFileA(m_path_ansi.c_str());
    }

    HANDLE handle() const { return m_file.get(); }

    enum class Durability { Flush, NoFlush };

    void commit(Durability durability)
    {
        if (durability == Durability::Flush && !::FlushFileBuffers(m_file.get()))
            throw last_error_failure(m_target_utf8);
        if (!m_file.close())
            throw last_error_failure(m_target_utf8);
        const DWORD flags =
            MOVEFILE_REPLACE_EXISTING | (durability == Durability::Flush ? MOVEFILE_WRITE_THROUGH : 0);
        // A reader of the target (the desktop loading the wallpaper it was
        // just given) may hold it open for a moment: the move is tried again
        // for about a second before it counts as failed.
        for (int attempt = 0; !::MoveFileExA(m_path_ansi.c_str(), m_target_ansi.c_str(), flags); ++attempt) {
            const DWORD error = ::GetLastError();
            if (attempt == 20 || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION))
                throw system_failure(error, m_target_utf8);
            ::Sleep(50);
        }
        m_committed = true;
    }

private:
    std::string m_target_ansi;
    std::string m_target_utf8;
    std::string m_path_ansi;
    FileHandle m_file;
    bool m_committed = false;
};

} // namespace

bool Win32Files::is_normal_file(const std::string& path)
{
    // A search pattern would find some other file, never the one named.
    if (path.find_first_of("*?") != std::string::npos)
        return false;
    WIN32_FIND_DATAA found;
    FindHandle search(::FindFirstFileA(ansi_from_utf8(path).c_str(), &found));
    return search && (found.dwFileAttributes & not_normal) == 0;
}

std::string Win32Files::read_text(const std::string& path, std::size_t at_most)
{
    // The bytes exactly as stored: no C runtime text mode, which would drop
    // the CR of CR LF and stop at a Ctrl-Z.
    FileHandle file(::CreateFileA(ansi_from_utf8(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        throw last_error_failure(path);
    std::string bytes;
    char buffer[1 << 14];
    while (bytes.size() < at_most) {
        DWORD got = 0;
        const auto wanted = static_cast<DWORD>(std::min<std::size_t>(sizeof buffer, at_most - bytes.size()));
        if (!::ReadFile(file.get(), buffer, wanted, &got, nullptr))
            throw last_error_failure(path);
        if (got == 0)
            break;
        bytes.append(buffer, got);
    }
    return utf8_from_ansi(bytes);
}

void Win32Files::replace_text(const std::string& path, const std::string& text)
{
    const std::string bytes = ansi_from_utf8(text);
    TemporaryFile temporary(ansi_from_utf8(path), path);
    write_all(temporary.handle(), bytes, path);
    temporary.commit(TemporaryFile::Durability::Flush);
}

// Copied into a temporary file beside the target and moved over it, so that
// the target is never torn: the old file or the new one, whatever stops the
// process. The copy is not flushed: the next log-on makes it again.
void Win32Files::copy_replacing(const std::string& from, const std::string& to)
{
    copy_replacing_checked(from, to, [] {});
}

void Win32Files::copy_replacing_checked(const std::string& from, const std::string& to,
                                        const std::function<void()>& check)
{
    FileHandle source(::CreateFileA(ansi_from_utf8(from).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                    nullptr));
    if (!source)
        throw last_error_failure(from);
    TemporaryFile temporary(ansi_from_utf8(to), to);
    std::string buffer(1 << 20, '\0');
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(source.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            throw last_error_failure(from);
        if (got == 0)
            break;
        DWORD written = 0;
        if (!::WriteFile(temporary.handle(), buffer.data(), got, &written, nullptr) || written != got)
            throw last_error_failure(to);
    }
    check();
    temporary.commit(TemporaryFile::Durability::NoFlush);
}

void replace_with_bitmap(const std::string& path, int width, int height, const std::uint32_t* pixels)
{
    TemporaryFile temporary(ansi_from_utf8(path), path);
    const std::string headers = formats::bitmap_headers(width, height);
    write_all(temporary.handle(), headers, path);
    // Rows go out bottom up, 1 MB at a time, as blue, green, red triples
    // padded to 4 bytes.
    const std::size_t row_bytes = formats::bitmap_row_bytes(width);
    const std::size_t rows_a_chunk = std::max<std::size_t>(1, (std::size_t{1} << 20) / row_bytes);
    std::string chunk(rows_a_chunk * row_bytes, '\0');
    std::size_t filled = 0;
    for (int y = height - 1; y >= 0; --y) {
        const std::uint32_t* from = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        char* to = chunk.data() + filled;
        for (int x = 0; x < width; ++x, to += 3) {
            to[0] = static_cast<char>(from[x] & 0xff);
            to[1] = static_cast<char>(from[x] >> 8 & 0xff);
            to[2] = static_cast<char>(from[x] >> 16 & 0xff);
        }
        filled += row_bytes;
        if (filled == chunk.size() || y == 0) {
            write_all(temporary.handle(), std::string_view(chunk).substr(0, filled), path);
            filled = 0;
        }
    }
    // Made again from the picture at the next log-on, as the copy is.
    temporary.commit(TemporaryFile::Durability::NoFlush);
}

std::int64_t Win32Files::last_written(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(ansi_from_utf8(path).c_str(), GetFileExInfoStandard, &data))
        return 0;
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                     data.ftLastWriteTime.dwLowDateTime);
}

std::optional<FileStamp> Win32Files::file_stamp(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(ansi_from_utf8(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return std::nullopt;
    const auto joined = [](DWORD high, DWORD low) {
        return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
    };
    return FileStamp{joined(data.nFileSizeHigh, data.nFileSizeLow),
                     joined(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
}

bool Win32Files::can_create_files_in(const std::string& folder)
{
    // Opening with DELETE access proves the right to delete, and the
    // delete-on-close flag removes the probe when the handle closes, even if
    // this process ends first.
    std::string probe;
    FileHandle file = create_unique_file(ansi_from_utf8(folder) + "muralis-probe-", ".tmp",
                                         GENERIC_WRITE | DELETE,
                                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, probe);
    return static_cast<bool>(file);
}

void Win32Files::create_folder(const std::string& folder)
{
    const std::string folder_ansi = ansi_from_utf8(folder);
    // The parts before the first folder name cannot be created: a drive
    // ("C:\"), a share ("\\server\share\") or the root.
    std::size_t start = 0;
    if (folder_ansi.size() >= 2 && is_separator(folder_ansi[0]) && is_separator(folder_ansi[1])) {
        int separators = 0;
        for (start = 2; start < folder_ansi.size() && separators < 2; ++start)
            if (is_separator(folder_ansi[start]))
                ++separators;
    } else if (folder_ansi.size() >= 2 && folder_ansi[1] == ':') {
        start = 2;
    }
    while (start < folder_ansi.size() && is_separator(folder_ansi[start]))
        ++start;

    for (std::size_t end = start; end <= folder_ansi.size(); ++end) {
        if (end < folder_ansi.size() && !is_separator(folder_ansi[end]))
            continue;
        if (end == 0 || is_separator(folder_ansi[end - 1]))
            continue;
        const std::string part = folder_ansi.substr(0, end);
        if (!::CreateDirectoryA(part.c_str(), nullptr)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_ALREADY_EXISTS)
                throw system_failure(error, utf8_from_ansi(part));
        }
    }
    const DWORD attributes = ::GetFileAttributesA(folder_ansi.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw last_error_failure(folder);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        throw system_failure(ERROR_DIRECTORY, folder);
}

} // namespace muralis::win32
