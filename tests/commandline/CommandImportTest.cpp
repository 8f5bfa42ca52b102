// /import from the command line on the sandboxed registry: a deployment run twice makes its
// buttons once, a quiet import needs /trust for programs of this machine, and files that are
// no export files, or would pass the 99 names, write nothing.
#include "app/CommandLine.h"
#include "app/CommandRun.h"
#include "buttons/ButtonRecord.h"

#include "commandline/CapturedOutput.h"
#include "support/ImportedSets.h"
#include "support/MachineViews.h"
#include "support/RawRegistry.h"
#include "support/ProgramTest.h"

#include <gtest/gtest.h>

namespace {

using namespace qm::cli;

// A key's value names in enumeration order.
std::vector<std::string> ValueNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    if (auto values = qmtest::StoredValuesOf(root, path))
        for (const auto& value : *values) names.push_back(value.first);
    return names;
}

using qmtest::CapturedOutput;

std::string Section(const std::string& text, const std::string& runs) {
    return "buttonstart\r\nCLSID={1FBA04EE-3024-11d2-8F1F-0000F87ABD16}\r\nButtonText=" + text +
           "\r\n" + runs + "\r\nIcon=" + text + ".ico\r\nIsQuillmere=YES\r\nbuttonend\r\n";
}

class CommandImportTest : public qmtest::ProgramTest {
protected:
    CapturedOutput output;

    int Run(std::vector<std::string> args) {
        output = {};
        return RunCommand(ParseCommandLine(args), output);
    }
    static std::vector<std::string> Buttons() {
        return qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey);
    }
    static std::optional<std::string> ButtonValue(int n, const std::string& name) {
        return qmtest::StoredText(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(n)),
                                  name);
    }
    static std::vector<std::string> OwnRecord() {
        return ValueNames(HKEY_CURRENT_USER, qm::kOwnRecordKey);
    }
};

