#pragma once
// Where the test run finds the program it built, as a Windows path, and starting it as a
// script does.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

namespace qmtest {

inline std::string BuiltProgram() {
    std::string program = QM_DIST_DIR "/quillmere.exe";
    std::replace(program.begin(), program.end(), '/', '\\');
    return program;
}

struct ProcessResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output; // standard output and error together, as a script's redirection gets them
};

// Starts quillmere.exe with the arguments, its standard output and error on one pipe.
inline ProcessResult RunProgram(const std::string& arguments) {
    std::string program = qmtest::BuiltProgram();
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ProcessResult result;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd;
    startup.hStdInput = nullptr;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + program + "\" " + arguments;
    BOOL started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                  nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        ADD_FAILURE() << "cannot start " << program << ": " << GetLastError();
        return result;
    }
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0)
        result.output.append(buffer, read);
    CloseHandle(readEnd);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return result;
}

} // namespace qmtest
