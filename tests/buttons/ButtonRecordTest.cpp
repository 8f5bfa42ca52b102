#include "buttons/ButtonRecord.h"

#include "support/ProgramTest.h"
#include "support/RawRegistry.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// Where the browser looks for its buttons.
const std::string kExtensions = "Software\\Microsoft\\Internet Explorer\\Extensions\\";

class ButtonRecordTest : public qmtest::ProgramTest {
protected:
    qm::RegistryAccessor reg;

    void MakeButton(HKEY root, const std::string& keyName,
                    std::vector<std::pair<std::string, std::string>> values = {}) {
        qmtest::StoredValues stored;
        for (const auto& [name, data] : values) stored.emplace_back(name, qmtest::Sz(data));
        qmtest::PutValues(root, kExtensions + keyName, stored);
    }
};

TEST_F(ButtonRecordTest, NextButtonKeyTakesTheFirstCounterFreeUnderBothRoots) {
    // No Extensions key at all. Key names are GUID-shaped, the counter in the last two digits.
    qm::NewButtonKey key = qm::NextButtonKey(reg);
    EXPECT_EQ(key.counter, 1);
    EXPECT_EQ(key.keyName, "{D6E814A0-E0C5-11d4-8D29-0060BA690101}");
    EXPECT_EQ(qm::ButtonKeyPath(key.keyName), "\\" + kExtensions + key.keyName); // its record
    EXPECT_EQ(key.ownRecordValueName, "StdBtn01");
    EXPECT_FALSE(reg.HasOpenKey());

    // Foreign keys take no counter; a name the current user's root holds is taken.
    MakeButton(HKEY_LOCAL_MACHINE, "{11111111-2222-3333-4444-555555555555}");
    EXPECT_EQ(qm::NextButtonKey(reg).counter, 1);
    MakeButton(HKEY_CURRENT_USER, qm::ButtonKeyName(1), {{"CLSID", qm::kButtonClsid}});
    EXPECT_EQ(qm::NextButtonKey(reg).counter, 2);

    MakeButton(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(1));
    EXPECT_EQ(qm::NextButtonKey(reg).counter, 2);
    MakeButton(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(2));
    MakeButton(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(4));
    key = qm::NextButtonKey(reg); // gaps are filled first
    EXPECT_EQ(key.counter, 3);
    EXPECT_EQ(key.keyName, "{D6E814A0-E0C5-11d4-8D29-0060BA690103}");
    EXPECT_EQ(reg.Root(), HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reg.HasOpenKey());
    // Also without CLSID (the page would not list it, but it is the user's key all the same).
    MakeButton(HKEY_CURRENT_USER, qm::ButtonKeyName(3));
    EXPECT_EQ(qm::NextButtonKey(reg).counter, 5);
}

TEST_F(ButtonRecordTest, NextButtonKeyRefusesPastNinetyNineAndFindsTheLastFreeOne) {
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    for (int n = 1; n <= 98; ++n) MakeButton(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(n));
    qm::NewButtonKey last = qm::NextButtonKey(reg);
    EXPECT_EQ(last.counter, 99);
    EXPECT_EQ(last.keyName, "{D6E814A0-E0C5-11d4-8D29-0060BA690199}");
    EXPECT_EQ(last.ownRecordValueName, "StdBtn99");

    MakeButton(HKEY_LOCAL_MACHINE, last.keyName);
    try {
        qm::NextButtonKey(reg);
        FAIL() << "a 100th key name was handed out";
    } catch (const qm::RegistryError& error) { // callers stop on it as on any registry failure
        EXPECT_STREQ(error.what(),
                     "No free toolbar button key is left: Quillmere can make at most 99 buttons");
    }
    EXPECT_FALSE(reg.HasOpenKey());

    // Deleting one frees exactly that counter again.
    ASSERT_TRUE(qmtest::RemoveKey(HKEY_LOCAL_MACHINE, kExtensions + qm::ButtonKeyName(57)));
    EXPECT_EQ(qm::NextButtonKey(reg).counter, 57);
}