TEST_F(CommandImportTest, ASecondRunSkipsWhatTheFirstMadeAndForceMakesItAgain) {
    std::string file = temp.File("deploy.qmx");
    // Saved by an editor as "UTF-8 with BOM": the mark is no part of the first line.
    qmtest::WriteFileBytes(file, "\xEF\xBB\xBF" + Section("Notes", "Script=notes.htm") +
                                     Section("Web", "Exec=https://intranet/") +
                                     Section("Calc", "Script=calc.htm"));
    // A button of the machine with the same text but another page is no duplicate.
    qmtest::PutText(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(1)), "ButtonText",
                    "Calc");
    qmtest::PutText(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(1)), "Script",
                    "C:\\other\\calc.htm");

    ASSERT_EQ(Run({"/import", file, "/quiet"}), kExitDone) << output.err;
    EXPECT_EQ(output.err, "");
    EXPECT_EQ(Buttons().size(), 4u);
    EXPECT_EQ(ButtonValue(2, "ButtonText"), "Notes");
    EXPECT_EQ(ButtonValue(2, "CLSID"), "{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}");
    EXPECT_EQ(ButtonValue(2, "Script"), temp.File("deploy_files\\notes.htm"));
    EXPECT_EQ(ButtonValue(3, "Exec"), "https://intranet/");
    EXPECT_EQ(ButtonValue(4, "Script"), temp.File("deploy_files\\calc.htm"));
    EXPECT_EQ(OwnRecord(), (std::vector<std::string>{"StdBtn02", "StdBtn03", "StdBtn04"}));
    EXPECT_NE(output.out.find("Created \"Notes\" as " + qm::ButtonKeyName(2)), std::string::npos);

    // The same deployment again, with the paths in another letter case: nothing new.
    ASSERT_EQ(Run({"-IMPORT", file, "-QUIET"}), kExitDone) << output.err;
    EXPECT_EQ(Buttons().size(), 4u);
    EXPECT_NE(output.out.find("Skipped \"Notes\""), std::string::npos);
    EXPECT_NE(output.out.find("Nothing to import"), std::string::npos);

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
        EXPECT_NE(output.err.find("\"Shell\" of \"" + file + "\" runs the program " + exec),
                  std::string::npos)
            << output.err;
        EXPECT_NE(output.err.find("give /trust"), std::string::npos);

        EXPECT_EQ(Run({"/import", file, "/quiet", "/trust"}), kExitDone) << output.err;
        made += 2;
        ASSERT_EQ(Buttons().size(), static_cast<size_t>(made));
        EXPECT_EQ(ButtonValue(made, "Exec"), exec); // stored as the file has it
    }
    EXPECT_NE(qmtest::ReadFileBytes(log).find("give /trust"), std::string::npos);
    // What the escaping path really starts is named.
    qmtest::WriteFileBytes(file, Section("Again", "Exec=" + programs[1]));
    EXPECT_EQ(Run({"/import", file, "/quiet"}), kExitBadArguments);
    EXPECT_NE(output.err.find(", that is C:\\Windows\\System32\\cmd.exe; give /trust"),
              std::string::npos)
        << output.err;

    // A web address starts no program.
    qmtest::WriteFileBytes(file, Section("Web", "Exec=HTTPS://intranet/") +
                                     Section("Plain", "Exec=http://intranet/a"));
    EXPECT_EQ(Run({"/import", file, "/quiet"}), kExitDone) << output.err;
    EXPECT_EQ(Buttons().size(), static_cast<size_t>(made + 2));
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(CommandImportTest, WithoutQuietTheImportShowsWhatItCreatesAndNoWritesNothing) {
    std::string file = temp.File("ask.qmx");
    qmtest::WriteFileBytes(file, Section("Shell", "Exec=C:\\Tools\\run.exe"));
    dialogs.AnswerQuestion(false);
    EXPECT_EQ(Run({"/import", file}), kExitFailed);
    EXPECT_TRUE(Buttons().empty());
    auto questions = dialogs.ShownOf(qmtest::Shown::Question);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].caption, "Import toolbar buttons");
    EXPECT_NE(questions[0].text.find("\"Shell\": runs C:\\Tools\\run.exe (a program)"),
              std::string::npos)
        << questions[0].text;

    dialogs.AnswerQuestion(true);
    EXPECT_EQ(Run({"/import", file}), kExitDone); // the question stands in for /trust
    EXPECT_EQ(ButtonValue(1, "Exec"), "C:\\Tools\\run.exe");
}

TEST_F(CommandImportTest, FilesThatAreNoExportFilesAreRefusedByNameAndWriteNothing) {
    struct Case {
        std::string name, bytes, why;
        int exit;
    };
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) % 251);
    std::string many;
    for (int i = 0; i < 500; ++i) many += Section("B" + std::to_string(i), "Script=b.htm");
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = temp.File(c.name);
        qmtest::WriteFileBytes(file, c.bytes);
        EXPECT_EQ(Run({"/import", file, "/quiet", "/trust"}), c.exit);
        EXPECT_NE(output.err.find(c.why), std::string::npos) << output.err;
        if (c.exit == kExitFileProblem) {
            EXPECT_NE(output.err.find("The file \"" + file + "\" cannot be imported"),
                      std::string::npos)
                << output.err;
        }
        EXPECT_TRUE(Buttons().empty());
        EXPECT_TRUE(OwnRecord().empty());
    }
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(CommandImportTest, AFileCutShortImportsWhatItHoldsAndTheNamesLeftBoundTheImport) {
    // Sections cut short by the next start or by the file's end get no own-record entry.
    std::string file = temp.File("cut.qmx");
    qmtest::WriteFileBytes(file,
                           Section("Whole", "Script=w.htm") + "buttonstart\r\nButtonText=Cut\r\n" +
                               Section("Next", "Script=n.htm") + "buttonstart\r\nButtonText=Tail");
    ASSERT_EQ(Run({"/import", file, "/quiet"}), kExitDone) << output.err;
    EXPECT_EQ(Buttons().size(), 4u);
    EXPECT_EQ(ButtonValue(2, "ButtonText"), "Cut");
    EXPECT_EQ(ButtonValue(4, "ButtonText"), "Tail");
    EXPECT_EQ(OwnRecord(), (std::vector<std::string>{"StdBtn01", "StdBtn03"}));

    // 97 names taken of 99: a file of three new buttons makes none of them.
    for (int n = 5; n <= 98; ++n)
        qmtest::PutText(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(n)), "ButtonText",
                        "x");
    std::string three = temp.File("three.qmx");
    qmtest::WriteFileBytes(three, Section("A", "Script=a.htm") + Section("B", "Script=b.htm") +
                                      Section("C", "Script=c.htm"));
    EXPECT_EQ(Run({"/import", three, "/quiet"}), kExitLimit);
    EXPECT_NE(output.err.find("holds 3 buttons to create, but only 1 of the 99"), std::string::npos)
        << output.err;
    EXPECT_EQ(Buttons().size(), 98u);
    EXPECT_FALSE(ButtonValue(99, "ButtonText"));
}

