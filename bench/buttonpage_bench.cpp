// The button page's listing and record display, each timed in turns with a bare loop that does
// exactly the same work with plain platform calls, over sets like a real one: every record has
// icons of its own (an .ico file of its own and a library icon of its own number, from
// libraries the benchmark makes), records of both roots, the machine's records in both
// registry views.
//
//   - ListButtons at 100, 200, 400 and 800 records, against the bare loop (the same reads of
//     both roots, the same look into the other registry view, the same icon loads, the same
//     image-list adds): at most 1.10 times the bare loop; 800 records at most 2.1 times 400;
//   - the same over 400 records that share three icon files, as its own line;
//   - ShowButton on a record against the bare reads of its values and its two icon loads: at
//     most 1.2 times;
//   - the peak working set and the GDI objects of the process after the 800-record listing;
//   - a save and a delete on the page with their record in the history, against the same
//     change with the history's recording off: at most 1.5 times.
//
// Every ratio is of the minima of the rounds, with the median's ratio and the spread of the
// rounds beside it. With "smoke" it runs once over a small set and only fails when it cannot
// measure (the test run's check that the benchmark works). It writes keys of its own and
// removes them at the end; bench/run gives it a throw-away Wine prefix. Exit code 0 when every
// target is met, 1 when one is missed, 2 when it could not measure.
#include "buttons/ButtonRecord.h"
#include "buttons/ButtonsPage.h"
#include "buttons/IcoReader.h"
#include "buttons/IconLoader.h"
#include "buttons/SmallIconBatch.h"
#include "registry/ChangeHistory.h"
#include "ui/Window.h"

#include "resource.h"

#include "BenchSupport.h"
#include "support/TempFolder.h"

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kProgram = "bench_buttonpage";
[[noreturn]] void Fail(const std::string& what) { bench::Fail(kProgram, what); }

std::string KeyName(int i) {
    char name[64];
    std::snprintf(name, sizeof name, "{B3E5C000-0000-0000-0000-%012d}", i);
    return name;
}

void Forget() {
    bench::ForgetButtons();
    qmtest::RemoveKey(HKEY_CURRENT_USER, qm::kExtensionsKey);
}

// The icon locations the records use, each its own unless shared is set.
struct IconSet {
    std::vector<std::string> files;   // .ico files, one per record
    std::vector<std::string> modules; // "module,number", one per record
};

// Libraries of icons of the benchmark's own, with as many distinct icons as asked for, by
// number ("icons0.dll,100") as real records name the system's. This machine's system libraries
// hold too few icons for 800 records (Wine's shell32 about 180, and ExtractIconEx counts some
// libraries that have none), and records beyond them named icons that are not there: the
// larger sets then held ever more stock error icons, and the listing's growth measured that
// mix instead of the listing. Each library is a copy of a system library stripped of its
// resources and given kGroupsPerLibrary icon groups (identifiers 100 on), which take turns at
// the images of the shipped icon files.
constexpr size_t kGroupsPerLibrary = 200;

