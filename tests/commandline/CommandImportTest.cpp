// /import from the command line on the sandboxed registry: a deployment run twice makes its
// buttons once, a quiet import needs /trust for programs of this machine, and files that are
// no export files, or would pass the 99 names, write nothing.
#include "commandline/CommandTest.h"
#include "support/ImportedSets.h"
#include "support/MachineViews.h"

namespace {

using namespace qm::cli;
using qmtest::ExpectSays;
using qmtest::ExpectSaysNot;
using qmtest::Section;

std::string Key(int n) { return qm::ButtonKeyName(n); }
std::string KeyPath(int n) { return qm::ButtonKeyPath(Key(n)); }

class CommandImportTest : public qmtest::CommandTest {
protected:
    static std::vector<std::string> Buttons() {
        return qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey);
    }
    static std::optional<std::string> ButtonValue(int n, const std::string& name) {
        return qmtest::StoredText(HKEY_LOCAL_MACHINE, KeyPath(n), name);
    }
    // The own record's value names in enumeration order.
    static std::vector<std::string> OwnRecord() {
        std::vector<std::string> names;
        if (auto values = qmtest::StoredValuesOf(HKEY_CURRENT_USER, qm::kOwnRecordKey))
            for (const auto& value : *values) names.push_back(value.first);
        return names;
    }
};

TEST_F(CommandImportTest, ASecondRunSkipsWhatTheFirstMadeAndForceMakesItAgain) {
    // Saved by an editor as "UTF-8 with BOM": the mark is no part of the first line.
    std::string file = File("deploy.qmx", "\xEF\xBB\xBF" + Section("Notes", "Script=notes.htm") +
                                              Section("Web", "Exec=https://intranet/") +
                                              Section("Calc", "Script=calc.htm"));
    // A button of the machine with the same text but another page is no duplicate.
    qmtest::PutValues(
        HKEY_LOCAL_MACHINE, KeyPath(1),
        {{"ButtonText", qmtest::Sz("Calc")}, {"Script", qmtest::Sz("C:\\other\\calc.htm")}});

    ASSERT_EQ(Run({"/import", file, "/quiet"}), kExitDone) << output.err;
    EXPECT_EQ(output.err, "");
    EXPECT_EQ(Buttons().size(), 4u);
    EXPECT_EQ(ButtonValue(2, "ButtonText"), "Notes");
    EXPECT_EQ(ButtonValue(2, "CLSID"), "{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}");
    EXPECT_EQ(ButtonValue(2, "Script"), temp.File("deploy_files\\notes.htm"));
    EXPECT_EQ(ButtonValue(3, "Exec"), "https://intranet/");
    EXPECT_EQ(ButtonValue(4, "Script"), temp.File("deploy_files\\calc.htm"));
    EXPECT_EQ(OwnRecord(), (std::vector<std::string>{"StdBtn02", "StdBtn03", "StdBtn04"}));
    ExpectSays(output.out, "Created \"Notes\" as " + Key(2));

    // The same deployment again, with the switches in another letter case: nothing new.
    ASSERT_EQ(Run({"-IMPORT", file, "-QUIET"}), kExitDone) << output.err;
    EXPECT_EQ(Buttons().size(), 4u);
    ExpectSays(output.out, "Skipped \"Notes\"");
    ExpectSays(output.out, "Nothing to import");

    ASSERT_EQ(Run({"/import", file, "/quiet", "/force"}), kExitDone) << output.err;
    EXPECT_EQ(Buttons().size(), 7u);
    EXPECT_EQ(ButtonValue(7, "ButtonText"), "Calc");
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(CommandImportTest, AQuietImportCreatesButtonsThatRunProgramsOnlyWithTrust) {
    // Every Exec that starts a program needs /trust, however it is spelt and wherever the
    // program lies: one shipped in the set's own folder came with the same untrusted file.
    std::string own = temp.File("tools_files");
    CreateDirectoryA(own.c_str(), nullptr);
    qmtest::WriteFileBytes(own + "\\run.exe", "MZ");
    char shortOwn[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA(own.c_str(), shortOwn, MAX_PATH), 0u);
    const std::string programs[] = {
        "C:\\Windows\\System32\\cmd.exe",
        own + "\\..\\..\\..\\..\\..\\..\\..\\..\\..\\Windows\\System32\\cmd.exe",
        own + "/../../../../../../../../../Windows/System32/cmd.exe",
        own + "\\run.exe",
        std::string(shortOwn) + "\\run.exe",
        own + "\\run.exe. ",
        "cmd.exe",
        "file:///C:/Windows/System32/cmd.exe",
        "https:\\\\intranet\\tool.exe",
    };
    std::string file = temp.File("tools.qmx");
    std::string log = temp.File("import.log");
    int made = 0;
    for (const std::string& exec : programs) {
        SCOPED_TRACE(exec);
        qmtest::WriteFileBytes(file, Section("Page" + std::to_string(made), "Script=page.htm") +
                                         Section("Shell", "Exec=" + exec));
        EXPECT_EQ(Run({"/import", file, "/quiet", "/log", log}), kExitBadArguments);
        EXPECT_EQ(Buttons().size(), static_cast<size_t>(made)); // not even the harmless one
        ExpectSays(output.err, "\"Shell\" of \"" + file + "\" runs the program " + exec);
        ExpectSays(output.err, "give /trust");

        EXPECT_EQ(Run({"/import", file, "/quiet", "/trust"}), kExitDone) << output.err;
        made += 2;
        ASSERT_EQ(Buttons().size(), static_cast<size_t>(made));
        EXPECT_EQ(ButtonValue(made, "Exec"), exec); // stored as the file has it
    }
    ExpectSays(qmtest::ReadFileBytes(log), "give /trust");
    // What the escaping path really starts is named.
    qmtest::WriteFileBytes(file, Section("Again", "Exec=" + programs[1]));
    EXPECT_EQ(Run({"/import", file, "/quiet"}), kExitBadArguments);
    ExpectSays(output.err, ", that is C:\\Windows\\System32\\cmd.exe; give /trust");

    // A web address starts no program.
    qmtest::WriteFileBytes(file, Section("Web", "Exec=HTTPS://intranet/") +
                                     Section("Plain", "Exec=http://intranet/a"));
    EXPECT_EQ(Run({"/import", file, "/quiet"}), kExitDone) << output.err;
    EXPECT_EQ(Buttons().size(), static_cast<size_t>(made + 2));
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(CommandImportTest, WithoutQuietTheImportShowsWhatItCreatesAndNoWritesNothing) {
    std::string file = File("ask.qmx", Section("Shell", "Exec=C:\\Tools\\run.exe"));
    dialogs.AnswerQuestion(false);
    EXPECT_EQ(Run({"/import", file}), kExitFailed);
    EXPECT_TRUE(Buttons().empty());
    auto questions = dialogs.ShownOf(qmtest::Shown::Question);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].caption, "Import toolbar buttons");
    ExpectSays(questions[0].text, "\"Shell\": runs C:\\Tools\\run.exe (a program)");

    dialogs.AnswerQuestion(true);
    EXPECT_EQ(Run({"/import", file}), kExitDone); // the question stands in for /trust
    EXPECT_EQ(ButtonValue(1, "Exec"), "C:\\Tools\\run.exe");
}

