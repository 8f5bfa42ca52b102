#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

namespace qmtest {
namespace {
constexpr const char* kSandboxRoot = "QuillmereTestSandbox";

HKEY CreateUnder(HKEY parent, const std::string& path) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr);
    if (result != ERROR_SUCCESS) ADD_FAILURE() << "cannot create sandbox key " << path;
    return key;
}
} // namespace

RegistrySandbox::RegistrySandbox() {
    static int serial = 0;
    path_ = std::string(kSandboxRoot) + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++serial);
    // A real key handle (not the predefined one) that stays valid while the root is mapped.
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &realSoftware_, nullptr);
    RegDeleteTreeA(realSoftware_, path_.c_str());
    HKEY currentUser = CreateUnder(realSoftware_, CurrentUserPath());
    HKEY localMachine = CreateUnder(realSoftware_, LocalMachinePath());
    // The machine's Software key has its 32-bit view below Wow6432Node, as on 64-bit Windows;
    // with it in place, Wine keeps the two views of the stand-in apart as Windows does.
    RegCloseKey(CreateUnder(localMachine, "Software\\Wow6432Node"));
    EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, currentUser), ERROR_SUCCESS);
    EXPECT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, localMachine), ERROR_SUCCESS);
    RegCloseKey(currentUser);
    RegCloseKey(localMachine);
}

RegistrySandbox::~RegistrySandbox() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegDeleteTreeA(realSoftware_, path_.c_str());
    RegDeleteKeyA(realSoftware_, kSandboxRoot); // only succeeds once it is empty
    RegCloseKey(realSoftware_);
}

} // namespace qmtest
