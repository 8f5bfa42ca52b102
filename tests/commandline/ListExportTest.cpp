// /list and /export from the command line, in this process on the sandboxed registry; and the
// program itself started as a command, as a script starts it, with its output and exit code.
#include "commandline/BuiltProgram.h"
#include "commandline/CommandTest.h"
#include "menuext/MenuRecord.h"
#include "support/MachineViews.h"

namespace {

using namespace qm::cli;

using qmtest::ExpectSays;
using qmtest::PutRaw;
using ListExportTest = qmtest::CommandTest;

// The lines of an output, each ended with CR LF.
std::vector<std::string> Lines(const std::string& out) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < out.size();) {
        size_t end = out.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
        if (end == std::string::npos) end = out.size();
        lines.push_back(out.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

const std::string kButtonsHeader = "Root\tKey\tText\tRuns\tPlace\tKind\tOwn\tVisible";

TEST_F(ListExportTest, ListGivesAHeaderThenEveryListedButtonOfBothRootsOneLineEach) {
    qmtest::PutTexts(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(1)),
                     {{"ButtonText", "Notes"},
                      {"Script", "C:\\q\\notes.htm"},
                      {"IsQuillmere", "YES"},
                      {"Default Visible", "yes"}});
    qmtest::PutTexts(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath("{FOREIGN}"),
                     {{"ButtonText", "Two\tparts\r\nand lines"},
                      {"Exec", "C:\\x.exe"},
                      {"Script", "C:\\not-shown.htm"},
                      {"Default Visible", "YES "}});
    PutRaw(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath("{ODD}"), "ButtonText", REG_DWORD,
           std::string("\1\0\0\0", 4));
    for (REGSAM view : qmtest::kBothViews)
        qmtest::RawPut(HKEY_LOCAL_MACHINE, view, qm::ButtonKeyPath("{BOTH}").substr(1),
                       {{"ButtonText", "Both"}, {"Exec", "http://a.example/"}});
    qmtest::RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, qm::ButtonKeyPath("{WIDE}").substr(1),
                   {{"ButtonText", "Wide"}});
    qmtest::PutText(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::kReservedButtonKey), "ButtonText",
                    "reserved");
    qmtest::PutTexts(
        HKEY_CURRENT_USER, qm::ButtonKeyPath("{MINE}"),
        {{"CLSID", qm::kButtonClsid}, {"ButtonText", "Mine"}, {"Default Visible", "Yes"}});
    qmtest::PutText(HKEY_CURRENT_USER, qm::ButtonKeyPath("{NOCLSID}"), "ButtonText",
                    "not a button");

    ASSERT_EQ(Run({"/list", "/quiet"}), kExitDone) << output.err;
    std::vector<std::string> lines = Lines(output.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), kButtonsHeader);
    lines.erase(lines.begin());
    std::sort(lines.begin(), lines.end());
    // Root, key, text, what it runs, where it lives, what kind, the program's own, visible.
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "HKCU\t{MINE}\tMine\t\tThis user\tnothing\tno\tyes",
                         "HKLM\t{BOTH}\tBoth\thttp://a.example/\tAll users (32- and 64-bit "
                         "browser)\tprogram\tno\tno",
                         "HKLM\t" + qm::ButtonKeyName(1) +
                             "\tNotes\tC:\\q\\notes.htm\tAll users (32-bit browser only)\tscript "
                             "page\tyes\tyes",
                         "HKLM\t{FOREIGN}\tTwo parts  and lines\tC:\\x.exe\tAll users (32-bit "
                         "browser only)\tprogram\tno\tno",
                         "HKLM\t{ODD}\t(Invalid data type for 'ButtonText')\t\tAll users (32-bit "
                         "browser only)\tnothing\tno\tno",
                         "HKLM\t{WIDE}\tWide\t\tAll users (64-bit browser only)\tnothing\tno\tno",
                     }));
    EXPECT_EQ(output.err, "");

    qmtest::RemoveKey(HKEY_LOCAL_MACHINE, qm::kExtensionsKey);
    qmtest::RemoveKey(HKEY_CURRENT_USER, qm::kExtensionsKey);
    ASSERT_EQ(Run({"/list", "/quiet"}), kExitDone);
    EXPECT_EQ(output.out, kButtonsHeader + "\r\n") << "a list without buttons keeps its header";
}

