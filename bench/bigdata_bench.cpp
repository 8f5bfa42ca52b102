// Big registry data against a bare loop of plain registry calls over the same keys, in the same
// run (median of several runs each):
//
//   - start-up (the main window made and shown, page 0 listed and its first button shown) with
//     30 buttons, one of them with a 10 MB ButtonText, against the same start with that text
//     short; the difference is what the big value costs, set against the bare loop reading
//     every listed value of the same keys (RegEnumKeyExA, RegQueryValueExA), the 10 MB
//     included; and what the start adds to the process's peak working set;
//   - ListButtons over 600 buttons, against the bare loop over the same 600 keys.
//
// The program should cost at most a few times the bare loop. It writes machine-wide keys of
// its own below the browser's Extensions key and removes them at the end; bench/run gives it a
// throw-away Wine prefix.
#include "app/Main.h"
#include "buttons/ButtonRecord.h"
#include "buttons/ButtonsPage.h"
#include "ui/Window.h"

#include "BenchSupport.h"

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kRuns = 7;
constexpr int kStartButtons = 30;
constexpr int kListButtons = 600;
constexpr size_t kBigText = 10 * 1024 * 1024;
// A few times the bare loop: what a program that does only what it must may cost on top of
// the same reads (windows, the strip, text conversions).
constexpr double kTarget = 4.0;

[[noreturn]] void Fail(const std::string& what) { bench::Fail("bench_bigdata", what); }

std::string KeyName(int i) {
    char name[64];
    std::snprintf(name, sizeof name, "{B16DA7A0-0000-0000-0000-%012d}", i);
    return name;
}

// count machine-wide buttons; the first has a ButtonText of bigText bytes when it is not 0.
void Seed(int count, size_t bigText) {
    bench::ForgetButtons();
    for (int i = 0; i < count; ++i)
        bench::PutRecord(HKEY_LOCAL_MACHINE, KeyName(i),
                         {{qm::kClsidValue, qm::kButtonClsid},
                          {qm::kButtonTextValue, i == 0 && bigText ? std::string(bigText, 'x')
                                                                   : "Button " + std::to_string(i)},
                          {qm::kExecValue, "http://example.org/" + std::to_string(i)},
                          {qm::kDefaultVisibleValue, "YES"},
                          {qm::kIsQuillmereValue, "YES"}});
    if (bench::ButtonCount() != static_cast<size_t>(count)) Fail("the buttons could not be made");
}

// The same reads a listing makes, with nothing around them: every button key of both roots,
// its CLSID, ButtonText, Exec, Script, Icon and HotIcon.
size_t BareLoop() {
    size_t bytes = 0;
    std::string data(256, '\0');
    bench::ForEachRecordKey([&](HKEY, const char*, HKEY button) {
        for (const char* value : {qm::kClsidValue, qm::kButtonTextValue, qm::kExecValue,
                                  qm::kScriptValue, qm::kIconValue, qm::kHotIconValue}) {
            DWORD size = static_cast<DWORD>(data.size());
            LONG result = RegQueryValueExA(button, value, nullptr, nullptr,
                                           reinterpret_cast<BYTE*>(data.data()), &size);
            if (result == ERROR_MORE_DATA) {
                data.resize(size);
                result = RegQueryValueExA(button, value, nullptr, nullptr,
                                          reinterpret_cast<BYTE*>(data.data()), &size);
            }
            if (result == ERROR_SUCCESS) bytes += size;
        }
    });
    return bytes;
}

size_t PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

// The medians of jobs run in turns, so that a machine busy with other work slows them alike.
std::vector<double> TimeInTurns(const std::vector<std::function<void()>>& jobs) {
    for (const auto& job : jobs) job(); // warm the caches once
    std::vector<std::vector<double>> times(jobs.size());
    for (int run = 0; run < kRuns; ++run)
        for (size_t i = 0; i < jobs.size(); ++i) times[i].push_back(bench::Time(jobs[i]));
    std::vector<double> medians;
    for (auto& each : times) medians.push_back(bench::Median(each));
    return medians;
}

bool Report(const char* what, double ratio) {
    bool met = ratio <= kTarget;
    std::printf("  %-52s %6.2f x (target <= %.1f: %s)\n", what, ratio, kTarget,
                met ? "met" : "MISSED");
    return met;
}

} // namespace

int main() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    bench::BenchDialogs dialogs("bench_bigdata");
    qm::ui::SetAppDialogs(&dialogs);
    bool met = true;
    std::printf("bench_bigdata: median of %d runs each\n", kRuns);

    // Start-up: the window as the program makes it at start, shown with page 0 listed.
    auto start = [] {
        qm::TForm1 form;
        form.Show(SW_SHOWNOACTIVATE);
        qm::ui::ProcessPendingMessages();
    };
    Seed(kStartButtons, 0);
    size_t before = PeakWorkingSet();
    auto small = TimeInTurns({start, [] { BareLoop(); }});
    Seed(kStartButtons, kBigText);
    auto big = TimeInTurns({start, [] {
                                if (BareLoop() < kBigText)
                                    Fail("the bare loop did not read the big value");
                            }});
    size_t grown = PeakWorkingSet() - before;
    std::printf(
        "start-up, %d buttons: %.1f ms with short texts, %.1f ms with one 10 MB ButtonText\n",
        kStartButtons, small[0], big[0]);
    std::printf("  bare loop over the same keys: %.1f ms, %.1f ms with the 10 MB value\n", small[1],
                big[1]);
    std::printf("  peak working set grew by %.1f MB over the runs with the 10 MB value\n",
                grown / 1048576.0);
    double added = big[0] - small[0];
    std::printf("  the 10 MB value adds %.1f ms to the start\n", added);
    met &= Report("(start with it - start without) / bare loop with it", added / big[1]);

    // Listing 600 buttons on page 0.
    HWND owner = CreateWindowExA(0, "Static", "bench", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                                 0, 530, 420, nullptr, nullptr, nullptr, nullptr);
    bench::BenchHost host(owner);
    qm::ButtonsPage page(host);
    page.Create(owner);
    if (!page.hwnd()) Fail("the page cannot be created");
    SetWindowPos(page.hwnd(), HWND_TOP, 2, 2, 518, 370, SWP_SHOWWINDOW);
    Seed(kListButtons, 0);
    auto listed = TimeInTurns({[&] { page.ListButtons(-1); }, [] { BareLoop(); }});
    if (page.StripButtonCount() != kListButtons) Fail("the strip does not hold every record");
    std::printf("ListButtons, %d buttons: page %.1f ms, bare loop %.1f ms\n", kListButtons,
                listed[0], listed[1]);
    met &= Report("page / bare loop", listed[0] / listed[1]);

    DestroyWindow(page.hwnd());
    DestroyWindow(owner);
    bench::ForgetButtons();
    qm::ui::SetAppDialogs(nullptr);
    return met ? 0 : 2;
}
