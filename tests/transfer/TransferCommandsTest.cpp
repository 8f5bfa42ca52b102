// The Tools menu's export and import, run as the user runs them: through the file dialogs
// (scripted), on the sandboxed registry, with real files in a temporary folder.
#include "transfer/TransferCommands.h"

#include "transfer/ExportFile.h"
#include "ui/Window.h"

#include "support/ProgramTest.h"
#include "support/MachineViews.h"
#include "support/RawRegistry.h"
#include "support/TestPageHost.h"

#include <gtest/gtest.h>

#include <psapi.h>

#include <algorithm>
#include <map>

namespace {

using namespace qm::transfer;
using qm::RegistryAccessor;
using qmtest::ReadFileBytes;
using qmtest::Shown;
using qmtest::Sz;
using qmtest::WriteFileBytes;
using Stored = qmtest::StoredValues;

std::string Button(int n) { return qm::ButtonKeyName(n); }
std::string ButtonPath(const std::string& keyName) { return qm::ButtonKeyPath(keyName); }
void MakeKey(HKEY root, const std::string& path, const Stored& values,
             std::source_location where = std::source_location::current()) {
    qmtest::PutValues(root, path, values, where);
}
// A key's values in enumeration order (nullopt when it is missing), and its sub-keys.
constexpr auto& ReadKey = qmtest::StoredValuesOf;
constexpr auto& SubKeys = qmtest::StoredSubKeys;
// The machine-wide button numbered n, as ReadKey.
std::optional<Stored> MachineButton(int n) {
    return ReadKey(HKEY_LOCAL_MACHINE, ButtonPath(Button(n)));
}

using qmtest::FilesIn;

// Every file below folder, by its path below it, with its bytes; folders end in "\\".
std::map<std::string, std::string> Tree(const std::string& folder, const std::string& below = "") {
    std::map<std::string, std::string> tree;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + below + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return tree;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[below + name + "\\"] = "";
            tree.merge(Tree(folder, below + name + "\\"));
        } else {
            tree[below + name] = ReadFileBytes(folder + "\\" + below + name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return tree;
}

using Entries = std::vector<std::pair<std::string, std::string>>;
// The own record's entries, as (value name, data).
Entries OwnRecord() {
    Entries entries;
    if (auto values = ReadKey(HKEY_CURRENT_USER, qm::kOwnRecordKey))
        for (const auto& [name, value] : *values)
            entries.emplace_back(name, value.bytes.substr(0, value.bytes.find('\0')));
    return entries;
}
// The entries that record the buttons numbered ns as the program's own.
Entries OwnEntries(std::vector<int> ns) {
    Entries entries;
    for (int n : ns)
        entries.emplace_back((n < 10 ? "StdBtn0" : "StdBtn") + std::to_string(n), Button(n));
    return entries;
}

std::string SystemFolder() {
    char folder[MAX_PATH] = {};
    return std::string(folder, GetSystemDirectoryA(folder, MAX_PATH));
}

class TransferTest : public qmtest::ProgramTest {
protected:
    qmtest::TestPageHost host;
    int rebuilds = 0;
    ToolBarTransfer transfer{host, [this] { ++rebuilds; }};

    // Runs a command on the chosen file; a non-empty error is the standard error box expected.
    // A finished export says so (its words are checked on their own below); one that left
    // buttons out says which in an error box instead.
    std::string Export(const std::string& path, const std::string& error = {}) {
        dialogs.AnswerFileDialog(path);
        if (error.empty())
            dialogs.ExpectInformation();
        else
            dialogs.ExpectApplicationError(error);
        transfer.ExportToolBarInfo();
        return ReadFileBytes(path);
    }
    // The import shows what the file will create and is answered OK, with the buttons it
    // proposes and its files left where they are; a file that cannot be read or is no export
    // file is refused before that preview (asks false).
    void Import(const std::string& path, const std::string& error = {}, bool asks = true) {
        dialogs.AnswerFileDialog(path);
        if (asks) dialogs.AnswerRows(qmtest::RowsAnswer().Copy(false));
        if (!error.empty()) dialogs.ExpectApplicationError(error);
        transfer.ImportToolBarInfo();
    }
    static void ForgetAllButtons() {
        qmtest::RemoveKey(HKEY_LOCAL_MACHINE, qm::kExtensionsKey);
        qmtest::RemoveKey(HKEY_CURRENT_USER, qm::kOwnRecordKey);
    }
    // A marked machine-wide button.
    static void MakeOwnButton(const std::string& keyName, Stored values) {
        values.emplace_back("IsQuillmere", Sz("YES"));
        MakeKey(HKEY_LOCAL_MACHINE, ButtonPath(keyName), values);
    }
};

TEST_F(TransferTest, DialogsOfferExportFilesAndCancellingChangesNothing) {
    MakeOwnButton("{A}", {{"ButtonText", Sz("A")}});
    dialogs.AnswerFileDialog(std::nullopt);
    transfer.ExportToolBarInfo();
    dialogs.AnswerFileDialog(std::nullopt);
    transfer.ImportToolBarInfo();

    auto shown = dialogs.ShownOf(Shown::FileDialog);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].fileKind, qm::ui::FileDialogKind::Save);
    EXPECT_EQ(shown[0].file.options,
              DWORD(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING));
    EXPECT_EQ(shown[1].fileKind, qm::ui::FileDialogKind::Open);
    EXPECT_EQ(shown[1].file.options,
              DWORD(OFN_HIDEREADONLY | OFN_ENABLESIZING)); // missing names too
    for (const auto& record : shown) {
        EXPECT_EQ(record.file.filter, "Quillmere export files (*.qmx)|*.qmx");
        EXPECT_EQ(record.file.defaultExt, "qmx");
        EXPECT_EQ(record.file.initialDir, qm::ui::ProgramFolder());
        EXPECT_EQ(record.file.fileName, "");
        EXPECT_EQ(record.file.title, "");
    }
    EXPECT_TRUE(FilesIn(temp.Path()).empty());
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey), std::vector<std::string>{"{A}"});
    EXPECT_FALSE(ReadKey(HKEY_CURRENT_USER, qm::kOwnRecordKey));
    EXPECT_EQ(rebuilds, 0);

    // Each dialog proposes the name last chosen in it.
    Export(temp.File("first.qmx"));
    Import(temp.File("first.qmx"));
    dialogs.AnswerFileDialog(std::nullopt);
    transfer.ExportToolBarInfo();
    dialogs.AnswerFileDialog(std::nullopt);
    transfer.ImportToolBarInfo();
    shown = dialogs.ShownOf(Shown::FileDialog);
    ASSERT_EQ(shown.size(), 6u);
    EXPECT_EQ(shown[4].file.fileName, temp.File("first.qmx"));
    EXPECT_EQ(shown[5].file.fileName, temp.File("first.qmx"));
}

