// /remove: an imported set taken back, on the sandboxed registry and by the program itself
// started as a script starts it. What the registry holds is read with the plain registry calls,
// every view byte for byte.
#include "registry/ChangeHistory.h"
#include "transfer/TransferCommands.h"

#include "commandline/BuiltProgram.h"
#include "commandline/CommandTest.h"
#include "support/ImportedSets.h"
#include "support/MachineViews.h"
#include "support/TestPageHost.h"

#include <algorithm>

namespace {

using namespace qm::cli;

using qmtest::ExpectSays;
using qmtest::Section;

const std::string kExtensions = "Software\\Microsoft\\Internet Explorer\\Extensions";

// A button as its import leaves it, with its file values in the companion folder of file.
qmtest::RawStrings Imported(const std::string& file, const std::string& text,
                            const std::string& name, const std::string& runs) {
    std::string folder = file.substr(0, file.rfind('.')) + "_files\\";
    return {{"CLSID", qm::kButtonClsid},
            {"ButtonText", text},
            {name, name == "Script" ? folder + runs : runs},
            {"Icon", folder + text + ".ico"},
            {"IsQuillmere", "YES"}};
}

// Everything the machine's and the user's Software keys hold, in every view.
std::string WholeRegistry() {
    std::string dump;
    for (REGSAM view : qmtest::kBothViews)
        dump += qmtest::DumpTree(HKEY_LOCAL_MACHINE, L"Software", view);
    return dump + qmtest::DumpTree(HKEY_CURRENT_USER, L"Software");
}

class RemoveSetTest : public qmtest::CommandTest {
protected:
    static std::vector<std::string> Buttons(REGSAM view) {
        return qmtest::RawSubKeys(HKEY_LOCAL_MACHINE, view, kExtensions);
    }
    static size_t Count(const std::string& text, const std::string& part) {
        size_t count = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++count;
        return count;
    }
};

// --- import, then remove: the registry as it was, on machines of every kind ---

struct Machine {
    const char* name;
    void (*seed)(const std::string& file);
    size_t removed; // of the set's three buttons
};

const Machine kMachines[] = {
    {"Clean", [](const std::string&) {}, 3},
    {"WithButtonsOfItsOwn",
     [](const std::string& file) {
         for (REGSAM view : qmtest::kBothViews) {
             // The program's own button made by hand, with the same text as one of the set's.
             qmtest::RawPut(HKEY_LOCAL_MACHINE, view, kExtensions + "\\" + qm::ButtonKeyName(1),
                            {{"ButtonText", "Notes"},
                             {"Script", "C:\\mine\\notes.htm"},
                             {"IsQuillmere", "YES"}});
             qmtest::RawPut(HKEY_LOCAL_MACHINE, view, kExtensions + "\\{FOREIGN}",
                            {{"ButtonText", "Foreign"}});
         }
         // The set's own button, imported long ago, but the 64-bit view holds another button
         // of that name: it is not the set's, and stays.
         qmtest::RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY,
                        kExtensions + "\\" + qm::ButtonKeyName(5),
                        Imported(file, "Calc", "Script", "calc.htm"));
         qmtest::RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY,
                        kExtensions + "\\" + qm::ButtonKeyName(5), {{"ButtonText", "Other"}});
         qmtest::PutText(HKEY_CURRENT_USER, qm::kOwnRecordKey, "StdBtn01", qm::ButtonKeyName(1));
         qmtest::PutText(HKEY_CURRENT_USER, qm::kOwnRecordKey, "StdBtn05", qm::ButtonKeyName(5));
         qmtest::PutText(HKEY_CURRENT_USER, "Software\\qzo\\Quillmere", "Other", "kept");
     },
     2},
    {"WithEmptyKeys",
     [](const std::string&) {
         for (REGSAM view : qmtest::kBothViews)
             qmtest::RawPut(HKEY_LOCAL_MACHINE, view, kExtensions, {});
         qmtest::PutKey(HKEY_CURRENT_USER, qm::kOwnRecordKey);
     },
     3},
};

class ImportThenRemoveTest : public RemoveSetTest, public ::testing::WithParamInterface<Machine> {};

