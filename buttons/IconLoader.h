#pragma once
// Turns an icon location (see IconLocation.h) into an icon the window can draw. Loading never
// fails towards its caller: whatever goes wrong gives the platform's stock error icon, and no
// message is shown. No state and no cache: every call consults the file system again.

#include "base/Handles.h"

#include <string>

namespace qm {

// The icon a location names, owned by the caller; never null. From a module it has the
// system's large-icon size; from an icon file, the size of the image that best fits it.
UniqueIcon LoadIconFromLocation(const std::string& location);

// A copy of the platform's stock error icon (32513, not the application icon 32512) that the
// caller owns, so that every icon the loader hands out is destroyed the same way.
UniqueIcon StockErrorIcon();

} // namespace qm