TEST_F(TransferTest, ExportWritesMarkedMachineButtonsLastEnumeratedFirstWithTheirFiles) {
    std::string source = temp.File("src");
    CreateDirectoryA(source.c_str(), nullptr);
    WriteFileBytes(source + "\\a.htm", "<html>a</html>");
    WriteFileBytes(source + "\\a.ico", std::string("\0\0\1\0icon", 8));
    MakeOwnButton("{AAA}", {{"ButtonText", Sz("A")},
                            {"Script", Sz(source + "\\a.htm")},
                            {"Icon", Sz(source + "\\a.ico")},
                            {"HotIcon", {REG_EXPAND_SZ, source + "\\a.ico" + '\0'}}});
    MakeOwnButton("{BBB}",
                  {{"ButtonText", Sz("B")}, {"Icon", Sz("C:\\windows\\system32\\shell32.dll,4")}});
    MakeKey(HKEY_LOCAL_MACHINE, ButtonPath("{CCC}"), {{"ButtonText", Sz("not ours")}});
    MakeOwnButton(qm::kReservedButtonKey, {{"ButtonText", Sz("reserved")}});
    MakeKey(HKEY_CURRENT_USER, ButtonPath("{DDD}"),
            {{"ButtonText", Sz("user's")},
             {"CLSID", Sz(qm::kButtonClsid)},
             {"IsQuillmere", Sz("YES")}});

    std::string bytes = Export(temp.File("my.set.qmx"));
    EXPECT_EQ(
        bytes,
        "buttonstart\r\nButtonText=B\r\nIcon=shell32.dll,4\r\nIsQuillmere=YES\r\nbuttonend\r\n"
        "buttonstart\r\nButtonText=A\r\nHotIcon=a.ico\r\nIcon=a.ico\r\nIsQuillmere=YES\r\n"
        "Script=a.htm\r\nbuttonend\r\n");
    std::string folder = temp.File("my_files");
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"a.htm", "a.ico"}));
    EXPECT_EQ(ReadFileBytes(folder + "\\a.ico"), std::string("\0\0\1\0icon", 8));
    EXPECT_EQ(ReadFileBytes(folder + "\\a.htm"), "<html>a</html>");
    EXPECT_TRUE(dialogs.ShownOf(Shown::ApplicationError).empty());
}

TEST_F(TransferTest, ExportWithoutMarkedButtonsGivesAnEmptyFileAndAnEmptyFolder) {
    MakeKey(HKEY_LOCAL_MACHINE, ButtonPath("{CCC}"), {{"ButtonText", Sz("not ours")}});
    MakeKey(HKEY_CURRENT_USER, ButtonPath("{DDD}"),
            {{"CLSID", Sz(qm::kButtonClsid)}, {"IsQuillmere", Sz("YES")}});
    // An earlier, longer export in the same place is replaced, not appended to.
    WriteFileBytes(temp.File("none.qmx"), "buttonstart\r\nA=1\r\nbuttonend\r\n");
    EXPECT_EQ(Export(temp.File("none.qmx")), "");
    EXPECT_TRUE(qmtest::FileExists(temp.File("none.qmx")));
    EXPECT_TRUE(qmtest::FolderExists(temp.File("none_files")));
    EXPECT_TRUE(FilesIn(temp.File("none_files")).empty());

    ForgetAllButtons();                                     // no Extensions key at all
    EXPECT_EQ(Export(temp.File("deep\\er\\none.qmx")), ""); // missing folders are made
    EXPECT_TRUE(qmtest::FolderExists(temp.File("deep\\er\\none_files")));
}

TEST_F(TransferTest, AFinishedExportSaysHowManyButtonsWentToWhichFile) {
    const struct {
        int buttons;
        std::string says; // after the file's name
    } rows[] = {
        {0, "\": Quillmere has made no machine-wide button on this computer."},
        {1, "\"."},
        {3, "\"."},
    };
    for (const auto& row : rows) {
        ForgetAllButtons();
        for (int n = 0; n < row.buttons; ++n)
            MakeOwnButton("{N" + std::to_string(n) + "}", {{"ButtonText", Sz("b")}});
        MakeKey(HKEY_LOCAL_MACHINE, ButtonPath("{THEIRS}"), {{"ButtonText", Sz("not ours")}});
        const std::string file = temp.File("count" + std::to_string(row.buttons) + ".qmx");
        const std::string count = row.buttons == 0   ? "no buttons"
                                  : row.buttons == 1 ? "1 button"
                                                     : std::to_string(row.buttons) + " buttons";
        dialogs.AnswerFileDialog(file);
        dialogs.ExpectInformation("Exported " + count + " to \"" + file + row.says);
        transfer.ExportToolBarInfo();
        EXPECT_EQ(dialogs.PendingAnswers(), 0u) << row.buttons << " buttons";
        EXPECT_EQ(dialogs.Shown().back().owner, host.MainWindow());
    }
    EXPECT_TRUE(dialogs.ShownOf(Shown::ApplicationError).empty());
}

