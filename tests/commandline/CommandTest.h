#pragma once
// The usual base of a test of the commands run in this process on the sandboxed registry, and
// what those tests share: the command's output kept, export files written section by section,
// and checks of the words a command says.

#include "app/CommandLine.h"
#include "app/CommandRun.h"
#include "buttons/ButtonRecord.h"

#include "commandline/CapturedOutput.h"
#include "support/ProgramTest.h"
#include "support/RawRegistry.h"

#include <gtest/gtest.h>

#include <source_location>
#include <string>
#include <vector>

namespace qmtest {

class CommandTest : public ProgramTest {
protected:
    CapturedOutput output;
    // Runs the command line; what it wrote is in output.
    int Run(std::vector<std::string> args) {
        output = {};
        return qm::cli::RunCommand(qm::cli::ParseCommandLine(args), output);
    }
    // Writes the file below the temporary folder and gives its path.
    std::string File(const std::string& name, const std::string& bytes) {
        std::string file = temp.File(name);
        WriteFileBytes(file, bytes);
        return file;
    }
};

// One button's section of an export file: its text, the line of what it runs ("Script=a.htm"),
// and an icon named after the text.
inline std::string Section(const std::string& text, const std::string& runs) {
    return "buttonstart\r\nCLSID={1FBA04EE-3024-11d2-8F1F-0000F87ABD16}\r\nButtonText=" + text +
           "\r\n" + runs + "\r\nIcon=" + text + ".ico\r\nIsQuillmere=YES\r\nbuttonend\r\n";
}

// Seeds one value of any type with its bytes as given.
inline void PutRaw(HKEY root, const std::string& path, const std::string& name, DWORD type,
                   const std::string& bytes) {
    PutValues(root, path, {{name, StoredValue{type, bytes}}});
}

// What a command said holds (or does not hold) the words; a failure shows all it said.
inline void ExpectSays(const std::string& said, const std::string& words,
                       std::source_location where = std::source_location::current()) {
    if (said.find(words) == std::string::npos)
        ADD_FAILURE_AT(where.file_name(), where.line()) << "does not say \"" << words << "\" in:\n"
                                                        << said;
}
inline void ExpectSaysNot(const std::string& said, const std::string& words,
                          std::source_location where = std::source_location::current()) {
    if (said.find(words) != std::string::npos)
        ADD_FAILURE_AT(where.file_name(), where.line()) << "says \"" << words << "\" in:\n" << said;
}

} // namespace qmtest
