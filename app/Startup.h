#pragma once
// The program's run: the splash, the main window created hidden, the splash held for a moment,
// then the main window shown (which lists page 0 and closes the splash), then the message loop
// until the main window closes.

namespace qm {

// Returns the exit code the message loop ended with.
int Run(int showCommand);

} // namespace qm
