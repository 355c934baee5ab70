// The core library's way to tell the user something and go on: the program shows these as message
// boxes, the command line prints them, tests record them.
#pragma once

#include <string>
#include <vector>

namespace common {

enum class MessageKind { Information, Warning, Error };

class MessageSink
{
public:
    virtual ~MessageSink() = default;
    virtual void message(MessageKind kind, const std::string &text) = 0;

    void information(const std::string &text) { message(MessageKind::Information, text); }
    void warning(const std::string &text) { message(MessageKind::Warning, text); }
    void error(const std::string &text) { message(MessageKind::Error, text); }
};

// Keeps every message in order; for tests and for callers that report at the end.
class RecordingSink : public MessageSink
{
public:
    struct Entry
    {
        MessageKind kind;
        std::string text;
        bool operator==(const Entry &) const = default;
    };

    void message(MessageKind kind, const std::string &text) override { m_entries.push_back({kind, text}); }
    const std::vector<Entry> &entries() const { return m_entries; }
    void clear() { m_entries.clear(); }

private:
    std::vector<Entry> m_entries;
};

// Drops everything.
class NullSink : public MessageSink
{
public:
    void message(MessageKind, const std::string &) override {}
};

} // namespace common
