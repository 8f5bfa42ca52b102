#pragma once
// The usual base of a test: the registry sandbox, scripted dialogs, a temporary folder, and the
// program's history of changes kept in a folder of the test's own.

#include "registry/ChangeHistory.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace qmtest {

// Points the history at a folder while it lives.
class HistoryFolder {
public:
    explicit HistoryFolder(const std::string& folder) { qm::testing::SetHistoryFolder(folder); }
    ~HistoryFolder() { qm::testing::SetHistoryFolder({}); }
    HistoryFolder(const HistoryFolder&) = delete;
    HistoryFolder& operator=(const HistoryFolder&) = delete;
};

class ProgramTest : public ::testing::Test {
protected:
    RegistrySandbox sandbox;
    ScriptedDialogs dialogs;
    TempFolder temp;
    HistoryFolder history{temp.Path() + "\\history"};
};

} // namespace qmtest