// /list menus: one row per context-menu entry, as seeded and as listed.
struct MenuRow {
    std::string name;
    qmtest::StoredValues values;
    std::string line;
};

TEST_F(ListExportTest, ListMenusGivesAHeaderThenEveryEntryInThePagesOrder) {
    const MenuRow rows[] = {
        {"&Highlight",
         {{"", qmtest::Sz("C:\\s\\hl.htm")},
          {"Contexts", qmtest::Dword(0x22)},
          {"Flags", qmtest::Dword(1)},
          {"IsQuillmere", qmtest::Sz("YES")}},
         "HKCU\t&Highlight\tC:\\s\\hl.htm\t00000022\t1\tyes"},
        {"Odd",
         {{"", qmtest::Sz("C:\\o.htm")}, {"Contexts", qmtest::Sz("63")}},
         "HKCU\tOdd\tC:\\o.htm\t(Invalid data type for 'Contexts')\t\tno"},
        {"Bare", {{"Flags", qmtest::Dword(0xFFFFFFFF)}}, "HKCU\tBare\t\t\t-1\tno"},
        {"Two\tparts", {{"", qmtest::Sz("a\r\nb")}}, "HKCU\tTwo parts\ta  b\t\t\tno"},
    };
    const std::string header = "Root\tName\tRuns\tContexts\tFlags\tOwn";
    qmtest::PutKey(HKEY_CURRENT_USER, qm::kMenuExtKey);
    ASSERT_EQ(Run({"/list", "menus", "/quiet"}), kExitDone) << output.err;
    EXPECT_EQ(output.out, header + "\r\n");

    for (const MenuRow& row : rows)
        qmtest::PutValues(HKEY_CURRENT_USER, qm::MenuKeyPath(row.name), row.values);
    ASSERT_EQ(Run({"/list", "MENUS", "/quiet"}), kExitDone) << output.err;
    std::vector<std::string> expected = {header};
    for (const std::string& name : qmtest::StoredSubKeys(HKEY_CURRENT_USER, qm::kMenuExtKey))
        for (const MenuRow& row : rows)
            if (row.name == name) expected.push_back(row.line);
    EXPECT_EQ(expected.size(), std::size(rows) + 1);
    EXPECT_EQ(Lines(output.out), expected);
    EXPECT_EQ(output.err, "");
}

TEST_F(ListExportTest, ExportWritesTheSameFileAsTheToolsMenuAndAFileThatCannotBeMadeEndsWithTwo) {
    qmtest::PutTexts(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(1)),
                     {{"ButtonText", "Notes"}, {"IsQuillmere", "YES"}});
    std::string file = temp.File("out.qmx");
    ASSERT_EQ(Run({"/export", file, "/quiet"}), kExitDone) << output.err;
    EXPECT_EQ(qmtest::ReadFileBytes(file),
              "buttonstart\r\nButtonText=Notes\r\nIsQuillmere=YES\r\nbuttonend\r\n");
    EXPECT_TRUE(qmtest::FolderExists(temp.File("out_files")));

    CreateDirectoryA(temp.File("taken.qmx").c_str(), nullptr);
    EXPECT_EQ(Run({"/export", temp.File("taken.qmx"), "/quiet"}), kExitFileProblem);
    ExpectSays(output.err,
               "The file \"" + temp.File("taken.qmx") + "\" cannot be written: File access denied");
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(ListExportTest, AButtonTheImportWouldRefuseIsLeftOutAndTheExportSaysItIsPartial) {
    qmtest::PutTexts(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(1)),
                     {{"ButtonText", "Big"},
                      {"MenuStatusBar", std::string(10 * 1024 * 1024, 'x')},
                      {"IsQuillmere", "YES"}});
    qmtest::PutTexts(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(2)),
                     {{"ButtonText", "Small"}, {"IsQuillmere", "YES"}});
    // A text with a lone surrogate would arrive as U+FFFD: it does not travel either.
    std::wstring broken = L"Software\\Microsoft\\Internet Explorer\\Extensions\\{BROKEN}";
    for (auto [name, text] : {std::pair{L"ButtonText", L"Broken"},
                              {L"MenuText", L"half \xD83D"},
                              {L"IsQuillmere", L"YES"}})
        qmtest::PutWideText(HKEY_LOCAL_MACHINE, broken, name, REG_SZ, text, KEY_WOW64_32KEY);
    std::string file = temp.File("set.qmx");
    EXPECT_EQ(Run({"/export", file, "/quiet"}), kExitPartial);
    for (const char* why : {"The button \"Big\" cannot be exported: the value \"MenuStatusBar\" "
                            "is longer than 1 MiB, more than an import takes",
                            "The button \"Broken\" cannot be exported: the value \"MenuText\" "
                            "holds a broken character (a lone UTF-16 surrogate)"})
        ExpectSays(output.err.substr(0, 600), why);
    EXPECT_EQ(qmtest::ReadFileBytes(file),
              "buttonstart\r\nButtonText=Small\r\nIsQuillmere=YES\r\nbuttonend\r\n");
}

