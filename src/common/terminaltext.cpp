// Control characters of data text written as escapes.
#include "common/terminaltext.h"

namespace common {

namespace {

std::string escaped(std::string_view text, bool keepLineBreaks)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n' && keepLineBreaks) {
            out += '\n';
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xf];
        } else if (c == 0xc2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
            // A C1 control in UTF-8: some terminals take U+009B as the start of an escape sequence.
            const auto code = static_cast<unsigned char>(text[++i]);
            out += "\\u00";
            out += kHex[code >> 4];
            out += kHex[code & 0xf];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace

std::string escapeControls(std::string_view text)
{
    return escaped(text, false);
}

std::string terminalText(std::string_view message)
{
    return escaped(message, true);
}

} // namespace common
