// Reading the command line: which command, file and switches each argument list gives, and
// what a wrong one is told, with the exit code it ends with.
#include "app/CommandLine.h"
#include "app/CommandRun.h"

#include "commandline/CapturedOutput.h"
#include "commandline/CommandTest.h"
#include "support/ProgramTest.h"
#include "support/RawRegistry.h"

#include <gtest/gtest.h>

namespace {

using namespace qm::cli;

struct Row {
    std::vector<std::string> args;
    std::optional<Command> command; // nullopt: the arguments are refused
    std::string file;
    bool quiet = false, force = false, trust = false;
    std::string log, files;
    std::string error; // part of the refusal's text
};

TEST(CommandLineTest, ArgumentsGiveTheirCommandOrARefusal) {
    auto ok = [](std::vector<std::string> args, Command command, std::string file = "") {
        Row row;
        row.args = std::move(args), row.command = command, row.file = std::move(file);
        return row;
    };
    auto refused = [](std::vector<std::string> args, std::string error, bool quiet = false) {
        Row row;
        row.args = std::move(args), row.error = std::move(error), row.quiet = quiet;
        return row;
    };
    std::vector<Row> rows = {
        ok({"/list"}, Command::List),
        ok({"-LIST"}, Command::List),
        ok({"/?"}, Command::Help),
        ok({"-?"}, Command::Help),
        ok({"/list", "/?"}, Command::Help),
        ok({"/list", "Buttons"}, Command::List),
        refused({"/list", "menu"}, "Unexpected argument \"menu\""),
        ok({"/export", "C:\\out\\a.qmx"}, Command::Export, "C:\\out\\a.qmx"),
        ok({"/EXPORT-GPO", "b.xml"}, Command::ExportGpo, "b.xml"),
        refused({"/quiet"}, "Give a command", true),
        refused({"/lst"}, "Unknown switch /lst"),
        refused({"list"}, "Unexpected argument \"list\""),
        refused({"/export"}, "/export needs a file name"),
        refused({"/import", "/quiet"}, "/import needs a file name", true),
        refused({"/import", ""}, "needs a file name"),
        refused({"/list", "/log"}, "/log needs a file name"),
        refused({"/list", "/export", "a.qmx"}, "not /list and /export"),
        refused({"/export", "a.qmx", "/files", "d"}, "/files belongs to /export-gpo"),
        refused({"/export", "a.qmx", "/force"}, "/force belongs to /import"),
        refused({"/list", "/trust"}, "/trust belongs to /import"),
        refused({"/bad", "-Q"}, "Unknown switch /bad", true),
    };
    rows.push_back(ok({"/List", "/Quiet"}, Command::List));
    rows.back().quiet = true;
    rows.push_back(ok({"-Export", "a b.qmx", "-q"}, Command::Export, "a b.qmx"));
    rows.back().quiet = true;
    rows.push_back(ok({"/import", "x.qmx", "/force", "/trust", "/quiet", "/log", "C:\\l.txt"},
                      Command::Import, "x.qmx"));
    rows.back().force = rows.back().trust = rows.back().quiet = true, rows.back().log = "C:\\l.txt";
    rows.push_back(ok({"/quiet", "/import", "x.qmx"}, Command::Import, "x.qmx"));
    rows.back().quiet = true;
    rows.push_back(
        ok({"/export-gpo", "b.xml", "/files", "\\\\srv\\share\\qm"}, Command::ExportGpo, "b.xml"));
    rows.back().files = "\\\\srv\\share\\qm";
    for (const Row& row : rows) {
        std::string shown;
        for (const auto& arg : row.args) shown += "[" + arg + "]";
        SCOPED_TRACE(shown);
        EXPECT_TRUE(HasCommand(row.args));
        ParseResult result = ParseCommandLine(row.args);
        if (!row.command) {
            EXPECT_FALSE(result.options);
            qmtest::ExpectSays(result.error, row.error);
            EXPECT_EQ(result.quiet, row.quiet); // a refused line still honours /quiet
            continue;
        }
        ASSERT_TRUE(result.options) << result.error;
        EXPECT_EQ(result.options->command, *row.command);
        EXPECT_EQ(result.options->file, row.file);
        EXPECT_EQ(result.options->quiet, row.quiet);
        EXPECT_EQ(result.options->force, row.force);
        EXPECT_EQ(result.options->trust, row.trust);
        EXPECT_EQ(result.options->log, row.log);
        EXPECT_EQ(result.options->files, row.files);
    }
    EXPECT_FALSE(HasCommand({})); // no arguments: the window
}

// Collects what a command writes to its console.
using qmtest::CapturedOutput;

class CommandExitTest : public qmtest::ProgramTest {};

TEST(CommandLineTest, EveryExitCodeIsExplainedInTheUsageTheHelpAndTheReadme) {
    const std::string sources = QM_TEST_DATA_DIR "/../../../";
    std::string help = qmtest::ReadFileBytes(sources + "resources/help/deploying.htm");
    std::string readme = qmtest::ReadFileBytes(sources + "README.md");
    std::string usage = UsageText();
    ASSERT_NE(help, "");
    ASSERT_NE(readme, "");
    // The codes as one line: where the text wraps does not matter.
    auto codesOf = [](std::string text) {
        text = text.substr(text.find("Exit codes: 0 "));
        for (char& c : text)
            if (c == '\r' || c == '\n') c = ' ';
        return text;
    };
    std::string usageCodes = codesOf(usage), readmeCodes = codesOf(readme);
    for (int code = kExitDone; code <= kExitFilesLeft; ++code) {
        SCOPED_TRACE(code);
        std::string number = std::to_string(code);
        std::string listed = code == kExitDone ? ": 0 " : "; " + number + " ";
        qmtest::ExpectSays(usageCodes, listed);
        qmtest::ExpectSays(readmeCodes, listed);
        qmtest::ExpectSays(help, "<tr><td>" + number + "</td>");
    }
    EXPECT_EQ(usageCodes.find("; " + std::to_string(kExitFilesLeft + 1) + " "), std::string::npos);
}

TEST_F(CommandExitTest, RefusedArgumentsEndWithOneAndTheUsageAndAskNothingWhenQuiet) {
    CapturedOutput output;
    EXPECT_EQ(RunCommand(ParseCommandLine({"/lst", "/quiet"}), output), kExitBadArguments);
    qmtest::ExpectSays(output.err, "Unknown switch /lst");
    EXPECT_NE(output.out.find("Exit codes: 0 done; 1 bad arguments"), std::string::npos);
    EXPECT_TRUE(dialogs.Shown().empty());

    // Without /quiet the error is also shown on the screen.
    dialogs.ExpectApplicationError("Unknown switch /bad.");
    CapturedOutput shown;
    EXPECT_EQ(RunCommand(ParseCommandLine({"/bad"}), shown), kExitBadArguments);

    CapturedOutput help;
    EXPECT_EQ(RunCommand(ParseCommandLine({"/?"}), help), kExitDone);
    EXPECT_EQ(help.out, UsageText());
    EXPECT_EQ(help.err, "");
}

TEST_F(CommandExitTest, UsageWithNowhereToShowItComesInABoxUnlessQuiet) {
    CapturedOutput nowhere;
    nowhere.shown = false;
    dialogs.ExpectInformation(UsageText());
    EXPECT_EQ(RunCommand(ParseCommandLine({"/?"}), nowhere), kExitDone);
    EXPECT_EQ(dialogs.ShownOf(qmtest::Shown::Information).size(), 1u);

    // /quiet keeps the screen clear; output that reaches a console or a file is enough.
    CapturedOutput quiet;
    quiet.shown = false;
    EXPECT_EQ(RunCommand(ParseCommandLine({"/?", "/quiet"}), quiet), kExitDone);
    EXPECT_EQ(quiet.out, UsageText());
    CapturedOutput console;
    EXPECT_EQ(RunCommand(ParseCommandLine({"-?"}), console), kExitDone);
    EXPECT_EQ(dialogs.Shown().size(), 1u);
}

TEST_F(CommandExitTest, ALogThatCannotBeOpenedEndsWithTwoAndTheLogGetsEveryMessageAppended) {
    CapturedOutput output;
    std::string missingFolder = temp.File("no\\such\\folder\\log.txt");
    EXPECT_EQ(RunCommand(ParseCommandLine({"/list", "/quiet", "/log", missingFolder}), output),
              kExitFileProblem);
    EXPECT_NE(
        output.err.find("The log file \"" + missingFolder + "\" cannot be opened: Path not found"),
        std::string::npos);

    std::string log = temp.File("run.log");
    qmtest::WriteFileBytes(log, "earlier run\r\n");
    CapturedOutput again;
    EXPECT_EQ(
        RunCommand(ParseCommandLine({"/import", temp.File("none.qmx"), "/quiet", "/log", log}),
                   again),
        kExitFileProblem);
    std::string logged = qmtest::ReadFileBytes(log);
    EXPECT_EQ(logged.rfind("earlier run\r\n", 0), 0u) << logged;
    qmtest::ExpectSays(logged, "Error: The file \"" + temp.File("none.qmx") +
                                   "\" cannot be read: File not found\r\n");
    EXPECT_TRUE(dialogs.Shown().empty());
}

} // namespace