TEST_F(ListExportTest, ACompanionFolderThatCannotBeMadeFailsTheExportWhole) {
    qmtest::WriteFileBytes(temp.File("notes.htm"), "page");
    qmtest::PutTexts(
        HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(1)),
        {{"ButtonText", "Notes"}, {"Script", temp.File("notes.htm")}, {"IsQuillmere", "YES"}});
    qmtest::WriteFileBytes(temp.File("set_files"), "a file where the folder would go");
    qmtest::WriteFileBytes(temp.File("set.qmx"), "the previous export");
    const std::vector<std::string> before = qmtest::FilesIn(temp.Path());
    EXPECT_EQ(Run({"/export", temp.File("set.qmx"), "/quiet"}), kExitFileProblem);
    ExpectSays(output.err, "The folder \"" + temp.File("set_files") +
                               "\" cannot be made: A file of that name is already there");
    EXPECT_EQ(qmtest::FilesIn(temp.Path()), before);
    EXPECT_EQ(qmtest::ReadFileBytes(temp.File("set.qmx")), "the previous export");
}

// --- the program itself, started as a command ---

using qmtest::ProcessResult;
using qmtest::RunProgram;

TEST(ProgramAsCommandTest, TheProgramWritesToItsRedirectedOutputAndEndsWithTheExitCode) {
    ProcessResult help = RunProgram("/?");
    EXPECT_EQ(help.exitCode, DWORD(kExitDone));
    EXPECT_EQ(help.output, UsageText());

    ProcessResult wrong = RunProgram("/bogus /quiet");
    EXPECT_EQ(wrong.exitCode, DWORD(kExitBadArguments));
    ExpectSays(wrong.output, "Error: Unknown switch /bogus\r\n");

    ProcessResult missing = RunProgram("/import Z:\\no\\such\\file.qmx /quiet");
    EXPECT_EQ(missing.exitCode, DWORD(kExitFileProblem));
    ExpectSays(missing.output, "cannot be read");

    // The started program sees the test prefix's real registry, not a sandbox: keys of the
    // test's own, a user's and a machine-wide one, removed afterwards.
    const std::string key = "Software\\Microsoft\\Internet Explorer\\Extensions\\{QM-COMMAND-TEST}";
    const std::string machineKey =
        "Software\\Microsoft\\Internet Explorer\\Extensions\\{QM-COMMAND-MACHINE}";
    qmtest::PutTexts(
        HKEY_CURRENT_USER, key,
        {{"CLSID", qm::kButtonClsid}, {"ButtonText", "Started"}, {"Exec", "C:\\started.exe"}});
    for (REGSAM view : qmtest::kBothViews)
        qmtest::RawPut(HKEY_LOCAL_MACHINE, view, machineKey, {{"ButtonText", "Everyone's"}});
    ProcessResult list = RunProgram("/LIST /quiet");
    qmtest::RemoveKey(HKEY_CURRENT_USER, key);
    qmtest::RemoveKey(HKEY_LOCAL_MACHINE, machineKey);
    EXPECT_EQ(list.exitCode, DWORD(kExitDone));
    const size_t userLine =
        list.output.find("\r\nHKCU\t{QM-COMMAND-TEST}\tStarted\tC:\\started.exe\tThis user\t");
    const size_t machineLine = list.output.find("HKLM\t{QM-COMMAND-MACHINE}\tEveryone's\t");
    ASSERT_NE(userLine, std::string::npos) << list.output;
    ASSERT_NE(machineLine, std::string::npos) << list.output;
    // The user's buttons first, as the button page's strip shows them.
    EXPECT_LT(userLine, machineLine) << list.output;
}

