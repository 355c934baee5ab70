// Names compared the way dBASE, SQL and the settings files compare them: the ASCII letters without
// regard to case, every other byte as it is, whatever the user's locale (a Turkish locale must not
// make "PLOTID" and "plotid" differ).
#pragma once

#include <string>
#include <string_view>

namespace common {

bool equalsIgnoreCase(std::string_view a, std::string_view b);

// The text with A to Z turned into a to z, or a to z into A to Z; other bytes, UTF-8 sequences among
// them, stay.
std::string lowerAscii(std::string text);
std::string upperAscii(std::string text);

} // namespace common
