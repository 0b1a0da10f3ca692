#include "editor/web_address.h"

#include <cctype>
#include <string>
#include <string_view>

namespace muralis::editor {

namespace {

bool is_alpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

bool is_hex(char c)
{
    return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    return true;
}

// A host name: labels of letters, digits and hyphens (and the bytes of
// non-ASCII letters), none empty and none starting or ending with a hyphen,
// separated by dots, with at most one final dot. An IPv4 address is such a
// name too.
bool is_host_name(std::string_view host, bool needs_dot)
{
    if (host.empty() || host.size() > 253)
        return false;
    if (host.back() == '.')
        host.remove_suffix(1);
    bool dot = false;
    std::size_t start = 0;
    while (start <= host.size()) {
        std::size_t end = host.find('.', start);
        if (end == std::string_view::npos)
            end = host.size();
        else
            dot = true;
        const std::string_view label = host.substr(start, end - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
            return false;
        for (char c : label) {
            if (!is_alpha(c) && !is_digit(c) && c != '-' && static_cast<unsigned char>(c) < 0x80)
                return false;
        }
        start = end + 1;
    }
    return dot || !needs_dot;
}

// An IPv6 literal between brackets: hexadecimal digits, colons and dots.
bool is_ip_literal(std::string_view host)
{
    if (host.size() < 4 || host.front() != '[' || host.back() != ']')
        return false;
    for (char c : host.substr(1, host.size() - 2)) {
        if (!is_hex(c) && c != ':' && c != '.')
            return false;
    }
    return true;
}

// host, then an optional ":" and port of digits.
bool is_authority(std::string_view authority, bool needs_dot)
{
    std::string_view host = authority;
    const std::size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
        const std::string_view port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5)
            return false;
        for (char c : port) {
            if (!is_digit(c))
                return false;
        }
        if (std::stoi(std::string(port)) > 65535)
            return false;
        host = authority.substr(0, colon);
    }
    return is_ip_literal(host) ? !needs_dot : is_host_name(host, needs_dot);
}

// The path, query and fragment: printable characters that an address may
// hold, and "%" only as the start of an escape.
bool is_path_part(std::string_view rest)
{
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const auto c = static_cast<unsigned char>(rest[i]);
        if (c < 0x21 || c == 0x7F)
            return false;
        switch (c) {
        case '"':
        case '<':
        case '>':
        case '\\':
        case '^':
        case '`':
        case '{':
        case '|':
        case '}':
            return false;
        case '%':
            if (i + 2 >= rest.size() || !is_hex(rest[i + 1]) || !is_hex(rest[i + 2]))
                return false;
            break;
        default:
            break;
        }
    }
    return true;
}

// authority, then nothing or a path, query or fragment.
bool is_web_location(std::string_view location, bool needs_dot)
{
    const std::size_t end = location.find_first_of("/?#");
    const std::string_view authority = location.substr(0, end);
    if (!is_authority(authority, needs_dot))
        return false;
    return end == std::string_view::npos || is_path_part(location.substr(end));
}

} // namespace

std::optional<std::string> web_address_to_open(const std::string& text)
{
    for (std::string_view scheme : {"https://", "http://"}) {
        if (starts_with_ignoring_case(text, scheme)) {
            if (is_web_location(std::string_view(text).substr(scheme.size()), false))
                return text;
            return std::nullopt;
        }
    }
    // Any other scheme ("file:", "mailto:", "C:" of a path) is refused; a
    // colon followed by digits is a host's port.
    std::size_t scheme_end = 0;
    while (scheme_end < text.size() && (is_alpha(text[scheme_end]) || is_digit(text[scheme_end]) ||
                                        text[scheme_end] == '+' || text[scheme_end] == '.' ||
                                        text[scheme_end] == '-'))
        ++scheme_end;
    if (scheme_end < text.size() && text[scheme_end] == ':' &&
        !(scheme_end + 1 < text.size() && is_digit(text[scheme_end + 1])))
        return std::nullopt;
    // A bare host name starts with a letter or digit: not "-", a path or a
    // share.
    if (text.empty() || (!is_alpha(text[0]) && !is_digit(text[0]) && static_cast<unsigned char>(text[0]) < 0x80))
        return std::nullopt;
    if (!is_web_location(text, true))
        return std::nullopt;
    return "https://" + text;
}

} // namespace muralis::editor
