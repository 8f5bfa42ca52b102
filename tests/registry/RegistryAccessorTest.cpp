#include "registry/RegistryAccessor.h"

#include "support/ProgramTest.h"
#include "support/RawRegistry.h"

#include <gtest/gtest.h>

using qm::RawValue;
using qm::RegistryAccessor;
using qm::RegistryError;

namespace {

class RegistryAccessorTest : public qmtest::ProgramTest {
protected:
    RegistryAccessor reg;

    // The text of the RegistryError that f throws, or "" when it throws none.
    template <class F>
    static std::string ErrorOf(F&& f) {
        try {
            f();
        } catch (const RegistryError& error) {
            return error.what();
        }
        return "";
    }
};

TEST_F(RegistryAccessorTest, SandboxedWritesNeverReachTheRealKeys) {
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Microsoft\\Internet Explorer\\Extensions\\Probe", true));
    reg.WriteString("ButtonText", "sandboxed");
    reg.SetRoot(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey("\\Software\\qzo\\Quillmere\\StdBtn", true));
    reg.WriteString("StdBtn01", "sandboxed");
    reg.CloseKey();

    // The writes landed inside the sandbox's stand-ins for the two roots...
    HKEY real = sandbox.RealSoftwareKey(), probe = nullptr;
    EXPECT_EQ(RegOpenKeyExA(real,
                            (sandbox.LocalMachinePath() +
                             "\\Software\\Microsoft\\Internet Explorer\\Extensions\\Probe")
                                .c_str(),
                            0, KEY_READ, &probe),
              ERROR_SUCCESS);
    RegCloseKey(probe);
    // ...and nowhere in the real ones.
    EXPECT_NE(RegOpenKeyExA(real, "qzo\\Quillmere\\StdBtn", 0, KEY_READ, &probe), ERROR_SUCCESS);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                            "Software\\Microsoft\\Internet Explorer\\Extensions\\Probe", 0,
                            KEY_READ | KEY_WOW64_32KEY, &probe),
              ERROR_SUCCESS);
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                            "Software\\Microsoft\\Internet Explorer\\Extensions\\Probe", 0,
                            KEY_READ | KEY_WOW64_64KEY, &probe),
              ERROR_SUCCESS);
}

TEST_F(RegistryAccessorTest, ChoosingTheRootClosesTheOpenKeyAndPathsFollowTheLeadingBackslash) {
    ASSERT_TRUE(reg.OpenKey("\\Software\\Test", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Test");
    // Without a leading backslash a path lies below the open key.
    ASSERT_TRUE(reg.OpenKey("Child", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Test\\Child");
    reg.WriteString("Where", "child");
    // With one it starts at the root again; a trailing backslash changes nothing.
    ASSERT_TRUE(reg.OpenKey("\\Software\\Test\\", false));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Test");
    EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"Child"});

    reg.SetRoot(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reg.HasOpenKey());
    EXPECT_FALSE(reg.KeyExists("\\Software\\Test\\Child"));
    reg.SetRoot(HKEY_CURRENT_USER);
    EXPECT_TRUE(reg.KeyExists("\\Software\\Test\\Child"));
}

TEST_F(RegistryAccessorTest, FailedOpenLeavesNoKeySoReadsAreEmptyAndWritesFail) {
    ASSERT_TRUE(reg.OpenKey("\\Software\\Test", true));
    reg.WriteString("Name", "value");
    EXPECT_FALSE(reg.OpenKey("\\Software\\Missing", false));
    EXPECT_FALSE(reg.HasOpenKey());
    EXPECT_EQ(reg.ReadString("Name"), "");
    EXPECT_FALSE(reg.ValueExists("Name"));
    EXPECT_EQ(ErrorOf([&] { reg.WriteString("Name", "x"); }), "Failed to set data for 'Name'");
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("Name"); }), "Failed to get data for 'Name'");
    EXPECT_TRUE(reg.GetKeyNames().empty());
    EXPECT_FALSE(reg.KeyExists("\\Software\\Missing"));
}

