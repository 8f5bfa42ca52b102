#pragma once
// Where a toolbar button record lives, as the button page and the strip's hints tell the user:
// under this user's root, or under the machine's root for all users, and there in which of the
// machine's registry views, that is for which browser (the 32-bit browser reads the 32-bit
// view, the 64-bit browser the 64-bit view).

#include "registry/RegistryAccessor.h"

#include <string>

namespace qm {

enum class ButtonPlace {
    ThisUser,
    AllUsers,     // a machine with one registry view: every browser reads it
    AllUsersBoth, // both views: the 32-bit and the 64-bit browser
    AllUsers32BitOnly,
    AllUsers64BitOnly,
};

// The place of the record open in reg, from its root and the views that hold it. A machine
// record that is no longer there in any view (no key open) is all users' without a view.
ButtonPlace PlaceOfOpenRecord(const RegistryAccessor& reg);
// The place of the record of that key name below root's Extensions key.
ButtonPlace PlaceOfRecord(HKEY root, const std::string& keyName);

// What the user reads: "This user", "All users (32- and 64-bit browser)", ...
std::string PlaceText(ButtonPlace place);

} // namespace qm