std::vector<std::string> LibraryIcons(const std::string& folder,
                                      const std::vector<std::string>& shipped, size_t wanted) {
    struct Picture {
        std::string bytes;
        std::vector<qm::IcoImage> images;
    };
    std::vector<Picture> pictures;
    for (const std::string& file : shipped) {
        Picture picture{qmtest::ReadFileBytes(file), {}};
        auto images = qm::ReadIcoDirectory(picture.bytes);
        if (!images || images->empty()) Fail("no icon in " + file);
        picture.images = std::move(*images);
        pictures.push_back(std::move(picture));
    }
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string base = std::string(system) + "\\version.dll";
    std::vector<std::string> icons;
    for (size_t library = 0; icons.size() < wanted; ++library) {
        const std::string path = folder + "\\icons" + std::to_string(library) + ".dll";
        if (!CopyFileA(base.c_str(), path.c_str(), FALSE)) Fail("cannot copy " + base);
        HANDLE update = BeginUpdateResourceA(path.c_str(), TRUE);
        if (!update) Fail("cannot add icons to " + path);
        auto add = [&](LPCSTR type, WORD id, const void* data, size_t size) {
            if (!UpdateResourceA(update, type, MAKEINTRESOURCEA(id),
                                 MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), const_cast<void*>(data),
                                 static_cast<DWORD>(size)))
                Fail("cannot add an icon to " + path);
        };
        // The images, once per library: picture p's image i is RT_ICON 1 + 16 * p + i.
        for (size_t p = 0; p < pictures.size(); ++p)
            for (size_t i = 0; i < pictures[p].images.size(); ++i)
                add(RT_ICON, static_cast<WORD>(1 + 16 * p + i),
                    pictures[p].bytes.data() + pictures[p].images[i].offset,
                    pictures[p].images[i].size);
        for (size_t group = 0; group < kGroupsPerLibrary && icons.size() < wanted; ++group) {
            // A group directory: the file's header, then its entries with an identifier in
            // place of the file offset (12 bytes of the entry and 2 of the identifier).
            const Picture& picture = pictures[group % pictures.size()];
            std::string directory = picture.bytes.substr(0, 4);
            const WORD count = static_cast<WORD>(picture.images.size());
            directory.append(reinterpret_cast<const char*>(&count), 2);
            for (const qm::IcoImage& image : picture.images) {
                directory.append(picture.bytes, 6 + 16 * image.index, 12);
                const WORD id = static_cast<WORD>(1 + 16 * (group % pictures.size()) +
                                                  (&image - picture.images.data()));
                directory.append(reinterpret_cast<const char*>(&id), 2);
            }
            const WORD number = static_cast<WORD>(100 + group);
            add(RT_GROUP_ICON, number, directory.data(), directory.size());
            icons.push_back(path + "," + std::to_string(number));
        }
        if (!EndUpdateResourceA(update, FALSE)) Fail("cannot write the icons of " + path);
        // A library the platform cannot read would give every record the stock error icon.
        HMODULE made = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        HICON first = made ? static_cast<HICON>(LoadImageA(made, MAKEINTRESOURCEA(100), IMAGE_ICON,
                                                           0, 0, LR_DEFAULTSIZE))
                           : nullptr;
        if (made) FreeLibrary(made);
        if (!first) Fail("the platform reads no icon from " + path);
        DestroyIcon(first);
    }
    return icons;
}

IconSet OwnIcons(const std::string& folder, const std::vector<std::string>& shipped, size_t count) {
    IconSet set;
    CreateDirectoryA(folder.c_str(), nullptr);
    for (size_t i = 0; i < count; ++i) {
        std::string file = folder + "\\icon" + std::to_string(i) + ".ico";
        if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES &&
            !CopyFileA(shipped[i % shipped.size()].c_str(), file.c_str(), TRUE))
            Fail("cannot copy an icon to " + file);
        set.files.push_back(file);
    }
    set.modules = LibraryIcons(folder, shipped, count);
    return set;
}

IconSet SharedIcons(const std::vector<std::string>& shipped, size_t count) {
    IconSet set;
    for (size_t i = 0; i < count; ++i) {
        set.files.push_back(shipped[i % shipped.size()]);
        set.modules.push_back(shipped[(i + 1) % shipped.size()]);
    }
    return set;
}

// count records: three of four machine-wide, in both views, the rest the current user's.
void Seed(int count, const IconSet& icons) {
    Forget();
    for (int i = 0; i < count; ++i) {
        const bool machine = i % 4 != 3;
        qmtest::RawStrings values = {{qm::kClsidValue, qm::kButtonClsid},
                                     {qm::kButtonTextValue, "Button " + std::to_string(i)},
                                     {qm::kExecValue, "http://example.org/" + std::to_string(i)},
                                     {qm::kIconValue, icons.files[i]},
                                     {qm::kHotIconValue, icons.modules[i]},
                                     {qm::kDefaultVisibleValue, "YES"}};
        if (machine) values[qm::kIsQuillmereValue] = "YES";
        bench::PutRecord(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, KeyName(i), values);
    }
    bench::SettleRegistry();
}

std::string ReadText(HKEY key, const char* name) {
    char text[4096];
    DWORD size = sizeof text - 1, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
        ERROR_SUCCESS)
        return {};
    text[size] = '\0';
    return text;
}

