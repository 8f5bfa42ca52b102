#pragma once
// The lines of /list, for scripts: a header line that names the columns, then one line per
// toolbar button (or, with /list menus, per context-menu entry), the columns separated by tabs,
// each line ended with CR LF. A tab or line end inside a value is given as a blank, so that a
// line is always one record.
//
// Buttons, in the order the button page's strip shows them:
//   Root     HKCU or HKLM
//   Key      the record's key name
//   Text     the button's text
//   Runs     its program (Exec) or else its script page (Script)
//   Place    where it lives, as the button page says it: "This user", "All users (32-bit
//            browser only)", ...
//   Kind     "program", "script page" or "nothing"
//   Own      "yes" when the program made it (it carries the program's marker), else "no"
//   Visible  "yes" when it shows in the toolbar by default, else "no"
// Context-menu entries, in the order the context-menu page lists them:
//   Root HKCU, Name, Runs (the script page), Contexts (eight hexadecimal digits, as the page
//   shows them), Flags (decimal), Own.

#include <functional>
#include <string>

namespace qm::cli {

// Hands each line (without its CR LF) to line as soon as it is read, the header first, so that
// the lines read before a registry failure were handed on when it throws.
void ListButtonLines(const std::function<void(const std::string&)>& line);
void ListMenuLines(const std::function<void(const std::string&)>& line);

} // namespace qm::cli
