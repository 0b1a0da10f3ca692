#include "platform/win32/ansi_text.h"

#include <windows.h>

#include <climits>

#include "platform/failure.h"

namespace muralis::win32 {

namespace {

int checked_length(std::size_t size)
{
    if (size > static_cast<std::size_t>(INT_MAX))
        throw Failure(ERROR_ARITHMETIC_OVERFLOW, "Text too long to convert");
    return static_cast<int>(size);
}

// Both directions go through UTF-16, the only form the system converts
// from and to. Lengths are passed explicitly, so NULs are plain characters.
std::wstring wide_from(UINT code_page, std::string_view text)
{
    const int length = checked_length(text.size());
    if (length == 0)
        return {};
    const int wide_length = ::MultiByteToWideChar(code_page, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    if (wide_length > 0)
        ::MultiByteToWideChar(code_page, 0, text.data(), length, wide.data(), wide_length);
    return wide;
}

std::string narrow_to(UINT code_page, const std::wstring& wide)
{
    const int length = checked_length(wide.size());
    if (length == 0)
        return {};
    const int narrow_length =
        ::WideCharToMultiByte(code_page, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(narrow_length), '\0');
    if (narrow_length > 0)
        ::WideCharToMultiByte(code_page, 0, wide.data(), length, narrow.data(), narrow_length,
                              nullptr, nullptr);
    return narrow;
}

} // namespace

std::string utf8_from_ansi(std::string_view ansi)
{
    return narrow_to(CP_UTF8, wide_from(CP_ACP, ansi));
}

std::string ansi_from_utf8(std::string_view utf8)
{
    return narrow_to(CP_ACP, wide_from(CP_UTF8, utf8));
}

std::wstring wide_from_utf8(std::string_view utf8)
{
    return wide_from(CP_UTF8, utf8);
}

} // namespace muralis::win32
