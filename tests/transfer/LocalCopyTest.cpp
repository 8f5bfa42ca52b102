// An import that copies its set's files to a folder of the machine: the buttons keep working
// when the folder the file came from is gone, a second import finds them there, another set's
// folder is never written into, a failed copy leaves nothing, and no copy leaves the set's
// folder.
#include "transfer/LocalCopy.h"
#include "transfer/TransferCommands.h"

#include "support/ImportedSets.h"
#include "support/ProgramTest.h"
#include "support/RawRegistry.h"
#include "support/TestPageHost.h"

#include <gtest/gtest.h>

#include <shlobj.h>

namespace {

using namespace qm::transfer;
using qmtest::Shown;

std::string Value(int n, const std::string& name) {
    return qmtest::StoredText(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(n)), name)
        .value_or("(none)");
}

class LocalCopyTest : public qmtest::ProgramTest {
protected:
    const std::string sets = temp.File("ProgramData");
    qmtest::ImportedSetsFolder setsFolder{sets};
    qmtest::TestPageHost host;
    ToolBarTransfer transfer{host};
    const std::string icon = qmtest::ReadFileBytes(QM_DIST_DIR "/Images/Icons/qmbar.ico");

    // An export file in folder (made) with a button "Notes" whose page holds page, its icon,
    // and a button that runs a web address.
    std::string MakeSet(const std::string& folder, const std::string& name,
                        const std::string& page) {
        CreateDirectoryA(folder.c_str(), nullptr);
        const std::string files = folder + "\\" + name + "_files";
        CreateDirectoryA(files.c_str(), nullptr);
        qmtest::WriteFileBytes(files + "\\notes.htm", page);
        qmtest::WriteFileBytes(files + "\\notes.ico", icon);
        const std::string file = folder + "\\" + name + ".qmx";
        qmtest::WriteFileBytes(
            file, "buttonstart\r\nButtonText=Notes\r\nScript=notes.htm\r\nIcon=notes.ico\r\n"
                  "HotIcon=notes.ico\r\nIsQuillmere=YES\r\nbuttonend\r\n"
                  "buttonstart\r\nButtonText=Web\r\nExec=https://intranet/\r\nbuttonend\r\n");
        return file;
    }
    size_t Buttons() const {
        return qmtest::StoredSubKeys(HKEY_LOCAL_MACHINE, qm::kExtensionsKey).size();
    }
    // Tools > Import of file, answered with the preview's own proposal unless told otherwise.
    // A non-empty error is the standard error box expected after the preview.
    qm::ui::RowChoice Import(const std::string& file, qmtest::RowsAnswer answer = {},
                             bool fails = false) {
        dialogs.AnswerFileDialog(file);
        dialogs.AnswerRows(answer);
        if (fails) dialogs.ExpectApplicationError();
        transfer.ImportToolBarInfo();
        auto previews = dialogs.ShownOf(Shown::Rows);
        return previews.empty() ? qm::ui::RowChoice() : previews.back().rows;
    }
};

TEST_F(LocalCopyTest, ACopiedSetWorksWithoutItsSourceAndASecondImportMakesNothing) {
    const std::string stick = temp.File("stick");
    const std::string file = MakeSet(stick, "tools", "<html>notes</html>");

    // From a temporary folder the copy is proposed, and taken.
    qm::ui::RowChoice first = Import(file);
    EXPECT_NE(first.option.find(sets), std::string::npos) << first.option;
    EXPECT_TRUE(first.optionChecked);
    const std::string copies = sets + "\\tools";
    EXPECT_EQ(qmtest::FilesIn(copies), (std::vector<std::string>{"notes.htm", "notes.ico"}));
    EXPECT_EQ(Value(1, "Script"), copies + "\\notes.htm");
    EXPECT_EQ(Value(1, "Icon"), copies + "\\notes.ico");
    EXPECT_EQ(Value(1, "HotIcon"), copies + "\\notes.ico");
    EXPECT_EQ(Value(2, "Exec"), "https://intranet/");
    // The import is backed up in the history as before.
    ASSERT_FALSE(qm::ListChanges().empty());
    EXPECT_EQ(qm::ListChanges().front().what, "Import of tools.qmx: 2 buttons");

    // The same file again: both buttons are there (the page by its copy), none is ticked, and
    // OK makes nothing and copies nothing.
    qm::ui::RowChoice second = Import(file);
    ASSERT_EQ(second.rows.size(), 2u);
    for (const auto& row : second.rows) {
        EXPECT_EQ(row.cells.back(), "already there") << row.cells.front();
        EXPECT_FALSE(row.chosen) << row.cells.front();
    }
    EXPECT_EQ(Buttons(), 2u);
    EXPECT_EQ(qmtest::FilesIn(sets), std::vector<std::string>{"tools"});

    // The stick is gone: the page and the icon are where the buttons name them.
    for (const char* name : {"\\tools_files\\notes.htm", "\\tools_files\\notes.ico", "\\tools.qmx"})
        ASSERT_TRUE(DeleteFileA((stick + name).c_str())) << name;
    ASSERT_TRUE(RemoveDirectoryA((stick + "\\tools_files").c_str()));
    ASSERT_TRUE(RemoveDirectoryA(stick.c_str()));
    EXPECT_EQ(qmtest::ReadFileBytes(Value(1, "Script")), "<html>notes</html>");
    HANDLE loaded =
        LoadImageA(nullptr, Value(1, "Icon").c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE);
    EXPECT_NE(loaded, nullptr) << Value(1, "Icon");
    if (loaded) DestroyIcon(static_cast<HICON>(loaded));
}

