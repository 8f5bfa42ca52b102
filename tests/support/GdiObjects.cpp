#include "support/GdiObjects.h"

#include <windows.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

namespace qmtest {
namespace {

// One cell of the GDI handle table, laid out as on 64-bit Windows and in Wine.
struct GdiCell {
    uint64_t object;
    uint16_t processId;
    uint16_t count;
    uint16_t upper;
    uint16_t type;
    uint64_t user;
};
static_assert(sizeof(GdiCell) == 24);

constexpr size_t kTableField = sizeof(void*) == 8 ? 0xF8 : 0x94; // PEB.GdiSharedHandleTable
constexpr size_t kTableCells = 0x10000;

const std::byte* ProcessEnvironmentBlock() {
    using Query = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query ||
        query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        return nullptr;
    return reinterpret_cast<const std::byte*>(basic.PebBaseAddress);
}

long CountTableCells() {
    const std::byte* peb = ProcessEnvironmentBlock();
    if (!peb) return -1;
    auto* table = *reinterpret_cast<const GdiCell* const*>(peb + kTableField);
    if (!table) return -1;
    // Windows shares the table between processes and marks each cell with its owner; Wine's
    // table is the process's own and leaves the owner 0.
    const uint16_t self = static_cast<uint16_t>(GetCurrentProcessId());
    long count = 0;
    for (size_t i = 0; i < kTableCells; ++i)
        if ((table[i].type & 0x7F) != 0 && (table[i].processId == self || table[i].processId == 0))
            ++count;
    return count;
}

} // namespace

long GdiObjectCount() {
    GdiFlush();
    if (DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return long(count);
    return CountTableCells();
}

void ExpectNoMoreGdiObjects(long before, long slack, std::source_location where) {
    const long now = GdiObjectCount();
    if (before < 0 || now < 0)
        ADD_FAILURE_AT(where.file_name(), where.line()) << "the GDI objects cannot be counted here";
    else if (now > before + slack)
        ADD_FAILURE_AT(where.file_name(), where.line())
            << "GDI objects grew from " << before << " to " << now << " (" << slack << " allowed)";
}

} // namespace qmtest
