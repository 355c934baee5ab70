// fenoris-cli generate: not built yet.
#include "cli/commands.h"

#include <ostream>

namespace cli {

int runGenerate(const Args &, std::ostream &, std::ostream &err)
{
    err << "fenoris-cli generate: not available in this build\n";
    return 2;
}

} // namespace cli
