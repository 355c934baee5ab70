// Text from data on its way to a terminal: control characters written as escapes, the rest as it is.
#include "common/consolesink.h"
#include "common/terminaltext.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct EscapeCase
{
    const char *what;
    std::string text, escaped;
};

const EscapeCase kCases[] = {
    {"plain text and UTF-8 stay", "Lesn\xC3\xAD 12,5 %", "Lesn\xC3\xAD 12,5 %"},
    {"an escape sequence that would clear the screen", "a\x1b[2Jb", "a\\x1b[2Jb"},
    {"line break, carriage return, tab", "a\nb\rc\td", "a\\nb\\rc\\td"},
    {"other C0 controls and DEL", std::string("\x01\x07\x7f", 3), "\\x01\\x07\\x7f"},
    // U+009B (CSI) is an escape on some terminals; U+00A0 (no-break space) is text.
    {"C1 controls",
     "x\xC2\x9B"
     "2Jy\xC2\xA0",
     "x\\u009b2Jy\xC2\xA0"},
    {"invalid UTF-8 is left alone", "\xE8\xC2", "\xE8\xC2"},
};

TEST(TerminalText, ControlCharactersAreEscaped)
{
    for (const EscapeCase &c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(common::escapeControls(c.text), c.escaped);
    }
}

// The console keeps the line breaks of a message of several lines and escapes every other control.
TEST(TerminalText, TheConsoleKeepsLineBreaksOfAMessage)
{
    EXPECT_EQ(common::terminalText("two\nlines\x1b]0;title\x07"), "two\nlines\\x1b]0;title\\x07");
    std::ostringstream stream;
    common::ConsoleSink sink(stream);
    sink.warning("Tree 7\r: plot A\x1b[31m\n  next");
    EXPECT_EQ(stream.str(), "warning: Tree 7\\r: plot A\\x1b[31m\n  next\n");
}

} // namespace
