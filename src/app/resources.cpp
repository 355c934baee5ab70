// Registration of the compiled-in resources.
#include "app/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initFenorisResources()
{
    Q_INIT_RESOURCE(fenoris);
}

namespace app {

void initResources()
{
    static const bool done = (initFenorisResources(), true);
    (void)done;
}

} // namespace app