TEST_F(RegistryAccessorTest, StringReadsFollowTheTypeRules) {
    ASSERT_TRUE(reg.OpenKey("\\Software\\Test", true));
    reg.WriteString("Plain", "C:\\Windows");
    reg.WriteRaw("Expand", RawValue{REG_EXPAND_SZ, std::string("%SystemRoot%\\x\0", 15)});
    reg.WriteRaw("EmptyBinary", RawValue{REG_BINARY, ""});
    reg.WriteRaw("EmptyString", RawValue{REG_SZ, ""});
    reg.WriteRaw("Number", RawValue{REG_DWORD, std::string("\x01\x00\x00\x00", 4)});
    reg.WriteRaw("Multi", RawValue{REG_MULTI_SZ, std::string("a\0b\0\0", 5)});

    EXPECT_EQ(reg.ReadString("Plain"), "C:\\Windows");
    EXPECT_EQ(reg.ReadString("Expand"), "%SystemRoot%\\x"); // as stored, not expanded
    EXPECT_EQ(reg.ReadString("Absent"), "");
    EXPECT_EQ(reg.ReadString("EmptyBinary"), "");
    EXPECT_EQ(reg.ReadString("EmptyString"), "");
    EXPECT_EQ(ErrorOf([&] { reg.ReadString("Number"); }), "Invalid data type for 'Number'");
    EXPECT_EQ(ErrorOf([&] { reg.ReadString("Multi"); }), "Invalid data type for 'Multi'");
    // The unnamed default value is the value with the empty name.
    reg.WriteString("", "default");
    EXPECT_TRUE(reg.ValueExists(""));
    EXPECT_EQ(reg.ReadString(""), "default");
}

TEST_F(RegistryAccessorTest, IntegersAreSignedAndOtherTypesFailBySize) {
    ASSERT_TRUE(reg.OpenKey("\\Software\\Test", true));
    reg.WriteInteger("Minus", -1);
    EXPECT_EQ(qmtest::StoredValueOf(HKEY_CURRENT_USER, "Software\\Test", "Minus"),
              qmtest::Dword(0xFFFFFFFF));
    reg.WriteRaw("AllOnes", RawValue{REG_DWORD, std::string(4, '\xFF')});
    EXPECT_EQ(reg.ReadInteger("AllOnes"), -1);
    reg.WriteInteger("Big", 0x7FFFFFFF);
    EXPECT_EQ(reg.ReadInteger("Big"), 0x7FFFFFFF);

    reg.WriteRaw("Binary4", RawValue{REG_BINARY, std::string("\x3F\0\0\0", 4)});
    reg.WriteRaw("Binary8", RawValue{REG_BINARY, std::string(8, '\x01')});
    reg.WriteString("Text", "ab");
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("Binary4"); }), "Invalid data type for 'Binary4'");
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("Text"); }), "Invalid data type for 'Text'");
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("Binary8"); }), "Failed to get data for 'Binary8'");
    EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("Absent"); }), "Failed to get data for 'Absent'");
}

TEST_F(RegistryAccessorTest, CreateKeyFailureNamesThePath) {
    // The root itself cannot be created, nor a key whose name is longer than the registry allows.
    EXPECT_EQ(ErrorOf([&] { reg.CreateKey("\\"); }), "Failed to create key \\");
    std::string tooLong = "\\Software\\" + std::string(300, 'k');
    EXPECT_EQ(ErrorOf([&] { reg.CreateKey(tooLong); }), "Failed to create key " + tooLong);
    reg.CreateKey("\\Software\\A\\B\\C");
    EXPECT_TRUE(reg.KeyExists("\\Software\\A\\B\\C"));
}

