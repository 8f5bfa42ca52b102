// A change to the machine's buttons that Windows refuses the user (a security descriptor that
// denies it, in every process): the window hands exactly that change to the copy it starts with
// administrator rights, stays open, and shows the result; the elevated copy takes only a
// hand-over file that is the window's and asks for a button change. The elevated copy runs
// here through the command line's entry, with the refusal lifted as an elevation lifts it.
#include "app/CommandLine.h"
#include "app/CommandRun.h"
#include "buttons/ButtonRecord.h"
#include "buttons/ElevatedChange.h"
#include "ui/Rights.h"

#include "commandline/CommandTest.h"
#include "support/MachineViews.h"
#include "support/MainWindowTest.h"

#include <shellapi.h>

namespace {

using qmtest::kBothViews;
using qmtest::RawKeyExists;
using qmtest::RawPut;
using qmtest::RawRead;
using qmtest::RawStrings;
using qmtest::RawSubKeys;

const std::string kExt = "Software\\Microsoft\\Internet Explorer\\Extensions";
const std::string kKey = "{0A000000-0000-0000-0000-0000000000EE}";
const std::string kPath = kExt + "\\" + kKey;
const RawStrings kOld = {{"ButtonText", "Old"}, {"Exec", "old.exe"}, {"IsQuillmere", "YES"}};

std::string Refusal(const std::string& failure) {
    return qm::ui::RefusalText(qm::ui::RefusedKeys::Machine, failure);
}

using qmtest::CapturedOutput;

// The elevated copy's run: its command line split as the C runtime splits it.
DWORD RunElevatedCopy(const std::string& arguments, CapturedOutput& output) {
    int count = 0;
    LPWSTR* split = CommandLineToArgvW(qm::WidenText("quillmere.exe " + arguments).c_str(), &count);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) args.push_back(qm::NarrowText(split[i]));
    LocalFree(split);
    return static_cast<DWORD>(qm::cli::RunCommand(qm::cli::ParseCommandLine(args), output));
}

// The hand-over file named in the elevated copy's arguments.
std::string HandedOver(const std::string& arguments) {
    size_t start = arguments.find('"') + 1;
    return arguments.substr(start, arguments.find('"', start) - start);
}

using qmtest::FileExists;

class ElevatedChangeTest : public qmtest::MainWindowTest {
protected:
    void SetUp() override {
        for (REGSAM view : kBothViews) RawPut(HKEY_LOCAL_MACHINE, view, kPath, kOld);
        MainWindowTest::SetUp();
        ASSERT_EQ(Text(0, IDC_STATICTEXT1), kKey);
    }
    // Windows refuses every change to the key in both views until the elevation lifts it.
    void Deny(const std::string& path) {
        for (REGSAM view : kBothViews)
            denied.push_back(std::make_unique<qmtest::DenyChanges>(HKEY_LOCAL_MACHINE, view, path));
    }
    // The elevated copy: the refusal is lifted, and meanwhile runs first (another program).
    void Elevate(std::function<void()> meanwhile = {}) {
        dialogs.AnswerElevation([this, meanwhile](const std::string& arguments) {
            handedOver = HandedOver(arguments);
            EXPECT_TRUE(FileExists(handedOver)) << arguments;
            for (auto& refusal : denied) refusal->Lift();
            if (meanwhile) meanwhile();
            return RunElevatedCopy(arguments, elevatedOutput);
        });
    }
    static void ExpectMachineRecord(const RawStrings& values) {
        for (REGSAM view : kBothViews)
            EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, view, kPath), values) << qmtest::ViewName(view);
    }

    std::vector<std::unique_ptr<qmtest::DenyChanges>> denied;
    std::string handedOver;
    CapturedOutput elevatedOutput;
};

