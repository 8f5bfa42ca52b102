// Buttons carried from one machine to another by /export and /import, with two registry
// sandboxes standing for the two machines and the set moved to another folder in between (the
// source's own files gone). Each row is one button with one file value: a module of Windows'
// own folders arrives pointing at the target's module of that name, a file of its own arrives
// in the companion folder, and a file that could not go is named by the export (exit code 8)
// and again by the import.
#include "app/CommandLine.h"
#include "app/CommandRun.h"
#include "buttons/ButtonRecord.h"

#include "commandline/CapturedOutput.h"
#include "commandline/CommandTest.h"
#include "support/ProgramTest.h"
#include "support/RawRegistry.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace qm::cli;

using qmtest::CapturedOutput;

enum class Arrives {
    FromSystem, // names the target's module of that name, in a system folder
    InFolder,   // names the copy in the companion folder, with the source file's bytes
    NotTaken,   // the export names it with the reason, the import names it as missing
};

struct FileRow {
    const char* text;   // the button's text
    const char* value;  // Script, Icon or HotIcon
    const char* data;   // {src}, {sys} and {win} stand for the source, system and Windows folders
    const char* suffix; // what follows the file's path in the value
    Arrives arrives;
    const char* why = "";    // NotTaken: the reason the export gives
    const char* module = ""; // FromSystem: the module's name
};