TEST(ProgramAsCommandTest, ALogThatIsTheDataFileADeviceOrAFolderIsRefusedInWords) {
    qmtest::TempFolder temp;
    std::string data = temp.File("deployment set.qmx");
    qmtest::WriteFileBytes(data, "keep me");
    char shortData[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA(data.c_str(), shortData, MAX_PATH), 0u);
    std::string upper = temp.Path() + "\\sub\\..\\DEPLOYMENT SET.QMX";
    struct Row {
        std::string arguments, message;
    };
    const Row rows[] = {
        {"/import \"" + data + "\" /log \"" + data + "\"", "is the command's own file"},
        {"/import \"" + data + "\" /log " + shortData, "is the command's own file"},
        {"/export \"" + data + "\" /log \"" + upper + "\"", "is the command's own file"},
        {"/export-gpo \"" + data + "\" /log \"" + data + ". \"", "is the command's own file"},
        {"/list /log CON", "The log file \"CON\" names the device CON, not a file"},
        {"/list /log \"" + temp.File("nul.txt") + "\"", "names the device nul, not a file"},
        {"/list /log \"" + temp.Path() + "\"", "is a folder, not a file"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        ProcessResult result = RunProgram(row.arguments + " /quiet");
        EXPECT_EQ(result.exitCode, DWORD(kExitBadArguments));
        ExpectSays(result.output, row.message);
        EXPECT_EQ(qmtest::ReadFileBytes(data), "keep me");
        EXPECT_EQ(qmtest::FilesIn(temp.Path()), std::vector<std::string>{"deployment set.qmx"});
    }
}

// The box a process shows, with its text: the first dialog window of that process, waited for.
HWND BoxOf(DWORD processId, std::string& text) {
    struct Search {
        DWORD processId;
        HWND box = nullptr;
    } search{processId};
    for (int tries = 0; tries < 400 && !search.box; ++tries) {
        EnumWindows(
            [](HWND window, LPARAM context) -> BOOL {
                auto* search = reinterpret_cast<Search*>(context);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                char kind[16] = {};
                GetClassNameA(window, kind, sizeof kind);
                if (owner != search->processId || std::string(kind) != "#32770" ||
                    !IsWindowVisible(window))
                    return TRUE;
                search->box = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (!search.box) Sleep(50);
    }
    text.clear();
    if (!search.box) return nullptr;
    // The message is the box's longest static text.
    EnumChildWindows(
        search.box,
        [](HWND child, LPARAM context) -> BOOL {
            auto* longest = reinterpret_cast<std::string*>(context);
            std::string shown(GetWindowTextLengthA(child) + 1, '\0');
            shown.resize(GetWindowTextA(child, shown.data(), static_cast<int>(shown.size())));
            if (shown.size() > longest->size()) *longest = shown;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return search.box;
}

TEST(ProgramAsCommandTest, UsageStartedWithoutAConsoleShowsInABoxWithTheConsolesText) {
    // As from a shortcut: no standard handles, and no console of the starting program to attach to.
    std::string program = qmtest::BuiltProgram();
    FreeConsole();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + program + "\" /?";
    ASSERT_TRUE(CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                               DETACHED_PROCESS, nullptr, nullptr, &startup, &process))
        << GetLastError();
    std::string text;
    HWND box = BoxOf(process.dwProcessId, text);
    if (box) PostMessageA(box, WM_COMMAND, IDOK, 0);
    bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(process.hProcess, 99);
    DWORD exitCode = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    ASSERT_NE(box, nullptr) << "no box showed the usage";
    EXPECT_EQ(text, UsageText());
    EXPECT_TRUE(ended);
    EXPECT_EQ(exitCode, DWORD(kExitDone));
}

} // namespace
