#pragma once
// On 64-bit Windows the machine's Software key has two registry views: the 64-bit browser
// reads its toolbar buttons in the 64-bit view, the 32-bit browser in the 32-bit view. A key
// exists if it exists in either view and is read from the 32-bit view where it exists there
// (else from the 64-bit view). Writes touch only what the user's action is about: a key made
// (a container such as Extensions, or a new record) is made empty in every view that lacks
// it, never as a copy of another view's; a write to a key goes to the views that hold it; a
// deletion removes it from both. On 32-bit Windows there is one view. The current user's
// Software key is shared between the views, so the current user's root has one.

#include <windows.h>

#include <vector>

namespace qm {

inline constexpr REGSAM kMachineRegistryView = KEY_WOW64_32KEY;
inline constexpr REGSAM kMachineOtherView = KEY_WOW64_64KEY;
// Whether this Windows has the two views (it runs on a 64-bit processor).
bool MachineHasTwoViews();
// Whether the machine's keys are kept in their two views: this Windows has them, and no test
// has chosen to work as on 32-bit Windows.
bool MachineViewsApart();

// The registry views of a root: the machine's two on 64-bit Windows (32-bit view first), else
// one, 0.
std::vector<REGSAM> ViewsOf(HKEY root);

} // namespace qm