TEST_F(CommandImportTest, FilesThatAreNoExportFilesAreRefusedByNameAndWriteNothing) {
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) % 251);
    std::string many;
    for (int i = 0; i < 500; ++i) many += Section("B" + std::to_string(i), "Script=b.htm");
    const struct {
        std::string name, bytes, why;
        int exit;
    } cases[] = {
        {"junk.qmx", junk, "binary data", kExitFileProblem},
        {"zero.qmx", Section("A", "Script=a.htm") + std::string("\0", 1), "binary data",
         kExitFileProblem},
        {"empty.qmx", "", "no button section", kExitFileProblem},
        {"text.qmx", "just some text\r\nButtonText=x\r\n", "no button section", kExitFileProblem},
        {"lf.qmx", "buttonstart\nButtonText=x\nbuttonend\n",
         "its lines end with a line feed (LF) alone, but an export file's lines end with CR LF",
         kExitFileProblem},
        {"many.qmx", many, "only 99 of the 99 toolbar button names are free", kExitLimit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = File(c.name, c.bytes);
        EXPECT_EQ(Run({"/import", file, "/quiet", "/trust"}), c.exit);
        ExpectSays(output.err, c.why);
        if (c.exit == kExitFileProblem)
            ExpectSays(output.err, "The file \"" + file + "\" cannot be imported");
        EXPECT_TRUE(Buttons().empty());
        EXPECT_TRUE(OwnRecord().empty());
    }
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(CommandImportTest, AFileCutShortImportsWhatItHoldsAndTheNamesLeftBoundTheImport) {
    // Sections cut short by the next start or by the file's end get no own-record entry.
    std::string file =
        File("cut.qmx", Section("Whole", "Script=w.htm") + "buttonstart\r\nButtonText=Cut\r\n" +
                            Section("Next", "Script=n.htm") + "buttonstart\r\nButtonText=Tail");
    ASSERT_EQ(Run({"/import", file, "/quiet"}), kExitDone) << output.err;
    EXPECT_EQ(Buttons().size(), 4u);
    EXPECT_EQ(ButtonValue(2, "ButtonText"), "Cut");
    EXPECT_EQ(ButtonValue(4, "ButtonText"), "Tail");
    EXPECT_EQ(OwnRecord(), (std::vector<std::string>{"StdBtn01", "StdBtn03"}));

    // 97 names taken of 99: a file of three new buttons makes none of them.
    for (int n = 5; n <= 98; ++n)
        qmtest::PutText(HKEY_LOCAL_MACHINE, KeyPath(n), "ButtonText", "x");
    std::string three =
        File("three.qmx", Section("A", "Script=a.htm") + Section("B", "Script=b.htm") +
                              Section("C", "Script=c.htm"));
    EXPECT_EQ(Run({"/import", three, "/quiet"}), kExitLimit);
    ExpectSays(output.err, "holds 3 buttons to create, but only 1 of the 99");
    EXPECT_EQ(Buttons().size(), 98u);
    EXPECT_FALSE(ButtonValue(99, "ButtonText"));
}

TEST_F(CommandImportTest, NamesTheCurrentUserHoldsAreCountedAndAFileThatDoesNotFitWritesNothing) {
    // A name under the current user's root is taken for a new machine-wide button too.
    for (int n = 1; n <= 60; ++n)
        qmtest::PutText(HKEY_CURRENT_USER, KeyPath(n), "ButtonText", "mine");
    auto sections = [](int count) {
        std::string bytes;
        for (int i = 0; i < count; ++i)
            bytes += Section("B" + std::to_string(i), "Script=b" + std::to_string(i) + ".htm");
        return bytes;
    };
    std::string file = File("fifty.qmx", sections(50));
    EXPECT_EQ(Run({"/import", file, "/quiet"}), kExitLimit);
    ExpectSays(output.err, "holds 50 buttons to create, but only 39 of the 99 toolbar button "
                           "names are free. Nothing was imported");
    ExpectSaysNot(output.out, "Created");
    // Asked nothing about a file that is refused anyway, and counting made nothing: not even
    // the machine's Extensions key, which was missing.
    dialogs.ExpectApplicationError();
    EXPECT_EQ(Run({"/import", file}), kExitLimit);
    EXPECT_TRUE(dialogs.ShownOf(qmtest::Shown::Question).empty());
    EXPECT_FALSE(qmtest::StoredKeyExists(HKEY_LOCAL_MACHINE, qm::kExtensionsKey));
    EXPECT_TRUE(OwnRecord().empty());

    // Exactly as many as are free: every one is made, and each is reported.
    qmtest::WriteFileBytes(file, sections(39));
    EXPECT_EQ(Run({"/import", file, "/quiet"}), kExitDone) << output.err;
    EXPECT_EQ(Buttons().size(), 39u);
    EXPECT_EQ(ButtonValue(61, "ButtonText"), "B0");
    EXPECT_EQ(ButtonValue(99, "ButtonText"), "B38");
    ExpectSays(output.out, "Created \"B38\" as " + Key(99));
}

// Windows refuses a change for lack of rights, during an import of three buttons (A, Web, C):
// the import ends with the rights code and says what it made and what it could not.
struct Refusal {
    const char* name;
    bool oldButton; // the machine holds a button, and so its Extensions key, already
    HKEY root;
    std::string refused;                         // the key whose changes Windows refuses
    std::vector<std::string> buttons, ownRecord; // what is there afterwards
    std::vector<std::string> says, saysOnError;  // words of the output, of the errors and log
    std::string saysNot;
};
using Words = std::vector<std::string>;
Refusal Refused(const char* name, bool oldButton, HKEY root, std::string refused, Words buttons,
                Words ownRecord, Words says, Words saysOnError, std::string saysNot) {
    return {name, oldButton, root, refused, buttons, ownRecord, says, saysOnError, saysNot};
}
const std::string kRecord = " of HKEY_CURRENT_USER\\Software\\qzo\\Quillmere\\StdBtn";
const Refusal kRefusals[] = {
    // A standard user may open the browser's key for reading; Windows refuses only changes.
    Refused("TheMachinesButtonsWriteNothing", true, HKEY_LOCAL_MACHINE, qm::kExtensionsKey + 1,
            {Key(1)}, {}, {}, {"administrator rights"}, "Created \""),
    // The buttons themselves are made and reported; each entry of the record is named.
    Refused("TheOwnRecordNamesItsKey", false, HKEY_CURRENT_USER, "Software\\qzo",
            {Key(1), Key(2), Key(3)}, {}, {"Created \"Web\" as " + Key(2)},
            {"Error: Error while trying to write registry data: the value StdBtn01" + kRecord,
             "the value StdBtn02" + kRecord, "the value StdBtn03" + kRecord,
             "cannot be written: Windows refused the change for lack of rights"},
            ""),
    // The second button's key is refused when it is made, after the first was.
    Refused("AStopPartWaySaysExactlyWhatWasCreated", false, HKEY_LOCAL_MACHINE,
            std::string(qm::kExtensionsKey + 1) + "\\" + Key(2), {Key(1)}, {"StdBtn01"},
            {"Created \"A\" as " + Key(1) +
             "\r\nThe import stopped after 1 of its 3 buttons; the buttons reported as created "
             "stay\r\n"},
            {Key(2)}, "Created \"Web\""),
};

void PrintTo(const Refusal& row, std::ostream* out) { *out << row.name; }

class RefusedImportTest : public CommandImportTest,
                          public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedImportTest, EndsWithTheRightsCode) {
    const Refusal& row = GetParam();
    std::string file =
        File("set.qmx", Section("A", "Script=a.htm") + Section("Web", "Exec=https://intranet/") +
                            Section("C", "Script=c.htm"));
    if (row.oldButton) qmtest::PutText(HKEY_LOCAL_MACHINE, KeyPath(1), "ButtonText", "Old");
    qmtest::RefuseChanges refuse(row.root, row.refused);
    std::string log = temp.File("refused.log");
    EXPECT_EQ(Run({"/import", file, "/quiet", "/log", log}), kExitNoRights) << output.err;
    EXPECT_GT(refuse.refused, 0);
    EXPECT_EQ(Buttons(), row.buttons);
    EXPECT_EQ(OwnRecord(), row.ownRecord);
    for (const std::string& words : row.says) ExpectSays(output.out, words);
    for (const std::string& words : row.saysOnError) {
        ExpectSays(output.err, words);
        ExpectSays(qmtest::ReadFileBytes(log), words);
    }
    if (!row.saysNot.empty()) ExpectSaysNot(output.out, row.saysNot);
    EXPECT_TRUE(dialogs.Shown().empty());
}

