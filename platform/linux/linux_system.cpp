#include "platform/linux/linux_system.h"

#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/linux/linux_files.h"
#include "platform/linux/unique_fd.h"

namespace muralis::linux_platform {

std::string home_folder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir)
        return found->pw_dir;
    return "/";
}

std::string xdg_data_home()
{
    // The rules ignore a relative path as invalid.
    if (const char* data_home = std::getenv("XDG_DATA_HOME"); data_home && data_home[0] == '/')
        return data_home;
    std::string home = home_folder();
    if (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return (home == "/" ? std::string() : home) + "/.local/share";
}

namespace {

std::string muralis_data_folder_path()
{
    std::string folder = xdg_data_home();
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder + "/muralis";
}

} // namespace

std::string muralis_data_folder()
{
    const std::string folder = muralis_data_folder_path();
    make_folders(folder, 0700);
    return folder;
}

std::string messages_language_name(Toolkit& toolkit)
{
    // setlocale resolves LC_ALL, LC_MESSAGES and LANG in that order and
    // falls back to "C" when the named locale is not installed. The
    // process's own locale is put back afterwards.
    std::string previous;
    if (const char* current = std::setlocale(LC_MESSAGES, nullptr))
        previous = current;
    const char* resolved = std::setlocale(LC_MESSAGES, "");
    const std::string name = resolved ? resolved : "C";
    std::setlocale(LC_MESSAGES, previous.empty() ? "C" : previous.c_str());

    if (name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0)
        return {};
    return toolkit.language_name(name);
}

std::string LinuxSystem::windows_directory()
{
    try {
        return muralis_data_folder();
    } catch (const Failure&) {
        // The folder cannot be made (a file stands in its way): it is named
        // all the same, so that no schedule is found there and a save fails
        // with the reason, rather than going to some other place.
        return muralis_data_folder_path();
    }
}

std::string LinuxSystem::language_name_buffer()
{
    std::string buffer(100, '\0');
    const std::string name = messages_language_name(*m_toolkit);
    buffer.replace(0, std::min(name.size(), std::size_t{99}), name, 0, 99);
    return buffer;
}

std::string LinuxSystem::program_folder()
{
    return running_program_folder();
}

std::string running_program_folder()
{
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            throw system_failure(errno, "/proc/self/exe");
        if (static_cast<std::size_t>(length) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(length));
            const auto slash = path.rfind('/');
            return slash == 0 ? std::string("/") : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

void LinuxSystem::change_current_folder(const std::string& folder)
{
    if (::chdir(folder.c_str()) != 0)
        throw system_failure(errno, folder);
}

namespace {

struct LocaleFree {
    void operator()(locale_t locale) const { ::freelocale(locale); }
};
using UniqueLocale = std::unique_ptr<std::remove_pointer_t<locale_t>, LocaleFree>;

// The user's locale for the categories in mask, resolved from LC_ALL, the
// category's own variable and LANG as setlocale would, without touching the
// process's locale; null when the named locale is not installed, where
// setlocale would fall back to "C".
UniqueLocale user_locale(int mask)
{
    return UniqueLocale(::newlocale(mask, "", nullptr));
}

// bytes, written in codeset, as UTF-8. A sequence that does not convert is
// left out rather than passed on as bytes that are not UTF-8.
std::string utf8_from(const std::string& bytes, const char* codeset)
{
    const std::string_view name(codeset);
    if (name == "UTF-8" || name == "ANSI_X3.4-1968")
        return bytes;
    const iconv_t converter = ::iconv_open("UTF-8", codeset);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string in = bytes;
    // No character of the byte encodings the C library knows takes more
    // than four bytes in UTF-8.
    std::string out(in.size() * 4, '\0');
    char* in_next = in.data();
    std::size_t in_left = in.size();
    char* out_next = out.data();
    std::size_t out_left = out.size();
    while (in_left > 0) {
        if (::iconv(converter, &in_next, &in_left, &out_next, &out_left) != static_cast<std::size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;
        ++in_next;
        --in_left;
    }
    ::iconv_close(converter);
    out.resize(out.size() - out_left);
    return out;
}

} // namespace

LocalDate LinuxSystem::local_date()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::string LinuxSystem::weekday_name(int weekday)
{
    if (weekday < 1 || weekday > 7)
        return {};
    static constexpr const char* c_names[] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                              "Thursday", "Friday", "Saturday"};
    const UniqueLocale locale = user_locale(LC_TIME_MASK);
    if (!locale)
        return c_names[weekday - 1];
    // The names are written in the character set of the LC_TIME locale,
    // which _NL_TIME_CODESET gives; CODESET would name the LC_CTYPE
    // category's, here the C locale's.
    const std::string name = ::nl_langinfo_l(static_cast<nl_item>(DAY_1 + weekday - 1), locale.get());
    return utf8_from(name, ::nl_langinfo_l(_NL_TIME_CODESET, locale.get()));
}

std::string LinuxSystem::upper_case(const std::string& text)
{
    // Casing belongs to LC_CTYPE; the toolkit brings the rules of the
    // language beyond Unicode's default ones: Turkish capitalises "i" as "İ".
    std::string locale_name = "C";
    if (const UniqueLocale locale = user_locale(LC_CTYPE_MASK))
        locale_name = ::nl_langinfo_l(_NL_LOCALE_NAME(LC_CTYPE), locale.get());
    return m_toolkit->upper_case(text, locale_name);
}

void LinuxSystem::beep()
{
    m_toolkit->beep();
}

TwipsSize LinuxSystem::screen_size()
{
    return m_toolkit->screen_size();
}

void LinuxSystem::start_program(const std::string& path)
{
    // The program is started from a short-lived intermediate child, so that
    // it is adopted at once by init and never waits as a zombie of ours. A
    // close-on-exec pipe carries exec's errno back; it reaches end of file
    // without a word when exec succeeds.
    int pipe_ends[2];
    if (::pipe2(pipe_ends, O_CLOEXEC) != 0)
        throw system_failure(errno, path);
    UniqueFd read_end(pipe_ends[0]);
    UniqueFd write_end(pipe_ends[1]);

    char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
    const pid_t intermediate = ::fork();
    if (intermediate < 0)
        throw system_failure(errno, path);
    if (intermediate == 0) {
        ::setsid();
        const pid_t program = ::fork();
        if (program == 0) {
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::execv(path.c_str(), argv);
            const int error = errno;
            [[maybe_unused]] ssize_t ignored = ::write(write_end.get(), &error, sizeof error);
            ::_exit(127);
        }
        if (program < 0) {
            const int error = errno;
            [[maybe_unused]] ssize_t ignored = ::write(write_end.get(), &error, sizeof error);
        }
        ::_exit(0);
    }

    write_end.reset();
    int status = 0;
    while (::waitpid(intermediate, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    while ((got = ::read(read_end.get(), &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (got == static_cast<ssize_t>(sizeof error))
        throw system_failure(error, path);
}

} // namespace muralis::linux_platform