TEST_F(TransferTest, TheExportMessageNamesTheFilesItCouldNotTake) {
    CreateDirectoryA(temp.File("pages").c_str(), nullptr);
    MakeOwnButton("{AAA}", {{"ButtonText", Sz("A")},
                            {"Icon", Sz(temp.File("gone.ico"))},
                            {"Script", Sz(temp.File("pages"))}});
    const std::string file = temp.File("files.qmx");
    EXPECT_EQ(Export(file, "Exported 1 button to \"" + file +
                               "\".\n2 files that the buttons name were not exported with them; "
                               "on another computer those buttons show the error icon or open "
                               "nothing there:\nThe button \"A\": Icon names \"" +
                               temp.File("gone.ico") +
                               "\", which is not there\nThe button \"A\": Script names \"" +
                               temp.File("pages") +
                               "\", which is no plain file (a folder, a device or no path at "
                               "all)"),
              "buttonstart\r\nButtonText=A\r\nIcon=gone.ico\r\nIsQuillmere=YES\r\nScript="
              "pages\r\nbuttonend\r\n");
}

TEST_F(TransferTest, ImportMakesNewButtonsFrom01WithFilesInTheCompanionFolder) {
    std::string move = temp.File("Move");
    CreateDirectoryA(move.c_str(), nullptr);
    WriteFileBytes(
        move + "\\set.qmx",
        "buttonstart\r\nCLSID={1FBA04EE-3024-11d2-8F1F-0000F87ABD16}\r\nButtonText=Notes\r\n"
        "Icon=a.ico\r\nHotIcon=shell32.dll,4\r\nScript=\r\nOdd=x=y\r\nIsQuillmere=YES\r\n"
        "buttonend\r\nbuttonstart\r\nButtonText=Second\r\nbuttonend\r\n");
    Import(move + "\\set.qmx");

    std::string folder = move + "\\set_files";
    auto first = MachineButton(1);
    ASSERT_TRUE(first);
    Stored expected = {{"ButtonText", Sz("Notes")},
                       {"CLSID", Sz("{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}")},
                       // A module of the system's folders did not travel: this machine's.
                       {"HotIcon", Sz(SystemFolder() + "\\shell32.dll,4")},
                       {"Icon", Sz(folder + "\\a.ico")},
                       {"IsQuillmere", Sz("YES")},
                       {"Odd", Sz("x=y")},
                       {"Script", Sz(folder + "\\")}};
    std::sort(first->begin(), first->end(), [](auto& a, auto& b) { return a.first < b.first; });
    EXPECT_EQ(*first, expected);
    EXPECT_EQ(MachineButton(2), (Stored{{"ButtonText", Sz("Second")}}));
    EXPECT_EQ(OwnRecord(), OwnEntries({1, 2}));
    EXPECT_EQ(rebuilds, 1);

    // The same file again, every row ticked, makes every button again, and never touches the
    // earlier ones.
    dialogs.AnswerFileDialog(move + "\\set.qmx");
    dialogs.AnswerRows(qmtest::RowsAnswer().Choose({true, true}).Copy(false));
    transfer.ImportToolBarInfo();
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey),
              (std::vector<std::string>{Button(1), Button(2), Button(3), Button(4)}));
    EXPECT_EQ(MachineButton(4), (Stored{{"ButtonText", Sz("Second")}}));
    EXPECT_EQ(OwnRecord().size(), 4u);
    EXPECT_EQ(rebuilds, 2);
    EXPECT_TRUE(dialogs.ShownOf(Shown::ApplicationError).empty());
}

Stored One(const std::string& name, const std::string& text) { return {{name, Sz(text)}}; }

// What importing a file leaves: the machine-wide buttons by number, read back with plain registry
// calls, the program's record of its own buttons, and the error box that names the file (its
// path stands for "%F"), or none. A file that is no export file is refused before its preview
// and leaves the strip alone.
struct Imports {
    std::string name;
    std::map<int, Stored> seed;       // the machine-wide buttons there before, by number
    std::optional<std::string> bytes; // the file's; nullopt: there is no such file
    std::string error;
    bool asks;                   // the preview is shown, and the strip rebuilt afterwards
    std::vector<Stored> buttons; // the machine-wide buttons 1, 2, ... afterwards, and no others
    std::vector<int> own;        // the numbers of those the program records as its own
};

Imports Row(std::string name, std::map<int, Stored> seed, std::optional<std::string> bytes,
            std::string error, bool asks, std::vector<Stored> buttons, std::vector<int> own) {
    return {name, seed, bytes, error, asks, buttons, own};
}

