// The command line against what the platform offers for the same job, each started as a
// process: "quillmere /import" of 99 toolbar buttons against "reg import" of the same keys as
// a .reg file, and "quillmere /list" of 400 buttons against "reg query /s" of the same keys.
// Prints the median of several runs of each.
//
// It writes machine-wide keys of its own below the browser's Extensions key and removes them
// at the end; bench/run gives it a throw-away Wine prefix.
#include "buttons/ButtonRecord.h"
#include "registry/RegistryAccessor.h"

#include "BenchSupport.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kImportButtons = 99;
constexpr int kListButtons = 400;
constexpr int kRuns = 7;
// The machine-wide Extensions key as a 64-bit reg.exe sees the program's 32-bit view of it.
constexpr char kRegExtensionsKey[] =
    "HKLM\\Software\\Wow6432Node\\Microsoft\\Internet Explorer\\Extensions";

[[noreturn]] void Fail(const std::string& what) { bench::Fail("bench_commandline", what); }

double Time(const std::function<void()>& work) {
    double start = bench::NowMs();
    work();
    return bench::NowMs() - start;
}

// Runs a command line to its end with its output going nowhere (as a script that redirects
// it to NUL); its exit code.
DWORD Run(const std::string& commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        Fail("cannot start " + commandLine);
    CloseHandle(nul);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::string Number(int n, int width) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%0*d", width, n);
    return digits;
}

size_t ButtonCount() {
    qm::RegistryAccessor reg;
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    return reg.OpenKey(qm::kExtensionsKey, false) ? reg.GetKeyNames().size() : 0;
}

void ForgetButtons() {
    qm::RegistryAccessor reg;
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    reg.DeleteKey(qm::kExtensionsKey);
    reg.SetRoot(HKEY_CURRENT_USER);
    reg.DeleteKey(qm::kOwnRecordKey);
}

void MakeButtons(int count, bool marked) {
    qm::RegistryAccessor reg;
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    for (int n = 1; n <= count; ++n) {
        std::string key = "{0B5E1C00-0000-4000-8000-00000000" + Number(n, 4) + "}";
        if (!reg.OpenKey(qm::ButtonKeyPath(key), true)) Fail("cannot create " + key);
        reg.WriteString(qm::kClsidValue, qm::kButtonClsid);
        reg.WriteString(qm::kButtonTextValue, "Button " + Number(n, 3));
        reg.WriteString(qm::kScriptValue, "C:\\Pages\\page" + Number(n, 3) + ".htm");
        reg.WriteString(qm::kIconValue, "C:\\Pages\\icon" + Number(n, 3) + ".ico");
        reg.WriteString(qm::kHotIconValue, "C:\\Pages\\hot" + Number(n, 3) + ".ico");
        reg.WriteString(qm::kDefaultVisibleValue, "YES");
        reg.WriteString(qm::kMenuTextValue, "Menu text " + Number(n, 3));
        reg.WriteString(qm::kMenuStatusBarValue, "Status bar text of button " + Number(n, 3));
        if (marked) reg.WriteString(qm::kIsQuillmereValue, "YES");
    }
    reg.CloseKey();
}

} // namespace

int main() {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string folder(module);
    folder.resize(folder.rfind('\\'));
    std::string program = "\"" + folder + "\\..\\dist\\quillmere.exe\"";
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string work = std::string(temp) + "qmbench-cl-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(work.c_str(), nullptr);
    std::string exportFile = work + "\\buttons.qmx", regFile = work + "\\buttons.reg";

    // 99 marked buttons exported by the program, and the same keys (as the program makes
    // them on import) as a .reg file.
    ForgetButtons();
    MakeButtons(kImportButtons, true);
    if (Run(program + " /export \"" + exportFile + "\" /quiet")) Fail("/export failed");
    ForgetButtons();
    if (Run(program + " /import \"" + exportFile + "\" /quiet")) Fail("/import failed");
    if (Run("reg.exe export \"" + std::string(kRegExtensionsKey) + "\" \"" + regFile + "\" /y"))
        Fail("reg export failed");

    std::vector<double> importTimes, regImportTimes, listTimes, queryTimes, startTimes, regStartTimes;
    for (int run = 0; run < kRuns; ++run) {
        ForgetButtons();
        importTimes.push_back(Time([&] {
            if (Run(program + " /import \"" + exportFile + "\" /quiet")) Fail("/import failed");
        }));
        if (ButtonCount() != kImportButtons) Fail("/import made " + std::to_string(ButtonCount()) + " buttons");
        ForgetButtons();
        regImportTimes.push_back(Time([&] {
            if (Run("reg.exe import \"" + regFile + "\"")) Fail("reg import failed");
        }));
        if (ButtonCount() != kImportButtons) Fail("reg import made " + std::to_string(ButtonCount()) + " buttons");
        // What starting each program costs before it does anything.
        startTimes.push_back(Time([&] { Run(program + " /?"); }));
        regStartTimes.push_back(Time([&] { Run("reg.exe /?"); }));
    }

    ForgetButtons();
    MakeButtons(kListButtons, false);
    for (int run = 0; run < kRuns; ++run) {
        listTimes.push_back(Time([&] {
            if (Run(program + " /list /quiet")) Fail("/list failed");
        }));
        queryTimes.push_back(Time([&] {
            if (Run("reg.exe query \"" + std::string(kRegExtensionsKey) + "\" /s")) Fail("reg query failed");
        }));
    }
    ForgetButtons();

    double importMs = bench::Median(importTimes), regImportMs = bench::Median(regImportTimes);
    double listMs = bench::Median(listTimes), queryMs = bench::Median(queryTimes);
    std::printf("each started as a process; median of %d runs\n", kRuns);
    std::printf("  quillmere /import, %d buttons  %8.1f ms\n", kImportButtons, importMs);
    std::printf("  reg import of the same keys     %8.1f ms\n", regImportMs);
    std::printf("  of which starting: quillmere /? %8.1f ms, reg /? %8.1f ms\n", bench::Median(startTimes),
                bench::Median(regStartTimes));
    std::printf("  quillmere /list, %d buttons   %8.1f ms\n", kListButtons, listMs);
    std::printf("  reg query /s of the same keys   %8.1f ms\n", queryMs);
    double importRatio = importMs / regImportMs, listRatio = listMs / queryMs;
    auto verdict = [](double ratio) { return ratio <= 1.5 ? "met" : "MISSED"; };
    std::printf("  /import / reg import = %.2f (target at most 1.5: %s)\n", importRatio, verdict(importRatio));
    std::printf("  /list / reg query /s = %.2f (target at most 1.5: %s)\n", listRatio, verdict(listRatio));
    return importRatio <= 1.5 && listRatio <= 1.5 ? 0 : 2;
}
