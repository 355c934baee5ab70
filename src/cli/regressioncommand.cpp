// fenoris-cli regression: not built yet.
#include "cli/commands.h"

#include <ostream>

namespace cli {

int runRegression(const Args &, std::ostream &, std::ostream &err)
{
    err << "fenoris-cli regression: not available in this build\n";
    return 2;
}

} // namespace cli
