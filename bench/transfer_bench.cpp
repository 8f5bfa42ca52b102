// The menu's export and import of 99 toolbar buttons, each with a script page and two icons,
// against the same work done with the platform's plain means, measured in turns:
//   - the export against Wine's "reg export" of the same keys plus plain copies of the files;
//   - the import against a bare loop that creates the same keys and writes the same values
//     (read back from an import made first: the buttons in both registry views and the
//     program's own records) with RegCreateKeyExW and RegSetValueExW.
//
// It writes machine-wide keys of its own below the browser's Extensions key and removes them
// at the end; bench/run gives it a throw-away Wine prefix.
#include "buttons/ButtonRecord.h"
#include "transfer/TransferCommands.h"

#include "BenchSupport.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kButtons = 99;
constexpr int kRounds = 9;
constexpr double kExportTarget = 1.3;
constexpr double kImportTarget = 1.2;
// The machine-wide Extensions key as a 64-bit reg.exe sees the program's 32-bit view of it.
constexpr char kRegExtensionsKey[] =
    "HKLM\\Software\\Wow6432Node\\Microsoft\\Internet Explorer\\Extensions";

[[noreturn]] void Fail(const std::string& what) { bench::Fail("bench_transfer", what); }

void MakeFile(const std::string& path, size_t size, char fill) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail("cannot write " + path);
    std::string bytes(size, fill);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string Number(int n) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02d", n);
    return digits;
}

// One key as an import leaves it: where it is and every value it holds.
struct KeptValue {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
};
struct KeptKey {
    HKEY root;
    REGSAM view;
    std::wstring path;
    std::vector<KeptValue> values;
};

std::wstring Wide(const char* text) {
    std::wstring wide;
    for (; *text; ++text) wide += static_cast<wchar_t>(*text);
    return wide;
}

// The key at path and every key below it, read with the plain calls.
void Keep(HKEY root, REGSAM view, const std::wstring& path, std::vector<KeptKey>& kept) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return;
    KeptKey here{root, view, path, {}};
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        KeptValue value{name, type, std::vector<BYTE>(size)};
        nameLength = 16384;
        RegEnumValueW(key, i, name, &nameLength, nullptr, &type, value.data.data(), &size);
        here.values.push_back(std::move(value));
    }
    kept.push_back(std::move(here));
    std::vector<std::wstring> children;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        children.push_back(name);
    }
    RegCloseKey(key);
    for (const std::wstring& child : children) Keep(root, view, path + L"\\" + child, kept);
}

// What the menu's import wrote, key by key: the buttons in both views and the program's own
// records of them.
std::vector<KeptKey> WhatTheImportWrote() {
    std::vector<KeptKey> kept;
    for (REGSAM view : {REGSAM{KEY_WOW64_32KEY}, REGSAM{KEY_WOW64_64KEY}})
        Keep(HKEY_LOCAL_MACHINE, view, Wide(qm::kExtensionsKey + 1), kept);
    Keep(HKEY_CURRENT_USER, 0, Wide(qm::kOwnRecordKey + 1), kept);
    Keep(HKEY_CURRENT_USER, 0, Wide(qm::transfer::kImportedSetsKey + 1), kept);
    return kept;
}

// The same keys and values, made with nothing but the plain calls.
void WriteBare(const std::vector<KeptKey>& keys) {
    for (const KeptKey& kept : keys) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(kept.root, kept.path.c_str(), 0, nullptr, 0, KEY_WRITE | kept.view,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            Fail("the bare loop cannot create a key");
        for (const KeptValue& value : kept.values)
            RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size()));
        RegCloseKey(key);
    }
}

} // namespace

int main() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string work = std::string(temp) + "qmbench-" + std::to_string(GetCurrentProcessId());
    std::string sources = work + "\\src", out = work + "\\out", copies = work + "\\copies";
    for (const std::string& folder : {work, sources, out, copies})
        CreateDirectoryA(folder.c_str(), nullptr);

    // 99 marked buttons, each with its own script page and two icons.
    bench::ForgetButtons();
    std::vector<std::string> files;
    for (int n = 1; n <= kButtons; ++n) {
        std::string script = sources + "\\page" + Number(n) + ".htm";
        std::string icon = sources + "\\icon" + Number(n) + ".ico";
        std::string hot = sources + "\\hot" + Number(n) + ".ico";
        MakeFile(script, 2048, 'p');
        MakeFile(icon, 3262, 'i'); // the size of a 16 and a 32 pixel image in 32 bits
        MakeFile(hot, 3262, 'h');
        files.insert(files.end(), {script, icon, hot});
        bench::PutRecord(HKEY_LOCAL_MACHINE,
                         "{0B5E1C00-0000-4000-8000-0000000000" + Number(n) + "}",
                         {{qm::kClsidValue, qm::kButtonClsid},
                          {qm::kButtonTextValue, "Button " + Number(n)},
                          {qm::kScriptValue, script},
                          {qm::kIconValue, icon},
                          {qm::kHotIconValue, hot},
                          {qm::kDefaultVisibleValue, "YES"},
                          {qm::kMenuTextValue, "Menu text " + Number(n)},
                          {qm::kMenuStatusBarValue, "Status bar text of button " + Number(n)},
                          {qm::kIsQuillmereValue, "YES"}});
    }
    if (bench::ButtonCount() != kButtons) Fail("the buttons could not be made");

    bench::BenchDialogs dialogs("bench_transfer");
    dialogs.answerYes = true;     // the import shows what it will create and asks
    dialogs.acceptNotices = true; // the export says what it wrote
    bench::BenchHost host(nullptr);
    qm::transfer::ToolBarTransfer transfer(host);
    const std::string exportFile = out + "\\buttons.qmx", regFile = out + "\\buttons.reg";
    bench::Figures figures("bench_transfer");
    std::printf("%d buttons, each with a script page and two icons; minimum of %d rounds\n",
                kButtons, kRounds);

    const bench::Timings exported = bench::TimeInTurns(
        kRounds,
        [&] {
            dialogs.chosen = exportFile;
            transfer.ExportToolBarInfo();
        },
        [&] {
            if (bench::Run("bench_transfer", "reg.exe export \"" + std::string(kRegExtensionsKey) +
                                                 "\" \"" + regFile + "\" /y"))
                Fail("reg export failed");
            for (const std::string& file : files)
                CopyFileA(file.c_str(), (copies + file.substr(file.rfind('\\'))).c_str(), FALSE);
        });
    bool met = figures.Compare("export / reg export + copies", kButtons, exported, kExportTarget);

    // What an import writes, to be written again by the bare loop.
    bench::ForgetButtons();
    dialogs.chosen = exportFile;
    transfer.ImportToolBarInfo();
    if (bench::ButtonCount() != kButtons || bench::ButtonCount(KEY_WOW64_64KEY) != kButtons)
        Fail("the import did not make the buttons in both views");
    const std::vector<KeptKey> written = WhatTheImportWrote();
    // Each import's buttons are counted before the next run removes them, outside the time.
    bool imported99 = false;
    const bench::Timings imported = bench::TimeInTurns(
        kRounds,
        [&] {
            dialogs.chosen = exportFile;
            transfer.ImportToolBarInfo();
            imported99 = true;
        },
        [&] { WriteBare(written); },
        [&] {
            if (std::exchange(imported99, false) && bench::ButtonCount() != kButtons)
                Fail("the import made too few buttons");
            bench::ForgetButtons();
        });
    met &= figures.Compare("menu import / bare key and value writes", kButtons, imported,
                           kImportTarget);
    bench::ForgetButtons();
    return met ? 0 : 2;
}
