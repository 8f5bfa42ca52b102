#pragma once
// The "Select category" dialog is modal: a timer that fires inside its message loop answers it
// as soon as it is up, as a user would.

#include <windows.h>

#include <functional>

namespace qmtest {

// Answers the next "Select category" dialog: the action gets the dialog's window (to pick a
// row, press a button...).
void AnswerCategoryDialog(std::function<void(HWND dialog)> action);
// Drops an answer no dialog came up for, so that it cannot answer a later test's.
void ForgetCategoryAnswer();

// The row the dialog's list shows.
int CategoryRow(HWND dialog);
// Chooses the row and presses Yes, or presses No for a row of -1.
void AnswerCategory(HWND dialog, int row);

} // namespace qmtest
