#include "buttons/ButtonStore.h"

#include "support/ProgramTest.h"
#include "support/RawRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using qmtest::Sz;

class ButtonStoreTest : public qmtest::ProgramTest {
protected:
    qm::RegistryAccessor reg;
    const std::string keyName = qm::ButtonKeyName(7);
    const std::string path = qm::ButtonKeyPath(keyName);
};

enum class Step { Make, Delete };

// A make or a delete against a record that is there or not, under either root.
struct StepCase {
    Step step;
    HKEY root;
    bool there;      // the record is there before the step
    bool done;       // what the step reports
    bool thereAfter; // the record is there after it
};

const StepCase kSteps[] = {
    {Step::Make, HKEY_LOCAL_MACHINE, false, true, true},
    {Step::Make, HKEY_CURRENT_USER, false, true, true},
    {Step::Make, HKEY_LOCAL_MACHINE, true, false, true}, // taken: nothing written, no failure
    {Step::Delete, HKEY_LOCAL_MACHINE, true, true, false},
    {Step::Delete, HKEY_CURRENT_USER, true, true, false},
    {Step::Delete, HKEY_LOCAL_MACHINE, false, false, false}, // not there: no failure
};

TEST_F(ButtonStoreTest, StepsMakeAndDeleteRecordsAndSayWhetherTheyDid) {
    for (const StepCase& c : kSteps) {
        SCOPED_TRACE(std::string(c.step == Step::Make ? "make" : "delete") +
                     (c.root == HKEY_CURRENT_USER ? " HKCU" : " HKLM") +
                     (c.there ? " there" : " missing"));
        qmtest::RemoveKey(c.root, path);
        if (c.there) qmtest::PutValues(c.root, path, {{qm::kButtonTextValue, Sz("Old")}});
        const qm::StoreStep step =
            c.step == Step::Make
                ? qm::MakeStoredButton(reg, c.root, keyName, {{qm::kButtonTextValue, "New"}})
                : qm::DeleteStoredButton(reg, c.root, keyName);
        EXPECT_EQ(step.done, c.done);
        EXPECT_FALSE(step.failure.has_value());
        EXPECT_FALSE(reg.HasOpenKey());
        EXPECT_EQ(qmtest::StoredKeyExists(c.root, path), c.thereAfter);
        if (c.thereAfter)
            qmtest::ExpectStoredText(c.root, path, qm::kButtonTextValue, c.there ? "Old" : "New");
    }
}

TEST_F(ButtonStoreTest, OwnRecordEntryIsNotedAndForgotten) {
    const qm::NewButtonKey key{7, keyName, qm::OwnRecordValueName(7)};
    const qm::StoreStep noted = qm::NoteMadeButton(reg, key);
    EXPECT_TRUE(noted.done);
    EXPECT_FALSE(reg.HasOpenKey());
    qmtest::ExpectStoredText(HKEY_CURRENT_USER, qm::kOwnRecordKey, "StdBtn07", keyName);
    const qm::StoreStep forgot = qm::ForgetDeletedButton(reg, keyName);
    EXPECT_TRUE(forgot.done);
    EXPECT_FALSE(forgot.failure.has_value());
    qmtest::ExpectNoValue(HKEY_CURRENT_USER, qm::kOwnRecordKey, "StdBtn07");
}

TEST_F(ButtonStoreTest, StoredButtonIsReadWholeWithItsPlaceAndTheFirstValueTooLong) {
    qmtest::PutValues(HKEY_CURRENT_USER, path,
                      {{qm::kClsidValue, Sz(qm::kButtonClsid)},
                       {qm::kButtonTextValue, Sz("Mine")},
                       {qm::kIconValue, Sz(std::string(qm::kMaxFieldText + 1, 'i'))},
                       {qm::kHotIconValue, Sz(std::string(qm::kMaxFieldText + 1, 'h'))},
                       {qm::kDefaultVisibleValue, Sz("yes")}});
    const qm::StoredButton stored = qm::ReadStoredButton(reg, HKEY_CURRENT_USER, keyName);
    EXPECT_EQ(stored.root, HKEY_CURRENT_USER);
    EXPECT_EQ(stored.place, qm::ButtonPlace::ThisUser);
    EXPECT_EQ(stored.values.Text(qm::kButtonTextValue), "Mine");
    EXPECT_EQ(stored.values.Text(qm::kDefaultVisibleValue), "yes");
    EXPECT_FALSE(stored.values.Present(qm::kExecValue));
    EXPECT_EQ(stored.tooLong, qm::kIconValue);
    EXPECT_FALSE(reg.HasOpenKey());
}

