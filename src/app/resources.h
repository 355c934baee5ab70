// The program's compiled-in pictures (the icon), under ":/fenoris/".
#pragma once

namespace app {

// Registers the resources; the windows call it, as a static library's resources are otherwise
// dropped by the linker. Safe to call more than once.
void initResources();

} // namespace app