TEST_F(RegistryAccessorTest, KeysOpenBelowAnotherAccessorsKeyUnderItsRoot) {
    RegistryAccessor parent;
    parent.SetRoot(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(parent.OpenKey("\\Software\\Parent", true));
    reg.SetRoot(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Elsewhere", true));

    // Missing without canCreate: nothing is made and no key stays open.
    EXPECT_FALSE(reg.OpenKeyBelow(parent, "Child", false));
    EXPECT_FALSE(reg.HasOpenKey());
    EXPECT_EQ(reg.Root(), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(ErrorOf([&] { reg.WriteString("v", "x"); }), "Failed to set data for 'v'");

    ASSERT_TRUE(reg.OpenKeyBelow(parent, "Child\\Grand\\", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Parent\\Child\\Grand");
    reg.WriteString("v", "below");
    ASSERT_TRUE(reg.OpenKeyBelow(parent, "", false)); // the parent's key itself
    EXPECT_EQ(reg.CurrentPath(), "Software\\Parent");
    // The parent keeps its key, and the new key lies where its full path says, on the
    // machine's root, not the current user's.
    EXPECT_EQ(parent.GetKeyNames(), std::vector<std::string>{"Child"});
    EXPECT_EQ(qmtest::StoredText(HKEY_LOCAL_MACHINE, "Software\\Parent\\Child\\Grand", "v"),
              "below");
    qmtest::ExpectNoKey(HKEY_CURRENT_USER, "Software\\Parent");

    // A parent with no key open has nothing to open below.
    parent.CloseKey();
    EXPECT_FALSE(reg.OpenKeyBelow(parent, "Child", true));
    EXPECT_FALSE(reg.HasOpenKey());
}

TEST_F(RegistryAccessorTest, ValuesAroundTheFirstReadBufferComeBackWhole) {
    ASSERT_TRUE(reg.OpenKey("\\Software\\Sizes", true));
    for (size_t size : {0u, 1u, 254u, 255u, 256u, 257u, 511u, 512u, 513u, 70000u}) {
        std::string text(size, 't');
        for (size_t i = 0; i < size; i += 7) text[i] = static_cast<char>('a' + i % 26);
        std::string bytes(size, 'b');
        reg.WriteString("Text", text);
        reg.WriteRaw("Bytes", RawValue{REG_BINARY, bytes});
        EXPECT_EQ(reg.ReadString("Text"), text) << size;
        EXPECT_EQ(reg.ReadRaw("Text"), (RawValue{REG_SZ, text + '\0'})) << size;
        EXPECT_EQ(reg.ReadRaw("Bytes"), (RawValue{REG_BINARY, bytes})) << size;
    }
    EXPECT_EQ(ErrorOf([&] { reg.ReadRaw("Absent"); }), "Failed to get data for 'Absent'");
}

TEST_F(RegistryAccessorTest, ValuesReadWithTheirNamesMatchTheOneByOneReads) {
    ASSERT_TRUE(reg.OpenKey("\\Software\\Together", true));
    EXPECT_TRUE(reg.GetValues().empty());
    reg.WriteString("", "default");
    reg.WriteRaw("Expand", RawValue{REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 10)});
    reg.WriteRaw("Number", RawValue{REG_DWORD, std::string("\x01\0\0\0", 4)});
    reg.WriteRaw("Empty", RawValue{REG_BINARY, ""});
    reg.WriteString("Text \xE9", "caf\xE9");
    // Around and far beyond the first data buffer.
    for (size_t size : {1023u, 1024u, 1025u, 300000u})
        reg.WriteString("Long" + std::to_string(size), std::string(size, 'L'));

    auto values = reg.GetValues();
    std::vector<std::string> names;
    for (const auto& [name, value] : values) {
        names.push_back(name);
        EXPECT_EQ(value, reg.ReadRaw(name)) << name;
    }
    EXPECT_EQ(names, reg.GetValueNames());
    EXPECT_EQ(values.size(), 9u);

    // Turned into strings by the rules ReadString follows.
    for (const auto& [name, value] : values) {
        std::string expected, error;
        try {
            expected = reg.ReadString(name);
        } catch (const RegistryError& e) {
            error = e.what();
        }
        EXPECT_EQ(ErrorOf([&] { RegistryAccessor::StringFromValue(name, value); }), error) << name;
        if (error.empty()) {
            EXPECT_EQ(RegistryAccessor::StringFromValue(name, value), expected);
        }
    }
    EXPECT_EQ(ErrorOf([] {
                  RegistryAccessor::StringFromValue("N", {REG_DWORD, std::string(4, '\1')});
              }),
              "Invalid data type for 'N'");
    EXPECT_EQ(RegistryAccessor::StringFromValue("S", {REG_SZ, std::string("ab\0cd", 5)}), "ab");
}

TEST_F(RegistryAccessorTest, ListsComeInEnumerationOrder) {
    ASSERT_TRUE(reg.OpenKey("\\Software\\List", true));
    for (const char* name : {"b", "a", "c"}) {
        reg.CreateKey(name);
        reg.WriteString(name, name);
    }
    std::vector<std::string> keys = reg.GetKeyNames(), values = reg.GetValueNames();
    // The registry's own order, whatever it is, and every name once.
    std::vector<std::string> enumerated;
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\List", 0, KEY_READ, &key);
    char name[256];
    for (DWORD i = 0, length = 256;
         RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = 256)
        enumerated.emplace_back(name);
    RegCloseKey(key);
    EXPECT_EQ(keys, enumerated);
    EXPECT_EQ(values.size(), 3u);
}

TEST_F(RegistryAccessorTest, DeleteRemovesTheWholeTreeAndFailsOnAbsentKeys) {
    reg.CreateKey("\\Software\\Tree\\A\\Deep\\Deeper");
    reg.CreateKey("\\Software\\Tree\\B");
    ASSERT_TRUE(reg.OpenKey("\\Software\\Tree\\A\\Deep", false));
    reg.WriteString("v", "x");
    reg.CloseKey();

    EXPECT_TRUE(reg.DeleteKey("\\Software\\Tree"));
    EXPECT_FALSE(reg.KeyExists("\\Software\\Tree"));
    EXPECT_TRUE(reg.KeyExists("\\Software"));
    EXPECT_FALSE(reg.DeleteKey("\\Software\\Tree"));
    EXPECT_FALSE(reg.DeleteKey("\\Software\\Nothing\\Here"));
    EXPECT_FALSE(reg.DeleteKey("\\")); // never the root itself
}

TEST_F(RegistryAccessorTest, MachineWideKeysAreDeletedAndMovedInTheirView) {
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    reg.CreateKey("\\Software\\Microsoft\\Internet Explorer\\Extensions\\{K}\\Sub");
    EXPECT_TRUE(reg.MoveKey("\\Software\\Microsoft\\Internet Explorer\\Extensions\\{K}",
                            "\\Software\\Microsoft\\Internet Explorer\\Extensions\\{L}"));
    EXPECT_TRUE(reg.KeyExists("\\Software\\Microsoft\\Internet Explorer\\Extensions\\{L}\\Sub"));
    EXPECT_TRUE(reg.DeleteKey("\\Software\\Microsoft\\Internet Explorer\\Extensions\\{L}"));
    EXPECT_FALSE(reg.KeyExists("\\Software\\Microsoft\\Internet Explorer\\Extensions\\{L}"));
}

TEST_F(RegistryAccessorTest, LargeAndOddValuesSurviveReadWriteAndMoveByteForByte) {
    ASSERT_TRUE(reg.OpenKey("\\Software\\MenuExt\\Old", true));
    std::string megabyte(1 << 20, 'x');
    for (size_t i = 0; i < megabyte.size(); i += 97) megabyte[i] = static_cast<char>('a' + i % 26);
    std::string longName(255, 'N');
    RawValue multi{REG_MULTI_SZ, std::string("one\0two\0\0", 9)};
    RawValue binary{REG_BINARY, std::string("\0\x01\0\xFE\0", 5)};
    RawValue expand{REG_EXPAND_SZ, std::string("%TEMP%\\page.htm\0", 16)};

    reg.WriteString("Huge", megabyte);
    reg.WriteString(longName, "long name");
    reg.WriteRaw("Multi", multi);
    reg.WriteRaw("Binary", binary);
    reg.WriteRaw("Expand", expand);
    reg.WriteRaw("Empty", RawValue{REG_BINARY, ""});
    reg.WriteString("", "default page");
    reg.CreateKey("Sub\\Deeper");
    ASSERT_TRUE(reg.OpenKey("Sub\\Deeper", false));
    reg.WriteRaw("Nested", multi);

    auto check = [&](const std::string& path) {
        ASSERT_TRUE(reg.OpenKey(path, false)) << path;
        EXPECT_EQ(reg.ReadString("Huge"), megabyte);
        EXPECT_EQ(reg.ReadString(longName), "long name");
        EXPECT_EQ(reg.ReadRaw("Multi"), multi);
        EXPECT_EQ(reg.ReadRaw("Binary"), binary);
        EXPECT_EQ(reg.ReadRaw("Expand"), expand);
        EXPECT_EQ(reg.ReadRaw("Empty"), (RawValue{REG_BINARY, ""}));
        EXPECT_EQ(reg.ReadString(""), "default page");
        EXPECT_EQ(reg.GetValueNames().size(), 7u);
        ASSERT_TRUE(reg.OpenKey("Sub\\Deeper", false));
        EXPECT_EQ(reg.ReadRaw("Nested"), multi);
    };
    check("\\Software\\MenuExt\\Old");

    reg.CloseKey();
    EXPECT_TRUE(reg.MoveKey("\\Software\\MenuExt\\Old", "\\Software\\MenuExt\\New"));
    EXPECT_FALSE(reg.KeyExists("\\Software\\MenuExt\\Old"));
    check("\\Software\\MenuExt\\New");
}

TEST_F(RegistryAccessorTest, MoveRefusesItsOwnSubtreeMissingSourcesAndTakenNames) {
    reg.CreateKey("\\Software\\MenuExt\\Foo\\Inner");
    reg.CreateKey("\\Software\\MenuExt\\Bar");

    EXPECT_EQ(ErrorOf([&] {
                  reg.MoveKey("\\Software\\MenuExt\\Foo", "\\Software\\MenuExt\\Foo\\Inside");
              }),
              "Cannot move key \\Software\\MenuExt\\Foo into itself");
    EXPECT_FALSE(ErrorOf([&] {
                     reg.MoveKey("\\Software\\MenuExt\\Foo", "\\Software\\MenuExt\\FOO\\x");
                 }).empty());
    EXPECT_FALSE(reg.KeyExists("\\Software\\MenuExt\\Foo\\Inside"));
    EXPECT_TRUE(reg.KeyExists("\\Software\\MenuExt\\Foo\\Inner"));

    EXPECT_FALSE(reg.MoveKey("\\Software\\MenuExt\\Missing", "\\Software\\MenuExt\\Other"));
    EXPECT_FALSE(reg.KeyExists("\\Software\\MenuExt\\Other"));
    EXPECT_FALSE(reg.MoveKey("\\Software\\MenuExt\\Foo", "\\Software\\MenuExt\\Bar"));
    EXPECT_FALSE(reg.MoveKey("\\Software\\MenuExt\\Foo", "\\Software\\MenuExt\\foo"));
    EXPECT_TRUE(reg.KeyExists("\\Software\\MenuExt\\Foo\\Inner"));
    // A sibling whose name merely begins with the old name is no sub-tree.
    EXPECT_TRUE(reg.MoveKey("\\Software\\MenuExt\\Foo", "\\Software\\MenuExt\\Foo2"));
    EXPECT_TRUE(reg.KeyExists("\\Software\\MenuExt\\Foo2\\Inner"));
}

} // namespace