TEST_F(TransferTest, EachFileImportsAsItsSectionsSay) {
    // The reader takes the file in 64 KiB pieces: a CR LF across the first boundary, and a line
    // of 200 000 bytes after it.
    const std::string start = "buttonstart\r\n", b200k(200000, 'b');
    const std::string longA(65536 - start.size() - 2 - 1, 'a');
    const std::string split = start + "A=" + longA + "\r\nB=" + b200k + "\r\nbuttonend\r\n";
    ASSERT_EQ(split[65535], '\r');
    const std::string odd = "stray=ignored\r\n"
                            "buttonend\r\n" // no section open: nothing is recorded
                            "buttonstart\r\nA=1\r\n"
                            "\r\n"            // an empty unnamed default value
                            "buttonstart\r\n" // the first key stays as it is, without an entry
                            "B=2\r\nB=3\r\n"  // a later line of the same name wins
                            "buttonend\r\n"
                            "\r\n"                // between sections: no effect
                            "ButtonStart\r\n"     // no keyword: a stray line
                            "buttonstart\r\nC=4"; // the file ends inside a section
    std::string many;
    for (int i = 0; i < 300; ++i) many += "V" + std::to_string(i) + "=x\r\n";
    const std::string n20k(20000, 'n'), d2m(2 * 1024 * 1024, 'd'), m1m(1000000, 'm');
    std::string oversized = start + "A=1\r\nbuttonend\r\n";                       // lines 1-3
    oversized += start + "B=2\r\n" + n20k + "=x\r\nbuttonend\r\n";                // 4-7
    oversized += start + "C=3\r\nbuttonend\r\n";                                  // 8-10
    oversized += start + "D=" + d2m + "\r\nE=5\r\nbuttonend\r\n";                 // 11-14
    oversized += start + m1m + "=x\r\nbuttonend\r\n";                             // 15-17
    oversized += start + many + "buttonend\r\n" + start + "F=6\r\nbuttonend\r\n"; // 18-322
    const std::string button = "\nThe button at line ", cannot = " of \"%F\" cannot be imported: ";
    const std::string oversizedError =
        "4 buttons of \"%F\" were left out of the import; the others were imported:" + button +
        "4" + cannot + "the value name \"" + n20k.substr(0, 64) +
        "...\" on line 6 is longer than the registry allows" + button + "11" + cannot +
        "line 12 is longer than 1 MiB" + button + "15" + cannot + "the value name \"" +
        m1m.substr(0, 64) + "...\" on line 16 is longer than the registry allows" + button + "18" +
        cannot + "it gives its button more than 256 values.";
    const std::string refused = "The file \"%F\" cannot be imported: ";
    const std::string noSection = refused + "it holds no button section.";
    const Imports rows[] = {
        Row("GapsInTheKeyNamesAreFilledFirst",
            {{1, One("ButtonText", "one")}, {3, One("ButtonText", "three")}},
            start + "ButtonText=x\r\nbuttonend\r\n" + start + "ButtonText=y\r\nbuttonend\r\n", "",
            true,
            {One("ButtonText", "one"), One("ButtonText", "x"), One("ButtonText", "three"),
             One("ButtonText", "y")},
            {2, 4}),
        Row("EachLineActsAsTheSectionsOpenAndClose", {}, odd, "", true,
            {Stored{{"", Sz("")}, {"A", Sz("1")}}, One("B", "3"), One("C", "4")}, {2}),
        Row("LongLinesAndLineEndsSplitAcrossReadsComeThroughWhole", {}, split, "", true,
            {Stored{{"A", Sz(longA)}, {"B", Sz(b200k)}}}, {1}),
        // Nothing of a refused section is written: no key, no value, no entry.
        Row("OversizedSectionsAreRefusedByLineAndTheOthersWritten", {}, oversized, oversizedError,
            true, {One("A", "1"), One("C", "3"), One("F", "6")}, {1, 2, 3}),
        Row("AMissingFileIsNamed", {}, std::nullopt, "File not found.", false, {}, {}),
        Row("AnEmptyFileHoldsNoSection", {}, "", noSection, false, {}, {}),
        Row("AFileOfLineFeedsAloneIsToldToUseWindowsLineEnds", {}, "buttonstart\nA=1\nbuttonend\n",
            refused + "its lines end with a line feed (LF) alone, but an export file's lines end "
                      "with CR LF; save it with Windows line ends and import it again.",
            false, {}, {}),
        Row("ACtrlZEndsTheFileBeforeItsSection", {}, "\x1A" + start + "A=1\r\n", noSection, false,
            {}, {}),
    };
    for (const Imports& row : rows) {
        SCOPED_TRACE(row.name);
        ForgetAllButtons();
        for (const auto& [n, values] : row.seed)
            MakeKey(HKEY_LOCAL_MACHINE, ButtonPath(Button(n)), values);
        const std::string file = temp.File(row.name + ".qmx");
        if (row.bytes) WriteFileBytes(file, *row.bytes);
        std::string error = row.error;
        for (size_t at = error.find("%F"); at != std::string::npos; at = error.find("%F", at))
            error.replace(at, 2, file);
        const int before = rebuilds;
        Import(file, error, row.asks);
        std::vector<std::string> keys;
        for (size_t n = 1; n <= row.buttons.size(); ++n) {
            keys.push_back(Button(int(n)));
            EXPECT_EQ(MachineButton(int(n)), row.buttons[n - 1]) << "button " << n;
        }
        EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey), keys);
        EXPECT_EQ(OwnRecord(), OwnEntries(row.own));
        EXPECT_EQ(rebuilds, before + (row.asks ? 1 : 0));
    }
}

TEST_F(TransferTest, ExportImportExportGivesTheSameValuesAndTheSameFile) {
    std::string source = temp.File("src");
    CreateDirectoryA(source.c_str(), nullptr);
    CreateDirectoryA((source + "\\other").c_str(), nullptr);
    WriteFileBytes(source + "\\p.htm", "page");
    WriteFileBytes(source + "\\i.ico", "icon one");
    WriteFileBytes(source + "\\other\\i.ico", "icon two");
    MakeOwnButton("{AAA}", {{"ButtonText", Sz("A \xC3\xA9=")},
                            {"Script", Sz(source + "\\p.htm")},
                            {"Icon", Sz(source + "\\i.ico")},
                            {"HotIcon", Sz("")},
                            {"", Sz("default")},
                            {"Unknown", {REG_EXPAND_SZ, std::string("%windir%\\x") + '\0'}},
                            {"Empty", {REG_BINARY, ""}}});
    MakeOwnButton("{BBB}", {{"ButtonText", Sz("B")},
                            {"Icon", Sz(source + "\\other\\i.ico")}, // same name, other file
                            {"HotIcon", Sz("C:\\windows\\system32\\shell32.dll,4")},
                            {"Default Visible", Sz("YES")}});
    std::string first = Export(temp.File("one.qmx"));

    ForgetAllButtons();
    Import(temp.File("one.qmx"));
    // Everything comes back as plain strings; only file values point elsewhere.
    auto b = MachineButton(1);
    auto a = MachineButton(2);
    ASSERT_TRUE(a && b);
    for (const auto& [name, value] : *a) EXPECT_EQ(value.type, DWORD(REG_SZ)) << name;
    std::string folder = temp.File("one_files");
    EXPECT_EQ(*a, (Stored{{"", Sz("default")},
                          {"ButtonText", Sz("A \xC3\xA9=")},
                          {"Empty", Sz("")},
                          {"HotIcon", Sz(folder + "\\")},
                          {"Icon", Sz(folder + "\\i_2.ico")},
                          {"IsQuillmere", Sz("YES")},
                          {"Script", Sz(folder + "\\p.htm")},
                          {"Unknown", Sz("%windir%\\x")}}));
    // B was written first, so its file kept the plain name; A's went in under a name of its own.
    EXPECT_EQ(ReadFileBytes(folder + "\\i.ico"), "icon two");
    EXPECT_EQ(ReadFileBytes(folder + "\\i_2.ico"), "icon one");
    EXPECT_NE(std::find(b->begin(), b->end(),
                        std::make_pair(std::string("Icon"), Sz(folder + "\\i.ico"))),
              b->end());

    // The buttons come back in the opposite order each time, so two rounds give the same file.
    std::string second = Export(temp.File("two.qmx"));
    EXPECT_NE(second, first);
    ForgetAllButtons();
    Import(temp.File("two.qmx"));
    EXPECT_EQ(Export(temp.File("three.qmx")), first);
    EXPECT_EQ(FilesIn(temp.File("three_files")), FilesIn(folder));
    EXPECT_TRUE(dialogs.ShownOf(Shown::ApplicationError).empty());
}