TEST_F(CommandImportTest, NamesTheCurrentUserHoldsAreCountedAndAFileThatDoesNotFitWritesNothing) {
    // A name under the current user's root is taken for a new machine-wide button too.
    for (int n = 1; n <= 60; ++n)
        qmtest::PutText(HKEY_CURRENT_USER, qm::ButtonKeyPath(qm::ButtonKeyName(n)), "ButtonText",
                        "mine");
    auto sections = [](int count) {
        std::string bytes;
        for (int i = 0; i < count; ++i)
            bytes += Section("B" + std::to_string(i), "Script=b" + std::to_string(i) + ".htm");
        return bytes;
    };
    std::string file = temp.File("fifty.qmx");
    qmtest::WriteFileBytes(file, sections(50));
    EXPECT_EQ(Run({"/import", file, "/quiet"}), kExitLimit);
    EXPECT_NE(output.err.find("holds 50 buttons to create, but only 39 of the 99 toolbar button "
                              "names are free. Nothing was imported"),
              std::string::npos)
        << output.err;
    EXPECT_EQ(output.out.find("Created"), std::string::npos);
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
    EXPECT_NE(output.out.find("Created \"B38\" as " + qm::ButtonKeyName(99)), std::string::npos);
}

} // namespace

TEST_F(CommandImportTest, AnImportWithoutAdministratorRightsEndsWithItsOwnCodeAndWritesNothing) {
    std::string file = temp.File("denied.qmx");
    qmtest::WriteFileBytes(file, Section("Notes", "Script=notes.htm") +
                                     Section("Web", "Exec=https://intranet/"));
    // The browser's key exists, as on every Windows: a standard user may open it for reading,
    // and Windows refuses only the changes.
    qmtest::PutText(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(1)), "ButtonText",
                    "Old");
    qmtest::RefuseChanges refuse(HKEY_LOCAL_MACHINE, qm::kExtensionsKey);

    std::string log = temp.File("denied.log");
    EXPECT_EQ(Run({"/import", file, "/quiet", "/log", log}), kExitNoRights) << output.err;
    EXPECT_GT(refuse.refused, 0);
    EXPECT_EQ(Buttons(), (std::vector<std::string>{qm::ButtonKeyName(1)}));
    EXPECT_TRUE(OwnRecord().empty());
    EXPECT_NE(output.err.find("administrator rights"), std::string::npos) << output.err;
    EXPECT_NE(qmtest::ReadFileBytes(log).find("administrator rights"), std::string::npos);
    EXPECT_TRUE(dialogs.Shown().empty());
}

TEST_F(CommandImportTest, ARefusedOwnRecordNamesTheKeyAndEndsWithTheRightsCode) {
    std::string file = temp.File("record.qmx");
    qmtest::WriteFileBytes(file, Section("Notes", "Script=notes.htm") +
                                     Section("Web", "Exec=https://intranet/"));
    qmtest::RefuseChanges refuse(HKEY_CURRENT_USER, "Software\\qzo");
    EXPECT_EQ(Run({"/import", file, "/quiet"}), kExitNoRights) << output.err;
    EXPECT_EQ(Buttons().size(), 2u); // the buttons themselves are made and reported
    EXPECT_NE(output.out.find("Created \"Web\" as " + qm::ButtonKeyName(2)), std::string::npos);
    EXPECT_TRUE(OwnRecord().empty());
    for (const char* value : {"StdBtn01", "StdBtn02"}) {
        EXPECT_NE(output.err.find(std::string("Error: Error while trying to write registry data: "
                                              "the value ") +
                                  value +
                                  " of HKEY_CURRENT_USER\\Software\\qzo\\Quillmere\\StdBtn"),
                  std::string::npos)
            << output.err;
    }
    EXPECT_NE(output.err.find("cannot be written: Windows refused the change for lack of rights"),
              std::string::npos)
        << output.err;
}