TEST_P(ImportThenRemoveTest, LeavesEveryViewByteForByteAsItWasAndUndoBringsTheSetBack) {
    std::string file = File("deploy.qmx", Section("Notes", "Script=notes.htm") +
                                              Section("Web", "Exec=https://intranet/") +
                                              Section("Calc", "Script=calc.htm"));
    GetParam().seed(file);
    const std::string before = WholeRegistry();

    ASSERT_EQ(Run({"/import", file, "/quiet"}), kExitDone) << output.err;
    const std::string imported = WholeRegistry();
    ASSERT_NE(imported, before);

    ASSERT_EQ(Run({"/remove", file, "/quiet"}), kExitDone) << output.err;
    const size_t removed = GetParam().removed;
    EXPECT_EQ(Count(output.out, "Removed \""), removed) << output.out;
    EXPECT_EQ(WholeRegistry(), before);

    // Recorded first in the history, so that /undo puts the set back as the import made it.
    ASSERT_FALSE(qm::ListChanges().empty());
    EXPECT_EQ(qm::ListChanges().front().what,
              "Removal of deploy.qmx: " + std::to_string(removed) + " buttons");
    ASSERT_EQ(Run({"/undo", "/quiet"}), kExitDone) << output.err;
    EXPECT_EQ(WholeRegistry(), imported);
}

INSTANTIATE_TEST_SUITE_P(Machines, ImportThenRemoveTest, ::testing::ValuesIn(kMachines),
                         [](const auto& info) { return std::string(info.param.name); });

// --- a button two sets use, however the sets came ---

// How the second set is imported; the first always by the command line, the same way.
struct ImportWay {
    const char* name;
    std::vector<std::string> switches; // of both /import lines and of /remove
    bool secondByWindow;               // the second through Tools > Import, its rows as proposed
    // What the button both sets hold runs: a web address, or a page of each set's own folder,
    // the same bytes in both, which is the same button only once both are copied.
    bool sharedOpensPage;
};

const ImportWay kImportWays[] = {
    {"CommandLine", {}, false, false},
    {"Window", {}, true, false},
    {"CopiedFiles", {"/copyfiles"}, false, true},
    {"CopiedFilesThenWindow", {"/copyfiles"}, true, true},
};

class SharedButtonTest : public RemoveSetTest, public ::testing::WithParamInterface<ImportWay> {
protected:
    qmtest::ImportedSetsFolder sets{temp.File("sets")};
    qmtest::TestPageHost host;
    qm::transfer::ToolBarTransfer transfer{host, [] {}};

    // A set of the shared button and buttons that open pages of its companion folder; the
    // same page has the same bytes in every set.
    std::string PageSet(const std::string& name, const std::vector<std::string>& texts) {
        std::string sections;
        CreateDirectoryA(temp.File(name + "_files").c_str(), nullptr);
        for (const std::string& text : texts) {
            if (text == "Intranet" && !GetParam().sharedOpensPage) {
                sections += Section(text, "Exec=https://intranet/");
                continue;
            }
            sections += Section(text, "Script=" + text + ".htm");
            qmtest::WriteFileBytes(temp.File(name + "_files\\" + text + ".htm"),
                                   "<html>" + text + "</html>");
        }
        return File(name + ".qmx", sections);
    }
    int Command(const char* command, const std::string& file) {
        std::vector<std::string> args{command, file, "/quiet"};
        args.insert(args.end(), GetParam().switches.begin(), GetParam().switches.end());
        return Run(args);
    }
};

TEST_P(SharedButtonTest, StaysAndIsReportedUntilTheOtherSetGoesToo) {
    std::string first = PageSet("first", {"Intranet", "Mail"});
    std::string second = PageSet("second", {"Intranet", "Wiki"});
    const std::string before = WholeRegistry();
    ASSERT_EQ(Command("/import", first), kExitDone) << output.err;
    if (GetParam().secondByWindow) {
        dialogs.AnswerFileDialog(second);
        dialogs.AnswerRows(qmtest::RowsAnswer().Copy(!GetParam().switches.empty()));
        transfer.ImportToolBarInfo();
        const auto rows = dialogs.ShownOf(qmtest::Shown::Rows);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].rows.rows[0].cells.back(), "already there");
    } else {
        ASSERT_EQ(Command("/import", second), kExitDone) << output.err;
        ExpectSays(output.out, "Skipped \"Intranet\"");
    }
    ASSERT_EQ(Buttons(KEY_WOW64_32KEY).size(), 3u);

    ASSERT_EQ(Command("/remove", first), kExitDone) << output.err;
    ExpectSays(output.out, "Stays: \"Intranet\"");
    ExpectSays(output.out, "the import of second.qmx uses it too");
    ExpectSays(output.out, "Removed \"Mail\"");
    for (REGSAM view : qmtest::kBothViews) {
        SCOPED_TRACE(qmtest::ViewName(view));
        std::vector<std::string> texts;
        for (const std::string& key : Buttons(view))
            texts.push_back(qmtest::RawRead(HKEY_LOCAL_MACHINE, view, kExtensions + "\\" + key)
                                ->at("ButtonText"));
        std::sort(texts.begin(), texts.end());
        EXPECT_EQ(texts, (std::vector<std::string>{"Intranet", "Wiki"}));
    }

    // Once the other set goes as well, nothing of either is left.
    ASSERT_EQ(Command("/remove", second), kExitDone) << output.err;
    EXPECT_EQ(Count(output.out, "Removed \""), 2u) << output.out;
    EXPECT_EQ(WholeRegistry(), before);
}

