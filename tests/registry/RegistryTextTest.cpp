// Text values written back by the fields that show them: untouched values keep their type and
// bytes, changed ones keep their expandability, and text outside the old ANSI code page is
// kept exactly. The registry is checked with the wide registry functions directly.

#include "registry/RegistryAccessor.h"

#include "support/ProgramTest.h"
#include "support/RawRegistry.h"

#include <gtest/gtest.h>

#include <optional>
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

    EXPECT_TRUE(reg.WriteText("Start Page", kUtf8Text + "!", shown));
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
    StoredText icon = reg.ReadText("Icon");
    StoredText folder = reg.ReadText("Folder");
    StoredText plain = reg.ReadText("Plain");
    StoredText absent = reg.ReadText("Absent");
    EXPECT_EQ(icon.text, "%SystemRoot%\\system32\\shell32.dll,3"); // shown unexpanded
    EXPECT_TRUE(icon.Expandable());
    EXPECT_FALSE(absent.present);
    EXPECT_EQ(absent.text, "");

    // The field still holds what it showed: nothing is written.
    EXPECT_FALSE(reg.WriteText("Icon", icon.text, icon));
    // Changed: written, and an expandable value stays expandable.
    EXPECT_TRUE(reg.WriteText("Folder", "%USERPROFILE%\\Links", folder));
    EXPECT_TRUE(reg.WriteText("Plain", "%ALSO_PLAIN%", plain));
    // An absent value is written even when its field stayed empty.
    EXPECT_TRUE(reg.WriteText("Absent", "", absent));
    reg.CloseKey();

    EXPECT_EQ(GetWide(L"Icon")->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(GetWide(L"Icon")->text, L"%SystemRoot%\\system32\\shell32.dll,3");
    EXPECT_EQ(GetWide(L"Folder")->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(GetWide(L"Folder")->text, L"%USERPROFILE%\\Links");
    EXPECT_EQ(GetWide(L"Plain")->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(GetWide(L"Plain")->text, L"%ALSO_PLAIN%");
    ASSERT_TRUE(GetWide(L"Absent"));
    EXPECT_EQ(GetWide(L"Absent")->type, static_cast<DWORD>(REG_SZ));

    // With no key open even an untouched value cannot be saved: the failure is not hidden.
    EXPECT_THROW(reg.WriteText("Icon", icon.text, icon), qm::RegistryError);
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
