#pragma once
// The usual base of a test: the registry sandbox, scripted dialogs and a temporary folder.

#include "support/RegistrySandbox.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace qmtest {

class ProgramTest : public ::testing::Test {
protected:
    RegistrySandbox sandbox;
    ScriptedDialogs dialogs;
    TempFolder temp;
};

} // namespace qmtest