TEST_F(TransferTest, ExportLeavesOutWholeButtonsThatCannotTravelAndSaysWhichOnce) {
    // Walked last to first: {CCC} is written, {BBB} is left out whole, {AAA} is written.
    MakeOwnButton("{AAA}", {{"ButtonText", Sz("A")}});
    MakeOwnButton("{BBB}",
                  {{"ButtonText", Sz("B")}, {"Count", {REG_DWORD, std::string("\1\0\0\0", 4)}}});
    MakeOwnButton("{CCC}", {{"ButtonText", Sz("C")}, {"Empty", {REG_DWORD, ""}}});
    EXPECT_EQ(Export(temp.File("bad.qmx"),
                     "Exported 2 buttons to \"" + temp.File("bad.qmx") +
                         "\".\nThe button \"B\" cannot be exported: the value \"Count\" "
                         "cannot be read as a text."),
              "buttonstart\r\nButtonText=C\r\nEmpty=\r\nIsQuillmere=YES\r\nbuttonend\r\n"
              "buttonstart\r\nButtonText=A\r\nIsQuillmere=YES\r\nbuttonend\r\n");

    // Several are listed in one message, names and texts cut to a readable length.
    MakeOwnButton("{DDD}",
                  {{"ButtonText", Sz(std::string(20000, 'D'))}, {"MenuText", Sz("two\r\nlines")}});
    EXPECT_EQ(Export(temp.File("bad.qmx"),
                     "Exported 2 buttons to \"" + temp.File("bad.qmx") +
                         "\".\n2 buttons were left out of the export; the others were exported:\n"
                         "The button \"" +
                         std::string(64, 'D') +
                         "...\" cannot be exported: the value "
                         "\"MenuText\" holds a line break, which an export file cannot carry\n"
                         "The button \"B\" cannot be exported: the value \"Count\" cannot be read "
                         "as a text."),
              "buttonstart\r\nButtonText=C\r\nEmpty=\r\nIsQuillmere=YES\r\nbuttonend\r\n"
              "buttonstart\r\nButtonText=A\r\nIsQuillmere=YES\r\nbuttonend\r\n");

    // A file that cannot be put in place (here a folder has its name) is named, and the export
    // leaves nothing behind: no companion folder, no temporary file.
    CreateDirectoryA(temp.File("taken.qmx").c_str(), nullptr);
    std::vector<std::string> before = FilesIn(temp.Path());
    dialogs.AnswerFileDialog(temp.File("taken.qmx"));
    dialogs.ExpectApplicationError("The file \"" + temp.File("taken.qmx") +
                                   "\" cannot be written: File access denied.");
    transfer.ExportToolBarInfo();
    EXPECT_EQ(FilesIn(temp.Path()), before);
}

TEST_F(TransferTest, AValueThatCannotBeWrittenTakesItsWholeButtonAwayAndStopsTheImport) {
    WriteFileBytes(temp.File("one.qmx"), "buttonstart\r\nA=1\r\nbuttonend\r\n");
    Import(temp.File("one.qmx"));
    // The registry refuses a name this long; the importer meets it when handed one directly.
    RegistryAccessor reg;
    ButtonImporter importer(reg, nullptr);
    importer.SectionStart();
    importer.Value("B", "2");
    std::string error;
    try {
        importer.Value(std::string(20000, 'n'), "x");
    } catch (const qm::RegistryError& e) {
        error = e.what();
    }
    EXPECT_EQ(error, "Failed to set data for '" + std::string(64, 'n') + "...'");
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey), std::vector<std::string>{Button(1)});
    EXPECT_EQ(OwnRecord(), OwnEntries({1}));
}

TEST_F(TransferTest, AFilePastThe99thButtonIsRefusedWholeBeforeAnythingIsWritten) {
    for (int n = 1; n <= 98; ++n) MakeKey(HKEY_LOCAL_MACHINE, ButtonPath(Button(n)), {});
    WriteFileBytes(temp.File("many.qmx"), "buttonstart\r\nA=1\r\nbuttonend\r\n"
                                          "buttonstart\r\nB=2\r\nbuttonend\r\n");
    // Both ticked: the empty keys there count as buttons without text that run nothing, so
    // neither is proposed, and the file is refused once both are chosen, before any key is made.
    dialogs.AnswerFileDialog(temp.File("many.qmx"));
    dialogs.AnswerRows(qmtest::RowsAnswer().Choose({true, true}));
    dialogs.ExpectApplicationError("The file holds 2 buttons to create, but only 1 of the 99 "
                                   "toolbar button names are free. Nothing was imported.");
    transfer.ImportToolBarInfo();
    EXPECT_FALSE(qmtest::StoredKeyExists(HKEY_LOCAL_MACHINE, ButtonPath(Button(99))));
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey).size(), 98u);
    EXPECT_TRUE(OwnRecord().empty());
    EXPECT_EQ(rebuilds, 0);
}

