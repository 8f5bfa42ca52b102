// Text values written back by the fields that show them: untouched values keep their type and
// bytes, changed ones keep their expandability, and text outside the old ANSI code page is
// kept exactly. The registry is checked with the wide registry functions directly.

#include "registry/GuardedSave.h"
#include "registry/RegistryAccessor.h"
#include "registry/ShownValues.h"

#include "support/ProgramTest.h"
#include "support/RawRegistry.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>

using qm::RegistryAccessor;
using qm::StoredText;

namespace {

constexpr wchar_t kKey[] = L"Software\\Microsoft\\Internet Explorer\\Main";
// "ü漢字" in UTF-16 and in UTF-8.
const std::wstring kWideText = L"\u00fc\u6f22\u5b57";
const std::string kUtf8Text = "\xc3\xbc\xe6\xbc\xa2\xe5\xad\x97";

using qmtest::WideValue;

void PutWide(const std::wstring& name, DWORD type, const std::wstring& text,
             std::source_location where = std::source_location::current()) {
    qmtest::PutWideText(HKEY_CURRENT_USER, kKey, name, type, text, 0, where);
}

std::optional<WideValue> GetWide(const std::wstring& name) {
    return qmtest::StoredWideValue(HKEY_CURRENT_USER, kKey, name);
}

class RegistryTextTest : public qmtest::ProgramTest {
protected:
    RegistryAccessor reg;
    void Open() {
        ASSERT_TRUE(reg.OpenKey("\\Software\\Microsoft\\Internet Explorer\\Main", true));
    }
};

TEST_F(RegistryTextTest, TextOutsideTheOldCodePageIsReadAndWrittenExactly) {
    PutWide(L"Start Page", REG_SZ, L"http://example.org/" + kWideText);
    Open();
    StoredText shown = reg.ReadText("Start Page");
    EXPECT_TRUE(shown.present);
    EXPECT_TRUE(shown.exact);
    EXPECT_EQ(shown.text, "http://example.org/" + kUtf8Text);
    EXPECT_EQ(reg.ReadString("Start Page"), shown.text);

    reg.WriteString("Start Page", kUtf8Text + "!");
    reg.WriteString("Search Page", kUtf8Text);
    reg.CloseKey();
    EXPECT_EQ(GetWide(L"Start Page")->text, kWideText + L"!");
    EXPECT_EQ(GetWide(L"Start Page")->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(GetWide(L"Search Page")->text, kWideText);

    // Bytes that are no UTF-8 (text from an earlier version's export file) are taken in the
    // system's legacy code page, not turned into replacement characters.
    Open();
    reg.WriteString("Window Title", "caf\xE9");
    reg.CloseKey();
    EXPECT_EQ(GetWide(L"Window Title")->text, L"caf\u00e9");
}

TEST_F(RegistryTextTest, UntouchedValuesKeepTypeAndBytesAndChangedOnesStayExpandable) {
    PutWide(L"Icon", REG_EXPAND_SZ, L"%SystemRoot%\\system32\\shell32.dll,3");
    PutWide(L"Folder", REG_EXPAND_SZ, L"%USERPROFILE%\\Favorites");
    PutWide(L"Plain", REG_SZ, L"%NOT_EXPANDED%");
    Open();
    qm::ShownValues shown;
    bool cut = false;
    EXPECT_EQ(shown.ReadText(reg, "Icon", cut), "%SystemRoot%\\system32\\shell32.dll,3");
    EXPECT_EQ(shown.Stored("Icon")->type, static_cast<DWORD>(REG_EXPAND_SZ)); // unexpanded
    for (const char* name : {"Folder", "Plain", "Absent"}) shown.ReadText(reg, name, cut);
    EXPECT_FALSE(shown.Present("Absent"));
    EXPECT_EQ(shown.Text("Absent"), "");
    reg.CloseKey();

    // Changed texts are written, an expandable value stays expandable, an absent value is
    // written even empty, and the untouched one keeps its type and bytes.
    const qm::RecordOpener open = [](RegistryAccessor& r) {
        return r.OpenKey("\\Software\\Microsoft\\Internet Explorer\\Main", false);
    };
    const auto noQuestion = [](const std::string&) -> bool { throw std::logic_error("asked"); };
    const qm::SaveRecord record{"Save", {}, noQuestion};
    const std::vector<qm::ValueEdit> edits = {
        {"Folder", qm::TypedText(shown.Stored("Folder"), "%USERPROFILE%\\Links")},
        {"Plain", qm::TypedText(shown.Stored("Plain"), "%ALSO_PLAIN%")},
        {"Absent", qm::TypedText(shown.Stored("Absent"), "")}};
    EXPECT_TRUE(qm::SaveEdits(reg, open, shown, edits, noQuestion, record).Saved());

    EXPECT_EQ(GetWide(L"Icon")->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(GetWide(L"Icon")->text, L"%SystemRoot%\\system32\\shell32.dll,3");
    EXPECT_EQ(GetWide(L"Folder")->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(GetWide(L"Folder")->text, L"%USERPROFILE%\\Links");
    EXPECT_EQ(GetWide(L"Plain")->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(GetWide(L"Plain")->text, L"%ALSO_PLAIN%");
    ASSERT_TRUE(GetWide(L"Absent"));
    EXPECT_EQ(GetWide(L"Absent")->type, static_cast<DWORD>(REG_SZ));

    // With the key gone the save fails and says so: the failure is not hidden.
    ASSERT_TRUE(
        qmtest::RemoveKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Main"));
    const qm::SaveOutcome gone =
        qm::SaveEdits(reg, open, shown, {{"Plain", qm::TypedText(shown.Stored("Plain"), "again")}},
                      noQuestion, record);
    EXPECT_EQ(gone.kind, qm::SaveOutcome::Kind::Failed);
}

TEST_F(RegistryTextTest, ExpandableTextIsExpandedOnlyForItsOwnType) {
    char windows[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableA("SystemRoot", windows, MAX_PATH), 0u);
    EXPECT_EQ(RegistryAccessor::ExpandedText("%SystemRoot%\\a.ico", REG_EXPAND_SZ),
              std::string(windows) + "\\a.ico");
    EXPECT_EQ(RegistryAccessor::ExpandedText("%SystemRoot%\\a.ico", REG_SZ), "%SystemRoot%\\a.ico");
    EXPECT_EQ(RegistryAccessor::ExpandedText("C:\\plain.ico", REG_EXPAND_SZ), "C:\\plain.ico");
}

} // namespace