// An icon of this benchmark's sets: a library's "path,number" read from the library, opened
// once per listing, or an icon file's.
qm::UniqueIcon BareIcon(const std::string& location, std::map<std::string, HMODULE>& modules) {
    const size_t comma = location.rfind(".dll,");
    if (comma == std::string::npos) return qm::LoadIconFromLocation(location);
    const std::string path = location.substr(0, comma + 4);
    HMODULE& module = modules[path];
    if (!module)
        module = LoadLibraryExA(path.c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    HICON icon = static_cast<HICON>(
        LoadImageA(module, MAKEINTRESOURCEA(std::atoi(location.c_str() + comma + 5)), IMAGE_ICON,
                   GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    return icon ? qm::UniqueIcon(icon) : qm::StockErrorIcon();
}

// What a listing must do, with plain calls: both roots' Extensions keys enumerated, a current
// user's record checked for its class, each record's text and icon locations read, the
// machine's names read in the 64-bit view too, a machine-wide record looked for in that view
// (where it lives is shown), its two icons loaded once each (each library opened once) and
// added to two image lists.
void BareListing(int iconSize) {
    struct Found {
        std::string icon, hot;
    };
    std::vector<Found> found;
    bench::ForEachRecordKey([&](HKEY root, const char* name, HKEY record) {
        // A current user's record without a class is no button of the browser's.
        if (root == HKEY_CURRENT_USER && RegQueryValueExA(record, qm::kClsidValue, nullptr, nullptr,
                                                          nullptr, nullptr) != ERROR_SUCCESS)
            return;
        std::string text = ReadText(record, qm::kButtonTextValue);
        found.push_back({ReadText(record, qm::kIconValue), ReadText(record, qm::kHotIconValue)});
        if (root == HKEY_LOCAL_MACHINE) {
            HKEY other = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(name).substr(1).c_str(), 0,
                              KEY_READ | KEY_WOW64_64KEY, &other) == ERROR_SUCCESS)
                RegCloseKey(other);
        }
    });
    // A record of the 64-bit view alone is listed too: its names are read as well.
    bench::ButtonCount(KEY_WOW64_64KEY);
    // The images are drawn and added as the strip adds them (one drawing per icon, one add per
    // list): adding icon by icon (ImageList_AddIcon) costs twice as much, and a baseline slower
    // than the page would say nothing of the page's own cost.
    HIMAGELIST icons = ImageList_Create(iconSize, iconSize, ILC_COLOR32 | ILC_MASK, 0, 16);
    HIMAGELIST hotIcons = ImageList_Create(iconSize, iconSize, ILC_COLOR32 | ILC_MASK, 0, 16);
    qm::SmallIconBatch iconBatch(iconSize), hotBatch(iconSize);
    // A library's icons are read from it opened once for the whole listing.
    std::map<std::string, HMODULE> modules;
    for (const Found& record : found) {
        qm::UniqueIcon loaded = BareIcon(record.icon, modules);
        qm::UniqueIcon loadedHot = BareIcon(record.hot, modules);
        iconBatch.Add(loaded.get());
        hotBatch.Add(loadedHot.get());
    }
    iconBatch.AppendTo(icons);
    hotBatch.AppendTo(hotIcons);
    ImageList_Destroy(icons);
    ImageList_Destroy(hotIcons);
    for (const auto& [path, module] : modules) FreeLibrary(module);
}

// What showing one machine-wide record must do: its values read in both views, its two icons
// loaded.
void BareShow(const std::string& keyName) {
    std::string icon, hot;
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY record = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(keyName).substr(1).c_str(), 0,
                          KEY_READ | view, &record) != ERROR_SUCCESS)
            continue;
        char valueName[256];
        BYTE data[4096];
        for (DWORD i = 0;; ++i) {
            DWORD nameLength = sizeof valueName, size = sizeof data, type = 0;
            if (RegEnumValueA(record, i, valueName, &nameLength, nullptr, &type, data, &size) !=
                ERROR_SUCCESS)
                break;
        }
        if (icon.empty()) {
            icon = ReadText(record, qm::kIconValue);
            hot = ReadText(record, qm::kHotIconValue);
        }
        RegCloseKey(record);
    }
    qm::UniqueIcon a = qm::LoadIconFromLocation(icon);
    qm::UniqueIcon b = qm::LoadIconFromLocation(hot);
}

} // namespace

