// The button page's listing and record display, timed against a bare loop that does only the
// same registry reads and icon loads. Prints the median of several runs of each:
//
//   - ListButtons over 200 records whose icons are .ico files, and over 200 whose icons are
//     module locations (shell32.dll with icon numbers), each beside the bare loop over the
//     same records in the same run; the page should cost at most 1.3 times the bare loop;
//   - the same over 400 records, which should cost at most 2.2 times 200;
//   - ShowButton on a record with two module icons, which should take less than one frame
//     (16 ms).
//
// It writes machine-wide keys of its own below the browser's Extensions key and removes them
// at the end; bench/run gives it a throw-away Wine prefix. The exit code is 0 when every
// target is met.
#include "buttons/ButtonRecord.h"
#include "buttons/ButtonsPage.h"
#include "buttons/IconLoader.h"
#include "registry/RegistryAccessor.h"
#include "ui/Dialogs.h"
#include "ui/PageHost.h"
#include "ui/Window.h"

#include "BenchSupport.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 11;

[[noreturn]] void Fail(const std::string& what) { bench::Fail("bench_buttonpage", what); }
using bench::Median;
using bench::NowMs;

double TimeMedian(const std::function<void()>& run) {
    run(); // warm the caches once
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        double start = NowMs();
        run();
        times.push_back(NowMs() - start);
    }
    return Median(times);
}

// The medians of two jobs run in turns, so that a machine busy with other work slows both
// alike.
std::pair<double, double> TimeMedians(const std::function<void()>& first,
                                      const std::function<void()>& second) {
    first();
    second();
    std::vector<double> firstTimes, secondTimes;
    for (int i = 0; i < kRuns; ++i) {
        double start = NowMs();
        first();
        double middle = NowMs();
        second();
        secondTimes.push_back(NowMs() - middle);
        firstTimes.push_back(middle - start);
    }
    return {Median(firstTimes), Median(secondTimes)};
}

std::string KeyName(int i) {
    char name[64];
    std::snprintf(name, sizeof name, "{B3E5C000-0000-0000-0000-%012d}", i);
    return name;
}

// The icon locations of record i: icon files, or shell32.dll with an icon number.
using IconsFor = std::function<std::pair<std::string, std::string>(int)>;

void Seed(int count, const IconsFor& icons) {
    qm::RegistryAccessor reg;
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    reg.DeleteKey(qm::kExtensionsKey);
    for (int i = 0; i < count; ++i) {
        try {
            reg.OpenKey(qm::ButtonKeyPath(KeyName(i)), true);
        } catch (const qm::RegistryError&) {
            Fail("cannot make a record");
        }
        auto [icon, hot] = icons(i);
        reg.WriteString(qm::kClsidValue, qm::kButtonClsid);
        reg.WriteString(qm::kButtonTextValue, "Button " + std::to_string(i));
        reg.WriteString(qm::kExecValue, "http://example.org/" + std::to_string(i));
        reg.WriteString(qm::kIconValue, icon);
        reg.WriteString(qm::kHotIconValue, hot);
        reg.WriteString(qm::kDefaultVisibleValue, "YES");
        reg.WriteString(qm::kIsQuillmereValue, "YES");
    }
    reg.CloseKey();
}

// Only what a listing must do anyway: the same reads of both roots, the same icon loads.
void BareLoop() {
    qm::RegistryAccessor reg;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        reg.SetRoot(root);
        if (!reg.OpenKey(qm::kExtensionsKey, false)) continue;
        std::vector<std::string> names = reg.GetKeyNames();
        for (auto name = names.rbegin(); name != names.rend(); ++name) {
            if (*name == qm::kReservedButtonKey) continue;
            if (!reg.OpenKey(qm::ButtonKeyPath(*name), false)) continue;
            if (root == HKEY_CURRENT_USER && !reg.ValueExists(qm::kClsidValue)) continue;
            std::string text = reg.ReadString(qm::kButtonTextValue);
            qm::UniqueIcon icon = qm::LoadIconFromLocation(reg.ReadString(qm::kIconValue));
            qm::UniqueIcon hot = qm::LoadIconFromLocation(reg.ReadString(qm::kHotIconValue));
        }
        reg.CloseKey();
    }
}

bool Report(const char* what, double value, double limit, const char* unit) {
    bool met = value <= limit;
    std::printf("  %-58s %8.3f %-3s (target <= %.2f: %s)\n", what, value, unit, limit,
                met ? "met" : "MISSED");
    return met;
}

} // namespace

int main() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    HWND owner = CreateWindowExA(0, "Static", "bench", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                                 0, 530, 420, nullptr, nullptr, nullptr, nullptr);
    bench::BenchDialogs dialogs("bench_buttonpage");
    bench::BenchHost host(owner);
    qm::ButtonsPage page(host);
    page.Create(owner);
    if (!page.hwnd()) Fail("the page cannot be created");
    SetWindowPos(page.hwnd(), HWND_TOP, 2, 2, 518, 370, SWP_SHOWWINDOW);

    const std::string folder = qm::ui::ProgramFolder() + "..\\dist\\Images\\Icons\\";
    const std::string icoFiles[] = {folder + "qmbar.ico", folder + "marker.ico",
                                    folder + "zoom.ico"};
    for (const std::string& file : icoFiles)
        if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) Fail("missing " + file);
    const IconsFor fromFiles = [&](int i) {
        return std::make_pair(icoFiles[i % 3], icoFiles[(i + 1) % 3]);
    };
    const std::string shell32 = "C:\\windows\\system32\\shell32.dll,";
    const int numbers[] = {0, 3, 4, 5, 8, 15, 16, 17, 23, 24, 32};
    const IconsFor fromModules = [&](int i) {
        return std::make_pair(shell32 + std::to_string(numbers[i % 11]),
                              shell32 + std::to_string(numbers[(i + 5) % 11]));
    };

    bool met = true;
    double listed200Files = 0;
    std::printf("bench_buttonpage: median of %d runs each\n", kRuns);
    struct Set {
        const char* name;
        int count;
        const IconsFor* icons;
    };
    const Set sets[] = {{".ico files", 200, &fromFiles},
                        {"module icons", 200, &fromModules},
                        {".ico files", 400, &fromFiles}};
    for (const Set& set : sets) {
        Seed(set.count, set.icons == &fromFiles ? fromFiles : fromModules);
        auto [listed, bare] = TimeMedians([&] { page.ListButtons(-1); }, BareLoop);
        if (page.StripButtonCount() != set.count) Fail("the strip does not hold every record");
        std::printf("ListButtons, %d records, %s: page %.1f ms, bare loop %.1f ms\n", set.count,
                    set.name, listed, bare);
        met &= Report("page / bare loop", listed / bare, 1.3, "x");
        if (set.count == 200 && set.icons == &fromFiles) listed200Files = listed;
        if (set.count == 400)
            met &= Report("400 records / 200 records", listed / listed200Files, 2.2, "x");
    }

    // A record with two module icons, shown from the strip.
    Seed(1, [&](int) { return std::make_pair(shell32 + "4", shell32 + "16"); });
    page.ListButtons(-1);
    double shown = TimeMedian([&] { page.ShowButton(0); });
    std::printf("ShowButton, two module icons:\n");
    met &= Report("median", shown, 16.0, "ms");

    qm::RegistryAccessor reg;
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    reg.DeleteKey(qm::kExtensionsKey);
    DestroyWindow(page.hwnd());
    DestroyWindow(owner);
    return met ? 0 : 1;
}
