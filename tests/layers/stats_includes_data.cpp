// Compiled by the test LayerOrderIsEnforced as a source of the statistics layer, which must not see
// the engine's headers: it is expected not to compile.
#include "data/database.h"