INSTANTIATE_TEST_SUITE_P(Ways, SharedButtonTest, ::testing::ValuesIn(kImportWays),
                         [](const auto& info) { return std::string(info.param.name); });

// --- buttons the file does not describe ---

struct Stranger {
    const char* name;
    void (*seed)(const std::string& file, const std::string& key);
};

void OwnEntry(const std::string& key) {
    qmtest::PutText(HKEY_CURRENT_USER, qm::kOwnRecordKey, "StdBtn" + key.substr(35, 2), key);
}

const Stranger kStrangers[] = {
    {"SameTextOneValueMore",
     [](const std::string& file, const std::string& key) {
         qmtest::RawStrings values = Imported(file, "Notes", "Script", "notes.htm");
         values["MenuText"] = "&Notes";
         for (REGSAM view : qmtest::kBothViews)
             qmtest::RawPut(HKEY_LOCAL_MACHINE, view, kExtensions + "\\" + key, values);
         OwnEntry(key);
     }},
    {"SameTextOneValueLess",
     [](const std::string& file, const std::string& key) {
         qmtest::RawStrings values = Imported(file, "Notes", "Script", "notes.htm");
         values.erase("Icon");
         for (REGSAM view : qmtest::kBothViews)
             qmtest::RawPut(HKEY_LOCAL_MACHINE, view, kExtensions + "\\" + key, values);
         OwnEntry(key);
     }},
    {"SameTextAnotherPage",
     [](const std::string& file, const std::string& key) {
         for (REGSAM view : qmtest::kBothViews)
             qmtest::RawPut(HKEY_LOCAL_MACHINE, view, kExtensions + "\\" + key,
                            Imported(file, "Notes", "Script", "other.htm"));
         OwnEntry(key);
     }},
    {"SameValuesNotTheProgramsOwn",
     [](const std::string& file, const std::string& key) {
         for (REGSAM view : qmtest::kBothViews)
             qmtest::RawPut(HKEY_LOCAL_MACHINE, view, kExtensions + "\\" + key,
                            Imported(file, "Notes", "Script", "notes.htm"));
     }},
    {"SameValuesWithAKeyBelow",
     [](const std::string& file, const std::string& key) {
         for (REGSAM view : qmtest::kBothViews) {
             qmtest::RawPut(HKEY_LOCAL_MACHINE, view, kExtensions + "\\" + key,
                            Imported(file, "Notes", "Script", "notes.htm"));
             qmtest::RawPut(HKEY_LOCAL_MACHINE, view, kExtensions + "\\" + key + "\\Sub", {});
         }
         OwnEntry(key);
     }},
    {"RecordedForTheSetButNowRunningAnotherPage",
     [](const std::string& file, const std::string& key) {
         for (REGSAM view : qmtest::kBothViews)
             qmtest::RawPut(HKEY_LOCAL_MACHINE, view, kExtensions + "\\" + key,
                            Imported(file, "Notes", "Script", "edited.htm"));
         OwnEntry(key);
         qmtest::PutText(HKEY_CURRENT_USER, "Software\\qzo\\Quillmere\\Sets\\deploy.qmx", key,
                         "Notes");
     }},
    {"SameValuesInOneViewOnly",
     [](const std::string& file, const std::string& key) {
         qmtest::RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kExtensions + "\\" + key,
                        Imported(file, "Notes", "Script", "notes.htm"));
         qmtest::RawPut(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, kExtensions + "\\" + key,
                        Imported(file, "Notes", "Script", "changed.htm"));
         OwnEntry(key);
     }},
};

