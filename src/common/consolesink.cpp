// Messages on the console.
#include "common/consolesink.h"

#include "common/terminaltext.h"

#include <ostream>

namespace common {

void ConsoleSink::message(MessageKind kind, const std::string &text)
{
    switch (kind) {
    case MessageKind::Information:
        break;
    case MessageKind::Warning:
        m_stream << "warning: ";
        break;
    case MessageKind::Error:
        m_stream << "error: ";
        break;
    }
    // Messages quote values from data, whose control characters must not reach the terminal.
    m_stream << terminalText(text) << "\n";
}

} // namespace common
