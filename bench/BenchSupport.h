#pragma once
// What the benchmark programs share: a clock, the median of repeated runs, giving up, starting
// a command, counting and removing the buttons a benchmark made, and a quiet stand-in for the
// main window.

#include "buttons/ButtonRecord.h"
#include "registry/RegistryAccessor.h"
#include "ui/Dialogs.h"
#include "ui/PageHost.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// Ends the benchmark with exit code 2: it could not measure what it set out to.
[[noreturn]] inline void Fail(const char* program, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", program, what.c_str());
    std::exit(2);
}

// The high-resolution clock, in milliseconds.
inline double NowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / frequency;
}

inline double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Milliseconds that work takes.
inline double Time(const std::function<void()>& work) {
    double start = NowMs();
    work();
    return NowMs() - start;
}

// Runs a command line to its end, without a window, its output going nowhere (as a script that
// redirects it to NUL); its exit code. A command that cannot be started ends the benchmark.
inline DWORD Run(const char* program, const std::string& commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul =
        CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                  nullptr, nullptr, &startup, &process);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started) Fail(program, "cannot start " + commandLine);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// How many button keys the machine's Extensions key holds in one registry view (the 32-bit
// view, where the program reads them, unless another is given); counted with the plain calls.
inline size_t ButtonCount(REGSAM view = qm::kMachineRegistryView) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, qm::kExtensionsKey + 1, 0, KEY_READ | view, &key) !=
        ERROR_SUCCESS)
        return 0;
    DWORD count = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return count;
}

// Removes every machine-wide button (in both views) and the program's own record of them.
inline void ForgetButtons() {
    qm::RegistryAccessor reg;
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    reg.DeleteKey(qm::kExtensionsKey);
    reg.SetRoot(HKEY_CURRENT_USER);
    reg.DeleteKey(qm::kOwnRecordKey);
}

// Dialogs for a benchmark: a file dialog is answered with `chosen` when one is set; anything
// else the program shows ends the benchmark, since it means the run is not what it measures.
class BenchDialogs : public qm::ui::Dialogs {
public:
    // Puts itself in place as the program's dialogs until it goes.
    explicit BenchDialogs(const char* program) : program_(program) { qm::ui::SetAppDialogs(this); }
    ~BenchDialogs() override { qm::ui::SetAppDialogs(nullptr); }
    BenchDialogs(const BenchDialogs&) = delete;
    BenchDialogs& operator=(const BenchDialogs&) = delete;
    std::optional<std::string> chosen;
    // Answers questions with Yes (such as the import's "Create these buttons?"); otherwise a
    // question ends the benchmark.
    bool answerYes = false;
    // Takes notices (such as the export's "Exported ... buttons"); otherwise a notice ends the
    // benchmark.
    bool acceptNotices = false;

    bool AskYesNo(HWND, const std::string& text, const std::string& = {}) override {
        if (!answerYes) Fail(program_, "question: " + text);
        return true;
    }
    void ShowError(HWND, const std::string& text) override { Fail(program_, "error box: " + text); }
    void ShowApplicationError(HWND, const std::string& text) override {
        Fail(program_, "error: " + text);
    }
    void ShowInformation(HWND, const std::string& text) override {
        if (!acceptNotices) Fail(program_, "information: " + text);
    }
    bool RunFileDialog(HWND, qm::ui::FileDialogKind, qm::ui::FileDialog& dialog) override {
        if (!chosen) Fail(program_, "file dialog");
        dialog.fileName = *chosen;
        return true;
    }
    std::optional<std::string> BrowseForFolder(HWND, const std::string&) override {
        Fail(program_, "folder dialog");
    }
    void ShowHelp(HWND, const std::string&, UINT, DWORD_PTR) override { Fail(program_, "help"); }
    bool ShellOpen(HWND, const std::string&) override { Fail(program_, "shell open"); }
    std::optional<DWORD> RunElevated(HWND, const std::string&) override {
        Fail(program_, "elevated run");
    }
    // The import's preview is taken as proposed (like a Yes to its question) when questions
    // are, without the copy of the set's files, which is not what the benchmark measures.
    bool ChooseRows(HWND, qm::ui::RowChoice& choice) override {
        if (!answerYes) Fail(program_, "row dialog: " + choice.intro);
        choice.optionChecked = false;
        return true;
    }

private:
    const char* program_;
};

// The main window's part for a page or command under measurement: no flags, no questions.
class BenchHost : public qm::ui::PageHost {
public:
    explicit BenchHost(HWND window) : window_(window) {}
    void MarkModified(int) override {}
    void ClearModified(int) override {}
    void ClearAllModified() override {}
    bool IsModified() const override { return false; }
    bool IsPageModified(int) const override { return false; }
    void OfferSave(int, bool) override {}
    qm::RegistryAccessor& Registry() override { return *registry_; }
    qm::RegistryAccessor& NewRegistry() override {
        registry_ = std::make_unique<qm::RegistryAccessor>();
        return *registry_;
    }
    HWND MainWindow() const override { return window_; }

private:
    HWND window_;
    std::unique_ptr<qm::RegistryAccessor> registry_ = std::make_unique<qm::RegistryAccessor>();
};

} // namespace bench