TEST_F(ButtonRecordTest, SearchBelowAnOpenExtensionsKeyFindsWhatTheSearchFromTheRootFinds) {
    qm::RegistryAccessor extensions;
    extensions.SetRoot(HKEY_LOCAL_MACHINE);
    // No Extensions key: every name from the first candidate on is free.
    EXPECT_EQ(qm::NextButtonKeyBelow(extensions).counter, 1);
    EXPECT_EQ(qm::NextButtonKeyBelow(extensions, 12).keyName,
              "{D6E814A0-E0C5-11d4-8D29-0060BA690112}");

    for (int n : {1, 2, 4, 5, 9}) MakeButton(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(n));
    MakeButton(HKEY_CURRENT_USER, qm::ButtonKeyName(3), {{"CLSID", qm::kButtonClsid}});
    ASSERT_TRUE(extensions.OpenKey(qm::kExtensionsKey, false));
    for (int from : {0, 1, 3, 4, 6, 9, 10}) {
        qm::NewButtonKey below = qm::NextButtonKeyBelow(extensions, from);
        qm::NewButtonKey fromRoot = qm::NextButtonKey(reg, from);
        EXPECT_EQ(below.counter, fromRoot.counter) << from;
        EXPECT_EQ(below.keyName, fromRoot.keyName) << from;
        EXPECT_EQ(below.ownRecordValueName, fromRoot.ownRecordValueName) << from;
    }
    EXPECT_EQ(qm::NextButtonKeyBelow(extensions, 4).counter, 6);
    EXPECT_TRUE(extensions.HasOpenKey()); // still there for the next search

    for (int n = 10; n <= 99; ++n) MakeButton(HKEY_LOCAL_MACHINE, qm::ButtonKeyName(n));
    EXPECT_EQ(qm::NextButtonKeyBelow(extensions, 6).counter, 6);
    EXPECT_THROW(qm::NextButtonKeyBelow(extensions, 9), qm::ButtonKeysExhausted);
    EXPECT_THROW(qm::NextButtonKeyBelow(extensions, 100), qm::ButtonKeysExhausted);
}

TEST_F(ButtonRecordTest, OwnRecordEntriesGoThroughOneOpenKeyAndAFailedOpenIsTriedAgain) {
    // Below a volatile key no lasting key can be made: the own-record key cannot be opened.
    HKEY qzo = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\qzo", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &qzo, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(qzo);
    qm::RegistryAccessor own;
    try {
        qm::AddOwnRecordEntry(own, {1, qm::ButtonKeyName(1), "StdBtn01"});
        FAIL() << "an entry was written below a volatile key";
    } catch (const qm::RegistryError& error) {
        EXPECT_STREQ(error.what(), "Failed to create key \\Software\\qzo\\Quillmere\\StdBtn\\");
    }
    EXPECT_FALSE(own.HasOpenKey());

    // Once the key can be made, the next entry makes it, and later ones use the same key.
    // (The volatile creation made the sandbox's Software key volatile too.)
    reg.SetRoot(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.DeleteKey("\\Software"));
    qm::AddOwnRecordEntry(own, {2, qm::ButtonKeyName(2), "StdBtn02"});
    ASSERT_TRUE(own.HasOpenKey());
    EXPECT_EQ(own.Root(), HKEY_CURRENT_USER);
    EXPECT_EQ(own.CurrentPath(), "Software\\qzo\\Quillmere\\StdBtn");
    qm::AddOwnRecordEntry(own, {3, qm::ButtonKeyName(3), "StdBtn03"});
    own.CloseKey();
    EXPECT_EQ(qmtest::StoredValuesOf(HKEY_CURRENT_USER, qm::kOwnRecordKey),
              (qmtest::StoredValues{{"StdBtn02", qmtest::Sz(qm::ButtonKeyName(2))},
                                    {"StdBtn03", qmtest::Sz(qm::ButtonKeyName(3))}}));
}

TEST_F(ButtonRecordTest, DefaultVisibleMeansExactlyTheLettersYesInAnyCase) {
    for (const char* visible : {"YES", "yes", "Yes", "yEs"})
        EXPECT_TRUE(qm::IsDefaultVisible(visible)) << visible;
    for (const char* hidden : {"", "NO", "yes ", " yes", "Y", "YESS", "ye", "true", "1"})
        EXPECT_FALSE(qm::IsDefaultVisible(hidden)) << '"' << hidden << '"';
}

TEST_F(ButtonRecordTest, TemplatesHoldTheThreeRowsNewButtonsAreFilledFrom) {
    ASSERT_EQ(qm::ButtonTemplates.size(), 3u);
    EXPECT_STREQ(qm::ButtonTemplates[0][qm::kTemplateName], "QZO Menu");
    EXPECT_STREQ(qm::ButtonTemplates[1][qm::kTemplateScript], "Serv\\hlsel.htm");
    EXPECT_STREQ(qm::ButtonTemplates[2][qm::kTemplateMenuText], "&Zoom in");
    EXPECT_FALSE(qm::TemplateShowsInTools(qm::ButtonTemplates[0]));
    EXPECT_TRUE(qm::TemplateShowsInTools(qm::ButtonTemplates[1]));
    qm::ButtonTemplateRow row = qm::ButtonTemplates[0];
    EXPECT_TRUE(qm::TemplateIsVisible(row));
    row[qm::kTemplateVisible] = "YES"; // unlike a stored value, only the exact lower case counts
    EXPECT_FALSE(qm::TemplateIsVisible(row));
    row[qm::kTemplateMenuText] = "";
    row[qm::kTemplateMenuStatusBar] = "status only";
    EXPECT_TRUE(qm::TemplateShowsInTools(row));

    EXPECT_EQ(qm::TemplatePath("C:\\Program\\", ""), "");
    std::string joined =
        qm::TemplatePath("C:\\Program\\", qm::ButtonTemplates[2][qm::kTemplateIcon]);
    EXPECT_EQ(joined, "C:\\Program\\Images\\Icons\\zoom.ico");
}