TEST_F(TransferTest, AnOwnRecordThatCannotBeWrittenIsReportedAndTheImportGoesOn) {
    // Below a volatile key the registry makes no lasting key, so StdBtn cannot be created.
    HKEY qzo = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\qzo", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &qzo, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(qzo);
    WriteFileBytes(temp.File("two.qmx"), "buttonstart\r\nA=1\r\nbuttonend\r\n"
                                         "buttonstart\r\nB=2\r\nbuttonend\r\n");
    dialogs.AnswerFileDialog(temp.File("two.qmx"));
    dialogs.AnswerRows();
    // Each message names the value, the key and why.
    for (int n : {1, 2})
        dialogs.ExpectError("Error while trying to write registry data: the value StdBtn0" +
                            std::to_string(n) +
                            " of HKEY_CURRENT_USER\\Software\\qzo\\Quillmere\\StdBtn (the "
                            "program's record of the new button " +
                            Button(n) +
                            ") cannot be written: Failed to create key "
                            "\\Software\\qzo\\Quillmere\\StdBtn\\");
    transfer.ImportToolBarInfo();
    EXPECT_EQ(MachineButton(1), (Stored{{"A", Sz("1")}}));
    EXPECT_EQ(MachineButton(2), (Stored{{"B", Sz("2")}}));
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(TransferTest, AnExtensionsKeyThatCannotBeMadeStopsTheImportAtTheFirstButton) {
    // Below a volatile key the registry makes no lasting key, so Extensions cannot be created.
    HKEY browser = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer", 0,
                              nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                              nullptr, &browser, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(browser);
    WriteFileBytes(temp.File("two.qmx"), "buttonstart\r\nA=1\r\nbuttonend\r\n"
                                         "buttonstart\r\nB=2\r\nbuttonend\r\n");
    Import(temp.File("two.qmx"), "Failed to create key " + ButtonPath(Button(1)) + ".");
    EXPECT_TRUE(SubKeys(HKEY_LOCAL_MACHINE, "\\Software\\Microsoft\\Internet Explorer").empty());
    EXPECT_TRUE(OwnRecord().empty());
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(TransferTest, AKeyThatCannotBeCreatedStopsTheImportAfterTheSectionsBeforeIt) {
    // The registry refuses to make the third button's key (the import keeps the Extensions key
    // open from the first section on, so only a refusal below it stops a later section).
    qmtest::RefuseChanges refuse(HKEY_LOCAL_MACHINE, ButtonPath(Button(3)));
    WriteFileBytes(temp.File("three.qmx"), "buttonstart\r\nA=1\r\nbuttonend\r\n"
                                           "buttonstart\r\nB=2\r\nbuttonend\r\n"
                                           "buttonstart\r\nC=3\r\nbuttonend\r\n");
    RegistryAccessor reg;
    ButtonImporter importer(reg, nullptr);
    std::string error;
    try {
        ReadExportFile(temp.File("three.qmx"), temp.File("three_files"), importer);
    } catch (const qm::RegistryError& e) {
        error = e.what();
    }

    EXPECT_EQ(error, "Failed to create key \\Software\\Microsoft\\Internet Explorer\\Extensions\\" +
                         Button(3));
    EXPECT_EQ(MachineButton(1), (Stored{{"A", Sz("1")}}));
    EXPECT_EQ(MachineButton(2), (Stored{{"B", Sz("2")}}));
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey).size(), 2u);
    EXPECT_EQ(OwnRecord(), OwnEntries({1, 2}));
}

TEST_F(TransferTest, ExportCopiesNothingOutsideTheCompanionFolder) {
    // temp\victim.txt is the file a "/" and ".." in a file value point at, and temp\out\victim.txt
    // the one its copy would replace.
    CreateDirectoryA(temp.File("src").c_str(), nullptr);
    CreateDirectoryA(temp.File("out").c_str(), nullptr);
    WriteFileBytes(temp.File("victim.txt"), "attacker's");
    WriteFileBytes(temp.File("out\\victim.txt"), "precious");
    WriteFileBytes(temp.File("src\\ok.ico"), "fine");
    MakeOwnButton("{AAA}", {{"ButtonText", Sz("A")},
                            {"Icon", Sz(temp.File("src\\x/../../victim.txt"))},
                            {"HotIcon", Sz(temp.File("src/ok.ico"))},
                            {"Script", Sz(temp.File("src\\x/ok.ico"))}});
    auto before = Tree(temp.Path());

    std::string bytes = Export(temp.File("out\\set.qmx"),
                               "Exported 1 button to \"" + temp.File("out\\set.qmx") +
                                   "\".\nThe button \"A\": Script names \"" +
                                   temp.File("src\\x/ok.ico") + "\", which is not there.");
    // "/" separates names as "\\" does: each file travels under its own last name, into the
    // folder, and a different file of the same name gets a name of its own (src\x\ok.ico is
    // missing, so nothing is copied for it).
    EXPECT_EQ(bytes, "buttonstart\r\nButtonText=A\r\nHotIcon=ok.ico\r\n"
                     "Icon=victim.txt\r\nIsQuillmere=YES\r\nScript=ok_2.ico\r\nbuttonend\r\n");
    auto after = Tree(temp.Path());
    EXPECT_EQ(after["out\\victim.txt"], "precious");
    EXPECT_EQ(after["out\\set_files\\victim.txt"], "attacker's");
    for (const char* made : {"out\\set.qmx", "out\\set_files\\", "out\\set_files\\ok.ico",
                             "out\\set_files\\victim.txt"})
        after.erase(made);
    EXPECT_EQ(after, before);
}