int main(int argc, char** argv) {
    const bool smoke = argc > 1 && std::strcmp(argv[1], "smoke") == 0;
    const int rounds = smoke ? 2 : 15;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    HWND owner = CreateWindowExA(0, "Static", "bench", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                                 0, 530, 420, nullptr, nullptr, nullptr, nullptr);
    bench::BenchDialogs dialogs(kProgram);
    bench::BenchHost host(owner);
    qm::ButtonsPage page(host);
    page.Create(owner);
    if (!page.hwnd()) Fail("the page cannot be created");
    SetWindowPos(page.hwnd(), HWND_TOP, 2, 2, 518, 370, SWP_SHOWWINDOW);
    const int iconSize = GetSystemMetrics(SM_CXSMICON);

    const std::string shippedFolder = qm::ui::ProgramFolder() + "..\\dist\\Images\\Icons\\";
    const std::vector<std::string> shipped = {
        shippedFolder + "qmbar.ico", shippedFolder + "marker.ico", shippedFolder + "zoom.ico"};
    for (const std::string& file : shipped)
        if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) Fail("missing " + file);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string iconFolder = std::string(temp) + "qm-bench-icons";

    const std::vector<int> sizes =
        smoke ? std::vector<int>{12} : std::vector<int>{100, 200, 400, 800};
    const IconSet own = OwnIcons(iconFolder, shipped, sizes.back());
    std::printf("%s: %d rounds each, in turns with the bare loop; ratios of the minima\n", kProgram,
                rounds);

    bench::Figures figures(kProgram);
    bool met = true;
    double listed400 = 0;
    auto list = [&](const char* what, int count, const IconSet& icons) {
        Seed(count, icons);
        const bench::Timings t = bench::TimeInTurns(
            rounds, [&] { page.ListButtons(-1); }, [&] { BareListing(iconSize); });
        if (page.StripButtonCount() != count) Fail("the strip does not hold every record");
        met &= figures.Compare(std::string("listing with ") + what, count, t, 1.10);
        return bench::Minimum(t.job);
    };
    for (int count : sizes) {
        double listed = list("icons of their own", count, own);
        if (count == 400) listed400 = listed;
        if (count == 800)
            met &=
                figures.Limit("listing of 800 records / of 400", 800, listed / listed400, 2.1, "x");
        if (count == sizes.back()) {
            PROCESS_MEMORY_COUNTERS memory{};
            memory.cb = sizeof memory;
            GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
            figures.Tell("peak working set after the largest listing", count,
                         static_cast<double>(memory.PeakWorkingSetSize) / 1024.0, "KiB");
            // Wine does not count a process's GDI objects (GetGuiResources gives 0 there): the
            // program's own count of the icons, image lists and bitmaps it holds stands beside.
            figures.Tell("GDI objects after the largest listing", count,
                         GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), "");
            figures.Tell("icons, image lists, bitmaps the program holds", count,
                         static_cast<double>(qm::UniqueIcon::LiveCount() +
                                             qm::UniqueImageList::LiveCount() +
                                             qm::UniqueBitmap::LiveCount()),
                         "");
        }
    }
    if (!smoke) list("three shared icon files", 400, SharedIcons(shipped, 400));

    // A machine-wide record in both views shown, against its bare reads and icon loads.
    Seed(1, own);
    page.ListButtons(-1);
    const bench::Timings shown = bench::TimeInTurns(
        rounds, [&] { page.ShowButton(0); }, [&] { BareShow(KeyName(0)); });
    met &= figures.Compare("showing a record", 1, shown, 1.2);

    // A save and a delete on the page as the user makes them, each with its record in the
    // history, against the same change with the history's recording off, over a small set.
    const int changeSet = smoke ? 4 : 20;
    Seed(changeSet, own);
    page.ListButtons(-1);
    const int first = page.StripButtonCount() - 1;
    auto withoutRecord = [](const std::function<void()>& change) {
        return [change] {
            qm::testing::SetRecording(false);
            change();
            qm::testing::SetRecording(true);
        };
    };
    int edit = 0;
    const std::function<void()> save = [&] { page.Save(); };
    const bench::Timings saved = bench::TimeInTurns(rounds, save, withoutRecord(save), [&] {
        // Each save writes: the text is a new one every time.
        page.ShowButton(first);
        SetWindowTextA(GetDlgItem(page.hwnd(), IDC_BUTTONTEXT),
                       ("Saved " + std::to_string(++edit)).c_str());
    });
    met &= figures.Compare("saving a record / without its backup", changeSet, saved, 1.5);

    dialogs.answerYes = true; // "Delete this button?"
    const std::string deleted = KeyName(0);
    const std::function<void()> remove = [&] { page.DeleteButton(deleted); };
    const bench::Timings removed = bench::TimeInTurns(rounds, remove, withoutRecord(remove), [&] {
        bench::PutRecord(HKEY_LOCAL_MACHINE, deleted,
                         {{qm::kClsidValue, qm::kButtonClsid},
                          {qm::kButtonTextValue, "Button 0"},
                          {qm::kExecValue, "http://example.org/0"},
                          {qm::kIconValue, own.files[0]},
                          {qm::kIsQuillmereValue, "YES"}});
        page.ListButtons(-1);
    });
    if (page.StripButtonCount() != changeSet - 1) Fail("the delete left the button");
    met &= figures.Compare("deleting a record / without its backup", changeSet, removed, 1.5);
    dialogs.answerYes = false;

    Forget();
    DestroyWindow(page.hwnd());
    DestroyWindow(owner);
    return smoke || met ? 0 : 1;
}
