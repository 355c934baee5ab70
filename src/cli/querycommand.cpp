// fenoris-cli query: not built yet.
#include "cli/commands.h"

#include <ostream>

namespace cli {

int runQuery(const Args &, std::ostream &, std::ostream &err)
{
    err << "fenoris-cli query: not available in this build\n";
    return 2;
}

} // namespace cli