TEST_F(CommandImportTest, AnImportThatStopsPartWaySaysExactlyWhatItCreated) {
    std::string file = temp.File("three.qmx");
    qmtest::WriteFileBytes(file, Section("A", "Script=a.htm") + Section("B", "Script=b.htm") +
                                     Section("C", "Script=c.htm"));
    // The second button's key is refused when it is made, after the first was.
    qmtest::RefuseChanges refuse(HKEY_LOCAL_MACHINE,
                                 std::string(qm::kExtensionsKey + 1) + "\\" + qm::ButtonKeyName(2));
    EXPECT_EQ(Run({"/import", file, "/quiet"}), kExitNoRights) << output.err;
    EXPECT_EQ(Buttons(), std::vector<std::string>{qm::ButtonKeyName(1)});
    EXPECT_EQ(OwnRecord(), std::vector<std::string>{"StdBtn01"});
    EXPECT_NE(output.out.find("Created \"A\" as " + qm::ButtonKeyName(1) +
                              "\r\nThe import stopped after 1 of its 3 buttons; the buttons "
                              "reported as created stay\r\n"),
              std::string::npos)
        << output.out;
    EXPECT_EQ(output.out.find("Created \"B\""), std::string::npos);
    EXPECT_NE(output.err.find(qm::ButtonKeyName(2)), std::string::npos) << output.err;
}

TEST_F(CommandImportTest, CopyFilesPointsTheButtonsAtTheSetsOwnCopyAndSaysWhatIsMissing) {
    qmtest::ImportedSetsFolder sets(temp.File("sets"));
    std::string file = temp.File("deploy.qmx");
    CreateDirectoryA(temp.File("deploy_files").c_str(), nullptr);
    qmtest::WriteFileBytes(temp.File("deploy_files\\notes.htm"), "<html>notes</html>");
    qmtest::WriteFileBytes(file, Section("Notes", "Script=notes.htm"));
    std::string log = temp.File("copy.log");
    ASSERT_EQ(Run({"/import", file, "/quiet", "/copyfiles", "/log", log}), kExitDone) << output.err;
    const std::string copy = temp.File("sets\\deploy\\notes.htm");
    EXPECT_EQ(ButtonValue(1, "Script"), copy);
    EXPECT_EQ(qmtest::ReadFileBytes(copy), "<html>notes</html>");
    // The icon did not come with the set: the import says so, and makes the button.
    EXPECT_NE(output.out.find("The button \"Notes\": Icon names \"" +
                              temp.File("deploy_files\\Notes.ico") +
                              "\", which did not come with the file and is not on this computer"),
              std::string::npos)
        << output.out;
    EXPECT_NE(qmtest::ReadFileBytes(log).find("Copied the buttons' scripts and icons to \"" +
                                              temp.File("sets\\deploy") + "\""),
              std::string::npos);

    // Run again: the button is there by its copy, and nothing is copied again.
    ASSERT_EQ(Run({"/import", file, "/quiet", "/copyfiles"}), kExitDone) << output.err;
    EXPECT_NE(output.out.find("Skipped \"Notes\""), std::string::npos) << output.out;
    EXPECT_EQ(qmtest::FilesIn(temp.File("sets")), std::vector<std::string>{"deploy"});
    EXPECT_EQ(Buttons().size(), 1u);

    EXPECT_EQ(Run({"/list", "/copyfiles", "/quiet"}), kExitBadArguments);
    EXPECT_NE(output.err.find("The switch /copyfiles belongs to /import"), std::string::npos);
}
