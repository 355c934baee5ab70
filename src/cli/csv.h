// CSV output of the commands.
#pragma once

#include <string>

namespace cli {

// A CSV field, quoted when it holds a separator, a quote or a line break.
inline std::string csvField(const std::string &text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace cli
