// Case-insensitive names, ASCII letters only.
#include "common/asciicase.h"

namespace common {

namespace {

char lowerChar(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char upperChar(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerChar(a[i]) != lowerChar(b[i])) return false;
    return true;
}

std::string lowerAscii(std::string text)
{
    for (char &c : text)
        c = lowerChar(c);
    return text;
}

std::string upperAscii(std::string text)
{
    for (char &c : text)
        c = upperChar(c);
    return text;
}

} // namespace common