TEST_F(LocalCopyTest, ASetNeverWritesIntoAnotherSetsFolder) {
    // A folder of that name is there already (another set's): it is left as it is.
    CreateDirectoryA(sets.c_str(), nullptr);
    CreateDirectoryA((sets + "\\tools").c_str(), nullptr);
    qmtest::WriteFileBytes(sets + "\\tools\\notes.htm", "another set's page");

    const std::string a = MakeSet(temp.File("a"), "tools", "page A");
    const std::string b = MakeSet(temp.File("b"), "tools", "page B");
    Import(a, qmtest::RowsAnswer().Copy(true));
    // A set of the same name with another page is another set: its Notes is new.
    qm::ui::RowChoice second = Import(b, qmtest::RowsAnswer().Copy(true));
    EXPECT_EQ(second.rows[0].cells.back(), "new");
    EXPECT_EQ(qmtest::ReadFileBytes(sets + "\\tools\\notes.htm"), "another set's page");
    EXPECT_EQ(qmtest::FilesIn(sets + "\\tools"), std::vector<std::string>{"notes.htm"});
    EXPECT_EQ(Value(1, "Script"), sets + "\\tools (2)\\notes.htm");
    EXPECT_EQ(qmtest::ReadFileBytes(Value(1, "Script")), "page A");
    EXPECT_EQ(Value(3, "Script"), sets + "\\tools (3)\\notes.htm");
    EXPECT_EQ(qmtest::ReadFileBytes(Value(3, "Script")), "page B");
}

TEST_F(LocalCopyTest, ACopyThatFailsLeavesNothingAndMakesNoButton) {
    const std::string file = MakeSet(temp.File("share"), "tools", "<html>notes</html>");
    // Another program holds the icon open for itself alone: it cannot be read.
    HANDLE held = CreateFileA(temp.File("share\\tools_files\\notes.ico").c_str(), GENERIC_READ, 0,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Import(file, qmtest::RowsAnswer().Copy(true), true);
    CloseHandle(held);
    const std::string error = dialogs.ShownOf(Shown::ApplicationError).back().text;
    EXPECT_NE(error.find("notes.ico"), std::string::npos) << error;
    EXPECT_NE(error.find("Nothing was imported"), std::string::npos) << error;
    EXPECT_EQ(Buttons(), 0u);
    EXPECT_FALSE(qmtest::FolderExists(sets)) << "the folder made for the copy is gone again";
    EXPECT_TRUE(qm::ListChanges().empty());
}

TEST_F(LocalCopyTest, NoCopyLeavesTheSetsFolder) {
    // Values that lead out of the companion folder name no file of the set: they are not
    // copied and stay as they are, and nothing is written beside the set's folder.
    const std::string companion = temp.File("esc_files");
    CreateDirectoryA(companion.c_str(), nullptr);
    qmtest::WriteFileBytes(companion + "\\a.ico", icon);
    qmtest::WriteFileBytes(temp.File("outside.ico"), icon);
    const std::string escapes[] = {
        companion + "\\..\\outside.ico",
        companion + "\\a.ico\\..\\..\\outside.ico",
        companion + "/../outside.ico",
        temp.File("outside.ico"),
    };
    ImportPlan plan;
    plan.buttons.push_back({1, {{"Icon", companion + "\\a.ico"}}, true, {}});
    for (const std::string& escape : escapes)
        plan.buttons.push_back({1, {{"Script", escape}, {"HotIcon", escape + ",2"}}, true, {}});
    SetCopy copy(temp.File("esc.qmx"), plan);
    EXPECT_EQ(copy.Folder(), sets + "\\esc");
    EXPECT_EQ(qmtest::FilesIn(sets), std::vector<std::string>{"esc"});
    EXPECT_EQ(qmtest::FilesIn(copy.Folder()), std::vector<std::string>{"a.ico"});
    EXPECT_EQ(copy.Plan().buttons[0].values[0].text, sets + "\\esc\\a.ico");
    for (size_t i = 1; i < plan.buttons.size(); ++i)
        EXPECT_EQ(copy.Plan().buttons[i].values, plan.buttons[i].values) << escapes[i - 1];
    // Not kept (no button uses it): the copy goes with it.
}

TEST_F(LocalCopyTest, TheCopyIsProposedForFilesThatMayNotStay) {
    // FOLDERID_Downloads
    static constexpr GUID kDownloads = {
        0x374de290, 0x123f, 0x4565, {0x91, 0x64, 0x39, 0xc4, 0x92, 0x5e, 0x46, 0x7b}};
    PWSTR downloads = nullptr;
    std::string downloadsFolder;
    if (SUCCEEDED(SHGetKnownFolderPath(kDownloads, KF_FLAG_DONT_VERIFY, nullptr, &downloads)))
        downloadsFolder = qm::NarrowText(downloads);
    CoTaskMemFree(downloads);
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::pair<std::string, bool> cases[] = {
        {temp.File("set.qmx"), true},
        {"\\\\server\\share\\set.qmx", true},
        {std::string(windows) + "\\set.qmx", false},
        {downloadsFolder.empty() ? temp.File("d.qmx") : downloadsFolder + "\\set.qmx", true},
    };
    for (const auto& [path, proposed] : cases) EXPECT_EQ(SuggestLocalCopy(path), proposed) << path;
}

} // namespace
