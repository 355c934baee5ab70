// Messages on the console.
#include "common/consolesink.h"

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
    m_stream << text << "\n";
}

} // namespace common
