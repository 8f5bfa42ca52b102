// What a command costs at start: quillmere.exe run from a script loads only what the registry
// and the kernel need, and the window's libraries, which it loads at their first call, hold
// every function the program calls in them.
#include <windows.h>

#include "commandline/BuiltProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string FileNameOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return Lower(slash == std::string::npos ? path : path.substr(slash + 1));
}

// Runs the program under this test as its debugger and returns the name of every DLL it loads,
// with its exit code.
std::set<std::string> LoadedBy(const std::string& arguments, DWORD& exitCode) {
    std::string program = qmtest::BuiltProgram();
    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::set<std::string> loaded;
    exitCode = 0xFFFFFFFF;
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        DEBUG_ONLY_THIS_PROCESS | CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process)) {
        ADD_FAILURE() << "cannot start " << program << ": " << GetLastError();
        return loaded;
    }
    DWORD deadline = GetTickCount() + 60000;
    for (bool running = true; running;) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, 1000)) {
            if (GetTickCount() > deadline) {
                ADD_FAILURE() << "the command did not end";
                TerminateProcess(process.hProcess, 99);
                break;
            }
            continue;
        }
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile) {
                char path[MAX_PATH * 2] = "";
                if (GetFinalPathNameByHandleA(event.u.LoadDll.hFile, path, sizeof path, 0))
                    loaded.insert(FileNameOf(path));
                CloseHandle(event.u.LoadDll.hFile);
            }
            break;
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case EXCEPTION_DEBUG_EVENT:
            // The loader's first breakpoint is the debugger's; anything else is the program's.
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                status = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            exitCode = event.u.ExitProcess.dwExitCode;
            running = false;
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return loaded;
}

TEST(StartCostTest, ACommandLoadsNoneOfTheWindowsLibraries) {
    DWORD exitCode = 0;
    std::set<std::string> loaded = LoadedBy("/list /quiet", exitCode);
    EXPECT_EQ(exitCode, 0u);
    // The registry's own library is there: the list of loads is real.
    EXPECT_TRUE(loaded.count("advapi32.dll")) << "advapi32.dll was not seen loading";
    for (const char* windowOnly :
         {"comctl32.dll", "comdlg32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll", "oleacc.dll"})
        EXPECT_FALSE(loaded.count(windowOnly)) << windowOnly << " is loaded by every command";
}

// The link map's first section names each archive member the program took and the symbol
// that pulled it in: "libdelay_NAME.a(member)" at the start of a line, then, on that line or
// the next, "file (symbol)". A member of a delay library is one function's thunk, pulled in by
// the function's name or by its import slot "__imp_" and the name.
std::map<std::string, std::set<std::string>> DelayLoadedFunctions() {
    std::map<std::string, std::set<std::string>> functions;
    std::ifstream map(QM_LINK_MAP);
    std::string line, library;
    while (std::getline(map, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("Memory Configuration", 0) == 0 || line.rfind("Discarded", 0) == 0) break;
        if (line.empty()) continue;
        if (!std::isspace(static_cast<unsigned char>(line[0]))) {
            size_t member = line.find(".a(");
            size_t at = line.rfind("libdelay_", member);
            library = member != std::string::npos && at != std::string::npos
                          ? line.substr(at + 9, member - at - 9)
                          : std::string();
        }
        size_t open = line.rfind(" (");
        if (library.empty() || open == std::string::npos || line.back() != ')') continue;
        std::string name = line.substr(open + 2, line.size() - open - 3);
        if (name.rfind("__imp_", 0) == 0) name.erase(0, 6);
        if (!name.empty() && name[0] != '_') functions[library].insert(name);
    }
    return functions;
}

TEST(StartCostTest, EveryFunctionLoadedAtItsFirstCallIsInItsLibrary) {
    std::map<std::string, std::set<std::string>> functions = DelayLoadedFunctions();
    ASSERT_FALSE(functions.empty()) << "no delay-loaded function in " << QM_LINK_MAP;
    size_t count = 0;
    for (const auto& [library, names] : functions) {
        HMODULE module = LoadLibraryA((library + ".dll").c_str());
        ASSERT_NE(module, nullptr) << library << ".dll cannot be loaded";
        for (const std::string& name : names) {
            EXPECT_NE(GetProcAddress(module, name.c_str()), nullptr)
                << name << " is not in " << library << ".dll";
            ++count;
        }
    }
    for (const char* library : {"comctl32", "comdlg32", "shell32", "ole32"})
        EXPECT_TRUE(functions.count(library)) << "the program calls nothing in " << library;
    EXPECT_GT(count, 20u);
}

} // namespace
