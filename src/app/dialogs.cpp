// The core library's message sink on top of the dialogs interface.
#include "app/dialogs.h"

namespace app {

void DialogsSink::message(common::MessageKind kind, const std::string &text)
{
    const QString shown = QString::fromStdString(text);
    switch (kind) {
    case common::MessageKind::Information:
        m_dialogs.information(shown);
        break;
    case common::MessageKind::Warning:
        m_dialogs.warning(shown);
        break;
    case common::MessageKind::Error:
        m_dialogs.error(shown);
        break;
    }
}

} // namespace app
