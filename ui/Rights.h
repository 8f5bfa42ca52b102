#pragma once
// What the program says when Windows refuses a change for lack of rights. The machine's keys
// (the toolbar buttons of every user of the computer) need administrator rights, which a
// standard user, and an administrator whose program runs without elevation, do not have: the
// program says so and offers to make that very change with those rights, through a copy of
// itself that Windows starts elevated while this window stays open and then shows the result.
// The current user's own keys are refused only where an administrator has locked them;
// elevation would not help there (an elevated program may run as another account, with other
// settings), so the program only says so.

#include "ui/PageHost.h"

#include <string>

namespace qm::ui {

enum class RefusedKeys {
    Machine,     // the machine's keys: toolbar buttons for all users
    CurrentUser, // the current user's own settings
};

// The whole text shown for a refusal; failure says what could not be done, such as
// 'The button "Notes" cannot be saved'. For the machine's keys it ends with the question
// whether to make the change with administrator rights.
std::string RefusalText(RefusedKeys keys, const std::string& failure);

// Shows the refusal as an error, without offering anything.
void ReportRefusal(PageHost& host, RefusedKeys keys, const std::string& failure);

// A change that failed: the refusal, when Windows refused it for rights, else the text
// otherwise (such as "The value cannot be written"), which says no more than that it failed.
void ReportFailure(PageHost& host, bool refused, RefusedKeys keys, const std::string& failure,
                   const std::string& otherwise);

} // namespace qm::ui