TEST_F(ButtonRecordTest, ListingSkipsTheReservedKeyAndCurrentUserRecordsWithoutClsid) {
    const std::string withClsid = "{AAAAAAAA-0000-0000-0000-000000000001}";
    const std::string withoutClsid = "{AAAAAAAA-0000-0000-0000-000000000002}";
    const std::string own = qm::ButtonKeyName(1);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        MakeButton(root, withClsid, {{"CLSID", qm::kButtonClsid}});
        MakeButton(root, withoutClsid, {{"ButtonText", "no class"}});
        MakeButton(root, own, {{"CLSID", qm::kButtonClsid}, {"IsQuillmere", "YES"}});
        MakeButton(root, qm::kReservedButtonKey, {{"CLSID", qm::kButtonClsid}});
        // The reserved name is compared exactly: another letter case is an ordinary record.
        MakeButton(root, "{C95FE080-8F5D-11D2-A20B-00AA003C157A}-", {{"CLSID", qm::kButtonClsid}});
    }
    MakeButton(HKEY_LOCAL_MACHINE, "{BBBBBBBB-0000-0000-0000-000000000000}"); // no values at all

    auto asSet = [](const std::vector<std::string>& v) {
        return std::set<std::string>(v.begin(), v.end());
    };
    EXPECT_EQ(asSet(qm::ListedButtonKeys(reg, HKEY_LOCAL_MACHINE, false)),
              (std::set<std::string>{withClsid, withoutClsid, own,
                                     "{C95FE080-8F5D-11D2-A20B-00AA003C157A}-",
                                     "{BBBBBBBB-0000-0000-0000-000000000000}"}));
    EXPECT_EQ(asSet(qm::ListedButtonKeys(reg, HKEY_CURRENT_USER, false)),
              (std::set<std::string>{withClsid, own, "{C95FE080-8F5D-11D2-A20B-00AA003C157A}-"}));
    EXPECT_EQ(qm::ListedButtonKeys(reg, HKEY_LOCAL_MACHINE, true), std::vector<std::string>{own});
    EXPECT_EQ(qm::ListedButtonKeys(reg, HKEY_CURRENT_USER, true), std::vector<std::string>{own});
    EXPECT_FALSE(reg.HasOpenKey());

    reg.SetRoot(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.DeleteKey(qm::kExtensionsKey));
    EXPECT_TRUE(qm::ListedButtonKeys(reg, HKEY_CURRENT_USER, false).empty());
}

TEST_F(ButtonRecordTest, RecordsInTheCurrentUserListAreAddressedThereIgnoringCase) {
    std::vector<std::string> currentUser = {"{ABCDEF00-0000-0000-0000-000000000001}"};
    EXPECT_EQ(qm::RootForButton("{abcdef00-0000-0000-0000-000000000001}", currentUser),
              HKEY_CURRENT_USER);
    EXPECT_EQ(qm::RootForButton("{ABCDEF00-0000-0000-0000-000000000002}", currentUser),
              HKEY_LOCAL_MACHINE);
    EXPECT_EQ(qm::RootForButton("anything", {}), HKEY_LOCAL_MACHINE);
}

TEST_F(ButtonRecordTest, OwnRecordIsWrittenAndForgottenOnlyForItsOwnKey) {
    qm::NewButtonKey key = qm::NextButtonKey(reg);
    qm::WriteOwnRecord(reg, key);
    EXPECT_FALSE(reg.HasOpenKey());
    qmtest::ExpectStoredText(HKEY_CURRENT_USER, qm::kOwnRecordKey, "StdBtn01", key.keyName);

    // A foreign key whose 36th and 37th characters are "01" leaves button 1's entry alone.
    EXPECT_FALSE(qm::ForgetOwnRecord(reg, "{0FBA04EE-3024-11d2-8F1F-0000F87ABD01}"));
    EXPECT_FALSE(qm::ForgetOwnRecord(reg, "{short}"));
    qmtest::ExpectStoredText(HKEY_CURRENT_USER, qm::kOwnRecordKey, "StdBtn01", key.keyName);

    EXPECT_TRUE(qm::ForgetOwnRecord(reg, key.keyName));
    EXPECT_FALSE(reg.HasOpenKey());
    ASSERT_TRUE(qmtest::StoredKeyExists(HKEY_CURRENT_USER, qm::kOwnRecordKey));
    qmtest::ExpectNoValue(HKEY_CURRENT_USER, qm::kOwnRecordKey, "StdBtn01");
    EXPECT_FALSE(qm::ForgetOwnRecord(reg, key.keyName)); // already gone
}

TEST_F(ButtonRecordTest, ForgettingWithoutAnOwnRecordKeyDoesNothing) {
    EXPECT_FALSE(qm::ForgetOwnRecord(reg, qm::ButtonKeyName(5)));
    qmtest::ExpectNoKey(HKEY_CURRENT_USER, qm::kOwnRecordKey);
}

} // namespace
