#pragma once
// Turns an icon location (see IconLocation.h) into an icon the window can draw. Loading never
// fails towards its caller: whatever goes wrong gives the platform's stock error icon, and no
// message is shown. Nothing outlives an IconLoads: a new one, as each LoadIconFromLocation,
// consults the file system again.

#include "base/Handles.h"

#include <string>
#include <unordered_map>

namespace qm {

// Icons for a run of locations, such as a listing's records: each module named is opened once
// and stays open until the IconLoads goes, so that a hundred buttons showing icons of the same
// library read its resources a hundred times but map the file once. Icon files are read on
// each load.
class IconLoads {
public:
    // As LoadIconFromLocation.
    UniqueIcon Load(const std::string& location);

private:
    // Module path as written -> the module opened for its resources, null when it did not open.
    std::unordered_map<std::string, UniqueModule> modules_;
};

// The icon a location names, owned by the caller; never null. From a module it has the
// system's large-icon size; from an icon file, the size of the image that best fits it.
UniqueIcon LoadIconFromLocation(const std::string& location);

// A copy of the platform's stock error icon (32513, not the application icon 32512) that the
// caller owns, so that every icon the loader hands out is destroyed the same way.
UniqueIcon StockErrorIcon();

} // namespace qm
