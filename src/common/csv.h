// Fields of the CSV files the program writes: RFC 4180 quoting, and text a spreadsheet would run.
#pragma once

#include <string>

namespace common {

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

// A field of text (a name, never a number) as csvField writes it, except that text a spreadsheet would
// take for a formula (beginning with =, +, -, @, a tab or a carriage return) is written quoted with an
// apostrophe before it: the spreadsheet shows it as text and runs nothing.
inline std::string csvTextField(const std::string &text)
{
    if (text.empty() || std::string("=+-@\t\r").find(text[0]) == std::string::npos) return csvField(text);
    std::string quoted = csvField("'" + text);
    return quoted.front() == '"' ? quoted : "\"" + quoted + "\"";
}

} // namespace common