TEST_F(ElevatedChangeTest, ARefusedSaveIsMadeExactlyByTheElevatedCopyAndTheWindowShowsIt) {
    Deny(kPath);
    Type(0, IDC_BUTTONTEXT, "New");
    // Declined: nothing is written, and the edit stays, still unsaved.
    dialogs.AnswerQuestion(false, Refusal("The button \"New\" cannot be saved"));
    ClickToolButton(IDM_SAVE);
    ExpectMachineRecord(kOld);
    EXPECT_EQ(Text(0, IDC_BUTTONTEXT), "New");
    EXPECT_TRUE(form->IsPageModified(0));

    dialogs.AnswerQuestion(true, Refusal("The button \"New\" cannot be saved"));
    Elevate();
    ClickToolButton(IDM_SAVE);
    EXPECT_EQ(elevatedOutput.err, "");
    // That edit alone, in both views; the window is still there and shows the record as stored.
    ExpectMachineRecord({{"ButtonText", "New"}, {"Exec", "old.exe"}, {"IsQuillmere", "YES"}});
    EXPECT_EQ(Text(0, IDC_BUTTONTEXT), "New");
    EXPECT_EQ(Text(0, IDC_EXECEDIT), "old.exe");
    EXPECT_FALSE(form->IsModified());
    EXPECT_NE(form->hwnd(), nullptr);
    EXPECT_TRUE(IsWindow(form->hwnd()));
    EXPECT_FALSE(FileExists(handedOver));
    // The change is in this user's history, and can be taken back.
    const auto changes = qm::ListChanges();
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.front().what, "Save button \"New\"");
}

// Another program changes the edited value after the window's check, before the elevated copy
// writes: the elevated copy asks, as the window's own save would; the parameter is the answer.
class ElevatedOverwriteTest : public ElevatedChangeTest,
                              public ::testing::WithParamInterface<bool> {};

