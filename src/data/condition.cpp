// The user's free condition: its brackets and quotes, its kept form and the engine's verdict.
#include "data/condition.h"

#include "common/error.h"
#include "data/database.h"
#include "data/selection.h"

namespace data {

namespace {

// What the brackets and quotes of a condition say, read as SQLite reads them.
struct Reading
{
    std::string problem;   // empty when quotes close and brackets balance
    bool oneGroup = false; // the text is one bracketed group: its first "(" closes at its end
};

// The number of the character (from 1) at a byte of UTF-8 text, as the user counts them.
std::size_t characterNumber(const std::string &text, std::size_t byte)
{
    std::size_t number = 0;
    for (std::size_t i = 0; i <= byte && i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++number;
    return number;
}

std::string at(const std::string &text, std::size_t byte)
{
    return " at character " + std::to_string(characterNumber(text, byte));
}

// The end of the quoted part that starts at `start` (the byte after its closing quote), or npos when it
// does not close. '...', "..." and `...` double their quote inside; [...] ends at the first "]".
std::size_t quotedEnd(const std::string &text, std::size_t start)
{
    const char close = text[start] == '[' ? ']' : text[start];
    for (std::size_t i = start + 1; i < text.size(); ++i) {
        if (text[i] != close) continue;
        if (close != ']' && i + 1 < text.size() && text[i + 1] == close) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return std::string::npos;
}

Reading read(const std::string &text)
{
    Reading reading;
    int depth = 0;
    std::size_t firstGroupEnd = std::string::npos;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const std::size_t end = quotedEnd(text, i);
            if (end == std::string::npos) {
                reading.problem = std::string(c == '[' ? "the bracket [" : std::string("the quote ") + c) +
                                  at(text, i) + " is not closed";
                return reading;
            }
            i = end;
            continue;
        }
        if ((c == '-' && i + 1 < text.size() && text[i + 1] == '-') ||
            (c == '/' && i + 1 < text.size() && text[i + 1] == '*')) {
            reading.problem =
                "a comment (" + text.substr(i, 2) + at(text, i) + ") cannot be part of a condition";
            return reading;
        }
        if (c == '(') ++depth;
        if (c == ')') {
            if (depth == 0) {
                reading.problem = "the bracket )" + at(text, i) + " closes a bracket that was not opened";
                return reading;
            }
            if (--depth == 0 && firstGroupEnd == std::string::npos) firstGroupEnd = i + 1;
        }
        ++i;
    }
    if (depth > 0) {
        reading.problem = depth == 1 ? std::string("a bracket is opened and not closed")
                                     : std::to_string(depth) + " brackets are opened and not closed";
        return reading;
    }
    reading.oneGroup = !text.empty() && text.front() == '(' && firstGroupEnd == text.size();
    return reading;
}

std::string trimmed(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

common::DataError refusal(const std::string &problem, const std::string &condition)
{
    return common::DataError("Condition: " + problem + " in: " + condition);
}

} // namespace

std::string keptCondition(const std::string &text)
{
    const std::string condition = trimmed(text);
    if (condition.empty() || read(condition).oneGroup) return condition;
    return "(" + condition + ")";
}

std::string checkCondition(Connection &connection, const std::string &table, const std::string &text)
{
    const std::string condition = trimmed(text);
    if (condition.empty()) return condition;
    const Reading reading = read(condition);
    if (!reading.problem.empty()) throw refusal(reading.problem, condition);
    const std::string kept = keptCondition(condition);
    // Prepared, not run, in a query of its own: the engine's verdict on the syntax and the columns.
    Query probe(connection);
    probe.setSql({"SELECT Count(*) FROM " + tableName(table), "WHERE " + kept});
    try {
        probe.prepare();
    } catch (const common::DataError &e) {
        throw refusal(e.what(), kept);
    }
    return kept;
}

} // namespace data
