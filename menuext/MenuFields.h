#pragma once
// The context-menu page's fields for one entry, and how an entry and its context bit mask move
// between the registry, the page's two displays and the six boxes.

#include "menuext/MenuRecord.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

namespace qm {

// The page's fields that an entry fills and is read from.
struct MenuFields {
    HWND menuEdit = nullptr;            // MenuEdit: the entry's name
    HWND defaultEdit = nullptr;         // DefaultEdit: the script page
    HWND contextDecimalEdit = nullptr;  // ContextDecimalEdit: read-only, disabled
    HWND contextHexEdit = nullptr;      // ContextHexEdit: read-only, disabled
    HWND flagEdit = nullptr;            // FlagEdit
    std::array<HWND, 6> contextBoxes{}; // one per bit of kContextBits, in that order
};

// Reads the default value into DefaultEdit, then "Contexts" if it exists into both displays
// and the boxes (both displays emptied and the boxes left as they are when it does not), then
// "Flags" if it exists into FlagEdit (emptied when it does not), each as soon as it is read.
// A value of the wrong type throws the registry's error there; what was filled stays. An entry
// whose key is gone reads as empty.
void ReadMenuValues(RegistryAccessor& reg, const std::string& name, const MenuFields& fields);

// --- the mask between the boxes and the displays ---

// The OR of the bits of the checked boxes, 0 to 63.
int32_t ContextsFromBoxes(const MenuFields& fields);
// Both displays from the boxes; both empty when no box is checked. Bits above 0x20 are lost.
void ShowContextsFromBoxes(const MenuFields& fields);
// Checks each box whose bit is set in the decimal display's integer and clears the others.
// Not a click: the displays keep what they show, bits above 0x20 included.
void SetBoxesFromContexts(const MenuFields& fields);
// Empties MenuEdit, DefaultEdit, both displays and FlagEdit, in this order, and clears the
// boxes.
void ClearMenuFields(const MenuFields& fields);

} // namespace qm