INSTANTIATE_TEST_SUITE_P(Refusals, RefusedImportTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandImportTest, CopyFilesPointsTheButtonsAtTheSetsOwnCopyAndSaysWhatIsMissing) {
    qmtest::ImportedSetsFolder sets(temp.File("sets"));
    CreateDirectoryA(temp.File("deploy_files").c_str(), nullptr);
    qmtest::WriteFileBytes(temp.File("deploy_files\\notes.htm"), "<html>notes</html>");
    std::string file = File("deploy.qmx", Section("Notes", "Script=notes.htm"));
    std::string log = temp.File("copy.log");
    ASSERT_EQ(Run({"/import", file, "/quiet", "/copyfiles", "/log", log}), kExitDone) << output.err;
    const std::string copy = temp.File("sets\\deploy\\notes.htm");
    EXPECT_EQ(ButtonValue(1, "Script"), copy);
    EXPECT_EQ(qmtest::ReadFileBytes(copy), "<html>notes</html>");
    // The icon did not come with the set: the import says so, and makes the button.
    ExpectSays(output.out, "The button \"Notes\": Icon names \"" +
                               temp.File("deploy_files\\Notes.ico") +
                               "\", which did not come with the file and is not on this computer");
    ExpectSays(qmtest::ReadFileBytes(log),
               "Copied the buttons' scripts and icons to \"" + temp.File("sets\\deploy") + "\"");

    // Run again: the button is there by its copy, and nothing is copied again.
    ASSERT_EQ(Run({"/import", file, "/quiet", "/copyfiles"}), kExitDone) << output.err;
    ExpectSays(output.out, "Skipped \"Notes\"");
    EXPECT_EQ(qmtest::FilesIn(temp.File("sets")), std::vector<std::string>{"deploy"});
    EXPECT_EQ(Buttons().size(), 1u);

    EXPECT_EQ(Run({"/list", "/copyfiles", "/quiet"}), kExitBadArguments);
    ExpectSays(output.err, "The switch /copyfiles belongs to /import");
}

} // namespace