TEST_F(TransferTest, ImportedFileValuesStayInTheCompanionFolderAndALaterExportToo) {
    CreateDirectoryA(temp.File("in").c_str(), nullptr);
    std::string folder = temp.File("in\\set_files");
    WriteFileBytes(temp.File("in\\set.qmx"), "buttonstart\r\nButtonText=A\r\n"
                                             "Icon=x/../../../AppData/Startup/evil.bat\r\n"
                                             "HotIcon=..\\b.ico\r\n"
                                             "Script=C:\\Windows\\c.htm\r\n"
                                             "IsQuillmere=YES\r\nbuttonend\r\n"
                                             "buttonstart\r\nButtonText=B\r\n"
                                             "Icon=\\\\server\\share\\d.ico\r\n"
                                             "HotIcon=e.ico:hidden\r\n"
                                             "Script=..\r\n"
                                             "IsQuillmere=YES\r\nbuttonend\r\n");
    Import(temp.File("in\\set.qmx"));
    EXPECT_EQ(MachineButton(1), (Stored{{"ButtonText", Sz("A")},
                                        {"HotIcon", Sz(folder + "\\b.ico")},
                                        {"Icon", Sz(folder + "\\evil.bat")},
                                        {"IsQuillmere", Sz("YES")},
                                        {"Script", Sz(folder + "\\c.htm")}}));
    EXPECT_EQ(MachineButton(2), (Stored{{"ButtonText", Sz("B")},
                                        {"HotIcon", Sz(folder + "\\hidden")},
                                        {"Icon", Sz(folder + "\\d.ico")},
                                        {"IsQuillmere", Sz("YES")},
                                        {"Script", Sz(folder + "\\")}}));

    // An ordinary export of those buttons then writes nowhere but its own file and folder.
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteFileBytes(folder + "\\evil.bat", "echo");
    auto before = Tree(temp.Path());
    // The files that did not come with the set cannot go with it either, and are named.
    auto missing = [&](const std::string& button, const std::string& value,
                       const std::string& file) {
        return "\nThe button \"" + button + "\": " + value + " names \"" + folder + "\\" + file +
               "\", which is not there";
    };
    Export(temp.File("in\\again.qmx"),
           "Exported 2 buttons to \"" + temp.File("in\\again.qmx") +
               "\".\n4 files that the buttons name were not exported with them; on another "
               "computer those buttons show the error icon or open nothing there:" +
               missing("B", "HotIcon", "hidden") + missing("B", "Icon", "d.ico") +
               missing("A", "HotIcon", "b.ico") + missing("A", "Script", "c.htm") + ".");
    auto after = Tree(temp.Path());
    EXPECT_EQ(after["in\\again_files\\evil.bat"], "echo");
    after.erase("in\\again.qmx");
    after.erase("in\\again_files\\");
    after.erase("in\\again_files\\evil.bat");
    EXPECT_EQ(after, before);
}

TEST_F(TransferTest, ReExportIntoACompanionFolderKeepsTheFilesImportedButtonsUse) {
    // Imported earlier from set.qmx: a button whose icon lies in set_files; another button's
    // icon has the same name elsewhere and is enumerated, so written, first.
    std::string folder = temp.File("set_files");
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA(temp.File("src").c_str(), nullptr);
    WriteFileBytes(folder + "\\a.ico", "imported icon");
    WriteFileBytes(temp.File("src\\a.ico"), "other icon");
    MakeOwnButton("{AAA}", {{"ButtonText", Sz("imported")}, {"Icon", Sz(folder + "\\a.ico")}});
    MakeOwnButton("{BBB}", {{"ButtonText", Sz("other")},
                            {"Icon", Sz(temp.File("src\\a.ico"))},
                            {"MenuText", Sz("two\nlines")}});
    EXPECT_EQ(
        Export(temp.File("set.qmx")),
        "buttonstart\r\nButtonText=other\r\nIcon=a_2.ico\r\nIsQuillmere=YES\r\n"
        "MenuText=two\nlines\r\nbuttonend\r\n"
        "buttonstart\r\nButtonText=imported\r\nIcon=a.ico\r\nIsQuillmere=YES\r\nbuttonend\r\n");
    EXPECT_EQ(ReadFileBytes(folder + "\\a.ico"), "imported icon");
    EXPECT_EQ(ReadFileBytes(folder + "\\a_2.ico"), "other icon");
    EXPECT_EQ(FilesIn(folder), (std::vector<std::string>{"a.ico", "a_2.ico"}));

    // The lone LF comes back as it went.
    ForgetAllButtons();
    Import(temp.File("set.qmx"));
    auto other = MachineButton(1);
    ASSERT_TRUE(other);
    EXPECT_NE(std::find(other->begin(), other->end(),
                        std::make_pair(std::string("MenuText"), Sz("two\nlines"))),
              other->end());
}

// A disk that takes budget bytes in all, then reports itself full, after a partial write.
struct FillingDisk {
    size_t budget;
    DWORD operator()(HANDLE file, std::string_view bytes) {
        size_t fits = std::min(budget, bytes.size());
        budget -= fits;
        if (DWORD error = WriteToDisk(file, bytes.substr(0, fits))) return error;
        return fits < bytes.size() ? ERROR_DISK_FULL : 0;
    }
};

