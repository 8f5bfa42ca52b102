#pragma once
// What the window asks about the program's history of changes: whether to go on with a change
// that cannot be backed up first.

#include <windows.h>

#include <functional>
#include <string>

namespace qm::ui {

// The question for a change whose backup could not be written (failure says why): the change
// happens only on Yes.
std::function<bool(const std::string& failure)> AskToGoOnWithoutBackup(HWND owner);

} // namespace qm::ui
