// The history's records are registry-editor files: the platform's own `reg import` puts a key
// back from one exactly as the program's Undo does, and a value of megabytes is written without
// being held twice.
#include "registry/ChangeHistory.h"

#include "support/ProgramTest.h"
#include "support/RawRegistry.h"

#include <psapi.h>

#include <string>

namespace {

const std::wstring kEntry = L"Microsoft\\Internet Explorer\\MenuExt\\RegImport";

void Put(const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
         size_t size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (L"Software\\" + path).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                   static_cast<DWORD>(size));
    RegCloseKey(key);
}

class ChangeHistoryTest : public qmtest::ProgramTest {};

TEST_F(ChangeHistoryTest, RegImportOfARecordGivesTheKeyAsItWas) {
    const wchar_t text[] = L"caf\u00e9 \"quoted\" back\\slash";
    const wchar_t expand[] = L"%SystemRoot%\\a.ico";
    const wchar_t multi[] = L"one\0two\0";
    const wchar_t withNul[] = L"a\0b";
    const DWORD number = 0x12345678;
    const BYTE blob[] = {0, 1, 0xFF};
    Put(kEntry, L"", REG_SZ, text, sizeof text);
    Put(kEntry, L"Name \"with\" quotes", REG_EXPAND_SZ, expand, sizeof expand);
    Put(kEntry, L"List", REG_MULTI_SZ, multi, sizeof multi);
    Put(kEntry, L"Inner NUL", REG_SZ, withNul, sizeof withNul);
    Put(kEntry, L"Number", REG_DWORD, &number, sizeof number);
    Put(kEntry, L"Blob", REG_BINARY, blob, sizeof blob);
    Put(kEntry + L"\\Sub\\Deeper", L"Deep", REG_DWORD, &number, sizeof number);
    HKEY software = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &software), ERROR_SUCCESS);
    const std::string before = qmtest::DumpTree(software, kEntry);
    RegCloseKey(software);

    qm::ChangeRecord record = qm::RecordChange(
        "Test",
        {{HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\MenuExt\\RegImport"}});
    ASSERT_TRUE(record.Written()) << record.Failure();
    const std::vector<qm::ChangeEntry> changes = qm::ListChanges();
    ASSERT_EQ(changes.size(), 1u);

    // reg.exe runs outside this program's sandbox: it imports into the real current user's
    // keys, which are compared with the sandbox's and removed again.
    const HKEY real = sandbox.RealSoftwareKey();
    RegDeleteTreeW(real, kEntry.c_str());
    std::string command = "reg.exe import \"" + changes[0].file + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &process));
    WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    const std::string imported = qmtest::DumpTree(real, kEntry);
    RegDeleteTreeW(real, kEntry.c_str());
    RegDeleteKeyW(real, kEntry.c_str());
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(imported, before);
}

TEST_F(ChangeHistoryTest, AValueOfMegabytesIsWrittenWithoutHoldingItTwice) {
    const std::string big(10 * 1024 * 1024, 'x');
    Put(kEntry, L"Big", REG_BINARY, big.data(), big.size());
    PROCESS_MEMORY_COUNTERS before{};
    before.cb = sizeof before;
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    qm::ChangeRecord record = qm::RecordChange(
        "Test",
        {{HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\MenuExt\\RegImport"}});
    ASSERT_TRUE(record.Written()) << record.Failure();
    PROCESS_MEMORY_COUNTERS after{};
    after.cb = sizeof after;
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    // The value itself once (10 MB) and small buffers: its text (60 MB) is never built whole.
    // (Wine keeps the peak of the working set, not that of the page file.)
    EXPECT_LT(after.PeakWorkingSetSize - before.PeakWorkingSetSize, 40u * 1024 * 1024);

    // And it comes back whole.
    Put(kEntry, L"Big", REG_BINARY, "y", 1);
    ASSERT_TRUE(qm::RestoreChange(qm::ListChanges().at(0)).restored);
    std::string back(big.size() + 16, '\0');
    DWORD size = static_cast<DWORD>(back.size());
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, (L"Software\\" + kEntry).c_str(), L"Big",
                           RRF_RT_REG_BINARY, nullptr, back.data(), &size),
              ERROR_SUCCESS);
    back.resize(size);
    EXPECT_TRUE(back == big);
}

} // namespace
