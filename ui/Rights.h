#pragma once
// What the program says when Windows refuses a change for lack of rights. The machine's keys
// (the toolbar buttons of every user of the computer) need administrator rights, which a
// standard user, and an administrator whose program runs without elevation, do not have: the
// program says so and offers to start itself again with those rights. The current user's own
// keys are refused only where an administrator has locked them; starting elevated would not
// help there (an elevated program may run as another account, with other settings), so the
// program only says so.

#include "ui/PageHost.h"

#include <string>

namespace qm::ui {

enum class RefusedKeys {
    Machine,     // the machine's keys: toolbar buttons for all users
    CurrentUser, // the current user's own settings
};

// The whole text shown for a refusal; failure says what could not be done, such as
// 'The button "Notes" cannot be saved'.
std::string RefusalText(RefusedKeys keys, const std::string& failure);

// Shows the refusal. For the machine's keys it is a question: on Yes the usual save question
// is asked for a page with unsaved edits, then Quillmere is started with administrator rights
// through Dialogs::StartElevated and, once that started, the main window closes. Declining the
// elevation prompt changes nothing and the program goes on. A refusal met while that offer is
// being made (a save it asked for was refused too) is only shown. True when the elevated copy
// started and the window is closing.
bool ReportRefusal(PageHost& host, RefusedKeys keys, const std::string& failure);

} // namespace qm::ui
