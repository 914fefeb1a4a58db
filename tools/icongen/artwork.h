// The pictures of the two tray icons, drawn on a 48 x 48 canvas.
#pragma once

#include "tools/icongen/canvas.h"

namespace icongen {

// A light-grey desktop printer from the front with a white sheet standing out of its top and a
// translucent blue band across its middle, soft shadow, transparent ground: printer answering.
Canvas DrawOnline();
// A bold red diagonal cross with a lighter bevel, transparent ground: printer not answering.
Canvas DrawOffline();

}  // namespace icongen