const FileRow kRows[] = {
    {"Notepad", "Icon", "{win}\\notepad.exe,0", ",0", Arrives::FromSystem, "", "notepad.exe"},
    {"Shell", "HotIcon", "{sys}\\shell32.dll,-152", ",-152", Arrives::FromSystem, "",
     "shell32.dll"},
    {"Bare", "Icon", "shell32.dll,4", ",4", Arrives::FromSystem, "", "shell32.dll"},
    {"Page", "Script", "{src}\\notes.htm", "", Arrives::InFolder},
    {"Tool", "Icon", "{src}\\tool.dll,3", ",3", Arrives::InFolder},
    {"Namesake", "HotIcon", "{src}\\shell32.dll,1", ",1", Arrives::InFolder},
    {"Gone", "HotIcon", "{src}\\gone.ico", "", Arrives::NotTaken, "is not there"},
    {"Folder", "Script", "{src}\\pages", "", Arrives::NotTaken, "is no plain file"},
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string Folder(UINT(WINAPI* get)(LPSTR, UINT)) {
    char folder[MAX_PATH] = {};
    return std::string(folder, get(folder, MAX_PATH));
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

class ModuleRoundTripTest : public ::testing::Test {
protected:
    qmtest::ScriptedDialogs dialogs;
    qmtest::TempFolder temp;
    qmtest::HistoryFolder history{temp.Path() + "\\history"};
    CapturedOutput output;
    const std::string src = temp.File("src");
    const std::string sys = Folder(GetSystemDirectoryA);
    const std::string win = Folder(GetWindowsDirectoryA);

    int Run(std::vector<std::string> args) {
        output = {};
        return RunCommand(ParseCommandLine(args), output);
    }
    std::string Data(const FileRow& row) const {
        return Replace(Replace(Replace(row.data, "{src}", src), "{sys}", sys), "{win}", win);
    }
    // The source machine: its own files, and one machine-wide button of the program per row.
    void SeedSource() {
        CreateDirectoryA(src.c_str(), nullptr);
        CreateDirectoryA((src + "\\pages").c_str(), nullptr);
        qmtest::WriteFileBytes(src + "\\notes.htm", "the page");
        qmtest::WriteFileBytes(src + "\\tool.dll", "a library of its own");
        qmtest::WriteFileBytes(src + "\\shell32.dll", "not the system's library");
        int n = 0;
        for (const FileRow& row : kRows)
            qmtest::PutValues(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(++n)),
                              {{"ButtonText", qmtest::Sz(row.text)},
                               {row.value, qmtest::Sz(Data(row))},
                               {"IsQuillmere", qmtest::Sz("YES")}});
    }
    // What the source's bytes of a file of its own were.
    static std::string SourceBytes(const FileRow& row) {
        const std::string data = row.data;
        if (data.find("notes.htm") != std::string::npos) return "the page";
        if (data.find("tool.dll") != std::string::npos) return "a library of its own";
        return "not the system's library";
    }
};

TEST_F(ModuleRoundTripTest, SystemModulesArriveFromTheTargetAndFilesThatCouldNotGoAreNamed) {
    const std::string exported = temp.File("out\\set.qmx");
    {
        qmtest::RegistrySandbox sourceMachine;
        SeedSource();
        EXPECT_EQ(Run({"/export", exported, "/quiet"}), kExitFilesLeft) << output.err;
        for (const FileRow& row : kRows) {
            const std::string named = "The button \"" + std::string(row.text) + "\": " + row.value +
                                      " names \"" + Data(row) + "\", which " + row.why;
            EXPECT_EQ(output.err.find(named) != std::string::npos, row.arrives == Arrives::NotTaken)
                << row.text << "\n"
                << output.err;
        }
        // A system module travels by its name alone: none is copied.
        for (const char* module : {"notepad.exe", "shell32.dll"})
            EXPECT_FALSE(qmtest::FileExists(temp.File("out\\set_files\\") + module)) << module;
    }

    // The set goes to the other machine in another folder; the source's files stay behind.
    CreateDirectoryA(temp.File("usb").c_str(), nullptr);
    ASSERT_TRUE(MoveFileA(exported.c_str(), temp.File("usb\\set.qmx").c_str()));
    ASSERT_TRUE(
        MoveFileA(temp.File("out\\set_files").c_str(), temp.File("usb\\set_files").c_str()));
    for (const char* file : {"notes.htm", "tool.dll", "shell32.dll"})
        DeleteFileA((src + "\\" + file).c_str());
    const std::string folder = temp.File("usb\\set_files");

    qmtest::RegistrySandbox targetMachine;
    ASSERT_EQ(Run({"/import", temp.File("usb\\set.qmx"), "/quiet"}), kExitDone) << output.err;
    std::map<std::string, std::string> arrived; // button text to the file value's text
    for (const std::string& key : qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey)) {
        auto texts = qmtest::StoredTexts(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(key));
        ASSERT_TRUE(texts);
        for (const FileRow& row : kRows)
            if ((*texts)["ButtonText"] == row.text) arrived[row.text] = (*texts)[row.value];
    }
    for (const FileRow& row : kRows) {
        SCOPED_TRACE(row.text);
        ASSERT_TRUE(arrived.count(row.text));
        const std::string& value = arrived[row.text];
        ASSERT_TRUE(value.ends_with(row.suffix)) << value;
        const std::string file = value.substr(0, value.size() - std::string(row.suffix).size());
        const std::string where = Lower(file.substr(0, file.find_last_of('\\')));
        const bool missingSaid =
            output.out.find("The button \"" + std::string(row.text) + "\": " + row.value +
                            " names \"" + value + "\", which did not come") != std::string::npos;
        EXPECT_EQ(missingSaid, row.arrives == Arrives::NotTaken) << output.out;
        switch (row.arrives) {
        case Arrives::FromSystem:
            EXPECT_TRUE(where == Lower(sys) || where == Lower(win)) << value;
            EXPECT_EQ(Lower(file.substr(file.find_last_of('\\') + 1)), row.module) << value;
            EXPECT_TRUE(qmtest::FileExists(file)) << value;
            break;
        case Arrives::InFolder:
            EXPECT_EQ(where, Lower(folder)) << value;
            EXPECT_EQ(qmtest::ReadFileBytes(file), SourceBytes(row)) << value;
            break;
        case Arrives::NotTaken:
            EXPECT_EQ(where, Lower(folder)) << value;
            EXPECT_FALSE(qmtest::FileExists(file)) << value;
            break;
        }
    }
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(ModuleRoundTripTest, OnlyAnIconIsLookedForAmongTheSystemsModules) {
    // A script page that names a program of the system's folders would have the browser open it.
    qmtest::RegistrySandbox machine;
    qmtest::WriteFileBytes(temp.File("set.qmx"), "buttonstart\r\nButtonText=Pad\r\n"
                                                 "Icon=notepad.exe,0\r\nScript=notepad.exe\r\n"
                                                 "buttonend\r\n");
    ASSERT_EQ(Run({"/import", temp.File("set.qmx"), "/quiet"}), kExitDone) << output.err;
    const std::string key = qm::ButtonKeyPath(qm::ButtonKeyName(1));
    const std::string script = temp.File("set_files\\notepad.exe");
    EXPECT_EQ(qmtest::StoredText(HKEY_LOCAL_MACHINE, key, "Script"), script);
    qmtest::ExpectSays(output.out, "The button \"Pad\": Script names \"" + script + "\"");
    const std::string icon = *qmtest::StoredText(HKEY_LOCAL_MACHINE, key, "Icon");
    EXPECT_TRUE(icon.ends_with("\\notepad.exe,0") &&
                qmtest::FileExists(icon.substr(0, icon.size() - 2)))
        << icon;
    EXPECT_EQ(output.out.find("Icon names"), std::string::npos) << output.out;
}

TEST_F(ModuleRoundTripTest, TheGroupPolicyExportFollowsTheSameRule) {
    qmtest::RegistrySandbox machine;
    SeedSource();
    const std::string files = temp.File("gpo files");
    EXPECT_EQ(Run({"/export-gpo", temp.File("set.xml"), "/files", files, "/quiet"}), kExitFilesLeft)
        << output.err;
    const std::string xml = qmtest::ReadFileBytes(temp.File("set.xml"));
    for (const FileRow& row : kRows) {
        SCOPED_TRACE(row.text);
        const bool named =
            output.err.find("The button \"" + std::string(row.text) + "\": " + row.value +
                            " names \"" + Data(row) + "\", which " + row.why) != std::string::npos;
        EXPECT_EQ(named, row.arrives == Arrives::NotTaken) << output.err;
        // A system module, and a file that could not go, keep their values; the others point
        // into the files folder with the icon number after the copy's name.
        const bool kept = xml.find("value=\"" + Data(row) + "\"") != std::string::npos;
        EXPECT_EQ(kept, row.arrives != Arrives::InFolder);
        if (row.arrives == Arrives::InFolder) {
            const std::string data = Data(row);
            qmtest::ExpectSays(xml, "value=\"" + files + data.substr(data.rfind('\\')) + "\"");
        }
    }
    // The page, the library of its own and its namesake; no module of the system.
    EXPECT_EQ(qmtest::FilesIn(files),
              (std::vector<std::string>{"notes.htm", "shell32.dll", "tool.dll"}));
}

} // namespace
