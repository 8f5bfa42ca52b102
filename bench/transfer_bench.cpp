// Export and import of 99 toolbar buttons, each with a script page and two icons, against what
// the platform offers for the same job: Wine's "reg export" and "reg import" of the same keys
// as a .reg file, plus copying the same files. Prints the median of several runs of each.
//
// It writes machine-wide keys of its own below the browser's Extensions key and removes them
// at the end; bench/run gives it a throw-away Wine prefix.
#include "buttons/ButtonRecord.h"
#include "registry/RegistryAccessor.h"
#include "transfer/TransferCommands.h"
#include "ui/Dialogs.h"
#include "ui/PageHost.h"

#include "BenchSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kButtons = 99;
constexpr int kRuns = 9;
// The machine-wide Extensions key as a 64-bit reg.exe sees the program's 32-bit view of it.
constexpr char kRegExtensionsKey[] =
    "HKLM\\Software\\Wow6432Node\\Microsoft\\Internet Explorer\\Extensions";

[[noreturn]] void Fail(const std::string& what) { bench::Fail("bench_transfer", what); }
using bench::Median;

void MakeFile(const std::string& path, size_t size, char fill) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail("cannot write " + path);
    std::string bytes(size, fill);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

DWORD Run(const std::string& commandLine) { return bench::Run("bench_transfer", commandLine); }

std::string Number(int n) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02d", n);
    return digits;
}

using bench::ButtonCount;
using bench::ForgetButtons;
using bench::Time;

} // namespace

int main() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string work = std::string(temp) + "qmbench-" + std::to_string(GetCurrentProcessId());
    std::string sources = work + "\\src", out = work + "\\out", copies = work + "\\copies";
    for (const std::string& folder : {work, sources, out, copies})
        CreateDirectoryA(folder.c_str(), nullptr);

    // 99 marked buttons, each with its own script page and two icons.
    ForgetButtons();
    std::vector<std::string> files;
    qm::RegistryAccessor reg;
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    for (int n = 1; n <= kButtons; ++n) {
        std::string script = sources + "\\page" + Number(n) + ".htm";
        std::string icon = sources + "\\icon" + Number(n) + ".ico";
        std::string hot = sources + "\\hot" + Number(n) + ".ico";
        MakeFile(script, 2048, 'p');
        MakeFile(icon, 3262, 'i'); // the size of a 16 and a 32 pixel image in 32 bits
        MakeFile(hot, 3262, 'h');
        files.insert(files.end(), {script, icon, hot});
        std::string key = "{0B5E1C00-0000-4000-8000-0000000000" + Number(n) + "}";
        try {
            reg.OpenKey(qm::ButtonKeyPath(key), true);
        } catch (const qm::RegistryError&) {
            Fail("cannot create " + key);
        }
        reg.WriteString(qm::kClsidValue, qm::kButtonClsid);
        reg.WriteString(qm::kButtonTextValue, "Button " + Number(n));
        reg.WriteString(qm::kScriptValue, script);
        reg.WriteString(qm::kIconValue, icon);
        reg.WriteString(qm::kHotIconValue, hot);
        reg.WriteString(qm::kDefaultVisibleValue, "YES");
        reg.WriteString(qm::kMenuTextValue, "Menu text " + Number(n));
        reg.WriteString(qm::kMenuStatusBarValue, "Status bar text of button " + Number(n));
        reg.WriteString(qm::kIsQuillmereValue, "YES");
    }
    reg.CloseKey();

    bench::BenchDialogs dialogs("bench_transfer");
    dialogs.answerYes = true;     // the import shows what it will create and asks
    dialogs.acceptNotices = true; // the export says what it wrote
    bench::BenchHost host(nullptr);
    qm::transfer::ToolBarTransfer transfer(host);
    std::string exportFile = out + "\\buttons.qmx", regFile = out + "\\buttons.reg";

    // The runs of the five jobs take turns, so that a busy moment of the machine falls on
    // all of them alike.
    std::vector<double> exportTimes, regExportTimes, copyTimes, importTimes, regImportTimes;
    for (int run = 0; run < kRuns; ++run) {
        exportTimes.push_back(Time([&] {
            dialogs.chosen = exportFile;
            transfer.ExportToolBarInfo();
        }));
        regExportTimes.push_back(Time([&] {
            if (Run("reg.exe export \"" + std::string(kRegExtensionsKey) + "\" \"" + regFile +
                    "\" /y"))
                Fail("reg export failed");
        }));
        copyTimes.push_back(Time([&] {
            for (const std::string& file : files)
                CopyFileA(file.c_str(), (copies + file.substr(file.rfind('\\'))).c_str(), FALSE);
        }));

        ForgetButtons();
        importTimes.push_back(Time([&] {
            dialogs.chosen = exportFile;
            transfer.ImportToolBarInfo();
        }));
        if (ButtonCount() != kButtons)
            Fail("the import made " + std::to_string(ButtonCount()) + " buttons");
        ForgetButtons();
        regImportTimes.push_back(Time([&] {
            if (Run("reg.exe import \"" + regFile + "\"")) Fail("reg import failed");
        }));
        if (ButtonCount() != kButtons)
            Fail("reg import made " + std::to_string(ButtonCount()) + " buttons");
    }
    ForgetButtons();

    double exportMs = Median(exportTimes), regExportMs = Median(regExportTimes);
    double copyMs = Median(copyTimes), importMs = Median(importTimes);
    double regImportMs = Median(regImportTimes);
    std::printf("%d buttons, each with a script page and two icons; median of %d runs\n", kButtons,
                kRuns);
    std::printf("  export (file + %zu copies)   %8.1f ms\n", files.size(), exportMs);
    std::printf("  reg export                   %8.1f ms\n", regExportMs);
    std::printf("  copying the same files       %8.1f ms\n", copyMs);
    std::printf("  import                       %8.1f ms\n", importMs);
    std::printf("  reg import                   %8.1f ms\n", regImportMs);
    double exportRatio = exportMs / (regExportMs + copyMs), importRatio = importMs / regImportMs;
    auto verdict = [](double ratio) { return ratio <= 1.5 ? "met" : "MISSED"; };
    std::printf("  export / (reg export + copies) = %.2f (target at most 1.5: %s)\n", exportRatio,
                verdict(exportRatio));
    std::printf("  import / reg import            = %.2f (target at most 1.5: %s)\n", importRatio,
                verdict(importRatio));
    return exportRatio <= 1.5 && importRatio <= 1.5 ? 0 : 2;
}
