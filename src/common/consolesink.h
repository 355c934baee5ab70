// The message sink of the command line: every message on a stream, one per line, warnings and errors
// with their kind in front ("warning: ...", "error: ..."), control characters but line breaks escaped
// (common/terminaltext.h).
#pragma once

#include "common/messagesink.h"

#include <iosfwd>

namespace common {

class ConsoleSink : public MessageSink
{
public:
    explicit ConsoleSink(std::ostream &stream) : m_stream(stream) {}
    void message(MessageKind kind, const std::string &text) override;

private:
    std::ostream &m_stream;
};

} // namespace common
