#include "menuext/MenuRecord.h"

#include "MenuTestSupport.h"
#include "support/ProgramTest.h"

#include <climits>
#include <stdexcept>

namespace {

using namespace menutest;

TEST(MenuIntegerTest, DisplaysTheMaskSignedAndAsEightHexadecimalDigits) {
    EXPECT_EQ(qm::ContextsDecimalText(63), "63");
    EXPECT_EQ(qm::ContextsHexText(63), "0000003F");
    EXPECT_EQ(qm::ContextsDecimalText(-1), "-1");
    EXPECT_EQ(qm::ContextsHexText(-1), "FFFFFFFF");
    EXPECT_EQ(qm::ContextsHexText(0), "00000000");
    EXPECT_EQ(qm::ContextsHexText(INT_MIN), "80000000");
}

class MenuRecordTest : public qmtest::ProgramTest {
protected:
    qm::RegistryAccessor reg;
};

TEST_F(MenuRecordTest, ListsEntriesAndRecognisesTheMarkerOfAnyType) {
    EXPECT_TRUE(qm::ListMenuNames(reg).empty()) << "a missing MenuExt lists nothing";
    SeedEntry("Plain");
    SeedEntry("Own", Seed().Marked());
    SeedRaw("Odd", "IsQuillmere", REG_DWORD, Dword(0));
    auto names = qm::ListMenuNames(reg);
    EXPECT_EQ(names.size(), 3u);
    EXPECT_FALSE(qm::IsQuillmereMenu(reg, "Plain"));
    EXPECT_TRUE(qm::IsQuillmereMenu(reg, "Own"));
    EXPECT_TRUE(qm::IsQuillmereMenu(reg, "Odd"));
    EXPECT_FALSE(qm::IsQuillmereMenu(reg, "Gone"));
    EXPECT_FALSE(reg.HasOpenKey());
}

TEST_F(MenuRecordTest, FreeNamesCountOnWithoutLimitIgnoringLetterCase) {
    EXPECT_EQ(qm::FreeMenuName(reg, "QZO Menu"), "QZO Menu");
    SeedEntry("qzo menu");
    EXPECT_EQ(qm::FreeMenuName(reg, "QZO Menu"), "QZO Menu01");
    for (int n = 1; n <= 9; ++n) SeedEntry("QZO Menu0" + std::to_string(n));
    EXPECT_EQ(qm::FreeMenuName(reg, "QZO Menu"), "QZO Menu10");
    for (int n = 10; n <= 99; ++n) SeedEntry("QZO Menu" + std::to_string(n));
    EXPECT_EQ(qm::FreeMenuName(reg, "QZO Menu"), "QZO Menu100");
}

TEST_F(MenuRecordTest, ASaveWritesEveryEditOrNoneAndLeavesStoredIntegersForEmptyTexts) {
    using Kind = qm::SaveOutcome::Kind;
    // The entry as shown, then the three fields' texts saved over it through the one save.
    const auto save = [&](const std::string& name, const std::string& script,
                          const std::string& contexts, const std::string& flags) {
        qm::ShownValues shown;
        std::string reading;
        qm::ReadMenuRecord(reg, name, shown, reading);
        return qm::SaveEdits(
            reg, [&](qm::RegistryAccessor& r) { return qm::OpenMenuEntry(r, name); }, shown,
            qm::MenuEdits(shown, script, contexts, flags),
            [](const std::string&) -> bool { throw std::logic_error("nothing changed elsewhere"); },
            qm::SaveRecord{"Save", {}, [](const std::string&) { return true; }});
    };
    struct Case {
        const char* what;
        const char* script;
        const char* contexts;
        const char* flags;
        Kind kind;
        std::string storedScript;
        uint32_t storedContexts, storedFlags;
    };
    const Case cases[] = {
        {"a Flags text that is no integer refuses the whole save", "new.htm", "3", "abc",
         Kind::RefusedField, "old.htm", 1, 7},
        {"empty integer texts leave the stored values", "", "", "", Kind::Saved, "", 1, 7},
        {"signed and hexadecimal texts", "a", "-1", "$10", Kind::Saved, "a", 0xFFFFFFFFu, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SeedEntry("Entry", Seed().Script("old.htm").Contexts(1).Flags(7));
        const qm::SaveOutcome outcome = save("Entry", c.script, c.contexts, c.flags);
        EXPECT_EQ(outcome.kind, c.kind);
        if (c.kind == Kind::RefusedField) {
            EXPECT_EQ(outcome.name, "Flags");
            EXPECT_EQ(outcome.text, "abc");
        }
        EXPECT_EQ(Stored("Entry", "")->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(Stored("Entry", "")->bytes, c.storedScript + '\0');
        EXPECT_EQ(StoredDword("Entry", "Contexts"), c.storedContexts);
        EXPECT_EQ(StoredDword("Entry", "Flags"), c.storedFlags);
        EXPECT_FALSE(reg.HasOpenKey());
    }
    // An entry that is gone, or a name that is none, is written nowhere.
    const std::string before = DumpMenuExt();
    EXPECT_EQ(save("Gone", "a", "1", "").kind, Kind::Failed);
    EXPECT_EQ(save("", "x", "1", "").kind, Kind::Failed);
    EXPECT_FALSE(EntryExists("Gone"));
    EXPECT_EQ(DumpMenuExt(), before);
}

TEST_F(MenuRecordTest, RenameMovesValuesOfEveryTypeAndSubKeysExactly) {
    SeedEntry("Foo", Seed().Script("s.htm").Contexts(0x41).Marked());
    const std::string multi = std::string("one\0two\0\0", 9);
    SeedRaw("Foo", "List", REG_MULTI_SZ, multi);
    SeedRaw("Foo", "Blob", REG_BINARY, std::string("\x01\x00\xff", 3));
    SeedRaw("Foo", "Empty", REG_SZ, "");
    SeedRaw("Foo\\Sub", "Deep", REG_EXPAND_SZ, std::string("%TEMP%\0", 7));
    std::string before = DumpMenuExt();

    ASSERT_TRUE(qm::RenameMenuKey(reg, "Foo", "Bar"));
    EXPECT_FALSE(EntryExists("Foo"));
    std::string after = DumpMenuExt();
    EXPECT_EQ(after.substr(after.find('\n')), before.substr(before.find('\n')));
    EXPECT_EQ(Stored("Bar", "List")->bytes, multi);
    EXPECT_EQ(Stored("Bar\\Sub", "Deep")->type, static_cast<DWORD>(REG_EXPAND_SZ));
}

TEST_F(MenuRecordTest, NamesThatAreEmptyOrHoldABackslashNeverReachBeyondOneEntry) {
    SeedEntry("Foo", Seed().Script("s"));
    SeedEntry("Other", Seed().Script("o"));
    const std::string before = DumpMenuExt();
    EXPECT_FALSE(qm::RenameMenuKey(reg, "Foo", "Foo\\Inner"));
    EXPECT_FALSE(qm::RenameMenuKey(reg, "", "Moved"));
    EXPECT_FALSE(qm::RenameMenuKey(reg, "Foo", ""));
    EXPECT_FALSE(qm::DeleteMenuKey(reg, ""));
    EXPECT_FALSE(qm::DeleteMenuKey(reg, "Foo\\.."));
    EXPECT_FALSE(qm::CreateMenuKey(reg, "New\\Deeper"));
    EXPECT_EQ(DumpMenuExt(), before);
}

TEST_F(MenuRecordTest, DeleteRemovesTheEntryWithEverythingUnderIt) {
    SeedEntry("Foo");
    SeedRaw("Foo\\A\\B", "v", REG_SZ, "x");
    SeedEntry("Keep");
    EXPECT_TRUE(qm::DeleteMenuKey(reg, "Foo"));
    EXPECT_FALSE(EntryExists("Foo"));
    EXPECT_TRUE(EntryExists("Keep"));
    EXPECT_FALSE(qm::DeleteMenuKey(reg, "Foo"));
}

TEST_F(MenuRecordTest, CreatesMenuExtWithTheFirstEntryAndMarksIt) {
    ASSERT_TRUE(qm::CreateMenuKey(reg, "New"));
    EXPECT_TRUE(qm::CreateMenuKey(reg, "New")) << "an existing key is opened, not refused";
    ASSERT_TRUE(qm::MarkMenu(reg, "New"));
    EXPECT_EQ(Stored("New", "IsQuillmere")->bytes, std::string("YES") + '\0');
    EXPECT_FALSE(qm::MarkMenu(reg, "Gone"));
    EXPECT_FALSE(EntryExists("Gone"));
}

} // namespace