TEST_F(TransferTest, AFullDiskLeavesTheLastGoodExportAndNamesTheFile) {
    CreateDirectoryA(temp.File("src").c_str(), nullptr);
    WriteFileBytes(temp.File("src\\a.ico"), "first icon");
    WriteFileBytes(temp.File("src\\b.ico"), std::string(100000, 'b'));
    MakeOwnButton("{AAA}", {{"ButtonText", Sz("A")}, {"Icon", Sz(temp.File("src\\a.ico"))}});
    std::string good = Export(temp.File("set.qmx"));
    ASSERT_FALSE(good.empty());
    WriteFileBytes(temp.File("src\\a.ico"), "second icon");
    MakeOwnButton("{BBB}", {{"ButtonText", Sz("B")}, {"Icon", Sz(temp.File("src\\b.ico"))}});
    auto before = Tree(temp.Path());

    // The disk fills during the copy of b.ico, and then during the export file itself, which
    // goes to disk after the copies.
    const std::pair<size_t, std::string> cases[] = {
        {5000, temp.File("set_files\\b.ico")},
        {100000 + 11 + 100, temp.File("set.qmx")},
    };
    for (const auto& [budget, named] : cases) {
        RegistryAccessor reg;
        std::string error;
        try {
            ExportButtons(reg, temp.File("set.qmx"), temp.File("set_files"), FillingDisk{budget});
        } catch (const InOutError& e) {
            error = e.what();
        }
        EXPECT_EQ(error, "The file \"" + named + "\" cannot be written: Disk full");
        EXPECT_EQ(Tree(temp.Path()), before) << budget;
    }

    // A first export into new folders that fails takes its folders away again.
    RegistryAccessor reg;
    EXPECT_THROW(ExportButtons(reg, temp.File("new\\deep\\set.qmx"),
                               temp.File("new\\deep\\set_files"), FillingDisk{0}),
                 InOutError);
    EXPECT_EQ(Tree(temp.Path()), before);
    // With room enough, the same export goes through and replaces the previous one.
    ExportButtons(reg, temp.File("set.qmx"), temp.File("set_files"), FillingDisk{1 << 20});
    EXPECT_NE(ReadFileBytes(temp.File("set.qmx")), good);
    EXPECT_EQ(ReadFileBytes(temp.File("set_files\\a.ico")), "second icon");
}

// Which file a path names now, by the platform's own identity of it.
ULONGLONG FileIndex(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return known ? (ULONGLONG{info.nFileIndexHigh} << 32) | info.nFileIndexLow : 0;
}

TEST_F(TransferTest, AReExportLeavesTheCompanionFilesThatAreAlreadyRightAndReplacesTheOthers) {
    CreateDirectoryA(temp.File("src").c_str(), nullptr);
    WriteFileBytes(temp.File("src\\same.ico"), "unchanged icon");
    // As long as the second version below: only its bytes tell them apart.
    WriteFileBytes(temp.File("src\\new.ico"), "first icon!");
    MakeOwnButton("{AAA}", {{"ButtonText", Sz("A")}, {"Icon", Sz(temp.File("src\\same.ico"))}});
    MakeOwnButton("{BBB}", {{"ButtonText", Sz("B")}, {"Icon", Sz(temp.File("src\\new.ico"))}});
    // A button whose icon is the export's own copy under another name (a hard link to it).
    CreateDirectoryA(temp.File("set_files").c_str(), nullptr);
    const std::string own = temp.File("set_files\\own.ico");
    WriteFileBytes(own, "own icon");
    ASSERT_TRUE(CreateHardLinkA(temp.File("src\\own.ico").c_str(), own.c_str(), nullptr));
    MakeOwnButton("{CCC}", {{"ButtonText", Sz("C")}, {"Icon", Sz(temp.File("src\\own.ico"))}});
    const ULONGLONG ownIndex = FileIndex(own);
    const std::string first = Export(temp.File("set.qmx"));
    const std::string same = temp.File("set_files\\same.ico");
    const ULONGLONG sameIndex = FileIndex(same);
    ASSERT_NE(sameIndex, 0u);
    // A file the user made read-only is theirs; one that already holds the bytes needs no write.
    SetFileAttributesA(same.c_str(), FILE_ATTRIBUTE_READONLY);
    WriteFileBytes(temp.File("src\\new.ico"), "second icon");

    EXPECT_EQ(Export(temp.File("set.qmx")), first);
    EXPECT_EQ(FileIndex(same), sameIndex);
    EXPECT_EQ(FileIndex(own), ownIndex);
    EXPECT_EQ(ReadFileBytes(own), "own icon");
    EXPECT_EQ(GetFileAttributesA(same.c_str()) & FILE_ATTRIBUTE_READONLY,
              DWORD{FILE_ATTRIBUTE_READONLY});
    EXPECT_EQ(ReadFileBytes(temp.File("set_files\\new.ico")), "second icon");
    EXPECT_EQ(FilesIn(temp.File("set_files")),
              (std::vector<std::string>{"new.ico", "own.ico", "same.ico"}));
    SetFileAttributesA(same.c_str(), FILE_ATTRIBUTE_NORMAL);
}

size_t PeakMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

TEST_F(TransferTest, AHugeLineCostsNoMoreMemoryThanTheLineBound) {
    // 64 MiB on one line, written a piece at a time so that the test itself stays small.
    std::string path = temp.File("huge.qmx");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string piece(1024 * 1024, 'a');
    DWORD written = 0;
    WriteFile(file, "buttonstart\r\nA=", 15, &written, nullptr);
    for (int i = 0; i < 64; ++i)
        WriteFile(file, piece.data(), DWORD(piece.size()), &written, nullptr);
    std::string rest = "\r\nbuttonend\r\nbuttonstart\r\nB=1\r\nbuttonend\r\n";
    WriteFile(file, rest.data(), DWORD(rest.size()), &written, nullptr);
    CloseHandle(file);
    std::string().swap(piece);

    size_t before = PeakMemory();
    Import(path, "The button at line 1 of \"" + path +
                     "\" cannot be imported: line 2 is longer than 1 MiB.");
    EXPECT_LT(PeakMemory(), before + 16 * 1024 * 1024);
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey), std::vector<std::string>{Button(1)});
    EXPECT_EQ(MachineButton(1), (Stored{{"B", Sz("1")}}));
}

} // namespace
