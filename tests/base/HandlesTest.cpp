#include "base/Handles.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

// One row per kind of owner: how to make a real handle of it.
struct IconKind {
    using Owner = qm::UniqueIcon;
    static HICON Make() { return CopyIcon(LoadIconA(nullptr, IDI_ERROR)); }
};
struct KeyKind {
    using Owner = qm::UniqueKey;
    static HKEY Make() {
        HKEY key = nullptr;
        RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key);
        return key;
    }
};
struct FileKind {
    using Owner = qm::UniqueFile;
    static HANDLE Make() {
        static qmtest::TempFolder folder;
        return CreateFileA(folder.File("owned.txt").c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
};
struct ModuleKind {
    using Owner = qm::UniqueModule;
    static HMODULE Make() {
        return LoadLibraryExA("kernel32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
};
struct ScreenDcKind {
    using Owner = qm::UniqueScreenDc;
    static HDC Make() { return GetDC(nullptr); }
};

template <class Kind>
class HandleOwnerTest : public testing::Test {};
using Kinds = testing::Types<IconKind, KeyKind, FileKind, ModuleKind, ScreenDcKind>;
TYPED_TEST_SUITE(HandleOwnerTest, Kinds);

TYPED_TEST(HandleOwnerTest, CountsLiveHandlesAcrossMovesAndResets) {
    using Owner = typename TypeParam::Owner;
    const long before = Owner::LiveCount();
    {
        Owner a(TypeParam::Make());
        ASSERT_TRUE(a);
        EXPECT_EQ(Owner::LiveCount(), before + 1);
        Owner b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(Owner::LiveCount(), before + 1);
        b.reset(TypeParam::Make());
        EXPECT_EQ(Owner::LiveCount(), before + 1);
        Owner c;
        EXPECT_FALSE(c);
        c = std::move(b);
        EXPECT_FALSE(b);
        EXPECT_EQ(Owner::LiveCount(), before + 1);
        // A failed open that leaves "no handle" behind owns nothing.
        Owner none(Owner::None());
        EXPECT_FALSE(none);
        EXPECT_EQ(Owner::LiveCount(), before + 1);
    }
    EXPECT_EQ(Owner::LiveCount(), before);
}

TEST(HandleOwnerOutTest, AHandleOpenedIntoTheOwnerIsUsableAtOnceAndCountedOnce) {
    const long before = qm::UniqueKey::LiveCount();
    {
        qm::UniqueKey key;
        DWORD subKeys = 0;
        // Opened and used in one statement, as the registry's tree operations do.
        ASSERT_TRUE(
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, key.out()) == ERROR_SUCCESS &&
            RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS);
        EXPECT_EQ(qm::UniqueKey::LiveCount(), before + 1);
        // Opening again into the same owner closes the first handle.
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, key.out()),
                  ERROR_SUCCESS);
        EXPECT_EQ(qm::UniqueKey::LiveCount(), before + 1);
        // A failed open leaves the owner empty.
        EXPECT_NE(
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\No such key here", 0, KEY_READ, key.out()),
            ERROR_SUCCESS);
        EXPECT_FALSE(key);
        EXPECT_EQ(qm::UniqueKey::LiveCount(), before);
    }
    EXPECT_EQ(qm::UniqueKey::LiveCount(), before);
}

} // namespace