class StrangerTest : public RemoveSetTest, public ::testing::WithParamInterface<Stranger> {};

TEST_P(StrangerTest, IsNeverRemoved) {
    std::string file = File("deploy.qmx", Section("Notes", "Script=notes.htm"));
    GetParam().seed(file, qm::ButtonKeyName(3));
    auto buttons = [] {
        std::string dump;
        for (REGSAM view : qmtest::kBothViews)
            dump += qmtest::DumpTree(HKEY_LOCAL_MACHINE, L"Software", view);
        return dump + qmtest::DumpTree(HKEY_CURRENT_USER, L"Software\\qzo\\Quillmere\\StdBtn");
    };
    const std::string before = buttons();

    ASSERT_EQ(Run({"/remove", file, "/quiet"}), kExitDone) << output.err;
    ExpectSays(output.out, "Not here: \"Notes\"");
    ExpectSays(output.out, "Nothing to remove");
    EXPECT_EQ(buttons(), before);
}

INSTANTIATE_TEST_SUITE_P(Buttons, StrangerTest, ::testing::ValuesIn(kStrangers),
                         [](const auto& info) { return std::string(info.param.name); });

// --- the command's switches and codes, as /import has them ---

TEST_F(RemoveSetTest, ADeclinedOrUnbackedRemovalChangesNothing) {
    std::string file = File("deploy.qmx", Section("Notes", "Script=notes.htm"));
    ASSERT_EQ(Run({"/import", file, "/quiet"}), kExitDone) << output.err;
    const std::string imported = WholeRegistry();

    // The preview names the button and its key; No keeps it.
    dialogs.AnswerQuestion(false);
    EXPECT_EQ(Run({"/remove", file}), kExitFailed);
    ASSERT_EQ(dialogs.Shown().size(), 1u);
    ExpectSays(dialogs.Shown()[0].text, "Goes: \"Notes\"");
    ExpectSays(dialogs.Shown()[0].text, qm::ButtonKeyName(1));
    EXPECT_EQ(WholeRegistry(), imported);

    // A history that cannot be written stops it (exit 7) unless /nobackup says to go on.
    qmtest::WriteFileBytes(temp.File("blocked"), "a file where the history's folder would be");
    qmtest::HistoryFolder blocked(temp.File("blocked") + "\\history");
    EXPECT_EQ(Run({"/remove", file, "/quiet", "/trust"}), kExitNoBackup);
    ExpectSays(output.err, "Nothing was removed");
    EXPECT_EQ(WholeRegistry(), imported);
    EXPECT_EQ(Run({"/remove", file, "/quiet", "/nobackup", "/log", temp.File("remove.log")}),
              kExitDone)
        << output.err;
    EXPECT_TRUE(qmtest::RawSubKeys(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, kExtensions).empty());
    EXPECT_NE(qmtest::ReadFileBytes(temp.File("remove.log")).find("Removed \"Notes\""),
              std::string::npos);
}

// --- the program itself, as a script starts it, on the test prefix's own registry ---

TEST(RemoveAsCommandTest, TheStartedProgramTakesBackWhatItImported) {
    qmtest::TempFolder temp;
    std::string file = temp.File("started set.qmx");
    qmtest::WriteFileBytes(file, Section("Started", "Exec=https://started/") +
                                     Section("Page", "Script=page.htm"));
    auto whole = [] {
        std::string dump;
        for (REGSAM view : qmtest::kBothViews)
            dump += qmtest::DumpTree(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer",
                                     view);
        return dump + qmtest::DumpTree(HKEY_CURRENT_USER, L"Software\\qzo");
    };
    const std::string before = whole();
    qmtest::ProcessResult imported = qmtest::RunProgram("/import \"" + file + "\" /quiet");
    ASSERT_EQ(imported.exitCode, DWORD(kExitDone)) << imported.output;
    ASSERT_NE(whole(), before);
    qmtest::ProcessResult removed =
        qmtest::RunProgram("/remove \"" + file + "\" /quiet /log \"" + temp.File("log.txt") + "\"");
    EXPECT_EQ(removed.exitCode, DWORD(kExitDone)) << removed.output;
    ExpectSays(removed.output, "Removed \"Started\"");
    EXPECT_NE(qmtest::ReadFileBytes(temp.File("log.txt")).find("Removed \"Page\""),
              std::string::npos);
    EXPECT_EQ(whole(), before) << removed.output;
}

} // namespace