TEST_P(ElevatedOverwriteTest, AValueChangedMeanwhileIsOverwrittenOnlyOnYes) {
    const bool overwrite = GetParam();
    Deny(kPath);
    Type(0, IDC_BUTTONTEXT, "Mine");
    dialogs.AnswerQuestion(true, Refusal("The button \"Mine\" cannot be saved"));
    Elevate([] {
        for (REGSAM view : kBothViews)
            RawPut(HKEY_LOCAL_MACHINE, view, kPath, {{"ButtonText", "Theirs"}});
    });
    dialogs.AnswerQuestion(overwrite, "The button \"" + kKey +
                                          "\" was changed in the registry since it was shown "
                                          "(\"ButtonText\"). Overwrite it?");
    if (!overwrite) dialogs.ExpectApplicationError();
    ClickToolButton(IDM_SAVE);
    for (REGSAM view : kBothViews)
        EXPECT_EQ(RawRead(HKEY_LOCAL_MACHINE, view, kPath)->at("ButtonText"),
                  overwrite ? "Mine" : "Theirs");
    // Not saved, the edit stays in the window, still unsaved; saved, the window shows it.
    EXPECT_EQ(form->IsPageModified(0), !overwrite);
    EXPECT_EQ(Text(0, IDC_BUTTONTEXT), "Mine");
    EXPECT_EQ(qm::ListChanges().size(), overwrite ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Answers, ElevatedOverwriteTest, ::testing::Bool());

TEST_F(ElevatedChangeTest, ARefusedNewButtonIsMadeElevatedOrForThisUserAlone) {
    const std::string ownRecord = "Software\\qzo\\Quillmere\\StdBtn";
    struct Row {
        bool elevate;
        HKEY root;
    };
    for (const Row& row : {Row{true, HKEY_LOCAL_MACHINE}, Row{false, HKEY_CURRENT_USER}}) {
        SCOPED_TRACE(row.elevate);
        const std::string made = qm::ButtonKeyName(row.elevate ? 1 : 2);
        Deny(kExt);
        dialogs.AnswerQuestion(true, Refusal("The button cannot be added"));
        if (row.elevate) {
            Elevate();
        } else {
            dialogs.AnswerElevation(false); // the prompt declined
            dialogs.AnswerQuestion(true, "Add the button \"QZO Menu\" for your account only "
                                         "instead? Internet Explorer also shows the buttons of "
                                         "your own account; other users of this computer do not "
                                         "get it.");
        }
        form->PageAt(0).Add(0);
        denied.clear();
        for (REGSAM view : row.root == HKEY_LOCAL_MACHINE
                               ? std::vector<REGSAM>{kBothViews[0], kBothViews[1]}
                               : std::vector<REGSAM>{0}) {
            auto record = RawRead(row.root, view, kExt + "\\" + made);
            ASSERT_TRUE(record) << qmtest::ViewName(view);
            EXPECT_EQ(record->at("ButtonText"), "QZO Menu");
            EXPECT_EQ(record->at("CLSID"), qm::kButtonClsid);
            EXPECT_EQ(record->at("IsQuillmere"), "YES");
        }
        EXPECT_EQ(RawRead(HKEY_CURRENT_USER, 0, ownRecord)->at("StdBtn0" + made.substr(36, 1)),
                  made);
        EXPECT_EQ(Text(0, IDC_STATICTEXT1), made);
        EXPECT_EQ(Text(0, IDC_BUTTONTEXT), "QZO Menu");
    }
    // The machine has the elevated one and the first button only.
    for (REGSAM view : kBothViews) EXPECT_EQ(RawSubKeys(HKEY_LOCAL_MACHINE, view, kExt).size(), 2u);
}

TEST_F(ElevatedChangeTest,
       AHandOverFileThatIsNotTheWindowsOrAsksForMoreIsRefusedAndChangesNothing) {
    const std::string header = "Quillmere elevated change 1\naction\tsave\nkey\t";
    const std::string good = header + kKey + "\nvalue\tButtonText\t1:4f6c6400\t1:4e657700\n";
    struct Row {
        const char* what;
        std::string text;
        bool tamper = false; // the bytes change after the digest was taken
    };
    const Row rows[] = {
        {"changed after the window wrote it", good, true},
        {"another key", header + "..\\..\\..\\Run\nvalue\tButtonText\t-\t1:7800\n"},
        {"the browser's own key",
         header + "{c95fe080-8f5d-11d2-a20b-00aa003c157a}\nvalue\tButtonText\t-\t1:7800\n"},
        {"a value no button has", header + kKey + "\nvalue\tDebugger\t-\t1:7800\n"},
        {"a binary value", header + kKey + "\nvalue\tButtonText\t-\t3:7800\n"},
        {"a line of its own", good + "run\tcmd.exe\n"},
        {"line ends of another kind", header + kKey + "\r\nvalue\tButtonText\t-\t1:7800\r\n"},
        {"the marker on a save", header + kKey + "\nvalue\tIsQuillmere\t-\t1:4e4f00\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string file = temp.File("change.txt");
        qmtest::WriteFileBytes(file, row.text);
        const std::string digest = qm::Sha256Hex(row.text);
        if (row.tamper) qmtest::WriteFileBytes(file, header + kKey + "\nvalue\tExec\t-\t1:7800\n");
        CapturedOutput output;
        EXPECT_EQ(
            RunElevatedCopy("/apply-change \"" + file + "\" /digest " + digest + " /quiet", output),
            DWORD(qm::cli::kExitFileProblem));
        qmtest::ExpectSays(output.err, "The change handed over in \"" + file + "\" was not made");
        ExpectMachineRecord(kOld);
    }
    // The window's own file, untouched, is taken.
    const std::string file = temp.File("change.txt");
    qmtest::WriteFileBytes(file, good);
    CapturedOutput output;
    EXPECT_EQ(
        RunElevatedCopy("/apply-change \"" + file + "\" /digest " + qm::Sha256Hex(good) + " /quiet",
                        output),
        DWORD(qm::cli::kExitDone))
        << output.err;
    ExpectMachineRecord({{"ButtonText", "New"}, {"Exec", "old.exe"}, {"IsQuillmere", "YES"}});
}

} // namespace