TEST_F(ButtonStoreTest, ListingReadsTextPlaceAndIconLocationsAsTheBrowserLoadsThem) {
    qmtest::PutValues(HKEY_CURRENT_USER, path,
                      {{qm::kButtonTextValue, Sz("Mine")},
                       {qm::kIconValue, {REG_EXPAND_SZ, std::string("%SystemRoot%\\a.ico") + '\0'}},
                       {qm::kHotIconValue, Sz("%SystemRoot%\\b.ico")}});
    qm::RegistryAccessor extensions;
    ASSERT_TRUE(qm::OpenButtonRecord(extensions, reg, HKEY_CURRENT_USER, keyName));
    const qm::ListedButton listed = qm::ReadListedButton(reg);
    EXPECT_EQ(listed.text, "Mine");
    EXPECT_EQ(listed.place, qm::ButtonPlace::ThisUser);
    const qm::IconLocations icons = qm::ReadIconLocations(reg);
    EXPECT_EQ(icons.icon.find('%'), std::string::npos) << icons.icon;
    EXPECT_TRUE(icons.icon.ends_with("\\a.ico")) << icons.icon;
    EXPECT_EQ(icons.hotIcon, "%SystemRoot%\\b.ico"); // a plain string stays as stored
}

TEST_F(ButtonStoreTest, ValueTextsGiveTheNamedTextsAndWhyAValueIsNoText) {
    const std::vector<std::pair<std::string, qm::RawValue>> values = {
        {qm::kButtonTextValue, {REG_SZ, std::string("Text") + '\0'}},
        {qm::kExecValue, {REG_DWORD, std::string(4, '\1')}},
        {qm::kIconValue, {REG_SZ, std::string("icon") + '\0'}}};
    const auto texts =
        qm::ValueTexts(values, {qm::kButtonTextValue, qm::kExecValue, qm::kScriptValue});
    ASSERT_EQ(texts.size(), 2u); // Script is absent, Icon not asked for
    EXPECT_EQ(texts.at(qm::kButtonTextValue).text, "Text");
    EXPECT_FALSE(texts.at(qm::kButtonTextValue).notText.has_value());
    EXPECT_EQ(texts.at(qm::kExecValue).text, "");
    ASSERT_TRUE(texts.at(qm::kExecValue).notText.has_value());
    EXPECT_NE(texts.at(qm::kExecValue).notText->find(qm::kExecValue), std::string::npos);
}

TEST_F(ButtonStoreTest, EveryRecordIsReadWithNoListingRule) {
    EXPECT_TRUE(qm::ReadEveryRecord(reg, HKEY_LOCAL_MACHINE).empty());
    qmtest::PutValues(HKEY_LOCAL_MACHINE, path, {{qm::kButtonTextValue, Sz("A")}});
    qmtest::PutKey(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::kReservedButtonKey));
    std::vector<qm::RecordValues> records = qm::ReadEveryRecord(reg, HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reg.HasOpenKey());
    std::sort(records.begin(), records.end(),
              [](const auto& a, const auto& b) { return a.keyName < b.keyName; });
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].keyName, keyName);
    ASSERT_EQ(records[0].values.size(), 1u);
    EXPECT_EQ(records[0].values[0].first, qm::kButtonTextValue);
    EXPECT_EQ(records[1].keyName, qm::kReservedButtonKey);
    EXPECT_TRUE(records[1].values.empty());
}

} // namespace
