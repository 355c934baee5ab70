// CSV output of the commands: the fields as common/csv.h writes them.
#pragma once

#include "common/csv.h"

namespace cli {

using common::csvField;

} // namespace cli
