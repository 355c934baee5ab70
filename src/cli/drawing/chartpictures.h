// The chart pictures of fenoris-cli, drawn by the chart library the window uses. Linked into the
// program only; Qt starts when the first picture is drawn and ends with it.
#pragma once

#include "cli/pictures.h"

namespace cli::drawing {

PictureWriters chartPictureWriters();

} // namespace cli::drawing
