// Text from data (CSV fields, table values, file names) made safe to show: control characters, which
// a terminal would obey (an escape sequence, a carriage return over the message), written as escapes.
#pragma once

#include <string>
#include <string_view>

namespace common {

// The text with every control character written out: \n, \r, \t, \x1b for the other C0 controls and
// DEL, \u009b for the C1 controls (U+0080 to U+009F). Everything else, invalid UTF-8 included, is
// left as it is. For a value quoted from data inside a message: "Tree 'a\nb'".
std::string escapeControls(std::string_view text);

// As escapeControls, but the line breaks of a message of several lines stay: for a whole message on
// its way to a terminal, where the values quoted in it may not have been escaped.
std::string terminalText(std::string_view message);

} // namespace common
