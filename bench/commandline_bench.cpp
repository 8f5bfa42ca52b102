// The command line against what the platform offers for the same job, each started as a
// process: "quillmere /import" of 99 toolbar buttons against "reg import" of the same keys (in
// both registry views, as the import writes them) as a .reg file, and "quillmere /list" of 400
// buttons against "reg query /s" of the same keys, measured in turns.
//
// It writes machine-wide keys of its own below the browser's Extensions key and removes them
// at the end; bench/run gives it a throw-away Wine prefix.
#include "buttons/ButtonRecord.h"

#include "BenchSupport.h"
#include "support/TempFolder.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kImportButtons = 99;
constexpr int kListButtons = 400;
constexpr int kRounds = 7;
constexpr double kImportTarget = 1.3;
constexpr double kListTarget = 1.0;
// The machine-wide Extensions key as a 64-bit reg.exe sees the program's 32-bit view of it,
// and the same key in the 64-bit view.
constexpr char kRegExtensionsKey[] =
    "HKLM\\Software\\Wow6432Node\\Microsoft\\Internet Explorer\\Extensions";
constexpr char kRegExtensionsKey64[] = "HKLM\\Software\\Microsoft\\Internet Explorer\\Extensions";

[[noreturn]] void Fail(const std::string& what) { bench::Fail("bench_commandline", what); }
DWORD Run(const std::string& commandLine) { return bench::Run("bench_commandline", commandLine); }
using bench::ButtonCount;
using bench::ForgetButtons;

std::string Number(int n, int width) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%0*d", width, n);
    return digits;
}

// The pages and icons the buttons name, so that an export takes them along (an export whose
// buttons name missing files ends with its own exit code).
void MakeFiles(int count) {
    CreateDirectoryA("C:\\Pages", nullptr);
    for (int n = 1; n <= count; ++n)
        for (const std::string& name :
             {"page" + Number(n, 3) + ".htm", "icon" + Number(n, 3) + ".ico",
              "hot" + Number(n, 3) + ".ico"}) {
            HANDLE file = CreateFileA(("C:\\Pages\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) Fail("cannot write C:\\Pages\\" + name);
            DWORD written = 0;
            WriteFile(file, name.data(), static_cast<DWORD>(name.size()), &written, nullptr);
            CloseHandle(file);
        }
}

void MakeButtons(int count, bool marked) {
    MakeFiles(count);
    for (int n = 1; n <= count; ++n) {
        qmtest::RawStrings values = {
            {qm::kClsidValue, qm::kButtonClsid},
            {qm::kButtonTextValue, "Button " + Number(n, 3)},
            {qm::kScriptValue, "C:\\Pages\\page" + Number(n, 3) + ".htm"},
            {qm::kIconValue, "C:\\Pages\\icon" + Number(n, 3) + ".ico"},
            {qm::kHotIconValue, "C:\\Pages\\hot" + Number(n, 3) + ".ico"},
            {qm::kDefaultVisibleValue, "YES"},
            {qm::kMenuTextValue, "Menu text " + Number(n, 3)},
            {qm::kMenuStatusBarValue, "Status bar text of button " + Number(n, 3)}};
        if (marked) values[qm::kIsQuillmereValue] = "YES";
        bench::PutRecord(HKEY_LOCAL_MACHINE,
                         "{0B5E1C00-0000-4000-8000-00000000" + Number(n, 4) + "}", values);
    }
    if (ButtonCount() != static_cast<size_t>(count)) Fail("the buttons could not be made");
}

// One .reg file with the keys of both: the second's own header line is left out. reg export
// writes UTF-16 (with a byte-order mark) or, in the old format, ANSI text.
void JoinRegFiles(const std::string& first, const std::string& second, const std::string& joined) {
    std::string head = qmtest::ReadFileBytes(first), tail = qmtest::ReadFileBytes(second);
    bool wide = tail.rfind("\xFF\xFE", 0) == 0;
    const std::string lineEnd = wide ? std::string("\r\0\n\0", 4) : std::string("\r\n");
    size_t body = tail.find(lineEnd);
    // In UTF-16 a line end starts at an even offset.
    while (wide && body != std::string::npos && body % 2) body = tail.find(lineEnd, body + 1);
    if (body == std::string::npos) Fail("no header line in " + second);
    qmtest::WriteFileBytes(joined, head + tail.substr(body + lineEnd.size()));
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
    std::string regFile32 = work + "\\buttons32.reg", regFile64 = work + "\\buttons64.reg";

    // 99 marked buttons exported by the program, and the same keys, as the program makes them
    // on import in both registry views, as one .reg file joined from the two views' exports.
    ForgetButtons();
    MakeButtons(kImportButtons, true);
    if (Run(program + " /export \"" + exportFile + "\" /quiet")) Fail("/export failed");
    ForgetButtons();
    if (Run(program + " /import \"" + exportFile + "\" /quiet")) Fail("/import failed");
    if (Run("reg.exe export \"" + std::string(kRegExtensionsKey) + "\" \"" + regFile32 + "\" /y") ||
        Run("reg.exe export \"" + std::string(kRegExtensionsKey64) + "\" \"" + regFile64 + "\" /y"))
        Fail("reg export failed");
    JoinRegFiles(regFile32, regFile64, regFile);
    auto expectBothViews = [](const char* what) {
        size_t made32 = ButtonCount(), made64 = ButtonCount(KEY_WOW64_64KEY);
        if (made32 != kImportButtons || made64 != kImportButtons)
            Fail(std::string(what) + " made " + std::to_string(made32) + " and " +
                 std::to_string(made64) + " buttons in the two views");
    };
    expectBothViews("/import");

    bench::Figures figures("bench_commandline");
    std::printf("each started as a process; minimum of %d rounds\n", kRounds);
    const bench::Timings imported = bench::TimeInTurns(
        kRounds,
        [&] {
            if (Run(program + " /import \"" + exportFile + "\" /quiet")) Fail("/import failed");
            expectBothViews("/import");
        },
        [&] {
            if (Run("reg.exe import \"" + regFile + "\"")) Fail("reg import failed");
            expectBothViews("reg import");
        },
        ForgetButtons);
    bool met = figures.Compare("/import / reg import of both views", kImportButtons, imported,
                               kImportTarget);
    // What starting each program costs before it does anything, for the note beside the ratio.
    const bench::Timings started = bench::TimeInTurns(
        kRounds, [&] { Run(program + " /?"); }, [&] { Run("reg.exe /?"); });
    figures.Tell("starting quillmere /? (ms)", 0, bench::Minimum(started.job), "ms");
    figures.Tell("starting reg /? (ms)", 0, bench::Minimum(started.baseline), "ms");

    ForgetButtons();
    MakeButtons(kListButtons, false);
    const bench::Timings listed = bench::TimeInTurns(
        kRounds,
        [&] {
            if (Run(program + " /list /quiet")) Fail("/list failed");
        },
        [&] {
            if (Run("reg.exe query \"" + std::string(kRegExtensionsKey) + "\" /s"))
                Fail("reg query failed");
        });
    met &= figures.Compare("/list / reg query /s", kListButtons, listed, kListTarget);
    ForgetButtons();
    return met ? 0 : 2;
}