namespace {

// An import is backed up first; when that cannot be done it is not made, unless /nobackup says
// to go on without.
TEST_F(CommandExitTest, AnImportThatCannotBeBackedUpIsNotMadeWithoutNoBackup) {
    qmtest::WriteFileBytes(temp.File("set.qmx"), "buttonstart\r\nButtonText=one\r\nbuttonend\r\n");
    qmtest::WriteFileBytes(temp.File("blocked"), "a file where the history's folder would be");
    qmtest::HistoryFolder blocked(temp.File("blocked") + "\\history");
    const std::string extensions = "Software\\Microsoft\\Internet Explorer\\Extensions";
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        size_t buttons;
    };
    const Case cases[] = {
        {{"/import", temp.File("set.qmx"), "/quiet"}, kExitNoBackup, 0},
        {{"/import", temp.File("set.qmx"), "/quiet", "/nobackup"}, kExitDone, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        CapturedOutput output;
        EXPECT_EQ(RunCommand(ParseCommandLine(c.args), output), c.exitCode);
        EXPECT_EQ(qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, extensions).size(), c.buttons);
        EXPECT_NE(output.out.find("backup") + output.err.find("backup"), 2 * std::string::npos)
            << output.out << output.err;
    }
}

} // namespace

namespace {

// /history lists the window's and the commands' changes, newest first, and /undo N takes one
// back; a key changed since is taken back under /quiet only with /force.
TEST_F(CommandExitTest, HistoryListsTheChangesAndUndoTakesOneBack) {
    const std::string extensions = "Software\\Microsoft\\Internet Explorer\\Extensions";
    for (const char* name : {"one", "two"}) {
        qmtest::WriteFileBytes(temp.File(std::string(name) + ".qmx"),
                               std::string("buttonstart\r\nButtonText=") + name +
                                   "\r\nbuttonend\r\n");
        CapturedOutput imported;
        ASSERT_EQ(RunCommand(ParseCommandLine(
                                 {"/import", temp.File(std::string(name) + ".qmx"), "/quiet"}),
                             imported),
                  kExitDone);
    }
    CapturedOutput history;
    EXPECT_EQ(RunCommand(ParseCommandLine({"/history", "/quiet"}), history), kExitDone);
    const size_t first = history.out.find("1\t"), second = history.out.find("2\t");
    ASSERT_NE(first, std::string::npos) << history.out;
    ASSERT_NE(second, std::string::npos) << history.out;
    EXPECT_NE(history.out.find("Import of two.qmx: 1 buttons", first), std::string::npos);
    EXPECT_LT(history.out.find("two.qmx"), history.out.find("one.qmx"));

    // The older import, taken back while a later change has touched the same keys: refused
    // under /quiet, done with /force; the newer import's button stays away with it, as the
    // keys go back to how they were before the older one.
    CapturedOutput refused;
    EXPECT_EQ(RunCommand(ParseCommandLine({"/undo", "2", "/quiet"}), refused), kExitFailed);
    EXPECT_EQ(qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, extensions).size(), 2u);
    CapturedOutput forced;
    EXPECT_EQ(RunCommand(ParseCommandLine({"/undo", "2", "/quiet", "/force"}), forced), kExitDone);
    EXPECT_TRUE(qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, extensions).empty());
    qmtest::ExpectSays(forced.out, "Undone: Import of one.qmx");

    // A number beyond the history, and a switch that does not belong, are refused.
    CapturedOutput beyond;
    EXPECT_EQ(RunCommand(ParseCommandLine({"/undo", "9", "/quiet"}), beyond), kExitFailed);
    EXPECT_FALSE(ParseCommandLine({"/history", "/trust"}).options);
}

} // namespace
